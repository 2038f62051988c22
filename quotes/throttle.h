#pragma once

#include "quotes/queries.h"

#include <chrono>

namespace tavir {

// Hands control to the window system while a query runs: a query calls check() once every
// policy.linesPerCheck lines, and events are delivered when policy.interval has passed since
// the last delivery.
class Throttle
{
public:
    Throttle(EventPump& pump, const PumpPolicy& policy)
        : pump_(pump), policy_(policy), last_(std::chrono::steady_clock::now())
    {
    }

    // False when the query must stop.
    bool check()
    {
        const auto now = std::chrono::steady_clock::now();
        if (now - last_ < policy_.interval)
            return true;
        const bool goOn = pump_.deliverPending();
        last_ = std::chrono::steady_clock::now();
        return goOn;
    }

private:
    EventPump& pump_;
    const PumpPolicy& policy_;
    std::chrono::steady_clock::time_point last_;
};

} // namespace tavir

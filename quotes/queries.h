#pragma once

#include "quotes/collection.h"
#include "quotes/folding.h"
#include "quotes/parallel_scan.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <span>
#include <string_view>

namespace tavir {

// Image indexes of result items.
inline constexpr int kQuotationImage = 0;
inline constexpr int kHintImage = 1;

// What the queries need of the results list.
class ResultList
{
public:
    virtual ~ResultList() = default;
    virtual void clear() = 0;
    virtual void beginUpdate() = 0;
    virtual void endUpdate() = 0;
    // The caption points into the collection (or at a constant); it is not copied.
    virtual void add(std::string_view caption, int image) = 0;
    // About `rows` rows are coming; a list may make room for them at once.
    virtual void reserve(std::size_t rows) { (void)rows; }
    // Quotation `line` of a collection. A list that knows the collection may keep just the
    // number; by default the caption is added.
    virtual void addLine(const QuoteCollection& quotes, std::size_t line)
    {
        add(quotes.line(line), kQuotationImage);
    }
    // Quotations `lines` of a collection, in order.
    virtual void addLines(const QuoteCollection& quotes, std::span<const std::size_t> lines)
    {
        for (const std::size_t line : lines)
            addLine(quotes, line);
    }
};

// What a listing of all quotations needs of the wait window.
class WaitIndicator
{
public:
    virtual ~WaitIndicator() = default;
    virtual void create() = 0;
    virtual void setMaximum(std::size_t maximum) = 0;
    virtual void show() = 0; // shows and paints at once
    virtual void step() = 0;
    virtual void close() = 0; // closes and destroys
};

// Lets the window system deliver pending events while a query runs.
class EventPump
{
public:
    virtual ~EventPump() = default;
    // Returns false when the query must stop (the window is closing).
    virtual bool deliverPending() = 0;
};

// For callers without a window: no wait window, and no events to deliver.
class NoWaitIndicator final : public WaitIndicator
{
public:
    void create() override {}
    void setMaximum(std::size_t) override {}
    void show() override {}
    void step() override {}
    void close() override {}
};

class NoEventPump final : public EventPump
{
public:
    bool deliverPending() override { return true; }
};

// How often a running query hands control to the window system: the clock is read every
// `linesPerCheck` lines, and events are delivered when `interval` has passed since the last
// delivery. A zero interval delivers at every check. And how a large collection is searched:
// cut into ranges scanned by other threads, the rows then delivered in order as above.
struct PumpPolicy
{
    std::chrono::steady_clock::duration interval = std::chrono::milliseconds(15);
    std::size_t linesPerCheck = 4096;
    ScanThreads threads;
};

enum class QueryEnd
{
    Finished,
    Stopped
};

void AddListItem(std::string_view text, ResultList& list, int image);
// Adds quotation `line` of the collection.
void AddListItem(const QuoteCollection& quotes, std::size_t line, ResultList& list);
// Adds quotations `lines` of the collection, in order.
void AddListItems(const QuoteCollection& quotes, std::span<const std::size_t> lines,
                  ResultList& list);

// Lists the quotations holding `query` (a-z folded to A-Z on both sides, or by the folding
// given), or every quotation when the query is empty, showing the wait window for the latter.
QueryEnd FiltrujDane(const QuoteCollection& quotes, std::string_view query, ResultList& list,
                     WaitIndicator& wait, EventPump& pump, const PumpPolicy& policy = {},
                     Folding folding = Folding::AsciiOnly);

// The random numbers of a draw, the same for a seed as in earlier versions of the program, so
// that a seed draws the same quotations: the state steps to state * 22695477 + 1 and a number
// is its bits 16-30; seeding takes one step.
class RuntimeRandom
{
public:
    explicit RuntimeRandom(std::uint32_t seed) : state_(seed) { draw(); }
    int draw()
    {
        state_ = state_ * 22695477u + 1u;
        return static_cast<int>((state_ >> 16) & 0x7FFFu);
    }

private:
    std::uint32_t state_;
};

// The seed of the window's random draw: the current time in whole seconds since 1970.
std::uint32_t timeSeed();
// The seed for a given time: its seconds since 1970 wrapped to 32 bits. From 2038 on they no
// longer fit; wrapped, the seed still changes each second rather than every draw beginning alike.
std::uint32_t timeSeed(std::time_t now);

// Empties the list and appends n quotations drawn at random with the given seed.
void LosujDane(const QuoteCollection& quotes, int n, std::uint32_t seed, ResultList& list);

} // namespace tavir

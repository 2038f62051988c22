#pragma once

#include "quotes/queries.h"

#include <string>
#include <utility>
#include <vector>

namespace tavir::test {

// A results list that remembers what the queries did to it.
class RecordingList final : public ResultList
{
public:
    void clear() override
    {
        items.clear();
        calls.push_back("clear");
    }
    void beginUpdate() override { calls.push_back("begin"); }
    void endUpdate() override { calls.push_back("end"); }
    void add(std::string_view caption, int image) override { items.emplace_back(caption, image); }

    std::vector<std::string> captions() const
    {
        std::vector<std::string> out;
        for (const auto& item : items)
            out.push_back(item.first);
        return out;
    }

    std::vector<std::pair<std::string, int>> items;
    std::vector<std::string> calls;
};

} // namespace tavir::test

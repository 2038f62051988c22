#pragma once

#include "quotes/folding.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tavir::test {

// `text` with every byte replaced by the byte it folds to.
inline std::string folded(const FoldTable& fold, std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        c = static_cast<char>(fold[static_cast<unsigned char>(c)]);
    return out;
}

// The simple search every path of the finder must agree with: where `needle` starts in
// `haystack` (both folded already) at or after `from` and ends by `end`, going on `jump` bytes
// after each hit.
inline std::vector<std::size_t> naiveHits(std::string_view haystack, std::string_view needle,
                                          std::size_t from, std::size_t end, std::size_t jump = 1)
{
    std::vector<std::size_t> hits;
    const std::string_view within = haystack.substr(0, end);
    for (std::size_t hit = within.find(needle, from); hit != std::string_view::npos;
         hit = within.find(needle, hit + jump))
        hits.push_back(hit);
    return hits;
}

} // namespace tavir::test

#pragma once

#include "fuzz/fuzz_support.h"
#include "quotes/finder.h"
#include "tests/support/naive_finder.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tavir::fuzz {

// The finder against std::string::find on folded copies (`haystack` and `needle`, folded as
// the finder folds), from `from` on, through every SIMD path the processor has: one hit at a
// time, every hit in one pass going on `jump` bytes after each, every hit before the text's
// first NUL, and every hit marked.
inline void checkFinderPaths(const FoldedFinder& finder, std::string_view text,
                             const std::string& haystack, const std::string& needle,
                             std::size_t from, std::size_t jump)
{
    using Path = FoldedFinder::Path;
    const auto walk = [&](std::size_t end) {
        return test::naiveHits(haystack, needle, from, end, jump);
    };
    for (const Path path : {Path::Scalar, Path::Sse2, Path::Avx2}) {
        if (!FoldedFinder::supported(path))
            continue;
        check(finder.find(path, text, from) == haystack.find(needle, from),
              "find from an offset on one path");
        std::size_t at = 0;
        for (int hits = 0; hits < 64; ++hits) {
            const std::size_t expected = haystack.find(needle, at);
            check(finder.find(path, text, at) == expected, "find of the next hit");
            if (expected == std::string::npos || expected >= text.size())
                break;
            at = expected + 1;
        }
        if (from < text.size()) {
            std::vector<std::uint64_t> words((text.size() - from + 63) / 64);
            finder.markHits(path, text, from, text.size(), words.data());
            for (std::size_t k = 0; k < words.size() * 64; ++k) {
                const bool hit = from + k < text.size() &&
                                 haystack.compare(from + k, needle.size(), needle) == 0;
                check(((words[k / 64] >> (k % 64)) & 1) == (hit ? 1u : 0u),
                      "markHits differs from the naive walk");
            }
        }
        if (needle.empty() || from > text.size())
            continue;
        std::vector<std::size_t> hits;
        const auto collect = [&](std::size_t hit) {
            hits.push_back(hit);
            return hit + jump;
        };
        finder.findEach(path, text, from, collect);
        check(hits == walk(text.size()), "findEach differs from the naive walk");
        if (needle.find('\0') != std::string::npos)
            continue; // no such needle is looked for in a text that ends at a NUL
        hits.clear();
        const std::size_t nul = text.find('\0', from);
        check(finder.findEachBeforeNul(path, text, from, collect) == nul,
              "findEachBeforeNul missed the first NUL");
        check(hits == walk(nul == std::string::npos ? text.size() : nul),
              "findEachBeforeNul differs from the naive walk");
    }
}

// A periodic text and needle, where checking candidates byte by byte would cost a needle's
// length at every place: the text is `unit` repeated to `textSize` bytes, the needle `unit`
// from `shift` on, repeated to `needleSize` bytes, then `last`. Every path against the naive
// search, with the bytes compared bounded by a few for each byte of the text and the needle;
// and the linear search from the first byte.
inline void checkPeriodic(std::string_view unit, std::size_t textSize, std::size_t shift,
                          std::size_t needleSize, char last, const FoldTable& fold,
                          std::size_t jump)
{
    if (unit.empty())
        return;
    std::string text, needle;
    for (std::size_t k = 0; k < textSize; ++k)
        text += unit[k % unit.size()];
    for (std::size_t k = 0; k < needleSize; ++k)
        needle += unit[(shift + k) % unit.size()];
    needle += last;
    const std::string haystack = test::folded(fold, text), folded = test::folded(fold, needle);
    const FoldedFinder finder(needle, fold);
    checkFinderPaths(finder, text, haystack, folded, 0, jump);
    checkFinderPaths(FoldedFinder(needle, fold, FinderBudget{0, 0}), text, haystack, folded, 0,
                     jump);
    for (const auto path :
         {FoldedFinder::Path::Scalar, FoldedFinder::Path::Sse2, FoldedFinder::Path::Avx2}) {
        if (!FoldedFinder::supported(path))
            continue;
        std::size_t compared = 0;
        finder.findEach(
            path, text, 0, [&](std::size_t at) { return at + jump; }, &compared);
        check(compared <= 16 * (text.size() + needle.size()) + 512,
              "checks of a periodic text cost more than linear");
    }
}

} // namespace tavir::fuzz

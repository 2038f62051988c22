// The finder against the simple search, on every path the processor has.
#include "quotes/finder.h"
#include "quotes/folding.h"
#include "tests/support/naive_finder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

using tavir::FoldedFinder;
using tavir::test::folded;
using tavir::test::naiveHits;

namespace {

// Every path of the finder this processor has.
std::vector<FoldedFinder::Path> everyPath()
{
    std::vector<FoldedFinder::Path> paths{FoldedFinder::Path::Scalar};
    for (const auto path : {FoldedFinder::Path::Sse2, FoldedFinder::Path::Avx2})
        if (FoldedFinder::supported(path))
            paths.push_back(path);
    return paths;
}

// The finder as it plans itself, and searching in linear time from the first byte or once a
// few candidates are checked.
std::vector<FoldedFinder> everyBudget(const std::string& needle,
                                      const tavir::FoldTable& fold = tavir::asciiFoldTable())
{
    return {FoldedFinder(needle, fold), FoldedFinder(needle, fold, tavir::FinderBudget{0, 0}),
            FoldedFinder(needle, fold, tavir::FinderBudget{1, 8})};
}

// The finder of everyBudget, and with every pair of positions forced on its kernels.
std::vector<FoldedFinder> everyPlan(const std::string& needle)
{
    std::vector<FoldedFinder> finders = everyBudget(needle);
    for (std::size_t a = 0; a < needle.size() && needle.size() <= 8; ++a)
        for (std::size_t b = 0; b < needle.size(); ++b)
            if (a != b || needle.size() == 1)
                finders.emplace_back(needle, tavir::asciiFoldTable(),
                                     tavir::FinderPositions{{a, b}});
    return finders;
}

// The first hit from every offset, the kernels starting from the rarest positions or from
// every pair of positions a test forces on them.
TEST(Finder, EveryPathAgreesWithTheNaiveSearch)
{
    const auto paths = everyPath();
    // Hits at every offset of a 32-byte block, near the end, and false candidates where
    // only the rare bytes match.
    std::string text;
    for (int i = 0; i < 200; ++i)
        text += std::string(static_cast<std::size_t>(i % 37), '.') + (i % 3 ? "Za" : "zA") +
                "\xB3w" + (i % 5 ? "Q" : "qx") + "q-";
    text += "ZA\xB3WQq";
    const std::string longNeedle = "zA\xB3wqxQ-" + std::string(30, '.') + "zA";
    for (const std::string& needle :
         std::vector<std::string>{"q", "Q", "\xB3", "x", "za", "zA\xB3wQq", "ZA\xB3WQQ", "q-",
                                  longNeedle, "a\xB3w", "#"})
        for (const auto& finder : everyPlan(needle))
            for (const auto path : paths) {
                const auto expected =
                    naiveHits(tavir::foldAscii(text), tavir::foldAscii(needle), 0, text.size());
                auto next = expected.begin();
                for (std::size_t from = 0; from <= text.size(); from += 1) {
                    while (next != expected.end() && *next < from)
                        ++next;
                    ASSERT_EQ(finder.find(path, text, from),
                              next == expected.end() ? FoldedFinder::npos : *next)
                        << "needle " << needle << " path " << static_cast<int>(path) << " from "
                        << from;
                }
                ASSERT_EQ(finder.find(path, "", 0), FoldedFinder::npos);
            }
}

// findEach against a naive walk: each hit in turn, the search going on where the callback
// says; and findEachBeforeNul on the same text cut at a NUL.
TEST(Finder, EveryHitInTurnOnEveryPath)
{
    const auto paths = everyPath();
    std::string text;
    for (int i = 0; i < 300; ++i)
        text += std::string(static_cast<std::size_t>(i % 41), i % 2 ? '.' : 'a') +
                (i % 3 ? "NiE" : "nie") + (i % 5 ? "" : "nienie");
    const std::string folded = tavir::foldAscii(text);
    const auto naive = [&](std::size_t end, std::string_view needle, std::size_t jump) {
        return naiveHits(folded, tavir::foldAscii(needle), 0, end, jump);
    };
    for (const std::string needle : {"nie", "N", "ie.", "aaaaanie", "enienie"})
        for (const std::size_t jump : {std::size_t(1), std::size_t(2), std::size_t(70)})
            for (const auto path : paths)
                for (const auto& finder : everyBudget(needle)) {
                    std::vector<std::size_t> hits;
                    finder.findEach(path, text, 0, [&](std::size_t at) {
                        hits.push_back(at);
                        return at + jump;
                    });
                    ASSERT_EQ(hits, naive(text.size(), needle, jump)) << needle << " jump " << jump;
                    for (std::size_t nul = 0; nul < text.size(); nul += 1 + nul % 53) {
                        std::string cut = text;
                        cut[nul] = '\0';
                        hits.clear();
                        const std::size_t met =
                            finder.findEachBeforeNul(path, cut, 0, [&](std::size_t at) {
                                hits.push_back(at);
                                return at + jump;
                            });
                        ASSERT_EQ(met, nul) << needle << " jump " << jump << " NUL at " << nul;
                        ASSERT_EQ(hits, naive(nul, needle, jump))
                            << needle << " jump " << jump << " NUL at " << nul;
                    }
                    EXPECT_EQ(finder.findEachBeforeNul(
                                  path, text, 0, [](std::size_t) { return FoldedFinder::npos; }),
                              FoldedFinder::npos);
                }
}

// markHits against a naive walk, over ranges that begin and end off the edges of a step.
TEST(Finder, MarksEveryHitOnEveryPath)
{
    const auto paths = everyPath();
    std::string text;
    for (int i = 0; i < 200; ++i)
        text += std::string(static_cast<std::size_t>(i % 41), i % 2 ? '.' : 'a') +
                (i % 3 ? "NiE" : "ni\xEA") + (i % 5 ? "" : "nienie\r\n");
    for (const tavir::Folding folding : {tavir::Folding::AsciiOnly, tavir::Folding::NoDiacritics}) {
        const tavir::FoldTable& fold = tavir::foldTable(folding);
        const std::string haystack = folded(fold, text);
        // Up to four bytes every byte is compared at once; longer needles are checked.
        for (const std::string needle : {"nie", "N", "ie", "e.", "aaaaanie", "enienie\r"})
            for (const auto& finder : everyBudget(needle, fold)) {
                const std::string wanted = folded(fold, needle);
                const std::size_t size = text.size();
                const std::pair<std::size_t, std::size_t> ranges[] = {
                    {0, size}, {1, size - 3}, {63, 64 * 5 + 1}, {100, 101}, {size - 70, size}};
                for (const auto& [from, to] : ranges)
                    for (const auto path : paths) {
                        std::vector<std::uint64_t> words((to - from + 63) / 64, ~std::uint64_t{0});
                        finder.markHits(path, text, from, to, words.data());
                        for (std::size_t k = 0; k < words.size() * 64; ++k) {
                            const bool hit = from + k < to &&
                                             haystack.compare(from + k, wanted.size(), wanted) == 0;
                            ASSERT_EQ((words[k / 64] >> (k % 64) & 1) != 0, hit)
                                << needle << " from " << from << " to " << to << " at " << from + k
                                << " path " << static_cast<int>(path);
                        }
                    }
            }
    }
}

// A folding where many bytes fold to one: up to four are compared one by one, more are looked
// up in tables of half-bytes, and over eight high halves make those tables take in bytes
// that do not fold to it, whose hits must then be checked.
TEST(Finder, LettersOfManyFormsOnEveryPath)
{
    std::string text;
    for (int i = 0; i < 3000; ++i)
        text += static_cast<char>((i * 37 + i / 7) % 256 == 0 ? 1 : (i * 37 + i / 7) % 256);
    for (const int forms : {3, 6, 8, 9, 12, 16}) {
        tavir::FoldTable fold = tavir::asciiFoldTable();
        for (int k = 0; k < forms; ++k)
            fold[static_cast<unsigned char>(0x10 * k + 5 + k % 3)] = 0x05;
        const std::string haystack = folded(fold, text);
        for (const std::string needle : {"\x05", "\x05\x25", "a\x05b", "\x05\x35\x45\x55\x65"})
            for (const auto& finder : everyBudget(needle, fold)) {
                const std::string wanted = folded(fold, needle);
                const auto expected = naiveHits(haystack, wanted, 0, haystack.size());
                for (const auto path : everyPath()) {
                    std::vector<std::size_t> hits;
                    finder.findEach(path, text, 0, [&](std::size_t at) {
                        hits.push_back(at);
                        return at + 1;
                    });
                    EXPECT_EQ(hits, expected) << forms << " forms, path " << static_cast<int>(path);
                    std::vector<std::uint64_t> words((text.size() + 63) / 64);
                    finder.markHits(path, text, 0, text.size(), words.data());
                    std::vector<std::size_t> marked;
                    for (std::size_t k = 0; k < text.size(); ++k)
                        if ((words[k / 64] >> (k % 64) & 1) != 0)
                            marked.push_back(k);
                    EXPECT_EQ(marked, expected)
                        << forms << " forms, path " << static_cast<int>(path);
                }
            }
    }
}

// A periodic text where the rare bytes match at every other place, and needles that match
// it all but at their last byte, or everywhere: checking each candidate byte by byte would
// compare about a needle's length for every place. The bytes compared stay within a few
// for each byte of the text and of the needle, on every path, and the hits are those of the
// naive search.
TEST(Finder, PeriodicTextTakesLinearWork)
{
    std::string text;
    for (int i = 0; i < 32768; ++i)
        text += i % 3 ? "aB" : "Ab";
    std::string period = "AB";
    std::string longPeriod;
    for (int i = 0; i < 100; ++i)
        longPeriod += i % 7 ? "ab" : "aab";
    const auto repeat = [](const std::string& unit, std::size_t size) {
        std::string out;
        while (out.size() < size)
            out += unit;
        out.resize(size);
        return out;
    };
    const std::string needles[] = {
        repeat(period, 4096) + "b",     // the attack's form: never found
        repeat(period, 4096),           // found at every other place
        "b" + repeat(period, 4000),     // the odd byte first
        repeat(longPeriod, 3000) + "a", // a longer period, found nowhere
    };
    for (const tavir::Folding folding : {tavir::Folding::AsciiOnly, tavir::Folding::EveryCase}) {
        const tavir::FoldTable& fold = tavir::foldTable(folding);
        const std::string haystack = folded(fold, text);
        for (const std::string& needle : needles) {
            const FoldedFinder finder(needle, fold);
            const auto expected = naiveHits(haystack, folded(fold, needle), 0, text.size());
            const std::size_t bound = 16 * (text.size() + needle.size());
            for (const auto path : everyPath()) {
                std::vector<std::size_t> hits;
                std::size_t compared = 0;
                finder.findEach(
                    path, text, 0,
                    [&](std::size_t at) {
                        hits.push_back(at);
                        return at + 1;
                    },
                    &compared);
                EXPECT_EQ(hits, expected) << needle.size() << " path " << static_cast<int>(path);
                EXPECT_LE(compared, bound) << needle.size() << " path " << static_cast<int>(path);
                std::vector<std::uint64_t> words((text.size() + 63) / 64);
                compared = 0;
                finder.markHits(path, text, 0, text.size(), words.data(), &compared);
                std::vector<std::size_t> marked;
                for (std::size_t k = 0; k < text.size(); ++k)
                    if ((words[k / 64] >> (k % 64) & 1) != 0)
                        marked.push_back(k);
                EXPECT_EQ(marked, expected) << needle.size() << " path " << static_cast<int>(path);
                EXPECT_LE(compared, bound) << needle.size() << " path " << static_cast<int>(path);
            }
        }
    }
}

} // namespace

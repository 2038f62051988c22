#include "quotes/collection.h"
#include "quotes/finder.h"
#include "quotes/folding.h"
#include "quotes/queries.h"
#include "quotes/stream.h"
#include "tests/support/folding.h"
#include "tests/support/recording_list.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

using tavir::FoldedFinder;
using tavir::QueryStream;
using tavir::QuoteCollection;
using tavir::test::RecordingList;

namespace {

using Lines = std::vector<std::string>;

// Files that put every line rule at the edges of pieces: each terminator form, an empty line,
// a terminator at the very end or none, the first NUL, one-line and empty files.
const std::vector<std::string> kFiles = {
    "",
    "A",
    "A\r\n",
    "Ala ma kota\r\nALA\r\nbez\r\nala end\r\n",
    "ala\r\nala\r\nala",
    "ala\nala\rala\r\n\r\nala\n\rala\r\r\nala\n\n",
    "ala\r\nala\r\n\r\n",
    "ala\r\nb\0ala\r\nala\r\n",
    std::string("ala\r\nala\0\r\nala\r\n", 15),
    std::string("\0ala\r\nala\r\n", 11),
    "x\r\n\r\nala kot\r\n\r",
    "kot ala\nkot\r\nALA\r\nx",
};

// What the window's search lists for the same text.
Lines windowResults(const std::string& file, const std::string& query)
{
    const auto quotes = QuoteCollection::fromBytes(file);
    RecordingList list;
    tavir::NoWaitIndicator wait;
    tavir::NoEventPump pump;
    tavir::FiltrujDane(quotes, query, list, wait, pump);
    return list.captions();
}

Lines streamed(const std::string& file, const std::string& query, std::size_t piece)
{
    RecordingList list;
    QueryStream stream(query, list);
    for (std::size_t at = 0; at < file.size(); at += piece)
        if (!stream.feed(std::string_view(file).substr(at, piece)))
            break;
    stream.finish();
    EXPECT_EQ(list.calls, (std::vector<std::string>{"begin", "clear", "end"}));
    return list.captions();
}

TEST(QueryStream, AgreesWithTheWindowForEveryPieceSize)
{
    for (const std::string& file : kFiles)
        for (const std::string query : {"", "ala", "ALA", "a", "kot", "\r", "x"})
            for (std::size_t piece = 1; piece <= file.size() + 1; ++piece)
                ASSERT_EQ(streamed(file, query, piece), windowResults(file, query))
                    << "file " << testing::PrintToString(file) << " query " << query << " piece "
                    << piece;
}

TEST(QueryStream, LastLineIsNeverListed)
{
    EXPECT_EQ(streamed("Ala\r\nala end\r\n", "ala", 4), Lines{"Ala"});
    EXPECT_EQ(streamed("Ala\r\nala end", "", 1), Lines{"Ala"});
    EXPECT_EQ(streamed("Ala\r\n\r\n", "", 2), (Lines{"Ala"}));
    EXPECT_EQ(streamed("ala\r\nala\r\n\r", "", 3), (Lines{"ala", "ala"}));
    EXPECT_TRUE(streamed("", "", 1).empty());
}

TEST(QueryStream, ReadsAFileInPiecesAndCarriesLongLines)
{
    tavir::test::TempDir dir;
    std::string text;
    for (int i = 0; i < 3000; ++i)
        text += (i % 7 == 0 ? "Kot " : "pies ") +
                std::string(static_cast<std::size_t>(i % 300), 'z') + (i % 2 ? "\r\n" : "\n");
    text += std::string(100000, 'k') + "ot\r\nlast kot\r\n";
    const std::string path = dir.write("q.dbc", text);
    for (const std::size_t piece : {std::size_t(7), std::size_t(4096), QueryStream::kPieceSize}) {
        RecordingList list;
        QueryStream("KOT", list).readFile(path, piece);
        EXPECT_EQ(list.captions(), windowResults(text, "KOT")) << piece;
        EXPECT_EQ(list.items.size(), 430u);
    }
    for (const auto access : {QueryStream::Access::Map, QueryStream::Access::Read}) {
        RecordingList list;
        QueryStream("KOT", list).readFile(path, 4096, access);
        EXPECT_EQ(list.captions(), windowResults(text, "KOT"));
    }
    RecordingList list;
    EXPECT_THROW(QueryStream("kot", list).readFile(dir.file("missing.dbc")), std::runtime_error);
    EXPECT_THROW(QueryStream("kot", list).readFile(dir.path().string()), std::runtime_error);
}

// The first NUL ends the text: lines up to the one it ends are listed, whether the NUL falls
// at the start, inside or at the end of a page of a mapped file, right after a terminator, in
// the last bytes of a line the search jumps over after a hit, or in a line carried over.
TEST(QueryStream, NulAnywhereEndsTheTextInEveryWayOfReading)
{
    tavir::test::TempDir dir;
    std::string base;
    for (int i = 0; base.size() < 5 * 4096; ++i)
        base += (i % 3 ? "kot i pies " : "sam pies ") +
                std::string(static_cast<std::size_t>(i % 61), 'x') + (i % 4 ? "\r\n" : "\n");
    std::vector<std::size_t> places = {0, 1, 2, 3};
    for (const std::size_t page : {4096u, 8192u, 16384u})
        for (std::size_t d = 0; d < 6; ++d)
            places.push_back(page - 3 + d);
    for (std::size_t at = base.find("kot"); places.size() < 60; at = base.find("kot", at + 1))
        places.push_back(base.find_first_of("\r\n", at) + places.size() % 3); // ends a hit's line
    for (const std::size_t nul : places) {
        std::string text = base;
        text[nul] = '\0';
        const std::string path = dir.write("nul.dbc", text);
        for (const std::string query : {"kot", "KOT I", "x", ""})
            for (const std::size_t piece :
                 {std::size_t(1), std::size_t(4096), QueryStream::kPieceSize})
                for (const auto access : {QueryStream::Access::Map, QueryStream::Access::Read}) {
                    RecordingList list;
                    QueryStream(query, list).readFile(path, piece, access);
                    ASSERT_EQ(list.captions(), windowResults(text, query))
                        << "NUL at " << nul << " query " << query << " piece " << piece
                        << " mapped " << (access == QueryStream::Access::Map);
                }
    }
}

// The naive search every path of the finder must agree with.
std::size_t reference(std::string_view text, std::string_view needle, std::size_t from)
{
    return tavir::foldAscii(text).find(tavir::foldAscii(needle), from);
}

TEST(Finder, EveryPathAgreesWithTheNaiveSearch)
{
    std::vector<FoldedFinder::Path> paths{FoldedFinder::Path::Scalar};
    if (FoldedFinder::supported(FoldedFinder::Path::Sse2))
        paths.push_back(FoldedFinder::Path::Sse2);
    if (FoldedFinder::supported(FoldedFinder::Path::Avx2))
        paths.push_back(FoldedFinder::Path::Avx2);
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
        for (const auto path : paths) {
            const FoldedFinder finder(needle);
            for (std::size_t from = 0; from <= text.size(); from += 1)
                ASSERT_EQ(finder.find(path, text, from), reference(text, needle, from))
                    << "needle " << needle << " path " << static_cast<int>(path) << " from "
                    << from;
            ASSERT_EQ(finder.find(path, "", 0), FoldedFinder::npos);
        }
}

// Every path of the finder this processor has.
std::vector<FoldedFinder::Path> everyPath()
{
    std::vector<FoldedFinder::Path> paths{FoldedFinder::Path::Scalar};
    for (const auto path : {FoldedFinder::Path::Sse2, FoldedFinder::Path::Avx2})
        if (FoldedFinder::supported(path))
            paths.push_back(path);
    return paths;
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
        const std::string_view within = std::string_view(folded).substr(0, end);
        const std::string foldedNeedle = tavir::foldAscii(needle);
        std::vector<std::size_t> hits;
        for (std::size_t at = within.find(foldedNeedle); at != std::string::npos;
             at = within.find(foldedNeedle, at + jump))
            hits.push_back(at);
        return hits;
    };
    for (const std::string needle : {"nie", "N", "ie.", "aaaaanie", "enienie"})
        for (const std::size_t jump : {std::size_t(1), std::size_t(2), std::size_t(70)})
            for (const auto path : paths) {
                const FoldedFinder finder(needle);
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
                EXPECT_EQ(finder.findEachBeforeNul(path, text, 0,
                                                   [](std::size_t) { return FoldedFinder::npos; }),
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
        const auto folded = [&](std::string_view bytes) {
            return tavir::test::folded(fold, bytes);
        };
        const std::string haystack = folded(text);
        // Up to four bytes every byte is compared at once; longer needles are checked.
        for (const std::string needle : {"nie", "N", "ie", "e.", "aaaaanie", "enienie\r"}) {
            const FoldedFinder finder(needle, fold);
            const std::string wanted = folded(needle);
            const std::size_t size = text.size();
            const std::pair<std::size_t, std::size_t> ranges[] = {
                {0, size}, {1, size - 3}, {63, 64 * 5 + 1}, {100, 101}, {size - 70, size}};
            for (const auto& [from, to] : ranges)
                for (const auto path : paths) {
                    std::vector<std::uint64_t> words((to - from + 63) / 64, ~std::uint64_t{0});
                    finder.markHits(path, text, from, to, words.data());
                    for (std::size_t k = 0; k < words.size() * 64; ++k) {
                        const bool hit =
                            from + k < to && haystack.compare(from + k, wanted.size(), wanted) == 0;
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
        const std::string haystack = tavir::test::folded(fold, text);
        for (const std::string needle : {"\x05", "\x05\x25", "a\x05b", "\x05\x35\x45\x55\x65"}) {
            const FoldedFinder finder(needle, fold);
            const std::string wanted = tavir::test::folded(fold, needle);
            std::vector<std::size_t> expected;
            for (std::size_t at = haystack.find(wanted); at != std::string::npos;
                 at = haystack.find(wanted, at + 1))
                expected.push_back(at);
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
                EXPECT_EQ(marked, expected) << forms << " forms, path " << static_cast<int>(path);
            }
        }
    }
}

TEST(Collection, StartsOnlyTableGivesEveryLine)
{
    for (const std::string& file : kFiles) {
        const auto quotes = QuoteCollection::fromBytes(file);
        std::size_t length = 0;
        const auto spans = tavir::splitLines(file, &length);
        ASSERT_EQ(quotes.count(), spans.size()) << testing::PrintToString(file);
        EXPECT_EQ(quotes.text().size(), length);
        for (std::size_t i = 0; i < spans.size(); ++i)
            EXPECT_EQ(quotes.line(i),
                      std::string_view(file).substr(spans[i].begin, spans[i].length))
                << testing::PrintToString(file) << " line " << i;
    }
}

// The line holding a byte, against a walk over the lines, from any bracket around it: lines
// of 1 to 200 bytes, so that a guess from the mean length is often wrong either way.
TEST(Collection, LineHoldingFindsTheLineFromAnyBracket)
{
    std::string text;
    std::vector<std::size_t> starts;
    for (int i = 0; i < 3000; ++i) {
        starts.push_back(text.size());
        text +=
            std::string(static_cast<std::size_t>(i * 7919 % 199), 'a') + (i % 3 ? "\r\n" : "\n");
    }
    starts.push_back(text.size());
    const auto quotes = QuoteCollection::fromBytes(text);
    ASSERT_EQ(quotes.count(), 3000u);
    for (std::size_t offset = 0; offset < text.size(); offset += 37) {
        const auto line = static_cast<std::size_t>(
            std::upper_bound(starts.begin(), starts.end(), offset) - starts.begin() - 1);
        for (const std::size_t first : {std::size_t(0), line / 2, line})
            for (const std::size_t last : {line + 1, (line + 3001) / 2, std::size_t(3000)})
                ASSERT_EQ(quotes.lineHolding(offset, first, last), line)
                    << "offset " << offset << " between " << first << " and " << last;
    }
}

// Starts past 4 GiB keep their high part, a CR LF pair that straddles a 4 GiB mark included.
TEST(LineTable, StartsPastFourGibibytes)
{
    constexpr std::size_t kMark = std::size_t(1) << 32;
    const std::vector<std::size_t> starts = {0,         kMark - 2,    kMark + 5, 3 * kMark - 1,
                                             3 * kMark, 3 * kMark + 1};
    tavir::LineTable table;
    for (const std::size_t start : starts)
        table.push_back(start);
    table.push_back(4 * kMark - 1);
    table.setBack(4 * kMark + 1); // the LF of a CR LF moves the last start on
    table.push_back(4 * kMark + 9);
    table.setBack(4 * kMark + 10);
    ASSERT_EQ(table.size(), starts.size() + 2);
    for (std::size_t i = 0; i < starts.size(); ++i)
        EXPECT_EQ(table[i], starts[i]) << i;
    EXPECT_EQ(table[starts.size()], 4 * kMark + 1);
    EXPECT_EQ(table.back(), 4 * kMark + 10);
}

TEST(Collection, KeepsItsLinesWhenTheFileIsTruncatedUnderIt)
{
    tavir::test::TempDir dir;
    std::string text;
    for (int i = 0; i < 40000; ++i)
        text += "cytat numer " + std::to_string(i) + "\r\n";
    const std::string path = dir.write("q.dbc", text);
    const auto quotes = QuoteCollection::fromFile(path);
    std::filesystem::resize_file(path, 10);
    ASSERT_EQ(quotes.count(), 40000u);
    EXPECT_EQ(quotes.line(39999), "cytat numer 39999");
    RecordingList list;
    tavir::NoWaitIndicator wait;
    tavir::NoEventPump pump;
    tavir::FiltrujDane(quotes, "numer 3999", list, wait, pump);
    EXPECT_EQ(list.items.size(), 10u);
}

} // namespace

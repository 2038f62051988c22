#include "quotes/collection.h"
#include "quotes/finder.h"
#include "quotes/folding.h"
#include "quotes/queries.h"
#include "quotes/stream.h"
#include "tests/support/line_files.h"
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
using tavir::test::kLineFiles;
using tavir::test::RecordingList;

namespace {

using Lines = std::vector<std::string>;

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
    for (const std::string& file : kLineFiles)
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

} // namespace

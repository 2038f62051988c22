#include "base/errors.h"
#include "quotes/collection.h"
#include "quotes/lines.h"
#include "quotes/queries.h"
#include "tests/support/recording_list.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

using tavir::QuoteCollection;
using tavir::test::RecordingList;
using tavir::test::TempDir;

namespace {

TEST(Collection, CountsAFileWithoutLoadingIt)
{
    TempDir dir;
    std::string big;
    for (int i = 0; i < 20000; ++i)
        big += i % 3 ? "cytat\r\n" : "\n\r";
    EXPECT_EQ(tavir::countFileLines(dir.write("big.dbc", big)),
              QuoteCollection::fromBytes(big).lineCount());
    EXPECT_EQ(tavir::countFileLines(dir.write("nul.dbc", std::string("A\r\nB\0C\r\n", 8))), 2u);
    EXPECT_THROW((void)tavir::countFileLines(dir.file("none")), tavir::Error);
}

TEST(Counter, IsCountMinusOne)
{
    EXPECT_EQ(QuoteCollection::fromBytes("A\r\nB\r\nZ\r\n").counterText(), "2");
    EXPECT_EQ(QuoteCollection::fromBytes("A\r\n\r\n").counterText(), "1");
    EXPECT_EQ(QuoteCollection::fromBytes("A\n\rB").counterText(), "2");
    EXPECT_EQ(QuoteCollection::fromBytes("Z").counterText(), "0");
    EXPECT_EQ(QuoteCollection::fromBytes("").counterText(), "-1");
}

TEST(Collection, LoadsFromFileAndReleases)
{
    TempDir dir;
    const std::string path = dir.write("cytaty.dbc", "Ala ma kota\r\nkoniec\r\n");
    auto quotes = QuoteCollection::fromFile(path);
    ASSERT_EQ(quotes.lineCount(), 2u);
    EXPECT_EQ(quotes.line(0), "Ala ma kota");
    quotes.release();
    EXPECT_EQ(quotes.lineCount(), 0u);
    EXPECT_TRUE(quotes.text().empty());
}

TEST(Collection, UnreadableFilesRaiseCannotOpen)
{
    TempDir dir;
    const std::string missing = dir.file("brak.dbc");
    const std::string folder = dir.file("folder");
    std::filesystem::create_directory(folder);

    for (const std::string& path : {missing, folder}) {
        try {
            (void)QuoteCollection::fromFile(path);
            ADD_FAILURE() << path;
        } catch (const tavir::Error& error) {
            EXPECT_EQ(std::string(error.what()), "Cannot open file " + path);
        }
    }

    if (!tavir::test::runningAsRoot()) {
        const std::string locked = dir.write("locked.dbc", "A\r\n");
        ::chmod(locked.c_str(), 0);
        EXPECT_THROW((void)QuoteCollection::fromFile(locked), tavir::Error);
    }
}

TEST(Collection, EmptyFileLoads)
{
    TempDir dir;
    const auto quotes = QuoteCollection::fromFile(dir.write("pusty.dbc", ""));
    EXPECT_EQ(quotes.lineCount(), 0u);
    EXPECT_EQ(quotes.counterText(), "-1");
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
    ASSERT_EQ(quotes.lineCount(), 3000u);
    for (std::size_t offset = 0; offset < text.size(); offset += 37) {
        const auto line = static_cast<std::size_t>(
            std::upper_bound(starts.begin(), starts.end(), offset) - starts.begin() - 1);
        for (const std::size_t first : {std::size_t(0), line / 2, line})
            for (const std::size_t last : {line + 1, (line + 3001) / 2, std::size_t(3000)})
                ASSERT_EQ(quotes.lineHolding(offset, first, last), line)
                    << "offset " << offset << " between " << first << " and " << last;
    }
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
    ASSERT_EQ(quotes.lineCount(), 40000u);
    EXPECT_EQ(quotes.line(39999), "cytat numer 39999");
    RecordingList list;
    tavir::NoWaitIndicator wait;
    tavir::NoEventPump pump;
    tavir::FiltrujDane(quotes, "numer 3999", list, wait, pump);
    EXPECT_EQ(list.items.size(), 10u);
}

} // namespace

#include "base/errors.h"
#include "quotes/collection.h"
#include "quotes/lines.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

using tavir::QuoteCollection;
using tavir::test::TempDir;

namespace {

std::vector<std::string> linesOf(std::string bytes)
{
    const auto quotes = QuoteCollection::fromBytes(std::move(bytes));
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < quotes.count(); ++i)
        lines.emplace_back(quotes.line(i));
    return lines;
}

using Lines = std::vector<std::string>;

TEST(LineRules, EachTerminatorFormEndsOneLine)
{
    EXPECT_EQ(linesOf("A\r\nB\r\nZ\r\n"), (Lines{"A", "B", "Z"}));
    EXPECT_EQ(linesOf("A\r\nB\r\nZ"), (Lines{"A", "B", "Z"}));
    EXPECT_EQ(linesOf("A\rB\nC"), (Lines{"A", "B", "C"}));
    EXPECT_EQ(linesOf("A\r\n\r\n"), (Lines{"A", ""}));
    EXPECT_EQ(linesOf("A\n\rB"), (Lines{"A", "", "B"}));
    EXPECT_EQ(linesOf("\r\n"), (Lines{""}));
    EXPECT_EQ(linesOf("\n\n"), (Lines{"", ""}));
    EXPECT_EQ(linesOf("A\r\r\nB"), (Lines{"A", "", "B"}));
}

TEST(LineRules, EmptyFileHasNoLines)
{
    EXPECT_TRUE(linesOf("").empty());
}

TEST(LineRules, FirstNulEndsTheText)
{
    EXPECT_EQ(linesOf(std::string("A\r\nB\0Y\r\nZ", 10)), (Lines{"A", "B"}));
    EXPECT_EQ(linesOf(std::string("\0A\r\n", 4)), Lines{});
    EXPECT_EQ(linesOf(std::string("A\r\n\0B", 5)), (Lines{"A"}));
    EXPECT_EQ(linesOf(std::string("A\r\0\nB", 5)), (Lines{"A"}));

    const auto quotes = QuoteCollection::fromBytes(std::string("A\r\nB\0Y", 6));
    EXPECT_EQ(quotes.text(), "A\r\nB");
}

TEST(LineRules, BytesPassUnchanged)
{
    std::string all;
    for (int b = 1; b < 256; ++b) {
        if (b != '\r' && b != '\n')
            all += static_cast<char>(b);
    }
    const std::string bom = "\xEF\xBB\xBF";
    EXPECT_EQ(linesOf(bom + "Zażółć\r\n" + all + "\r\nend"), (Lines{bom + "Zażółć", all, "end"}));
}

TEST(LineRules, LongLinesAcrossBlockBoundaries)
{
    // Terminators at every offset of a 16-byte block must be seen.
    for (std::size_t length = 1; length < 40; ++length) {
        const std::string line(length, 'x');
        EXPECT_EQ(linesOf(line + "\n" + line + "\r" + line), (Lines{line, line, line})) << length;
    }
}

TEST(LineRules, CountingInPiecesAgreesWithSplitting)
{
    // Every mix of terminators, letters and a NUL, cut into pieces of every small size and
    // long enough to cross the counter's 16-byte blocks.
    const char alphabet[] = {'a', '\r', '\n', '\0'};
    std::uint32_t state = 12345;
    for (int round = 0; round < 3000; ++round) {
        std::string bytes(static_cast<std::size_t>(round % 70), 'x');
        for (char& c : bytes) {
            state = state * 1103515245u + 12345u;
            const std::uint32_t pick = (state >> 16) % 16;
            c = pick < 12 ? alphabet[pick % 3] : pick < 15 ? 'b' : alphabet[3];
        }
        const std::size_t expected = tavir::splitLines(bytes).size();
        const std::size_t pieceSize = 1 + static_cast<std::size_t>(round % 23);
        tavir::LineCounter counter;
        for (std::size_t at = 0; at < bytes.size(); at += pieceSize)
            counter.feed(std::string_view(bytes).substr(at, pieceSize));
        ASSERT_EQ(counter.lines(), expected) << testing::PrintToString(bytes);
    }
}

TEST(Collection, CountsAFileWithoutLoadingIt)
{
    TempDir dir;
    std::string big;
    for (int i = 0; i < 20000; ++i)
        big += i % 3 ? "cytat\r\n" : "\n\r";
    EXPECT_EQ(tavir::countFileLines(dir.write("big.dbc", big)),
              QuoteCollection::fromBytes(big).count());
    EXPECT_EQ(tavir::countFileLines(dir.write("nul.dbc", std::string("A\r\nB\0C\r\n", 8))), 2u);
    EXPECT_THROW((void)tavir::countFileLines(dir.file("none")), tavir::Error);
}

TEST(LineRules, TemplateLineViews)
{
    EXPECT_EQ(tavir::lineViews("<html>\r\n<body>\n"),
              (std::vector<std::string_view>{"<html>", "<body>"}));
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
    ASSERT_EQ(quotes.count(), 2u);
    EXPECT_EQ(quotes.line(0), "Ala ma kota");
    quotes.release();
    EXPECT_EQ(quotes.count(), 0u);
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
    EXPECT_EQ(quotes.count(), 0u);
    EXPECT_EQ(quotes.counterText(), "-1");
}

} // namespace

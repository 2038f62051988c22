// The line rules, as the collection, the counter and the piece-by-piece stream take them.
#include "quotes/collection.h"
#include "quotes/lines.h"
#include "tests/support/line_files.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

Lines collectionLines(const std::string& bytes)
{
    const auto quotes = tavir::QuoteCollection::fromBytes(bytes);
    Lines lines;
    for (std::size_t i = 0; i < quotes.lineCount(); ++i)
        lines.emplace_back(quotes.line(i));
    return lines;
}

Lines splitLines(const std::string& bytes)
{
    Lines lines;
    for (const auto span : tavir::splitLines(bytes))
        lines.push_back(bytes.substr(span.begin, span.length));
    return lines;
}

std::size_t countedInPieces(const std::string& bytes, std::size_t pieceSize)
{
    tavir::LineCounter counter;
    for (std::size_t at = 0; at < bytes.size(); at += pieceSize)
        counter.feed(std::string_view(bytes).substr(at, pieceSize));
    return counter.lines();
}

struct Case
{
    std::string bytes;
    Lines lines;
};

class LineRules : public testing::TestWithParam<Case>
{
};

// The collection's table, the spans and the counter see the same lines.
TEST_P(LineRules, EveryReaderSeesTheSameLines)
{
    const Case& c = GetParam();
    EXPECT_EQ(collectionLines(c.bytes), c.lines);
    EXPECT_EQ(splitLines(c.bytes), c.lines);
    for (const std::size_t piece : {std::size_t(1), std::size_t(3), std::size_t(64)})
        EXPECT_EQ(countedInPieces(c.bytes, piece), c.lines.size()) << "pieces of " << piece;
}

Case withBytes(std::string bytes, Lines lines)
{
    return {std::move(bytes), std::move(lines)};
}

std::string everyByte()
{
    std::string all;
    for (int b = 1; b < 256; ++b)
        if (b != '\r' && b != '\n')
            all += static_cast<char>(b);
    return all;
}

INSTANTIATE_TEST_SUITE_P(
    Terminators, LineRules,
    testing::Values(Case{"A\r\nB\r\nZ\r\n", {"A", "B", "Z"}}, Case{"A\r\nB\r\nZ", {"A", "B", "Z"}},
                    Case{"A\rB\nC", {"A", "B", "C"}}, Case{"A\r\n\r\n", {"A", ""}},
                    Case{"A\n\rB", {"A", "", "B"}}, Case{"\r\n", {""}}, Case{"\n\n", {"", ""}},
                    Case{"A\r\r\nB", {"A", "", "B"}}, Case{"", {}},
                    withBytes(std::string("A\r\nB\0Y\r\nZ", 10), {"A", "B"}),
                    withBytes(std::string("\0A\r\n", 4), {}),
                    withBytes(std::string("A\r\n\0B", 5), {"A"}),
                    withBytes(std::string("A\r\0\nB", 5), {"A"}),
                    Case{"\xEF\xBB\xBFZa\xBF\xF3\xB3\xE6\r\n" + everyByte() + "\r\nend",
                         {"\xEF\xBB\xBFZa\xBF\xF3\xB3\xE6", everyByte(), "end"}}));

// Terminators at every offset of a 16-byte block, and the files the stream is tried on.
TEST(LineRules, EveryOffsetOfABlockAndEveryLineFile)
{
    for (std::size_t length = 1; length < 40; ++length) {
        const std::string line(length, 'x');
        const std::string bytes = line + "\n" + line + "\r" + line;
        EXPECT_EQ(collectionLines(bytes), (Lines{line, line, line})) << length;
        EXPECT_EQ(countedInPieces(bytes, 7), 3u) << length;
    }
    for (const std::string& bytes : tavir::test::kLineFiles) {
        const Lines spans = splitLines(bytes);
        EXPECT_EQ(collectionLines(bytes), spans) << testing::PrintToString(bytes);
        EXPECT_EQ(countedInPieces(bytes, 5), spans.size()) << testing::PrintToString(bytes);
    }
}

// Every mix of terminators, letters and a NUL, cut into pieces of every small size and long
// enough to cross the counter's 16-byte blocks.
TEST(LineRules, CountingInPiecesAgreesWithSplitting)
{
    const char alphabet[] = {'a', '\r', '\n', '\0'};
    std::uint32_t state = 12345;
    for (int round = 0; round < 3000; ++round) {
        std::string bytes(static_cast<std::size_t>(round % 70), 'x');
        for (char& c : bytes) {
            state = state * 1103515245u + 12345u;
            const std::uint32_t pick = (state >> 16) % 16;
            c = pick < 12 ? alphabet[pick % 3] : pick < 15 ? 'b' : alphabet[3];
        }
        ASSERT_EQ(countedInPieces(bytes, 1 + static_cast<std::size_t>(round % 23)),
                  tavir::splitLines(bytes).size())
            << testing::PrintToString(bytes);
    }
}

// Where a piece is cut: after the lines known whole (two bytes held back, a CR LF never
// split), and where the last line begins.
TEST(LineRules, CutsOfAPiece)
{
    struct Cut
    {
        std::string text;
        std::size_t whole, last;
    };
    for (const Cut& c : {Cut{"ab", 0, 0}, Cut{"a\r\nb", 3, 3}, Cut{"a\r\nbc", 3, 3},
                         Cut{"a\r\nb\r\n", 3, 3}, Cut{"a\r\nb\r\nc", 6, 6}, Cut{"a\rb\r", 2, 2},
                         Cut{"a\r\r\n", 2, 2}, Cut{"a\n\nb", 2, 3}, Cut{"abc\r", 0, 0}}) {
        EXPECT_EQ(tavir::wholeLinesEnd(c.text.data(), c.text.size()), c.whole)
            << testing::PrintToString(c.text);
        EXPECT_EQ(tavir::lastLineStart(c.text.data(), c.text.size()), c.last)
            << testing::PrintToString(c.text);
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

TEST(LineRules, TemplateLineViews)
{
    EXPECT_EQ(tavir::lineViews("<html>\r\n<body>\n"),
              (std::vector<std::string_view>{"<html>", "<body>"}));
}

} // namespace

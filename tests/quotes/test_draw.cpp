#include "quotes/collection.h"
#include "quotes/draw.h"
#include "tests/support/recording_list.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

using tavir::QuotationLength;
using tavir::QuoteCollection;
using tavir::test::RecordingList;

namespace {

using Lines = std::vector<std::string>;

// 160 characters with Polish letters: 160 bytes in Windows-1250 (far more in UTF-8).
std::string polishLine(std::size_t characters)
{
    std::string line;
    while (line.size() < characters)
        line += "\xBF\xF3\xB3w ";
    line.resize(characters);
    return line;
}

TEST(Draw, ShortHasAtMostTheLimitLongMore)
{
    const struct
    {
        std::size_t size;
        std::size_t limit;
        bool isShort;
    } cases[] = {{160, 160, true}, {161, 160, false}, {0, 160, true},
                 {10, 9, false},   {9, 9, true},      {1, 0, false}};
    for (const auto& c : cases) {
        const std::string line = polishLine(c.size);
        EXPECT_EQ(tavir::hasLength(line, QuotationLength::Short, c.limit), c.isShort) << c.size;
        EXPECT_EQ(tavir::hasLength(line, QuotationLength::Long, c.limit), !c.isShort) << c.size;
        EXPECT_TRUE(tavir::hasLength(line, QuotationLength::Any, c.limit));
    }
    EXPECT_TRUE(tavir::hasLength(polishLine(160), QuotationLength::Short));
    EXPECT_TRUE(tavir::hasLength(polishLine(161), QuotationLength::Long));

    const auto quotes =
        QuoteCollection::fromBytes(polishLine(161) + "\r\n" + polishLine(160) +
                                   "\r\nkr\xF3tki\r\n" + polishLine(300) + "\r\nkoniec\r\n");
    EXPECT_EQ(tavir::quotationsOfLength(quotes, QuotationLength::Short),
              (std::vector<std::size_t>{1, 2}));
    EXPECT_EQ(tavir::quotationsOfLength(quotes, QuotationLength::Long),
              (std::vector<std::size_t>{0, 3}));
    EXPECT_EQ(tavir::quotationsOfLength(quotes, QuotationLength::Long, 200),
              (std::vector<std::size_t>{3}));
    EXPECT_EQ(tavir::quotationsOfLength(quotes, QuotationLength::Any),
              (std::vector<std::size_t>{0, 1, 2, 3}));
    EXPECT_TRUE(tavir::quotationsOfLength(quotes, QuotationLength::Short, 5).empty());
}

QuoteCollection numbered(int count)
{
    std::string bytes;
    for (int i = 0; i < count; ++i)
        bytes += "q" + std::to_string(i) + "\r\n";
    return QuoteCollection::fromBytes(bytes + "koniec");
}

TEST(Draw, SeededDrawAmongLinesIsTheWindowsDrawOverAll)
{
    const auto quotes = numbered(1000);
    std::vector<std::size_t> all(1000);
    for (std::size_t i = 0; i < all.size(); ++i)
        all[i] = i;
    for (const std::uint32_t seed : {1u, 7u, 4294967295u}) {
        RecordingList window;
        tavir::LosujDane(quotes, 50, seed, window);
        RecordingList among;
        among.add("hint", tavir::kHintImage);
        tavir::LosujSposrod(quotes, all, 50, seed, among);
        EXPECT_EQ(among.items, window.items) << seed;
    }
    // Seed 1 draws 130, 10982, 1090: among three lines that is the second, third, second.
    const std::vector<std::size_t> some = {5, 50, 500};
    RecordingList list;
    tavir::LosujSposrod(quotes, some, 3, 1, list);
    EXPECT_EQ(list.captions(), (Lines{"q50", "q500", "q50"}));
    tavir::LosujSposrod(quotes, {}, 3, 1, list);
    EXPECT_TRUE(list.items.empty());
}

TEST(Draw, SystemDrawsDifferEachTimeAndStayAmongTheLines)
{
    const auto quotes = numbered(1000);
    RecordingList first;
    RecordingList second;
    tavir::drawFromSystem(quotes, 20, first);
    tavir::drawFromSystem(quotes, 20, second);
    ASSERT_EQ(first.items.size(), 20u);
    // Twenty draws from a thousand agree by chance once in 10^60.
    EXPECT_NE(first.items, second.items);

    const std::vector<std::size_t> some = {3, 30, 300};
    RecordingList among;
    tavir::drawFromSystem(quotes, some, 200, among);
    const Lines captions = among.captions();
    const std::set<std::string> drawn(captions.begin(), captions.end());
    EXPECT_EQ(drawn, (std::set<std::string>{"q3", "q30", "q300"}));

    RecordingList none;
    none.add("hint", tavir::kHintImage);
    tavir::drawFromSystem(QuoteCollection::fromBytes("koniec"), 5, none);
    EXPECT_TRUE(none.items.empty());
}

} // namespace

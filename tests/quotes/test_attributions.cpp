#include "quotes/attributions.h"
#include "quotes/collection.h"
#include "tests/support/recording_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using tavir::AttributionCount;
using tavir::AttributionOrder;
using tavir::QuoteCollection;
using tavir::test::RecordingList;

namespace {

using Lines = std::vector<std::string>;

TEST(Attributions, TheTextAfterTheLastDashBetweenBlanks)
{
    const struct
    {
        std::string line;
        std::string attribution;
    } cases[] = {
        {"Cisza. \x96 Mikolaj Rej", "Mikolaj Rej"},
        {"Raz \x96 dwa \x96 Adam Asnyk", "Adam Asnyk"},
        {"Bez autora.", ""},
        {"", ""},
        {"Dywiz - nie kreska", ""},  // a hyphen is no dash
        {"Kreska\x96sklejona", ""},  // no blanks around it
        {"Kreska \x96sklejona", ""}, // a blank on one side only
        {"Pusty autor \x96 ", ""},   // nothing after the mark
        {"\x96 Sam autor", ""},      // no blank before the dash
        {"x \x96 przys\xB3owie polskie", "przys\xB3owie polskie"},
        {"x \x96  dwie spacje", " dwie spacje"}, // the bytes after the mark, as they are
    };
    for (const auto& c : cases)
        EXPECT_EQ(tavir::attributionOf(c.line), c.attribution) << c.line;
}

const QuoteCollection kQuotes = QuoteCollection::fromBytes("Jeden \x96 Rej\r\n"
                                                           "Dwa \x96 Kochanowski\r\n"
                                                           "Bez autora\r\n"
                                                           "Trzy o Reju \x96 Kochanowski\r\n"
                                                           "Cztery \x96 Rejowski\r\n"
                                                           "Pi\xEA\xE6 \x96 Rej\r\n"
                                                           "Koniec \x96 Rej\r\n");

TEST(Attributions, CountedInOnePassInEitherOrder)
{
    EXPECT_EQ(tavir::countAttributions(kQuotes, AttributionOrder::FirstQuotation),
              (std::vector<AttributionCount>{{"Rej", 2}, {"Kochanowski", 2}, {"Rejowski", 1}}));
    // The last line is no quotation, so its "Rej" is not counted.
    EXPECT_EQ(tavir::countAttributions(kQuotes, AttributionOrder::Bytes),
              (std::vector<AttributionCount>{{"Kochanowski", 2}, {"Rej", 2}, {"Rejowski", 1}}));
    // Bytes compare unsigned: "Ż" (0xAF) after "Z".
    const auto polish =
        QuoteCollection::fromBytes("a \x96 \xAF\x65romski\r\nb \x96 Zapolska\r\nend");
    EXPECT_EQ(tavir::countAttributions(polish, AttributionOrder::Bytes),
              (std::vector<AttributionCount>{{"Zapolska", 1}, {"\xAF\x65romski", 1}}));
    for (const char* none : {"", "koniec", "bez\r\nautora\r\nkoniec \x96 X\r\n"}) {
        EXPECT_TRUE(
            tavir::countAttributions(QuoteCollection::fromBytes(none), AttributionOrder::Bytes)
                .empty())
            << none;
    }
}

TEST(Attributions, AuthorQueryListsExactlyThatAttribution)
{
    const auto listed = [](const QuoteCollection& quotes, std::string_view attribution) {
        RecordingList list;
        list.add("hint", tavir::kHintImage);
        tavir::NoWaitIndicator wait;
        tavir::NoEventPump pump;
        EXPECT_EQ(tavir::FiltrujAutora(quotes, attribution, list, wait, pump),
                  tavir::QueryEnd::Finished);
        EXPECT_EQ(list.calls, (Lines{"begin", "clear", "end"}));
        return list.captions();
    };
    EXPECT_EQ(listed(kQuotes, "Rej"), (Lines{"Jeden \x96 Rej", "Pi\xEA\xE6 \x96 Rej"}));
    EXPECT_EQ(listed(kQuotes, "Kochanowski"),
              (Lines{"Dwa \x96 Kochanowski", "Trzy o Reju \x96 Kochanowski"}));
    EXPECT_EQ(listed(kQuotes, "rej"), Lines{}); // bytes, not folded
    EXPECT_EQ(listed(kQuotes, "Re"), Lines{});
    EXPECT_EQ(listed(kQuotes, ""), Lines{"Bez autora"});
    EXPECT_EQ(listed(QuoteCollection::fromBytes(""), "Rej"), Lines{});
}

TEST(Attributions, AuthorQueryDeliversEventsAndStopsOnRequest)
{
    std::string bytes;
    for (int i = 0; i < 100; ++i)
        bytes += "q" + std::to_string(i) + " \x96 A\r\n";
    const auto quotes = QuoteCollection::fromBytes(bytes);
    tavir::PumpPolicy every;
    every.interval = {};
    every.linesPerCheck = 10;

    class StopAfter final : public tavir::EventPump
    {
    public:
        explicit StopAfter(int allowed) : allowed_(allowed) {}
        bool deliverPending() override { return ++deliveries < allowed_; }
        int deliveries = 0;

    private:
        int allowed_;
    };
    RecordingList list;
    tavir::NoWaitIndicator wait;
    StopAfter whole(100);
    EXPECT_EQ(tavir::FiltrujAutora(quotes, "A", list, wait, whole, every),
              tavir::QueryEnd::Finished);
    EXPECT_EQ(list.items.size(), 99u);
    EXPECT_EQ(whole.deliveries, 9);

    StopAfter third(3);
    EXPECT_EQ(tavir::FiltrujAutora(quotes, "A", list, wait, third, every),
              tavir::QueryEnd::Stopped);
    EXPECT_EQ(list.items.size(), 30u);
    EXPECT_EQ(list.calls.back(), "end");
}

} // namespace

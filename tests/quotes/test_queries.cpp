#include "quotes/collection.h"
#include "quotes/finder.h"
#include "quotes/folding.h"
#include "quotes/queries.h"
#include "tests/support/naive_finder.h"
#include "tests/support/recording_list.h"

#include <gtest/gtest.h>

#include <ctime>
#include <functional>
#include <random>
#include <set>

using tavir::QuoteCollection;
using tavir::test::RecordingList;

namespace {

using Lines = std::vector<std::string>;

class RecordingWait final : public tavir::WaitIndicator
{
public:
    void create() override { calls.push_back("create"); }
    void setMaximum(std::size_t maximum) override
    {
        calls.push_back("max " + std::to_string(maximum));
    }
    void show() override { calls.push_back("show"); }
    void step() override { ++steps; }
    void close() override { calls.push_back("close"); }

    std::vector<std::string> calls;
    std::size_t steps = 0;
};

class CountingPump final : public tavir::EventPump
{
public:
    bool deliverPending() override
    {
        ++deliveries;
        return onDeliver ? onDeliver() : true;
    }
    int deliveries = 0;
    std::function<bool()> onDeliver;
};

struct QueryRun
{
    RecordingList list;
    RecordingWait wait;
    CountingPump pump;

    Lines filter(const QuoteCollection& quotes, std::string_view query,
                 const tavir::PumpPolicy& policy = {})
    {
        tavir::FiltrujDane(quotes, query, list, wait, pump, policy);
        return list.captions();
    }
};

const QuoteCollection kAla = QuoteCollection::fromBytes("Ala ma kota\r\nALA\r\nbez\r\nend\r\n");

TEST(Search, FoldsAsciiOnlyAndKeepsFileOrder)
{
    EXPECT_EQ(QueryRun().filter(kAla, "ala"), (Lines{"Ala ma kota", "ALA"}));
    EXPECT_EQ(QueryRun().filter(kAla, "KOT"), (Lines{"Ala ma kota"}));
    EXPECT_EQ(QueryRun().filter(kAla, "a M"), (Lines{"Ala ma kota"}));

    // ą (0xB9) and Ą (0xA5) are different bytes and are never folded.
    const auto polish = QuoteCollection::fromBytes("\xB9\r\n\xA5\r\nx\xB9y\r\nend");
    EXPECT_EQ(QueryRun().filter(polish, "\xB9"), (Lines{"\xB9", "x\xB9y"}));
    EXPECT_EQ(QueryRun().filter(polish, "\xA5"), (Lines{"\xA5"}));
    EXPECT_EQ(QueryRun().filter(polish, "X\xB9Y"), (Lines{"x\xB9y"}));
}

TEST(Search, LastLineIsNeverListed)
{
    EXPECT_EQ(QueryRun().filter(kAla, "end"), Lines{});
    EXPECT_EQ(QueryRun().filter(kAla, ""), (Lines{"Ala ma kota", "ALA", "bez"}));
    // Without a final line break the last line is still the excluded one.
    EXPECT_EQ(QueryRun().filter(QuoteCollection::fromBytes("end\r\nend"), "end"), (Lines{"end"}));
}

TEST(Search, ContainmentEdges)
{
    const auto quotes = QuoteCollection::fromBytes("ab cd\r\n\r\nxyz\r\nabc\r\nlast");
    EXPECT_EQ(QueryRun().filter(quotes, " "), (Lines{"ab cd"}));
    EXPECT_EQ(QueryRun().filter(quotes, "abcd"), Lines{});      // longer than the line it starts
    EXPECT_EQ(QueryRun().filter(quotes, "YZ"), (Lines{"xyz"})); // hit at the very end
    EXPECT_EQ(QueryRun().filter(quotes, "c"), (Lines{"ab cd", "abc"}));
    EXPECT_EQ(QueryRun().filter(quotes, "bcx"), Lines{}); // never across a line break
    EXPECT_EQ(QueryRun().filter(quotes, std::string("b\0", 2)), Lines{});
    EXPECT_EQ(QueryRun().filter(quotes, "\r\n"), Lines{});
}

TEST(Search, NothingFoundEmptiesTheList)
{
    QueryRun run;
    run.list.add("hint", tavir::kHintImage);
    EXPECT_EQ(run.filter(kAla, "qqq"), Lines{});
    EXPECT_EQ(run.list.calls, (Lines{"begin", "clear", "end"}));
}

TEST(Search, FewLinesGiveNothing)
{
    EXPECT_EQ(QueryRun().filter(QuoteCollection::fromBytes(""), ""), Lines{});
    EXPECT_EQ(QueryRun().filter(QuoteCollection::fromBytes("only"), "only"), Lines{});
    EXPECT_EQ(QueryRun().filter(QuoteCollection::fromBytes("only"), ""), Lines{});
}

TEST(Search, ManyBlocksAgreeWithLineByLineSearch)
{
    // Lines of varied length so that hits fall on every offset of a scan block and on the
    // boundaries between blocks of lines.
    std::string bytes;
    Lines expected;
    for (int i = 0; i < 5000; ++i) {
        std::string line(static_cast<std::size_t>(i % 37), static_cast<char>('a' + i % 26));
        if (i % 7 == 0)
            line += "Kot";
        line += std::to_string(i);
        bytes += line + "\r\n";
        if (tavir::foldAscii(line).find("KOT") != std::string::npos)
            expected.push_back(line);
    }
    bytes += "kot end";
    const auto quotes = QuoteCollection::fromBytes(bytes);
    EXPECT_EQ(QueryRun().filter(quotes, "kOt"), expected);
    tavir::PumpPolicy small;
    small.linesPerCheck = 3;
    EXPECT_EQ(QueryRun().filter(quotes, "kOt", small), expected);
}

TEST(Search, HitsOnMostLinesAgreeWithLineByLineSearchUnderEveryLineEnd)
{
    // Where most lines hold a hit, blocks after the first mark their hits and count lines.
    // Lines here end in CR LF, LF, CR and CR CR LF, some are empty, some longer than a scan
    // step, and hits fall on their first and last bytes.
    std::mt19937 random(12);
    const std::string pieces[] = {"nie",    "NIE",      "ni", "e",
                                  "kot",    "\xB9\xE6", "xx", std::string(70, 'a'),
                                  "\xF1ie", "NiE",      " "};
    const std::string ends[] = {"\r\n", "\n", "\r", "\r\r\n", "\n\n"};
    std::string bytes;
    for (int i = 0; i < 3000; ++i) {
        std::string line;
        for (auto n = random() % 6; n > 0; --n)
            line += pieces[random() % std::size(pieces)];
        if (i % 3 == 0)
            line += "#" + std::to_string(i);
        bytes += line + ends[random() % std::size(ends)];
    }
    const auto quotes = QuoteCollection::fromBytes(bytes);
    for (const tavir::Folding folding :
         {tavir::Folding::AsciiOnly, tavir::Folding::EveryCase, tavir::Folding::NoDiacritics}) {
        const tavir::FoldTable& fold = tavir::foldTable(folding);
        const auto folded = [&](std::string_view text) { return tavir::test::folded(fold, text); };
        for (const std::string query :
             {"n", "nie", "e#", "ie", "\xB9", "#nie", "kotnie",
              "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa"}) {
            Lines expected;
            for (std::size_t i = 0; i < quotes.quotationCount(); ++i)
                if (folded(quotes.line(i)).find(folded(query)) != std::string::npos)
                    expected.emplace_back(quotes.line(i));
            for (const std::size_t block : {1, 5, 64, 4096}) {
                QueryRun run;
                tavir::PumpPolicy policy;
                policy.linesPerCheck = block;
                tavir::FiltrujDane(quotes, query, run.list, run.wait, run.pump, policy, folding);
                EXPECT_EQ(run.list.captions(), expected)
                    << query << " in blocks of " << block << ", folding "
                    << static_cast<int>(folding);
            }
        }
    }
}

TEST(WaitWindow, OnlyForTheEmptyQuery)
{
    QueryRun all;
    all.filter(kAla, "");
    EXPECT_EQ(all.wait.calls, (Lines{"create", "max 4", "show", "close"}));
    EXPECT_EQ(all.wait.steps, 3u);

    QueryRun search;
    search.filter(kAla, "a");
    EXPECT_TRUE(search.wait.calls.empty());
    EXPECT_EQ(search.wait.steps, 0u);
}

TEST(EventPump, DeliversWhileListingAndStopsOnRequest)
{
    std::string bytes;
    for (int i = 0; i < 100; ++i)
        bytes += "q" + std::to_string(i) + "\n";
    const auto quotes = QuoteCollection::fromBytes(bytes);
    tavir::PumpPolicy every;
    every.interval = {};
    every.linesPerCheck = 10;

    QueryRun full;
    EXPECT_EQ(full.filter(quotes, "", every).size(), 99u);
    EXPECT_EQ(full.pump.deliveries, 9);

    QueryRun stopped;
    stopped.pump.onDeliver = [&] { return stopped.pump.deliveries < 3; };
    const auto end =
        tavir::FiltrujDane(quotes, "", stopped.list, stopped.wait, stopped.pump, every);
    EXPECT_EQ(end, tavir::QueryEnd::Stopped);
    EXPECT_EQ(stopped.list.items.size(), 30u);
    EXPECT_EQ(stopped.wait.calls.back(), "close");
    EXPECT_EQ(stopped.list.calls.back(), "end");

    QueryRun stoppedSearch;
    stoppedSearch.pump.onDeliver = [] { return false; };
    EXPECT_EQ(tavir::FiltrujDane(quotes, "q", stoppedSearch.list, stoppedSearch.wait,
                                 stoppedSearch.pump, every),
              tavir::QueryEnd::Stopped);
    EXPECT_EQ(stoppedSearch.list.items.size(), 10u);
}

// One line of 5 MiB is one block: the pump is still called between its pieces, and a stop
// asked there ends the query. On two threads the pieces find the same lines.
TEST(EventPump, DeliversWithinOneLongLine)
{
    std::string line;
    while (line.size() < (std::size_t{5} << 20))
        line += "ab";
    line += "b";
    const auto quotes = QuoteCollection::fromBytes(line + "\r\nabb\r\nend\r\n");
    for (const unsigned threads : {1u, 2u}) {
        tavir::PumpPolicy every;
        every.interval = {};
        every.threads.count = threads;
        every.threads.threshold = 0;
        QueryRun full;
        EXPECT_EQ(full.filter(quotes, "abb", every), (Lines{line, "abb"})) << threads;
        if (threads == 2)
            continue; // which thread takes the line, and so when the pump is called, varies
        EXPECT_GE(full.pump.deliveries, 4);

        QueryRun stopped;
        stopped.pump.onDeliver = [] { return false; };
        EXPECT_EQ(
            tavir::FiltrujDane(quotes, "abb", stopped.list, stopped.wait, stopped.pump, every),
            tavir::QueryEnd::Stopped);
        EXPECT_TRUE(stopped.list.items.empty());
    }
}

TEST(RandomGenerator, ReproducesTheRuntimeSequence)
{
    const auto draws = [](std::uint32_t seed) {
        tavir::RuntimeRandom random(seed);
        std::vector<int> out;
        for (int i = 0; i < 6; ++i)
            out.push_back(random.draw());
        return out;
    };
    EXPECT_EQ(draws(1), (std::vector<int>{130, 10982, 1090, 11656, 7117, 17595}));
    EXPECT_EQ(draws(0), (std::vector<int>{346, 130, 10982, 1090, 11656, 7117}));
    EXPECT_EQ(draws(1733660000u), (std::vector<int>{30735, 23784, 22787, 17987, 26549, 31798}));
    EXPECT_EQ(draws(0xFFFFFFFFu), (std::vector<int>{561, 22046, 20874, 23292, 16195, 29407}));
}

TEST(RandomDraw, FiftyFromTheQuotations)
{
    std::string bytes;
    for (int i = 0; i < 1000; ++i)
        bytes += "q" + std::to_string(i) + "\r\n";
    bytes += "koniec";
    const auto quotes = QuoteCollection::fromBytes(bytes);

    RecordingList first;
    first.add("hint", tavir::kHintImage);
    tavir::LosujDane(quotes, 50, 1, first);
    ASSERT_EQ(first.items.size(), 50u);
    EXPECT_EQ(first.items[0].first, "q130"); // 130 mod 1000
    EXPECT_EQ(first.items[1].first, "q982"); // 10982 mod 1000
    EXPECT_EQ(first.items[0].second, tavir::kQuotationImage);
    EXPECT_EQ(first.calls, (Lines{"clear"}));

    RecordingList again;
    tavir::LosujDane(quotes, 50, 1, again);
    EXPECT_EQ(again.items, first.items);
}

TEST(RandomDraw, OneQuotationFiftyTimes)
{
    RecordingList list;
    tavir::LosujDane(QuoteCollection::fromBytes("jedyny\r\nkoniec\r\n"), 50, 7, list);
    EXPECT_EQ(list.captions(), Lines(50, "jedyny"));
}

TEST(RandomDraw, NoQuotationsLeaveTheListEmpty)
{
    for (const char* bytes : {"", "koniec"}) {
        RecordingList list;
        list.add("hint", tavir::kHintImage);
        tavir::LosujDane(QuoteCollection::fromBytes(bytes), 50, 7, list);
        EXPECT_TRUE(list.items.empty());
    }
}

TEST(RandomDraw, SeedKeepsChangingPast2038)
{
    static_assert(sizeof(std::time_t) > 4, "a clock past 2038 needs a 64-bit time_t");
    // 2038-01-19 03:14:07 UTC, the last second a signed 32-bit count holds.
    constexpr std::time_t lastSigned = 2147483647;
    EXPECT_EQ(tavir::timeSeed(lastSigned), 0x7FFFFFFFu);
    EXPECT_EQ(tavir::timeSeed(lastSigned + 1), 0x80000000u);

    // 2050-06-01 12:00:00 UTC: five seconds give five seeds and two different draws.
    constexpr std::time_t in2050 = 2537697600;
    std::set<std::uint32_t> seeds;
    for (std::time_t second = 0; second < 5; ++second)
        seeds.insert(tavir::timeSeed(in2050 + second));
    EXPECT_EQ(seeds.size(), 5u);
    EXPECT_FALSE(seeds.contains(0xFFFFFFFFu));

    std::string bytes;
    for (int i = 0; i < 1000; ++i)
        bytes += "q" + std::to_string(i) + "\r\n";
    const auto quotes = QuoteCollection::fromBytes(bytes + "koniec");
    RecordingList first;
    RecordingList next;
    tavir::LosujDane(quotes, 50, tavir::timeSeed(in2050), first);
    tavir::LosujDane(quotes, 50, tavir::timeSeed(in2050 + 1), next);
    EXPECT_NE(first.captions(), next.captions());

    // In 2106 the count passes 32 bits and wraps round to the seeds of 1970.
    EXPECT_EQ(tavir::timeSeed((std::time_t{1} << 32) + 5), 5u);
}

TEST(RandomDraw, OnlyTheFirst32768CanBeDrawn)
{
    std::string bytes;
    for (int i = 0; i < 40000; ++i)
        bytes += std::to_string(i) + "\n";
    const auto quotes = QuoteCollection::fromBytes(bytes);
    RecordingList list;
    tavir::LosujDane(quotes, 5000, 99, list);
    for (const auto& caption : list.captions())
        EXPECT_LT(std::stoi(caption), 32768);
}

} // namespace

// The window's queries over a collection cut into ranges and searched on several threads: the
// rows of the simple reference, in order, for every thread count and wherever the cuts fall;
// the throttle still checked before every block of lines, the wait window's steps one a row,
// and a stop that leaves no thread reading the collection.
#include "quotes/collection.h"
#include "quotes/parallel_scan.h"
#include "quotes/queries.h"
#include "tests/support/line_files.h"
#include "tests/support/recording_list.h"
#include "tests/support/reference_rows.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using tavir::QuoteCollection;
using tavir::test::RecordingList;
using tavir::test::referenceRows;

namespace {

using Lines = std::vector<std::string>;

class CountingPump final : public tavir::EventPump, public tavir::WaitIndicator
{
public:
    bool deliverPending() override { return ++deliveries != stopAt; }
    void create() override {}
    void setMaximum(std::size_t) override {}
    void show() override {}
    void step() override { ++steps; }
    void close() override {}

    std::size_t deliveries = 0;
    std::size_t stopAt = 0; // the delivery that stops the query; 0 for none
    std::size_t steps = 0;
};

tavir::PumpPolicy inRanges(unsigned threads, std::size_t rangeSize, std::size_t linesPerCheck)
{
    tavir::PumpPolicy policy;
    policy.interval = {};
    policy.linesPerCheck = linesPerCheck;
    policy.threads.count = threads;
    policy.threads.threshold = 0;
    policy.threads.rangeSize = rangeSize;
    return policy;
}

struct QueryRun
{
    RecordingList list;
    CountingPump pump;
    tavir::QueryEnd end = tavir::QueryEnd::Finished;

    Lines filter(const QuoteCollection& quotes, const std::string& query,
                 const tavir::PumpPolicy& policy)
    {
        end = tavir::FiltrujDane(quotes, query, list, pump, pump, policy);
        return list.captions();
    }
};

// Lines of a few sizes; a hit on some of them, more hits where the cuts move.
std::string generated(std::size_t lines)
{
    std::string text;
    for (std::size_t i = 0; i < lines; ++i)
        text += "Kot " + std::to_string(i) + (i % 3 ? " i pies" : "") + std::string(i % 23, 'z') +
                (i % 4 ? "\r\n" : "\n");
    return text + "ostatni kot\r\n";
}

// The line a row of generated() was: its number.
std::size_t lineNumber(const std::string& row)
{
    return std::stoul(row.substr(4));
}

TEST(QueriesInRanges, EveryCutAndThreadCountListsTheReference)
{
    std::vector<std::string> files = tavir::test::kLineFiles;
    files.push_back(generated(300));
    for (const std::string& file : files) {
        const auto quotes = QuoteCollection::fromBytes(file);
        const std::size_t size = quotes.text().size();
        for (const std::string query : {"", "ala", "a", "kot", "PIES", "x", "\r"}) {
            const Lines expected = referenceRows(file, query);
            for (const unsigned threads : {2u, 3u, 4u})
                for (std::size_t every = 1; every < size; every += 1 + every / 8)
                    for (const std::size_t linesPerCheck : {1u, 3u, 4096u}) {
                        QueryRun run;
                        ASSERT_EQ(
                            run.filter(quotes, query, inRanges(threads, every, linesPerCheck)),
                            expected)
                            << testing::PrintToString(file.substr(0, 40)) << " query " << query
                            << ", " << threads << " threads, cut every " << every
                            << ", check every " << linesPerCheck;
                        EXPECT_EQ(run.end, tavir::QueryEnd::Finished);
                        EXPECT_EQ(run.pump.steps, query.empty() ? expected.size() : 0u);
                    }
        }
    }
}

// The throttle is checked before every block of lines, as on one thread: listing all quotations
// checks exactly that often, a search at least that often (and more while it waits for a range).
TEST(QueriesInRanges, ThrottleChecksEveryBlock)
{
    const auto quotes = QuoteCollection::fromBytes(generated(1000));
    for (const std::size_t linesPerCheck : {1u, 7u, 100u}) {
        const std::size_t blocks = (quotes.quotationCount() + linesPerCheck - 1) / linesPerCheck;
        QueryRun one;
        tavir::PumpPolicy single = inRanges(1, 1000, linesPerCheck);
        one.filter(quotes, "", single);
        QueryRun all;
        all.filter(quotes, "", inRanges(2, 1000, linesPerCheck));
        EXPECT_EQ(all.pump.deliveries, blocks - 1);
        EXPECT_EQ(all.pump.deliveries, one.pump.deliveries);
        QueryRun search;
        search.filter(quotes, "kot", inRanges(3, 1000, linesPerCheck));
        EXPECT_GE(search.pump.deliveries, blocks - 1);
    }
}

// A stop requested at a delivery ends the query with the rows before it, a prefix of the
// reference's; no helper thread is left reading the collection, which is freed at once.
TEST(QueriesInRanges, StopEndsWithAPrefixAndNoThreadLeft)
{
    const std::string file = generated(5000);
    for (const std::string query : {"", "kot", "pies", "xqzw"}) {
        const Lines expected = referenceRows(file, query);
        for (const std::size_t stopAt : {1u, 2u, 5u, 40u}) {
            auto quotes = std::make_unique<QuoteCollection>(QuoteCollection::fromBytes(file));
            QueryRun run;
            run.pump.stopAt = stopAt;
            const Lines rows = run.filter(*quotes, query, inRanges(3, 2000, 10));
            quotes.reset();
            EXPECT_EQ(run.end, tavir::QueryEnd::Stopped) << query << " " << stopAt;
            ASSERT_LE(rows.size(), expected.size());
            EXPECT_EQ(rows, Lines(expected.begin(), expected.begin() + std::ssize(rows)));
            EXPECT_EQ(run.list.calls.back(), "end");
            if (query.empty()) { // listing stops exactly where it would on one thread
                EXPECT_EQ(rows.size(), stopAt * 10);
            } else if (!rows.empty() && rows.size() < expected.size()) {
                // The rows of a block of ten lines come whole, after the throttle's check.
                EXPECT_LT(lineNumber(rows.back()) / 10, lineNumber(expected[rows.size()]) / 10)
                    << query << " " << stopAt;
            }
        }
    }
}

} // namespace

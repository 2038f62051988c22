// A file cut into ranges and scanned on several threads lists what the simple reference lists,
// in file order, for every thread count and wherever the cuts fall: hits on either side of a
// cut, CR LF split by one, a NUL in any range, the last line.
#include "quotes/collection.h"
#include "quotes/lines.h"
#include "quotes/parallel_scan.h"
#include "tests/support/deadline.h"
#include "tests/support/line_files.h"
#include "tests/support/reference_rows.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <string>
#include <vector>

using tavir::ScanThreads;
using tavir::test::referenceRows;
using tavir::test::TempDir;

namespace {

using Lines = std::vector<std::string>;

ScanThreads onThreads(unsigned threads, std::size_t threshold = ScanThreads::kThreshold)
{
    ScanThreads options;
    options.count = threads;
    options.threshold = threshold;
    return options;
}

ScanThreads cutEvery(unsigned threads, std::size_t rangeSize)
{
    return {.count = threads, .threshold = 0, .rangeSize = rangeSize, .cuts = {}};
}

ScanThreads cutAt(unsigned threads, std::vector<std::size_t> cuts)
{
    return {.count = threads, .threshold = 0, .rangeSize = 1, .cuts = std::move(cuts)};
}

// The rows of a search in ranges, one a line of its output.
Lines inRanges(const std::string& path, const std::string& query, const ScanThreads& threads)
{
    std::string out;
    const auto format = [](std::string& to, std::string_view row) {
        to += row;
        to += '\n';
    };
    const auto write = [&](std::string_view bytes) { out += bytes; };
    EXPECT_TRUE(
        tavir::searchFileInRanges(path, query, tavir::asciiFoldTable(), format, write, threads));
    Lines rows;
    for (std::size_t at = 0; at < out.size();) {
        const std::size_t end = out.find('\n', at);
        rows.push_back(out.substr(at, end - at));
        at = end + 1;
    }
    return rows;
}

// Line rules at the cuts, and NULs in every place, beside the shared files.
std::vector<std::string> files()
{
    std::vector<std::string> all = tavir::test::kLineFiles;
    all.emplace_back("ala\r\nkot\r\r\n\n\rala kot\nx\r\nALA\r\n\r\nkota\rma\n");
    all.emplace_back(std::string("kot\r\nala\r\nkot\r\n\0kot\r\n", 21));
    all.emplace_back(std::string("kot\r\nala\r\0\nkot ala\r\n", 20));
    all.emplace_back(std::string("ala\r\nkot\0ala\r\nkot\r\nala\r\nkot\r\n", 29));
    return all;
}

TEST(CutAtLineStart, MovesToTheNextLineStartAndNeverSplitsCrLf)
{
    const std::string text("ab\r\ncd\ref\n\ngh\0ij\r\n", 18);
    struct Case
    {
        std::size_t at, cut;
    };
    for (const Case c : {Case{0, 0}, Case{1, 4}, Case{2, 4}, Case{3, 4}, Case{4, 4}, Case{5, 7},
                         Case{7, 7}, Case{8, 10}, Case{10, 10}, Case{11, 11}, Case{12, 13},
                         Case{13, 13}, Case{14, 18}, Case{17, 18}, Case{18, 18}, Case{40, 18}})
        EXPECT_EQ(tavir::cutAtLineStart(text.data(), text.size(), c.at), c.cut) << "at " << c.at;
    EXPECT_TRUE(tavir::textGoesOnAt(text.data(), text.size(), 4));
    EXPECT_FALSE(tavir::textGoesOnAt(text.data(), text.size(), 13)); // the NUL
    EXPECT_FALSE(tavir::textGoesOnAt(text.data(), text.size(), 18));
}

TEST(ScanThreads, OneThreadBelowTheThresholdAndNoMoreThanRanges)
{
    const ScanThreads defaults;
    EXPECT_EQ(defaults.threadsFor(ScanThreads::kThreshold - 1), 1u);
    EXPECT_EQ(onThreads(4).threadsFor(std::size_t(1) << 30), 4u);
    EXPECT_EQ(onThreads(1).threadsFor(std::size_t(1) << 30), 1u);
    EXPECT_EQ(cutEvery(8, 10).threadsFor(25), 3u);
    EXPECT_EQ(cutAt(8, {3}).threadsFor(25), 2u);
    EXPECT_EQ(cutEvery(8, 10).threadsFor(0), 1u);
    EXPECT_GE(onThreads(0, 0).threadsFor(std::size_t(1) << 30), 1u);
}

TEST(SearchInRanges, EveryCutAndThreadCountListsTheReference)
{
    TempDir dir;
    for (const std::string& file : files()) {
        if (file.empty())
            continue; // nothing to map: the single-threaded path's
        const std::string path = dir.write("f.dbc", file);
        for (const std::string query : {"", "ala", "ALA", "a", "kot", "\r", "x"}) {
            const Lines expected = referenceRows(file, query);
            const auto where = [&](const std::string& how) {
                return "file " + testing::PrintToString(file) + " query " +
                       testing::PrintToString(query) + " " + how;
            };
            for (std::size_t at = 0; at <= file.size(); ++at)
                ASSERT_EQ(inRanges(path, query, cutAt(2, {at})), expected)
                    << where("cut at " + std::to_string(at));
            for (const unsigned threads : {2u, 3u, 4u})
                for (std::size_t every = 1; every < file.size(); ++every)
                    ASSERT_EQ(inRanges(path, query, cutEvery(threads, every)), expected) << where(
                        std::to_string(threads) + " threads, cut every " + std::to_string(every));
        }
    }
}

TEST(CountInRanges, EveryCutAndThreadCountCountsAsTheCollection)
{
    TempDir dir;
    for (const std::string& file : files()) {
        if (file.empty())
            continue;
        const std::string path = dir.write("f.dbc", file);
        const std::size_t lines = tavir::QuoteCollection::fromBytes(file).lineCount();
        for (const unsigned threads : {2u, 3u, 4u})
            for (std::size_t every = 1; every < file.size(); ++every)
                ASSERT_EQ(tavir::countFileLinesInRanges(path, cutEvery(threads, every)), lines)
                    << testing::PrintToString(file) << " every " << every;
    }
}

// Output of several chunks a range, more than a range may keep waiting, comes out whole and in
// order while later ranges are scanned.
TEST(SearchInRanges, ManyRowsComeOutInFileOrder)
{
    TempDir dir;
    std::string file;
    for (int i = 0; file.size() < (std::size_t(5) << 20); ++i)
        file += "Kot nr " + std::to_string(i) + (i % 3 ? " i pies" : "") +
                std::string(static_cast<std::size_t>(i % 97), 'z') + (i % 5 ? "\r\n" : "\n");
    file += "ostatni kot\r\n";
    const std::string path = dir.write("big.dbc", file);
    for (const std::string query : {"", "pies", "kot nr 7"}) {
        const Lines expected = referenceRows(file, query);
        for (const unsigned threads : {2u, 3u, 4u})
            for (const std::size_t every : {std::size_t(100000), std::size_t(1) << 20})
                ASSERT_EQ(inRanges(path, query, cutEvery(threads, every)), expected)
                    << query << " " << threads << " threads, every " << every;
    }
    EXPECT_EQ(tavir::countFileLinesInRanges(path, cutEvery(3, 100000)),
              tavir::countFileLines(path));
}

// Output that cannot be written stops every thread: the failure leaves the scan, and nothing
// is written after it.
TEST(SearchInRanges, LostOutputStopsEveryThread)
{
    const tavir::test::Deadline deadline(60);
    TempDir dir;
    std::string file;
    for (int i = 0; i < 200000; ++i)
        file += "Linia " + std::to_string(i) + "\r\n";
    const std::string path = dir.write("lost.dbc", file);
    for (const unsigned threads : {2u, 4u})
        for (const int failAt : {0, 1, 5}) {
            int writes = 0;
            const auto format = [](std::string& to, std::string_view row) {
                to += row;
                to += '\n';
            };
            const auto write = [&](std::string_view) {
                if (writes++ == failAt)
                    throw std::runtime_error("lost");
            };
            EXPECT_THROW(tavir::searchFileInRanges(path, "", tavir::asciiFoldTable(), format, write,
                                                   cutEvery(threads, 64 << 10)),
                         std::runtime_error);
            EXPECT_EQ(writes, failAt + 1) << threads << " threads";
        }
}

TEST(SearchInRanges, SmallFilesAndOneThreadAreLeftToTheSingleThreadedPath)
{
    TempDir dir;
    const std::string path = dir.write("s.dbc", "Ala\r\nkot\r\nend\r\n");
    const auto none = [](std::string&, std::string_view) { ADD_FAILURE() << "formatted a row"; };
    const auto write = [](std::string_view) { ADD_FAILURE() << "wrote"; };
    const ScanThreads belowThreshold = onThreads(2, 16);
    EXPECT_FALSE(
        tavir::searchFileInRanges(path, "a", tavir::asciiFoldTable(), none, write, belowThreshold));
    EXPECT_FALSE(
        tavir::searchFileInRanges(path, "a", tavir::asciiFoldTable(), none, write, cutEvery(1, 4)));
    EXPECT_FALSE(tavir::countFileLinesInRanges(path, belowThreshold));
    EXPECT_THROW(tavir::searchFileInRanges(dir.file("missing"), "a", tavir::asciiFoldTable(), none,
                                           write, cutEvery(2, 4)),
                 std::runtime_error);
    EXPECT_THROW(tavir::countFileLinesInRanges(dir.path().string(), cutEvery(2, 4)),
                 std::runtime_error);
}

} // namespace

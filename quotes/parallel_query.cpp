#include "quotes/parallel_query.h"

#include "quotes/block_search.h"
#include "quotes/lines.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <numeric>
#include <optional>
#include <stdexcept>
#include <system_error>
#include <thread>
#include <vector>

namespace tavir {

namespace {

// Keeps the lines a search adds, by number.
class LineCollector final : public ResultList
{
public:
    void clear() override { lines.clear(); }
    void beginUpdate() override {}
    void endUpdate() override {}
    void add(std::string_view, int) override
    {
        throw std::logic_error("a search of a collection adds its lines by number");
    }
    void addLine(const QuoteCollection&, std::size_t line) override { lines.push_back(line); }
    void addLines(const QuoteCollection&, std::span<const std::size_t> more) override
    {
        lines.insert(lines.end(), more.begin(), more.end());
    }

    std::vector<std::size_t> lines;
};

// The line that begins at `offset`, a cut of the collection's text, or the line count at its
// end.
std::size_t lineAtCut(const QuoteCollection& quotes, std::size_t offset)
{
    const std::size_t lines = quotes.lineCount();
    if (offset == 0 || lines == 0)
        return 0;
    if (offset >= quotes.lineStart(lines))
        return lines;
    return quotes.lineHolding(offset, 0, lines);
}

// The search of the ranges of a collection: taken in order by the helper threads and by the
// calling thread, which delivers their lines in order. At most a few ranges past the one being
// delivered are searched ahead.
class RangeSearch
{
public:
    RangeSearch(const QuoteCollection& quotes, std::size_t quotations, std::string_view query,
                const FoldTable& fold, const PumpPolicy& policy, unsigned threads)
        : quotes_(quotes), query_(query), fold_(fold), policy_(policy),
          linesPerCheck_(std::max<std::size_t>(policy.linesPerCheck, 1)),
          ahead_(2 * std::size_t{threads})
    {
        const std::string_view text = quotes.text();
        std::size_t at = 0;
        firstLines_.push_back(0);
        for (std::size_t k = 0; at < text.size(); ++k) {
            at = cutAtLineStart(text.data(), text.size(),
                                std::max(policy.threads.nominalCut(k, text.size()), at));
            firstLines_.push_back(std::min(lineAtCut(quotes, at), quotations));
        }
        for (unsigned k = 1; k < threads; ++k) {
            try {
                helpers_.emplace_back([this] { help(); });
            } catch (const std::system_error&) {
                break; // fewer helpers, then; the calling thread searches what is left
            }
        }
    }

    // Stops the helpers and waits for them: nothing reads the collection afterwards.
    ~RangeSearch()
    {
        {
            std::lock_guard lock(mutex_);
            stopped_ = true;
        }
        changed_.notify_all();
        for (std::thread& thread : helpers_)
            thread.join();
    }

    RangeSearch(const RangeSearch&) = delete;
    RangeSearch& operator=(const RangeSearch&) = delete;

    std::size_t ranges() const { return firstLines_.size() - 1; }
    // The line after range `k`'s last.
    std::size_t nextLine(std::size_t k) const { return firstLines_[k + 1]; }

    // The lines of range `k`, the next to deliver. While a helper searches it, this thread
    // searches the ranges no helper has taken yet, and once there are none, waits while the
    // throttle delivers events. Null when the throttle stopped the query meanwhile.
    const std::vector<std::size_t>* take(std::size_t k, Throttle& throttle)
    {
        std::unique_lock lock(mutex_);
        const auto wait = std::max<std::chrono::steady_clock::duration>(
            policy_.interval, std::chrono::milliseconds(1));
        for (;;) {
            if (failure_)
                std::rethrow_exception(failure_);
            if (!results_.empty() && results_.front().done) // results_ begins at range k
                return &results_.front().lines;
            if (next_ < ranges() && (next_ == k || next_ < delivered_ + ahead_)) {
                const std::size_t mine = next_++;
                results_.emplace_back();
                lock.unlock();
                LineCollector found;
                // A long range has the throttle checked between its pieces too.
                const bool goOn = search(mine, own_, found, [&] { return throttle.check(); });
                lock.lock();
                if (!goOn)
                    return nullptr;
                Result& result = results_[mine - delivered_];
                result.lines = std::move(found.lines);
                result.done = true;
                continue;
            }
            if (changed_.wait_for(lock, wait) == std::cv_status::timeout &&
                !results_.front().done) {
                lock.unlock();
                const bool goOn = throttle.check();
                lock.lock();
                if (!goOn)
                    return nullptr;
            }
        }
    }

    // Range `k`, taken last, is delivered: its place goes to a range further on.
    void delivered()
    {
        {
            std::lock_guard lock(mutex_);
            results_.pop_front();
            ++delivered_;
        }
        changed_.notify_all();
    }

private:
    struct Result
    {
        std::vector<std::size_t> lines;
        bool done = false;
    };

    void help()
    {
        try {
            std::optional<BlockSearch> blocks;
            for (;;) {
                std::size_t k = 0;
                {
                    std::unique_lock lock(mutex_);
                    changed_.wait(lock, [&] {
                        return stopped_ || next_ >= ranges() || next_ < delivered_ + ahead_;
                    });
                    if (stopped_ || next_ >= ranges())
                        return;
                    k = next_++;
                    results_.emplace_back();
                }
                LineCollector found;
                search(k, blocks, found, [this] { return !stoppedNow(); });
                {
                    std::lock_guard lock(mutex_);
                    Result& result = results_[k - delivered_];
                    result.lines = std::move(found.lines);
                    result.done = true;
                }
                changed_.notify_all();
            }
        } catch (...) {
            {
                std::lock_guard lock(mutex_);
                if (!failure_)
                    failure_ = std::current_exception();
                stopped_ = true;
            }
            changed_.notify_all();
        }
    }

    // Searches range `k` a block at a time, unless the query is stopped meanwhile; `goOn` is
    // asked between the pieces of a long block (BlockSearch). False when stopped.
    bool search(std::size_t k, std::optional<BlockSearch>& blocks, LineCollector& found,
                const BlockSearch::GoOn& goOn)
    {
        if (!blocks)
            blocks.emplace(quotes_, query_, fold_);
        const std::size_t next = firstLines_[k + 1];
        for (std::size_t first = firstLines_[k]; first < next; first += linesPerCheck_) {
            if (stoppedNow() ||
                !blocks->addHits(first, std::min(first + linesPerCheck_, next), found, goOn))
                return false;
        }
        return true;
    }

    bool stoppedNow()
    {
        std::lock_guard lock(mutex_);
        return stopped_;
    }

    const QuoteCollection& quotes_;
    const std::string_view query_;
    const FoldTable& fold_;
    const PumpPolicy& policy_;
    const std::size_t linesPerCheck_;
    const std::size_t ahead_;
    std::vector<std::size_t> firstLines_; // of each range, then the end
    std::optional<BlockSearch> own_;      // the calling thread's

    std::mutex mutex_;
    std::condition_variable changed_;
    std::size_t next_ = 0;      // the next range to search
    std::size_t delivered_ = 0; // ranges delivered; results_ holds those from here on
    std::deque<Result> results_;
    bool stopped_ = false;
    std::exception_ptr failure_;
    std::vector<std::thread> helpers_; // last: started once the rest is set up
};

} // namespace

bool listAllInBlocks(const QuoteCollection& quotes, std::size_t quotations, ResultList& list,
                     WaitIndicator& wait, Throttle& throttle, const PumpPolicy& policy)
{
    const std::size_t linesPerCheck = std::max<std::size_t>(policy.linesPerCheck, 1);
    std::vector<std::size_t> lines(std::min(linesPerCheck, quotations));
    for (std::size_t first = 0; first < quotations; first += linesPerCheck) {
        if (first != 0 && !throttle.check())
            return false;
        const std::size_t count = std::min(linesPerCheck, quotations - first);
        std::iota(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(count), first);
        AddListItems(quotes, {lines.data(), count}, list);
        for (std::size_t i = 0; i < count; ++i)
            wait.step();
    }
    return true;
}

bool searchInRanges(const QuoteCollection& quotes, std::size_t quotations, std::string_view query,
                    const FoldTable& fold, ResultList& list, Throttle& throttle,
                    const PumpPolicy& policy, unsigned threads)
{
    const std::size_t linesPerCheck = std::max<std::size_t>(policy.linesPerCheck, 1);
    RangeSearch ranges(quotes, quotations, query, fold, policy, threads);
    // Before line `line` is delivered, the throttle is checked at every multiple of
    // linesPerCheck up to it, as a search on one thread checks before each block.
    std::size_t checked = 0; // multiples of linesPerCheck checked
    const auto passTo = [&](std::size_t line) {
        while ((checked + 1) * linesPerCheck <= line) {
            ++checked;
            if (!throttle.check())
                return false;
        }
        return true;
    };
    for (std::size_t k = 0; k < ranges.ranges(); ++k) {
        const std::vector<std::size_t>* lines = ranges.take(k, throttle);
        if (!lines)
            return false;
        for (std::size_t i = 0; i < lines->size();) {
            if (!passTo((*lines)[i]))
                return false;
            const std::size_t blockEnd = (checked + 1) * linesPerCheck;
            const std::size_t j = static_cast<std::size_t>(
                std::lower_bound(lines->begin() + static_cast<std::ptrdiff_t>(i), lines->end(),
                                 blockEnd) -
                lines->begin());
            AddListItems(quotes, {lines->data() + i, j - i}, list);
            i = j;
        }
        ranges.delivered();
        // Lines without a hit are passed as they are on one thread: a check every block.
        if (ranges.nextLine(k) != 0 && !passTo(ranges.nextLine(k) - 1))
            return false;
    }
    return true;
}

} // namespace tavir

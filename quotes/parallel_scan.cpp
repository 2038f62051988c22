#include "quotes/parallel_scan.h"

#include "base/errors.h"
#include "base/file_io.h"
#include "base/mapped_file.h"
#include "quotes/lines.h"
#include "quotes/queries.h"
#include "quotes/stream.h"

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <utility>

namespace tavir {

unsigned ScanThreads::threadsFor(std::size_t size) const
{
    unsigned threads = count != 0 ? count : std::max(1u, std::thread::hardware_concurrency());
    if (size < threshold || size == 0)
        return 1;
    const std::size_t ranges = cuts.empty()
                                   ? (size + rangeSize - 1) / std::max<std::size_t>(rangeSize, 1)
                                   : cuts.size() + 1;
    return static_cast<unsigned>(std::min<std::size_t>(threads, ranges));
}

std::size_t ScanThreads::nominalCut(std::size_t index, std::size_t size) const
{
    if (!cuts.empty())
        return index < cuts.size() ? std::min(cuts[index], size) : size;
    return std::min((index + 1) * std::max<std::size_t>(rangeSize, 1), size);
}

namespace {

// Output a range hands over at a time; the most the range being written may have waiting
// before its thread waits for the writer; and the most all ranges together may have waiting
// before the threads of ranges further on wait for theirs to be written. With the ranges in
// flight (one more than there are threads) and the pages each maps, they bound the memory.
constexpr std::size_t kChunk = std::size_t(128) << 10;
constexpr std::size_t kWaitingAtHead = 4 * kChunk;
constexpr std::size_t kWaitingOutput = std::size_t(4) << 20;

struct Range
{
    std::size_t index = 0;
    std::size_t begin = 0;
    std::size_t end = 0;
    bool textGoesOn = false; // at `end`
};

// Thrown inside a range's scan when its output is no longer wanted: another thread failed, or
// the text ended in an earlier range.
struct Stopped
{
};

class OrderedRanges;

// Where the scan of one range puts its rows (as bytes) and its tally.
class RangeSink
{
public:
    RangeSink(OrderedRanges& owner, std::size_t index, std::string buffer)
        : owner_(owner), index_(index), chunk_(std::move(buffer))
    {
    }
    void add(std::string_view row, RowFormat format);
    void tally(std::size_t n) { tally_ += n; }
    std::size_t tally() const { return tally_; }
    // Hands over what is left; the range is scanned.
    void flush();
    // The buffer, to be used again.
    std::string takeBuffer() { return std::move(chunk_); }

private:
    OrderedRanges& owner_;
    std::size_t index_;
    std::string chunk_;
    std::size_t tally_ = 0;
};

// Cuts a text into ranges and hands them out in order, to be scanned on several threads; the
// output of each is written in the text's order by whichever thread finds it next in line, and
// the tallies of the ranges up to the text's end are summed.
class OrderedRanges
{
public:
    using ScanRange = FunctionRef<bool(const Range&, RangeSink&)>;

    OrderedRanges(MappedFile& file, const ScanThreads& options, unsigned threads, WriteBytes write)
        : file_(file), options_(options), threads_(threads), write_(write)
    {
    }

    // Scans every range with `scan`, which returns whether the text goes on after the range,
    // on `threads` threads, the calling one among them. Rethrows the first failure once every
    // thread has stopped. Returns the sum of the tallies.
    std::size_t run(ScanRange scan)
    {
        std::vector<std::thread> helpers;
        struct Join
        {
            std::vector<std::thread>& threads;
            ~Join()
            {
                for (std::thread& thread : threads)
                    thread.join();
            }
        } join{helpers};
        for (unsigned k = 1; k < threads_; ++k) {
            try {
                helpers.emplace_back([this, scan] { work(scan); });
            } catch (const std::system_error&) {
                break; // fewer threads, then
            }
        }
        work(scan);
        for (std::thread& thread : helpers)
            thread.join();
        helpers.clear();
        if (failure_)
            std::rethrow_exception(failure_);
        return tally_;
    }

    // Queues a chunk of range `index`'s output (`chunk` gets an empty buffer back), writes
    // what is next in line, and waits while the range has too much output waiting.
    void hand(std::size_t index, std::string& chunk)
    {
        std::unique_lock lock(mutex_);
        if (unwanted(index))
            throw Stopped();
        Slot& slot = slotOf(index);
        slot.waiting += chunk.size();
        waiting_ += chunk.size();
        slot.chunks.push_back(std::move(chunk));
        chunk = spareBuffer();
        writeNext(lock);
        changed_.wait(lock, [&] {
            return unwanted(index) || (index == head_ ? slotOf(index).waiting < kWaitingAtHead
                                                      : waiting_ < kWaitingOutput);
        });
        if (unwanted(index))
            throw Stopped();
    }

private:
    struct Slot
    {
        std::size_t nominalBegin = 0;
        std::size_t nominalEnd = 0;
        std::deque<std::string> chunks;
        std::size_t waiting = 0; // bytes in chunks
        bool done = false;
        std::size_t tally = 0;
    };

    void work(ScanRange scan)
    {
        try {
            Range range;
            std::string buffer;
            while (claim(range, buffer)) {
                RangeSink sink(*this, range.index, std::move(buffer));
                bool goesOn = false;
                try {
                    goesOn = scan(range, sink);
                    sink.flush();
                } catch (const Stopped&) {
                    // Nothing of the range is wanted any more.
                }
                buffer = sink.takeBuffer();
                complete(range, goesOn, sink.tally(), buffer);
            }
        } catch (...) {
            fail(std::current_exception());
        }
    }

    // The next range to scan, with a buffer for its output; false when there is none left or
    // the scan has failed. Waits while too many ranges are in flight. A range begins where the
    // one before it ends, and ends at the first line start (or NUL) at or after its nominal
    // end: finding it reads the range's own last byte and the next range's first bytes, never
    // a page of the ranges before. A range may be empty, where a line spans its nominal ends.
    bool claim(Range& range, std::string& buffer)
    {
        const std::size_t size = file_.size();
        std::unique_lock lock(mutex_);
        changed_.wait(lock,
                      [&] { return failure_ || !moreRanges_ || next_ < head_ + threads_ + 1; });
        if (failure_ || !moreRanges_)
            return false;
        range.index = next_++;
        const std::size_t from = range.index == 0 ? 0 : options_.nominalCut(range.index - 1, size);
        const std::size_t to = std::max(options_.nominalCut(range.index, size), from);
        // The pages about the nominal end mapped at once rather than a fault at a time.
        if (to < size)
            file_.populate(to - 1, std::min(MappedFile::pageSize(), size - to) + 1);
        const char* const text = file_.data();
        range.begin = at_;
        range.end = std::max(at_, cutAtLineStart(text, size, to));
        range.textGoesOn = textGoesOnAt(text, size, range.end);
        at_ = range.end;
        moreRanges_ = to < size && range.textGoesOn;
        Slot& slot = slots_.emplace_back();
        slot.nominalBegin = from;
        slot.nominalEnd = to;
        if (buffer.capacity() == 0)
            buffer = spareBuffer();
        return true;
    }

    // An empty buffer, with room for a chunk once it has been used.
    std::string spareBuffer()
    {
        if (spare_.empty()) {
            std::string buffer;
            buffer.reserve(kChunk + kChunk / 8);
            return buffer;
        }
        std::string buffer = std::move(spare_.back());
        spare_.pop_back();
        return buffer;
    }

    void complete(const Range& range, bool goesOn, std::size_t tally, std::string& buffer)
    {
        std::unique_lock lock(mutex_);
        if (failure_)
            return;
        Slot& slot = slotOf(range.index);
        slot.done = true;
        slot.tally = tally;
        if (!goesOn && range.index < last_) {
            last_ = range.index; // the text ended here: later ranges are not wanted
            moreRanges_ = false;
        }
        buffer.clear();
        // The range's pages are given back now, but for its first block, which the range
        // before reads its last line from, until that range is done too; that range's first
        // block likewise waits for this one.
        const auto [headBegin, headEnd, restEnd] = pagesOf(slot);
        std::vector<std::pair<std::size_t, std::size_t>> giveBack = {{headEnd, restEnd}};
        if (range.index == 0 || range.index - 1 < head_ || slotOf(range.index - 1).done)
            giveBack.emplace_back(headBegin, headEnd);
        if (range.index + 1 < next_ && slotOf(range.index + 1).done) {
            const auto [nextBegin, nextEnd, nextRestEnd] = pagesOf(slotOf(range.index + 1));
            giveBack.emplace_back(nextBegin, nextEnd);
        }
        writeNext(lock);
        changed_.notify_all();
        lock.unlock();
        for (const auto& [first, last] : giveBack)
            if (first < last)
                file_.release(first, last - first);
    }

    // The pages a range gives back: those of its nominal span, the file's last page with the
    // last range's, as its first block (from its first page to the block's end) and the rest.
    struct Pages
    {
        std::size_t headBegin, headEnd, restEnd;
    };
    Pages pagesOf(const Slot& slot) const
    {
        constexpr std::size_t kBlock = std::size_t(2) << 20;
        const std::size_t page = MappedFile::pageSize();
        const std::size_t size = file_.size();
        const std::size_t begin = slot.nominalBegin / page * page;
        const std::size_t end = slot.nominalEnd >= size ? (size + page - 1) / page * page
                                                        : slot.nominalEnd / page * page;
        const std::size_t headEnd =
            std::clamp(slot.nominalBegin / kBlock * kBlock + kBlock, begin, std::max(begin, end));
        return {begin, headEnd, std::max(headEnd, end)};
    }

    void fail(std::exception_ptr error)
    {
        std::lock_guard lock(mutex_);
        if (!failure_)
            failure_ = std::move(error);
        changed_.notify_all();
    }

    bool unwanted(std::size_t index) const { return failure_ || index > last_; }
    Slot& slotOf(std::size_t index) { return slots_[index - head_]; }

    // Writes the output next in line, and passes ranges that are written whole, unless another
    // thread is at it: that one then goes on with what is added meanwhile.
    void writeNext(std::unique_lock<std::mutex>& lock)
    {
        while (!writing_ && !failure_ && !slots_.empty()) {
            Slot& head = slots_.front();
            if (head_ > last_) { // after the text's end
                waiting_ -= head.waiting;
                head.chunks.clear();
                head.waiting = 0;
            }
            if (!head.chunks.empty()) {
                std::string chunk = std::move(head.chunks.front());
                head.chunks.pop_front();
                writing_ = true;
                lock.unlock();
                try {
                    write_(chunk);
                } catch (...) {
                    lock.lock();
                    writing_ = false;
                    throw;
                }
                lock.lock();
                writing_ = false;
                slots_.front().waiting -= chunk.size();
                waiting_ -= chunk.size();
                chunk.clear();
                if (spare_.size() < threads_)
                    spare_.push_back(std::move(chunk));
                changed_.notify_all();
                continue;
            }
            if (!head.done)
                break;
            if (head_ <= last_)
                tally_ += head.tally;
            slots_.pop_front();
            ++head_;
            changed_.notify_all();
        }
    }

    MappedFile& file_;
    const ScanThreads& options_;
    const unsigned threads_;
    WriteBytes write_;

    std::mutex mutex_;
    std::condition_variable changed_;
    bool moreRanges_ = true;
    std::size_t next_ = 0;           // the index of the next range claimed
    std::size_t head_ = 0;           // the first range not yet written whole
    std::size_t last_ = SIZE_MAX;    // the range where the text ends, once known
    std::deque<Slot> slots_;         // ranges head_ to next_ - 1
    std::vector<std::string> spare_; // buffers to use again
    std::size_t waiting_ = 0;        // bytes in every slot's chunks
    std::size_t at_ = 0;             // where the next range begins
    bool writing_ = false;
    std::size_t tally_ = 0;
    std::exception_ptr failure_;
};

void RangeSink::add(std::string_view row, RowFormat format)
{
    format(chunk_, row);
    if (chunk_.size() >= kChunk)
        owner_.hand(index_, chunk_);
}

void RangeSink::flush()
{
    if (!chunk_.empty())
        owner_.hand(index_, chunk_);
}

// The rows a QueryStream finds in a range, handed to the range's sink.
class RangeRows final : public ResultList
{
public:
    RangeRows(RangeSink& sink, RowFormat format) : sink_(sink), format_(format) {}
    void clear() override {}
    void beginUpdate() override {}
    void endUpdate() override {}
    void add(std::string_view caption, int) override { sink_.add(caption, format_); }

private:
    RangeSink& sink_;
    RowFormat format_;
};

// The file mapped whole, when it is large enough to take several threads; `threads` then
// says how many.
std::optional<MappedFile> mapForThreads(const OpenFile& opened, const std::string& path,
                                        const ScanThreads& options, unsigned& threads)
{
    if (!opened.fd.valid())
        throw cannotOpenFile(path);
    threads = options.threadsFor(opened.size);
    if (threads < 2)
        return std::nullopt;
    MappedFile file(opened.fd.get(), opened.size);
    if (!file.valid())
        return std::nullopt;
    return file;
}

} // namespace

bool searchFileInRanges(const std::string& path, std::string_view query, const FoldTable& fold,
                        RowFormat format, WriteBytes write, const ScanThreads& threads)
{
    unsigned count = 1;
    const OpenFile opened = openRegularFile(path);
    std::optional<MappedFile> file = mapForThreads(opened, path, threads, count);
    if (!file)
        return false;
    OrderedRanges ranges(*file, threads, count, write);
    ranges.run([&](const Range& range, RangeSink& sink) {
        RangeRows rows(sink, format);
        QueryStream stream(query, rows, fold);
        return stream.readRange(*file, range.begin, range.end, range.textGoesOn);
    });
    return true;
}

std::optional<std::size_t> countFileLinesInRanges(const std::string& path,
                                                  const ScanThreads& threads)
{
    unsigned count = 1;
    const OpenFile opened = openRegularFile(path);
    std::optional<MappedFile> file = mapForThreads(opened, path, threads, count);
    if (!file)
        return std::nullopt;
    const auto noWrite = [](std::string_view) {};
    OrderedRanges ranges(*file, threads, count, noWrite);
    // The cuts are found in the mapping, but each range is read in pieces, as countFileLines
    // reads a file: counting takes so little that mapping pages cost more than copying them.
    return ranges.run([&](const Range& range, RangeSink& sink) {
        std::vector<char> piece(std::size_t(1) << 16);
        LineCounter counter;
        bool ended = false;
        for (std::size_t at = range.begin; at < range.end && !ended;) {
            const std::size_t want = std::min(piece.size(), range.end - at);
            ssize_t n = 0;
            do {
                n = ::pread(opened.fd.get(), piece.data(), want, static_cast<off_t>(at));
            } while (n < 0 && errno == EINTR);
            if (n < 0)
                throw cannotOpenFile(path);
            // A file shortened meanwhile ends where it now ends.
            ended = n == 0 || !counter.feed({piece.data(), static_cast<std::size_t>(n)});
            at += static_cast<std::size_t>(n);
        }
        sink.tally(counter.lines());
        return range.textGoesOn && !ended;
    });
}

} // namespace tavir

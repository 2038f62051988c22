#include "quotes/stream.h"

#include "base/errors.h"
#include "base/file_io.h"
#include "base/mapped_file.h"
#include "quotes/lines.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace tavir {

namespace {

// Adds every line of `lines` that holds the finder's needle, in order. `lines` begins at the
// start of a line and ends at the end of one (or after its terminator); the needle holds no
// CR, LF or NUL, so a hit never spans lines.
void addMatchingLines(std::string_view lines, const FoldedFinder& finder, ResultList& list)
{
    const char* const begin = lines.data();
    const char* const end = begin + lines.size();
    const char* done = begin; // every line before it is added or has no hit
    finder.findEach(lines, 0, [&](std::size_t at) {
        const char* const lineBegin = findLineStart(done, begin + at);
        done = findLineEnd(begin + at, end);
        AddListItem({lineBegin, static_cast<std::size_t>(done - lineBegin)}, list, kQuotationImage);
        return static_cast<std::size_t>(done - begin);
    });
}

// Adds every line of `lines`.
void addEveryLine(std::string_view lines, ResultList& list)
{
    LineStepper stepper(lines);
    for (std::string_view line; stepper.next(line);)
        AddListItem(line, list, kQuotationImage);
}

// Where a scan of a piece of text stopped: at the NUL that ends the text, or at a hit in a
// line not known to be whole yet (npos for neither).
struct ScanEnd
{
    std::size_t nul = FoldedFinder::npos;
    std::size_t openLine = FoldedFinder::npos;
};

// As addMatchingLines over `text`, which begins at the start of a line and may end inside
// one, where the text ends at its first NUL. A line is added when it is known to be whole
// and not the text's last: its terminator lies before the last two bytes (a CR LF pair is
// never cut) and no NUL follows it. A hit in a line not known to be whole ends the scan.
ScanEnd addMatchingLinesBeforeNul(std::string_view text, const FoldedFinder& finder,
                                  ResultList& list)
{
    const char* const begin = text.data();
    const char* const end = begin + text.size();
    const char* done = begin; // every line before it is added or has no hit
    ScanEnd scanEnd;
    const std::size_t met = finder.findEachBeforeNul(text, 0, [&](std::size_t at) {
        const char* const lineBegin = findLineStart(done, begin + at);
        done = findLineEnd(begin + at, end);
        const char* const after = skipLineBreak(done, end);
        if (done < end && (*done == '\0' || (after < end && *after == '\0'))) {
            scanEnd.nul = static_cast<std::size_t>((*done == '\0' ? done : after) - begin);
            return FoldedFinder::npos;
        }
        if (end - done <= 2) {
            scanEnd.openLine = static_cast<std::size_t>(lineBegin - begin);
            return FoldedFinder::npos;
        }
        AddListItem({lineBegin, static_cast<std::size_t>(done - lineBegin)}, list, kQuotationImage);
        return static_cast<std::size_t>(done - begin);
    });
    if (met != FoldedFinder::npos)
        scanEnd.nul = met;
    return scanEnd;
}

} // namespace

QueryStream::QueryStream(std::string_view query, ResultList& list, const FoldTable& fold)
    : list_(list)
{
    if (!query.empty())
        finder_.emplace(query, fold);
    findsNothing_ = query.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
    list_.beginUpdate();
    list_.clear();
}

QueryStream::~QueryStream() = default;

char* QueryStream::reserve(std::size_t more)
{
    if (capacity_ - filled_ < more) {
        const std::size_t capacity = std::max(capacity_ * 2, filled_ + more);
        auto larger = std::make_unique_for_overwrite<char[]>(capacity);
        if (filled_ != 0)
            std::memcpy(larger.get(), buffer_.get(), filled_);
        buffer_ = std::move(larger);
        capacity_ = capacity;
    }
    return buffer_.get() + filled_;
}

std::size_t QueryStream::advance(const char* text, std::size_t& size, std::size_t fresh)
{
    // A search meets the NUL that ends the text as it scans; a listing looks for it first.
    const bool searching = finder_ && !findsNothing_;
    if (!searching) {
        const char* const piece = text + size - fresh;
        if (const void* nul = std::memchr(piece, '\0', fresh)) {
            size = static_cast<std::size_t>(static_cast<const char*>(nul) - text);
            ended_ = true;
        }
    }
    // Lines known not to be the last: those followed by a terminator and at least one more
    // byte (see wholeLinesEnd).
    if (size < 3)
        return 0;
    // A search scans the whole piece first, so that finding the cut below reads bytes already
    // in cache.
    if (searching) {
        const ScanEnd scanEnd = addMatchingLinesBeforeNul({text, size}, *finder_, list_);
        if (scanEnd.nul != FoldedFinder::npos) {
            size = scanEnd.nul;
            ended_ = true;
            return lastLineStart(text, size);
        }
        if (scanEnd.openLine != FoldedFinder::npos)
            return scanEnd.openLine;
    }
    const std::size_t done = wholeLinesEnd(text, size);
    if (!searching)
        scan({text, done});
    return done;
}

bool QueryStream::take(std::size_t n)
{
    std::size_t size = filled_ + n;
    const std::size_t done = advance(buffer_.get(), size, n);
    filled_ = size - done;
    if (done != 0)
        std::memmove(buffer_.get(), buffer_.get() + done, filled_);
    return !ended_;
}

bool QueryStream::feed(std::string_view piece)
{
    if (ended_)
        return false;
    std::memcpy(reserve(piece.size()), piece.data(), piece.size());
    return take(piece.size());
}

void QueryStream::finish()
{
    finishText(buffer_.get(), filled_);
    filled_ = 0;
}

bool QueryStream::finishText(const char* text, std::size_t size, bool textGoesOn)
{
    const std::size_t nul = std::string_view(text, size).find('\0');
    const bool goesOn = textGoesOn && !ended_ && nul == std::string_view::npos;
    size = std::min(size, nul);
    scan({text, goesOn ? size : lastLineStart(text, size)});
    ended_ = true;
    list_.endUpdate();
    return goesOn;
}

void QueryStream::scan(std::string_view lines)
{
    if (!finder_)
        addEveryLine(lines, list_);
    else if (!findsNothing_)
        addMatchingLines(lines, *finder_, list_);
}

void QueryStream::readFile(const std::string& path, std::size_t pieceSize, Access access)
{
    const OpenFile opened = openRegularFile(path);
    if (!opened.fd.valid())
        throw cannotOpenFile(path);
    const int fd = opened.fd.get();
    const std::size_t size = opened.size;
    if (access == Access::Map) {
        MappedFile file(fd, size);
        if (file.valid()) {
            readMapped(file, pieceSize, 0, size, false, 3);
            return;
        }
    }
    for (;;) {
        // A line longer than a piece is carried whole: read as much again as is carried, so
        // that it is looked at a number of times that grows with the log of its length.
        const std::size_t want = std::max(pieceSize, filled_);
        char* const into = reserve(want);
        ssize_t n = 0;
        do {
            n = ::read(fd, into, want);
        } while (n < 0 && errno == EINTR);
        if (n < 0)
            throw cannotOpenFile(path);
        if (n == 0 || !take(static_cast<std::size_t>(n)))
            break;
    }
    finish();
}

bool QueryStream::readRange(MappedFile& file, std::size_t begin, std::size_t end, bool textGoesOn)
{
    // Mapped at once and never given back here: giving pages back costs every core running the
    // program a flush of its address translations, so the caller gives back its ranges whole.
    return readMapped(file, end - begin, begin, end, textGoesOn, SIZE_MAX);
}

bool QueryStream::readMapped(MappedFile& file, std::size_t windowSize, std::size_t begin,
                             std::size_t end, bool textGoesOn, std::size_t releaseWindows)
{
    constexpr std::size_t kStepSize = std::size_t(1) << 17;
    constexpr std::size_t kBlock = std::size_t(2) << 20;
    const std::size_t page = MappedFile::pageSize();
    windowSize = std::max(page, windowSize / page * page);
    std::size_t size = end;
    std::size_t done = begin;     // every line before it is added or has no hit
    std::size_t mapped = begin;   // bytes looked at so far
    std::size_t released = begin; // pages before it are given back (or are another range's)
    while (mapped < size && !ended_) {
        // As when reading: a window, or a step, at least as long as the line carried.
        const std::size_t carried = mapped - done;
        const std::size_t window = std::min(std::max(windowSize, carried), size - mapped);
        // A file shortened under us: its lost pages read as NUL, which ends the text.
        file.populate(mapped, window);
        // The window is looked at in steps small enough to stay in cache between the passes
        // over them (the scan and the cut, or the NUL and the lines of a listing).
        const std::size_t windowEnd = mapped + window;
        while (mapped < windowEnd && !ended_) {
            const std::size_t fresh =
                std::min(std::max(kStepSize, mapped - done), windowEnd - mapped);
            mapped += fresh;
            std::size_t length = mapped - done;
            done += advance(file.data() + done, length, fresh);
            if (ended_)
                size = done + length;
        }
        // Given back a few windows at a time: each call costs a flush of the processor's
        // address translations, and memory stays at four windows or so. Only whole 2 MiB
        // blocks: the system may map the file in such blocks, and giving back a part of one
        // unmaps all of it, to be faulted in again a page at a time.
        if (const std::size_t upTo = done / kBlock * kBlock;
            releaseWindows != SIZE_MAX && upTo >= released + releaseWindows * windowSize) {
            file.release(released, upTo - released);
            released = upTo;
        }
    }
    return finishText(file.data() + done, size - done, textGoesOn);
}

} // namespace tavir

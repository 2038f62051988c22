#include "quotes/stream.h"

#include "base/errors.h"
#include "base/regular_file.h"
#include "quotes/lines.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace tavir {

void addMatchingLines(std::string_view lines, const FoldedFinder& finder, ResultList& list)
{
    const char* const begin = lines.data();
    const char* const end = begin + lines.size();
    std::size_t from = 0;
    std::size_t at = 0;
    while ((at = finder.find(lines, from)) != FoldedFinder::npos) {
        const char* const lineBegin = findLineStart(begin + from, begin + at);
        const char* const lineEnd = findLineEnd(begin + at, end);
        AddListItem({lineBegin, static_cast<std::size_t>(lineEnd - lineBegin)}, list,
                    kQuotationImage);
        from = static_cast<std::size_t>(lineEnd - begin);
    }
}

void addEveryLine(std::string_view lines, ResultList& list)
{
    const char* p = lines.data();
    const char* const end = p + lines.size();
    while (p < end) {
        const char* const t = findLineEnd(p, end);
        AddListItem({p, static_cast<std::size_t>(t - p)}, list, kQuotationImage);
        p = t;
        if (p < end && *p == '\r')
            ++p;
        if (p < end && *p == '\n')
            ++p;
    }
}

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

bool QueryStream::take(std::size_t n)
{
    char* const piece = buffer_.get() + filled_;
    if (const void* nul = std::memchr(piece, '\0', n)) {
        n = static_cast<std::size_t>(static_cast<const char*>(nul) - piece);
        ended_ = true;
    }
    filled_ += n;
    // Lines known not to be the last: those followed by a terminator and at least one more
    // byte. Two bytes are held back so that a CR LF pair is never cut.
    if (filled_ >= 3) {
        const char* const b = buffer_.get();
        const char* cut = findLineStart(b, b + filled_ - 2);
        if (cut != b && cut[-1] == '\r' && *cut == '\n')
            ++cut;
        if (cut != b) {
            const auto done = static_cast<std::size_t>(cut - b);
            scan(done);
            filled_ -= done;
            std::memmove(buffer_.get(), cut, filled_);
        }
    }
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
    // The last line begins after the last terminator other than the one that ends the text.
    const char* const b = buffer_.get();
    std::size_t end = filled_;
    if (end >= 2 && b[end - 2] == '\r' && b[end - 1] == '\n')
        end -= 2;
    else if (end >= 1 && (b[end - 1] == '\r' || b[end - 1] == '\n'))
        end -= 1;
    if (end != 0)
        scan(static_cast<std::size_t>(findLineStart(b, b + end) - b));
    filled_ = 0;
    ended_ = true;
    list_.endUpdate();
}

void QueryStream::scan(std::size_t end)
{
    const std::string_view lines(buffer_.get(), end);
    if (!finder_)
        addEveryLine(lines, list_);
    else if (!findsNothing_)
        addMatchingLines(lines, *finder_, list_);
}

void QueryStream::readFile(const std::string& path, std::size_t pieceSize)
{
    std::size_t size = 0;
    const int fd = openRegularFile(path, size);
    if (fd < 0)
        throw cannotOpenFile(path);
    struct Closer
    {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    for (;;) {
        char* const into = reserve(pieceSize);
        ssize_t n = 0;
        do {
            n = ::read(fd, into, pieceSize);
        } while (n < 0 && errno == EINTR);
        if (n < 0)
            throw cannotOpenFile(path);
        if (n == 0 || !take(static_cast<std::size_t>(n)))
            break;
    }
    finish();
}

} // namespace tavir

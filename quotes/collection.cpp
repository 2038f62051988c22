#include "collection.h"

#include "errors.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavir {

namespace {

class FileDescriptor
{
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

struct FileBytes
{
    std::unique_ptr<char[]> data;
    std::size_t size = 0;
};

// Reads a regular file whole into a buffer of its size, without initialising it first.
bool readWholeFile(const std::string& path, FileBytes& bytes)
{
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat info {};
    if (file.get() < 0 || ::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode))
        return false;

    // One spare byte lets the final read see the end without growing the buffer.
    std::size_t capacity = static_cast<std::size_t>(info.st_size) + 1;
    bytes.data = std::make_unique_for_overwrite<char[]>(capacity);
    for (;;) {
        if (bytes.size == capacity) { // the file grew while we read it
            auto larger = std::make_unique_for_overwrite<char[]>(capacity * 2);
            std::memcpy(larger.get(), bytes.data.get(), bytes.size);
            bytes.data = std::move(larger);
            capacity *= 2;
        }
        const ssize_t n = ::read(file.get(), bytes.data.get() + bytes.size, capacity - bytes.size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            return true;
        bytes.size += static_cast<std::size_t>(n);
    }
}

} // namespace

QuoteCollection QuoteCollection::fromFile(const std::string& path)
{
    FileBytes bytes;
    if (!readWholeFile(path, bytes))
        throw cannotOpenFile(path);
    return fromBuffer(std::move(bytes.data), bytes.size);
}

QuoteCollection QuoteCollection::fromBytes(std::string bytes)
{
    auto buffer = std::make_unique_for_overwrite<char[]>(bytes.size() + 1);
    std::memcpy(buffer.get(), bytes.data(), bytes.size());
    return fromBuffer(std::move(buffer), bytes.size());
}

QuoteCollection QuoteCollection::fromBuffer(std::unique_ptr<char[]> buffer, std::size_t size)
{
    QuoteCollection collection;
    collection.text_ = std::move(buffer);
    collection.lines_ = splitLines({collection.text_.get(), size}, &collection.size_);
    return collection;
}

void QuoteCollection::release()
{
    text_.reset();
    size_ = 0;
    std::vector<LineSpan>().swap(lines_);
}

} // namespace tavir

#include "base/file_io.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace tavir {

FileDescriptor::~FileDescriptor()
{
    // Not retried: the descriptor is gone even when close() reports EINTR, and a second close
    // could hit a descriptor another thread has just been given.
    if (fd_ >= 0)
        ::close(fd_);
}

FileDescriptor::FileDescriptor(FileDescriptor&& other) noexcept : fd_(other.release()) {}

FileDescriptor& FileDescriptor::operator=(FileDescriptor&& other) noexcept
{
    if (this != &other) {
        FileDescriptor old(std::exchange(fd_, other.release()));
    }
    return *this;
}

int FileDescriptor::release()
{
    return std::exchange(fd_, -1);
}

OpenFile openRegularFile(const std::string& path)
{
    OpenFile file;
    file.fd = FileDescriptor(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (!file.fd.valid()) {
        file.error = errno;
        return file;
    }
    struct stat info
    {
    };
    if (::fstat(file.fd.get(), &info) != 0) {
        file.error = errno;
    } else if (!S_ISREG(info.st_mode)) {
        file.error = EINVAL;
    } else {
        const int flags = ::fcntl(file.fd.get(), F_GETFL);
        if (flags < 0 || ::fcntl(file.fd.get(), F_SETFL, flags & ~O_NONBLOCK) != 0)
            file.error = errno;
    }
    if (file.error != 0) {
        file.fd = FileDescriptor(); // closed before errno is set, so that it stays
        errno = file.error;
        return file;
    }
    file.size = static_cast<std::size_t>(info.st_size);
    return file;
}

ssize_t readSome(int fd, char* into, std::size_t room)
{
    ssize_t n = 0;
    do {
        n = ::read(fd, into, room);
    } while (n < 0 && errno == EINTR);
    return n;
}

bool writeAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

std::string folderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

namespace {

FileRead failed(FileFault fault, int error)
{
    FileRead read;
    read.fault = fault;
    read.error = error;
    return read;
}

} // namespace

FileRead readRegularFile(const std::string& path, std::size_t maxSize, ReadStorage storage)
{
    const OpenFile file = openRegularFile(path);
    if (!file.fd.valid())
        return failed(FileFault::CannotOpen, file.error);
    if (file.size > maxSize)
        return failed(FileFault::TooLarge, EFBIG);

    // The most bytes ever read: one past the cap shows that the file grew beyond it.
    const std::size_t limit = maxSize == kNoSizeLimit ? maxSize : maxSize + 1;
    std::size_t capacity = file.size < limit ? file.size + 1 : limit;
    char* data = storage(capacity, 0);
    std::size_t filled = 0;
    for (;;) {
        if (filled == capacity) { // the file grew while it was read
            if (filled > maxSize)
                return failed(FileFault::TooLarge, EFBIG);
            capacity = capacity <= limit - capacity ? capacity * 2 : limit;
            data = storage(capacity, filled);
        }
        const ssize_t n = readSome(file.fd.get(), data + filled, capacity - filled);
        if (n < 0)
            return failed(FileFault::ReadFailed, errno);
        if (n == 0)
            break;
        filled += static_cast<std::size_t>(n);
    }
    FileRead read;
    read.size = filled;
    return read;
}

FileBytes readRegularFile(const std::string& path, std::size_t maxSize)
{
    FileBytes file;
    const FileRead read = readRegularFile(path, maxSize, [&](std::size_t capacity, std::size_t) {
        file.bytes.resize(capacity);
        return file.bytes.data();
    });
    file.fault = read.fault;
    file.error = read.error;
    if (read.ok())
        file.bytes.resize(read.size);
    else
        file.bytes = std::string();
    return file;
}

} // namespace tavir

#include "cli/import_output.h"

#include "base/atomic_file.h"
#include "base/file_io.h"
#include "cli/output.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace tavir::cli {

namespace {

constexpr std::size_t kBufferSize = 1 << 20;

// Copies the whole of `from`, from its start, to `to` at its position. False with errno set.
bool copyAll(int from, int to)
{
    struct stat info
    {
    };
    if (::fstat(from, &info) != 0)
        return false;
    off_t offset = 0;
    // In the kernel where it can; other file systems (on older kernels), devices, pipes, a file
    // open for appending, or a copy that fails go through a buffer, which tells the error.
    while (offset < info.st_size) {
        const ssize_t n = ::copy_file_range(from, &offset, to, nullptr,
                                            static_cast<std::size_t>(info.st_size - offset), 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
    }
    char chunk[1 << 16];
    for (;;) {
        const ssize_t n = ::pread(from, chunk, sizeof chunk, offset);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n == 0;
        if (!writeAll(to, std::string_view(chunk, static_cast<std::size_t>(n))))
            return false;
        offset += n;
    }
}

} // namespace

int openTemporaryFile()
{
    const char* tmp = std::getenv("TMPDIR");
    const std::string folder = tmp != nullptr && *tmp != '\0' ? tmp : "/tmp";
    int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) {
        // No unnamed files there: a named one, gone from the folder at once, as only this
        // process needs it.
        std::string name = folder + "/.tavir-import-XXXXXX";
        fd = ::mkostemp(name.data(), O_CLOEXEC);
        if (fd >= 0)
            ::unlink(name.c_str());
    }
    if (fd < 0)
        throw OutputFailed(errno);
    return fd;
}

void writeTemporary(int fd, std::string_view bytes)
{
    if (!writeAll(fd, bytes))
        throw OutputFailed(errno);
}

ImportFile::~ImportFile()
{
    if (fd_ >= 0)
        ::close(fd_);
}

void ImportFile::fail(int error) const
{
    if (name_.empty())
        throw OutputFailed(error);
    throw OutputFailed(error, name_);
}

void ImportFile::write(std::string_view bytes)
{
    if (buffer_.size() + bytes.size() > kBufferSize) {
        flush();
        // A large entry goes straight to the file rather than through a copy.
        if (bytes.size() > kBufferSize) {
            if (!writeAll(fd_, bytes))
                fail(errno);
            return;
        }
    }
    if (buffer_.capacity() < kBufferSize)
        buffer_.reserve(kBufferSize);
    buffer_ += bytes;
}

void ImportFile::flush()
{
    if (!writeAll(fd_, buffer_))
        fail(errno);
    buffer_.clear();
}

bool ImportFile::wrote(std::uint64_t offset, std::string_view bytes)
{
    flush();
    char chunk[1 << 16];
    while (!bytes.empty()) {
        const std::size_t want = std::min(bytes.size(), sizeof chunk);
        const ssize_t n = ::pread(fd_, chunk, want, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            fail(errno);
        if (n == 0 || bytes.substr(0, static_cast<std::size_t>(n)) !=
                          std::string_view(chunk, static_cast<std::size_t>(n)))
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
        offset += static_cast<std::uint64_t>(n);
    }
    return true;
}

ImportOutput::ImportOutput(const std::string& path) : path_(path)
{
    if (path.empty()) {
        through_ = STDOUT_FILENO;
    } else {
        const std::string target = finalTarget(path);
        struct stat info
        {
        };
        if (::lstat(target.c_str(), &info) != 0) {
            if (errno != ENOENT)
                throw OutputFailed(errno, path);
            target_ = target; // a new file
        } else if (S_ISLNK(info.st_mode)) {
            throw OutputFailed(ELOOP, path); // links that never reach a file
        } else if (S_ISREG(info.st_mode)) {
            // A file we may not write stays as it is, even where its folder would allow a
            // rename.
            if (::access(target.c_str(), W_OK) != 0)
                throw OutputFailed(errno, path);
            target_ = target;
        } else if (S_ISCHR(info.st_mode) || S_ISFIFO(info.st_mode)) {
            // Written in place; a FIFO must have a reader already, or the import would wait.
            const bool fifo = S_ISFIFO(info.st_mode);
            through_ =
                ::open(target.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC | (fifo ? O_NONBLOCK : 0));
            if (through_ < 0 && fifo && errno == ENXIO)
                throw OutputFailed(path, "a FIFO with no reader");
            if (through_ < 0)
                throw OutputFailed(errno, path);
            ownsThrough_ = true;
            const int flags = ::fcntl(through_, F_GETFL);
            if (fifo && (flags < 0 || ::fcntl(through_, F_SETFL, flags & ~O_NONBLOCK) != 0)) {
                const int error = errno;
                ::close(through_);
                throw OutputFailed(error, path);
            }
        } else if (S_ISDIR(info.st_mode)) {
            throw OutputFailed(EISDIR, path);
        } else {
            throw OutputFailed(path, S_ISSOCK(info.st_mode)
                                         ? "a socket is neither replaced nor written to"
                                         : "a block device is neither replaced nor written to");
        }
        // The folder takes the replacement; where it cannot, that is told before any reading.
        if (!target_.empty() && ::access(folderOf(target_).c_str(), W_OK | X_OK) != 0)
            throw OutputFailed(errno, path);
    }
    try {
        file_ = std::make_unique<ImportFile>(openTemporaryFile(), target_.empty() ? "" : path);
    } catch (...) {
        if (ownsThrough_)
            ::close(through_);
        throw;
    }
}

ImportOutput::~ImportOutput()
{
    file_.reset();
    if (ownsThrough_)
        ::close(through_);
}

void ImportOutput::deliver()
{
    file_->flush();
    const int fd = file_->fd();
    if (target_.empty()) {
        const auto failed = [this](int error) {
            if (path_.empty())
                throw OutputFailed(error);
            throw OutputFailed(error, path_);
        };
        if (!copyAll(fd, through_))
            failed(errno);
        if (ownsThrough_) {
            const int done = ::close(std::exchange(through_, -1));
            ownsThrough_ = false;
            if (done != 0 && errno != EINTR)
                failed(errno);
        }
        return;
    }
    FileReplacement replacement(target_);
    if (!replacement.replace([fd](int to) { return copyAll(fd, to); })) {
        if (replacement.error() == EAGAIN)
            throw OutputFailed(path_, "another writer kept its folder locked");
        throw OutputFailed(replacement.error(), path_);
    }
}

} // namespace tavir::cli

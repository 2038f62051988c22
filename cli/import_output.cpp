#include "cli/import_output.h"

#include "base/atomic_file.h"
#include "cli/output.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace tavir::cli {

namespace {

constexpr std::size_t kBufferSize = 1 << 20;

// Writes all of `bytes`; 0, or the error.
int writeAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n < 0 ? errno : EIO;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return 0;
}

std::string folderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// A new file in `folder` for reading and writing: unnamed where the file system allows, else
// under a fresh name left in `named`. -1 with errno on failure.
int openTemporary(const std::string& folder, std::string& named)
{
    const int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd >= 0 || (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL))
        return fd;
    std::string name = folder + "/.tavir-import-XXXXXX";
    const int made = ::mkostemp(name.data(), O_CLOEXEC);
    if (made >= 0)
        named = name;
    return made;
}

mode_t permissionsFor(const std::string& path)
{
    struct stat existing
    {
    };
    if (::stat(path.c_str(), &existing) == 0)
        return existing.st_mode & 07777;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

} // namespace

int openTemporaryFile()
{
    const char* tmp = std::getenv("TMPDIR");
    std::string named;
    const int fd = openTemporary(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp", named);
    if (fd < 0)
        throw OutputFailed(errno);
    if (!named.empty())
        ::unlink(named.c_str()); // only this process needs it
    return fd;
}

void writeTemporary(int fd, std::string_view bytes)
{
    if (const int error = writeAll(fd, bytes))
        throw OutputFailed(error);
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
            if (const int error = writeAll(fd_, bytes))
                fail(error);
            return;
        }
    }
    if (buffer_.capacity() < kBufferSize)
        buffer_.reserve(kBufferSize);
    buffer_ += bytes;
}

void ImportFile::flush()
{
    if (const int error = writeAll(fd_, buffer_))
        fail(error);
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
    std::string folder;
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
        if (!target_.empty())
            folder = folderOf(target_);
    }
    // What is written through is gathered first where temporary files go.
    if (target_.empty()) {
        try {
            file_ = std::make_unique<ImportFile>(openTemporaryFile(), std::string());
        } catch (...) {
            if (ownsThrough_)
                ::close(through_);
            throw;
        }
        return;
    }
    const int fd = openTemporary(folder, named_);
    if (fd < 0)
        throw OutputFailed(errno, path);
    file_ = std::make_unique<ImportFile>(fd, path);
}

ImportOutput::~ImportOutput()
{
    file_.reset();
    if (!named_.empty())
        ::unlink(named_.c_str());
    if (ownsThrough_)
        ::close(through_);
}

void ImportOutput::deliver()
{
    file_->flush();
    const int fd = file_->fd();
    const auto failed = [this](int error) {
        if (path_.empty())
            throw OutputFailed(error);
        throw OutputFailed(error, path_);
    };
    if (target_.empty()) {
        char chunk[1 << 16];
        for (off_t offset = 0;;) {
            const ssize_t n = ::pread(fd, chunk, sizeof chunk, offset);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                file_->fail(errno);
            if (n == 0)
                break;
            if (const int error = writeAll(through_, std::string_view(chunk, std::size_t(n))))
                failed(error);
            offset += n;
        }
        if (ownsThrough_) {
            const int done = ::close(std::exchange(through_, -1));
            ownsThrough_ = false;
            if (done != 0 && errno != EINTR)
                failed(errno);
        }
        return;
    }
    if (::fchmod(fd, permissionsFor(target_)) != 0 || ::fsync(fd) != 0)
        failed(errno);
    // Renamed over the target under the folder's lock, which every writer of the program's
    // files holds for its replacement.
    FileReplacement lock(target_);
    std::string temp = named_;
    if (temp.empty()) {
        char procPath[64];
        std::snprintf(procPath, sizeof procPath, "/proc/self/fd/%d", fd);
        for (unsigned attempt = 0; temp.empty() && attempt < 100; ++attempt) {
            char name[48];
            std::snprintf(name, sizeof name, "/.tavir-import-%ld-%u.tmp",
                          static_cast<long>(::getpid()), attempt);
            const std::string candidate = folderOf(target_) + name;
            if (::linkat(AT_FDCWD, procPath, AT_FDCWD, candidate.c_str(), AT_SYMLINK_FOLLOW) == 0 ||
                (errno != EEXIST &&
                 ::linkat(fd, "", AT_FDCWD, candidate.c_str(), AT_EMPTY_PATH) == 0))
                temp = candidate;
            else if (errno != EEXIST)
                failed(errno);
        }
        if (temp.empty())
            failed(EEXIST);
        named_ = temp; // removed again should the rename fail
    }
    if (::rename(temp.c_str(), target_.c_str()) != 0)
        failed(errno);
    named_.clear();
}

} // namespace tavir::cli

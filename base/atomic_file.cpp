#include "base/atomic_file.h"

#include "base/file_io.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace tavir {

namespace {

// The file whose record lock is the folder's write lock.
constexpr const char* kLockName = ".tavir-write.lock";

// The name a locked writer links its data under just before the rename. Only the holder of
// the folder's lock uses it, so one fixed name serves every file of the folder, and one left
// by a writer killed between link and rename is taken over by the next write.
constexpr const char* kLockedTempName = ".tavir-write.tmp";

// What the new file takes over from the one it replaces.
struct Kept
{
    mode_t mode = 0;
    bool owned = false; // an existing file, whose owner and group the new one gets
    uid_t owner = 0;
    gid_t group = 0;
};

Kept keptFrom(const std::string& path)
{
    struct stat existing
    {
    };
    if (::stat(path.c_str(), &existing) == 0)
        return {static_cast<mode_t>(existing.st_mode & 07777), true, existing.st_uid,
                existing.st_gid};
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return {static_cast<mode_t>(0666 & ~mask)};
}

// Gives a file its owner and group: root may always, anyone else only a group of their own.
// False when not allowed; the file then stays the writer's.
bool giveTo(int fd, uid_t owner, gid_t group)
{
    return ::fchown(fd, owner, group) == 0 || ::fchown(fd, static_cast<uid_t>(-1), group) == 0;
}

// The new file gets the old one's owner and group, where the writer may give them.
void keepOwner(int fd, const Kept& kept)
{
    struct stat made
    {
    };
    if (kept.owned && ::fstat(fd, &made) == 0 &&
        (made.st_uid != kept.owner || made.st_gid != kept.group))
        (void)giveTo(fd, kept.owner, kept.group);
}

std::string nameOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Writes the content with `fill`, then gives the file what it keeps of the old one and puts it
// on the disk. False with errno set when any of it failed.
bool fillAndSync(int fd, FunctionRef<bool(int)> fill, const Kept& kept)
{
    errno = 0;
    if (!fill(fd)) {
        if (errno == 0)
            errno = EIO;
        return false;
    }
    // The owner before the mode: a change of owner may clear the set-ID bits.
    keepOwner(fd, kept);
    return ::fchmod(fd, kept.mode) == 0 && ::fsync(fd) == 0;
}

// A short name for a writer without the lock; it must not exist yet.
std::string unlockedTempName(unsigned attempt)
{
    char name[40];
    std::snprintf(name, sizeof name, ".tavir-%ld-%u.tmp", static_cast<long>(::getpid()), attempt);
    return name;
}

// Gives the unnamed file `fd` the name `name` in the folder.
bool linkUnnamed(int fd, int folderFd, const char* name)
{
    char procPath[64];
    std::snprintf(procPath, sizeof procPath, "/proc/self/fd/%d", fd);
    if (::linkat(AT_FDCWD, procPath, folderFd, name, AT_SYMLINK_FOLLOW) == 0)
        return true;
    if (errno == EEXIST)
        return false;
    // Without /proc, only a privileged process may link a descriptor directly.
    return ::linkat(fd, "", folderFd, name, AT_EMPTY_PATH) == 0;
}

} // namespace

std::string finalTarget(const std::string& path)
{
    std::string current = path;
    // The kernel's own limit on links followed in one lookup.
    for (int hop = 0; hop < 40; ++hop) {
        struct stat info
        {
        };
        if (::lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
            return current;
        std::string link(PATH_MAX, '\0');
        const ssize_t n = ::readlink(current.c_str(), link.data(), link.size());
        if (n <= 0 || static_cast<std::size_t>(n) >= link.size())
            return current;
        link.resize(static_cast<std::size_t>(n));
        current = link.front() == '/' ? link : folderOf(current) + "/" + link;
    }
    return path;
}

FileReplacement::FileReplacement(const std::string& path)
    : target_(finalTarget(path)), folder_(folderOf(target_))
{
    // A folder we may enter but not list still takes the file.
    folderFd_ = ::open(folder_.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (folderFd_ >= 0)
        takeLock();
    else
        folderError_ = errno;
}

void FileReplacement::takeLock()
{
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline =
        Clock::now() + std::chrono::milliseconds(kLockWaitMilliseconds);
    Clock::duration pause = std::chrono::milliseconds(1);
    for (;;) {
        // Mode 0600: a lock file others could open would let them take the lock.
        const int fd = ::openat(folderFd_, kLockName,
                                O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
        if (fd < 0 && errno == EINTR)
            continue;
        struct stat opened
        {
        };
        if (fd < 0 || ::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
            if (fd >= 0)
                ::close(fd);
            lock_ = Lock::Unavailable;
            return;
        }
        // One made by root in someone else's folder is theirs, so their own writes can lock it
        // should root be killed while it holds it.
        struct stat folder
        {
        };
        if (::geteuid() == 0 && ::fstat(folderFd_, &folder) == 0 && opened.st_uid != folder.st_uid)
            (void)giveTo(fd, folder.st_uid, folder.st_gid);

        struct flock whole
        {
        };
        whole.l_type = F_WRLCK;
        whole.l_whence = SEEK_SET;
        while (::fcntl(fd, F_OFD_SETLK, &whole) != 0) {
            const bool busy = errno == EAGAIN || errno == EACCES || errno == EINTR;
            const Clock::time_point now = Clock::now();
            if (!busy || now >= deadline) {
                ::close(fd);
                lock_ = busy ? Lock::TimedOut : Lock::Unavailable; // no record locks here
                return;
            }
            std::this_thread::sleep_for(std::min(pause, deadline - now));
            pause = std::min<Clock::duration>(pause * 2, std::chrono::milliseconds(50));
        }
        // The holder before us removes the file as it lets go; then the lock is the new file's.
        struct stat named
        {
        };
        if (::fstatat(folderFd_, kLockName, &named, AT_SYMLINK_NOFOLLOW) == 0 &&
            named.st_dev == opened.st_dev && named.st_ino == opened.st_ino) {
            lockFd_ = fd;
            lock_ = Lock::Held;
            return;
        }
        ::close(fd);
        if (Clock::now() >= deadline) {
            lock_ = Lock::TimedOut;
            return;
        }
    }
}

FileReplacement::~FileReplacement()
{
    if (lockFd_ >= 0) {
        // Removed while still held, so the next writer locks a file that stays.
        ::unlinkat(folderFd_, kLockName, 0);
        ::close(lockFd_);
    }
    if (folderFd_ >= 0)
        ::close(folderFd_);
}

bool FileReplacement::fail(int error)
{
    error_ = error;
    return false;
}

bool FileReplacement::replace(std::string_view bytes)
{
    return replace([bytes](int fd) { return writeAll(fd, bytes); });
}

bool FileReplacement::replace(FunctionRef<bool(int fd)> fill)
{
    error_ = 0;
    if (folderFd_ < 0)
        return fail(folderError_);
    if (lock_ == Lock::TimedOut)
        return fail(EAGAIN);
    const bool locked = lock_ == Lock::Held;
    // Links that never reach a file (a loop) are not replaced by one.
    struct stat info
    {
    };
    if (::lstat(target_.c_str(), &info) == 0 && S_ISLNK(info.st_mode))
        return fail(ELOOP);
    // A target we may not write stays as it is, even where the folder would allow a rename.
    if (::access(target_.c_str(), F_OK) == 0 && ::access(target_.c_str(), W_OK) != 0)
        return fail(errno);
    const Kept kept = keptFrom(target_);
    const std::string name = nameOf(target_);

    std::string temp;
    bool written = false;
    const int unnamed = ::openat(folderFd_, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (unnamed >= 0) {
        bool filled = fillAndSync(unnamed, fill, kept);
        int why = filled ? 0 : errno;
        if (filled && locked) {
            temp = kLockedTempName;
            written = linkUnnamed(unnamed, folderFd_, temp.c_str());
            if (!written && errno == EEXIST && ::unlinkat(folderFd_, temp.c_str(), 0) == 0)
                written = linkUnnamed(unnamed, folderFd_, temp.c_str());
        } else if (filled) {
            for (unsigned attempt = 0; !written && attempt < 100; ++attempt) {
                temp = unlockedTempName(attempt);
                written = linkUnnamed(unnamed, folderFd_, temp.c_str());
                if (!written && errno != EEXIST)
                    break;
            }
        }
        if (::close(unnamed) != 0 && filled) {
            filled = false;
            why = errno;
        }
        // Data that did not reach the disk fails the write; a file that could not be given a
        // name (no /proc, no privilege to link a descriptor) is written again under a name.
        if (!filled) {
            if (written)
                ::unlinkat(folderFd_, temp.c_str(), 0);
            return fail(why);
        }
    } else if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
        return fail(errno);
    }

    if (!written) {
        // The file system keeps no unnamed files, or could not name one: a named one instead.
        int fd = -1;
        for (unsigned attempt = 0; fd < 0 && attempt < 100; ++attempt) {
            temp = locked ? std::string(kLockedTempName) : unlockedTempName(attempt);
            if (locked) // what a killed writer left there
                ::unlinkat(folderFd_, temp.c_str(), 0);
            fd = ::openat(folderFd_, temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
            if (fd < 0 && (locked || errno != EEXIST))
                return fail(errno);
        }
        if (fd < 0)
            return fail(EEXIST);
        bool ok = fillAndSync(fd, fill, kept);
        int why = ok ? 0 : errno;
        if (::close(fd) != 0 && ok) {
            ok = false;
            why = errno;
        }
        if (!ok) {
            ::unlinkat(folderFd_, temp.c_str(), 0);
            return fail(why);
        }
    }

    if (::renameat(folderFd_, temp.c_str(), folderFd_, name.c_str()) == 0)
        return true;
    const int why = errno;
    ::unlinkat(folderFd_, temp.c_str(), 0);
    return fail(why);
}

bool replaceFileContents(const std::string& path, std::string_view bytes)
{
    FileReplacement replacement(path);
    return replacement.replace(bytes);
}

} // namespace tavir

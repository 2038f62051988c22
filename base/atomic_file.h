#pragma once

#include "base/function_ref.h"

#include <string>
#include <string_view>

namespace tavir {

// The file a write to `path` lands on: symbolic links followed, each hop relative to the
// folder of its link, to their final target (which need not exist yet). `path` itself when
// it is no link, or when the links go round in a loop.
std::string finalTarget(const std::string& path);

// One read-modify-replace of a file. It follows symbolic links to the final target and holds
// the write lock of the folder that holds it until it is destroyed; every writer through here
// serialises on that lock. The lock is a record lock on the lock file ".tavir-write.lock" in the
// folder, which only its owner may open (mode 0600), so no one who can merely read the folder
// can take it; the holder removes the file as it lets go, and one left by a writer killed while
// it held the lock is taken over by the next. A writer waits for the lock a few seconds at most
// (kLockWaitMilliseconds); past that its replace() fails. Where no lock file can be made or opened
// (a folder of someone else's that lets us write the file), the write goes ahead without the lock.
class FileReplacement
{
public:
    explicit FileReplacement(const std::string& path);
    ~FileReplacement();
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    // The file actually replaced: `path` with its links followed.
    const std::string& target() const { return target_; }

    // Replaces the target's whole content with what `fill` writes to the descriptor it is given,
    // a new file open for writing at its start; `fill` returns false, errno set, when it could
    // not write it all, and it must not throw. The content goes to an unnamed file in the
    // target's folder (O_TMPFILE), which is linked under a short temporary name and renamed over
    // the target, so the target is never left emptied or half-written and a crash leaves no
    // named file behind. Where the file system refuses unnamed files, or one cannot be given a
    // name, a named temporary file stands in, and `fill` may then be called a second time, for
    // a file of its own. An existing target keeps its permissions, and its owner and group where
    // we may give them (always as root); a hard link to it is split; links that never reach a
    // file (a loop) are not replaced. Fails without writing when the lock was not had in time.
    // On failure the target is untouched, false is returned and error() tells why; callers
    // raise their own message.
    [[nodiscard]] bool replace(FunctionRef<bool(int fd)> fill);
    // The same with `bytes` as the content.
    [[nodiscard]] bool replace(std::string_view bytes);

    // Why the last replace() failed: the errno of the step that failed; EAGAIN when another
    // writer held the folder's lock past the wait, ELOOP for links in a loop.
    int error() const { return error_; }

    // How long a writer waits for another to let go of the lock.
    static constexpr int kLockWaitMilliseconds = 5000;

private:
    enum class Lock
    {
        Held,
        Unavailable, // no lock file to be had: the write goes ahead without the lock
        TimedOut,    // held by another past the wait: the write fails
    };

    void takeLock();
    bool fail(int error);

    std::string target_;
    std::string folder_;
    int folderFd_ = -1;
    int folderError_ = 0; // why the folder could not be opened
    int lockFd_ = -1;
    Lock lock_ = Lock::Unavailable;
    int error_ = 0;
};

// One replacement of a whole file, with the lock held just for the write.
[[nodiscard]] bool replaceFileContents(const std::string& path, std::string_view bytes);

} // namespace tavir

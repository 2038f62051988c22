#pragma once

#include "base/function_ref.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace tavir {

// An open file descriptor, closed once when it is dropped. Move-only: the descriptor it was
// moved from holds none.
class FileDescriptor
{
public:
    FileDescriptor() = default;
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor();
    FileDescriptor(FileDescriptor&& other) noexcept;
    FileDescriptor& operator=(FileDescriptor&& other) noexcept;
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    // Hands the descriptor over without closing it; this one then holds none.
    int release();

private:
    int fd_ = -1;
};

// A file opened for reading, with its size when it was opened.
struct OpenFile
{
    FileDescriptor fd; // not valid() when it could not be opened
    std::size_t size = 0;
    int error = 0; // errno of the failure, 0 when open
};

// Opens a file for reading, never waiting (a FIFO would block until a writer came), and only
// when it is a regular file: a FIFO, a device or a folder is refused like a missing file, with
// the error EINVAL. A failure also leaves its error in errno. Reads from the file then wait for
// the disk as usual.
OpenFile openRegularFile(const std::string& path);

// Reads up to `room` bytes, again whenever a signal interrupts the read: the count read, 0 at
// the end of the file, -1 with errno set on an error.
ssize_t readSome(int fd, char* into, std::size_t room);

// Writes all of `bytes`, going on after a short write or an interrupted one. False with errno
// set when a write fails (EIO when it wrote nothing).
bool writeAll(int fd, std::string_view bytes);

// The folder that holds `path`: "." for a bare name, "/" for a name in the root.
std::string folderOf(const std::string& path);

// Why a whole file was not read.
enum class FileFault
{
    None,
    CannotOpen, // missing, no regular file, not allowed (see openRegularFile)
    TooLarge,   // larger than the caller takes; error is EFBIG
    ReadFailed, // a read failed; error is its errno
};

// A maxSize that takes a file of any size.
inline constexpr std::size_t kNoSizeLimit = SIZE_MAX;

// Where a whole-file read puts the bytes: called with the capacity wanted and the count of bytes
// read so far, it returns storage of at least that capacity that begins with those bytes.
using ReadStorage = FunctionRef<char*(std::size_t capacity, std::size_t filled)>;

// The outcome of a whole-file read into storage of the caller's.
struct FileRead
{
    std::size_t size = 0; // the bytes read, when ok()
    FileFault fault = FileFault::None;
    int error = 0; // errno of the failure, 0 when read
    bool ok() const { return fault == FileFault::None; }
};

// Reads a whole regular file (opened as openRegularFile does) of at most `maxSize` bytes. A file
// whose size is over the cap is not read at all; one that grows past it while it is read is
// refused after at most one byte past the cap, the byte that shows it. A file that grows or
// shrinks within the cap is read to its end as it is then. Storage is asked for once for the
// size the file had when opened, plus one byte that lets the read see the end, and again only
// when the file grew.
FileRead readRegularFile(const std::string& path, std::size_t maxSize, ReadStorage storage);

// The bytes of a whole file, or why they could not be read.
struct FileBytes
{
    std::string bytes; // empty unless ok()
    FileFault fault = FileFault::None;
    int error = 0;
    bool ok() const { return fault == FileFault::None; }
};

// The same read into a string.
FileBytes readRegularFile(const std::string& path, std::size_t maxSize);

} // namespace tavir

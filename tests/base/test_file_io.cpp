#include "base/file_io.h"
#include "tests/support/deadline.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

namespace fs = std::filesystem;
using tavir::FileDescriptor;
using tavir::FileFault;
using tavir::test::TempDir;

void append(const std::string& path, const std::string& more)
{
    std::ofstream(path, std::ios::binary | std::ios::app) << more;
}

struct Case
{
    const char* name;
    std::string (*make)(const TempDir& dir); // returns the path to read
    std::size_t maxSize;
    FileFault fault;
    int error;
    std::string bytes;
    void (*meanwhile)(const std::string& path) = nullptr; // done between the open and the read
};

const Case kCases[] = {
    {"missing", [](const TempDir& dir) { return dir.file("missing"); }, 64, FileFault::CannotOpen,
     ENOENT, ""},
    {"folder",
     [](const TempDir& dir) {
         fs::create_directory(dir.file("folder"));
         return dir.file("folder");
     },
     64, FileFault::CannotOpen, EINVAL, ""},
    {"FIFO",
     [](const TempDir& dir) {
         EXPECT_EQ(::mkfifo(dir.file("fifo").c_str(), 0600), 0);
         return dir.file("fifo");
     },
     64, FileFault::CannotOpen, EINVAL, ""},
    {"empty", [](const TempDir& dir) { return dir.write("empty", ""); }, 64, FileFault::None, 0,
     ""},
    {"bytes as they stand",
     [](const TempDir& dir) {
         return dir.write("normal", std::string("Ala\r\nma\0\x80\xFF\n", 11));
     },
     64, FileFault::None, 0, std::string("Ala\r\nma\0\x80\xFF\n", 11)},
    {"exactly the cap", [](const TempDir& dir) { return dir.write("cap", "12345678"); }, 8,
     FileFault::None, 0, "12345678"},
    {"over the cap", [](const TempDir& dir) { return dir.write("over", "123456789"); }, 8,
     FileFault::TooLarge, EFBIG, ""},
    {"grows within the cap", [](const TempDir& dir) { return dir.write("grows", "abc"); }, 8,
     FileFault::None, 0, "abcdefg", [](const std::string& path) { append(path, "defg"); }},
    {"grows past the cap", [](const TempDir& dir) { return dir.write("grows", "abc"); }, 8,
     FileFault::TooLarge, EFBIG, "", [](const std::string& path) { append(path, "defghi"); }},
    {"shrinks", [](const TempDir& dir) { return dir.write("shrinks", "abcdef"); }, 8,
     FileFault::None, 0, "ab", [](const std::string& path) { fs::resize_file(path, 2); }},
};

TEST(FileIo, ReadsOnlyRegularFilesWithinTheCap)
{
    const tavir::test::Deadline deadline(20); // a FIFO opened to wait for a writer ends it here
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        const TempDir dir;
        const std::string path = c.make(dir);

        // Storage is asked for as the read goes; the change, if any, is made at the first ask.
        std::string storage;
        std::size_t largest = 0;
        const tavir::FileRead read =
            tavir::readRegularFile(path, c.maxSize, [&](std::size_t capacity, std::size_t filled) {
                if (largest == 0 && c.meanwhile)
                    c.meanwhile(path);
                EXPECT_GE(capacity, std::max(largest, filled));
                largest = capacity;
                storage.resize(capacity);
                return storage.data();
            });
        EXPECT_EQ(read.fault, c.fault);
        EXPECT_EQ(read.error, c.error);
        EXPECT_EQ(read.ok() ? storage.substr(0, read.size) : "", c.bytes);
        EXPECT_LE(largest, c.maxSize + 1) << "read more than one byte past the cap";
        if (c.meanwhile)
            continue;

        const tavir::FileBytes file = tavir::readRegularFile(path, c.maxSize);
        EXPECT_EQ(file.fault, c.fault);
        EXPECT_EQ(file.error, c.error);
        EXPECT_EQ(file.bytes, c.bytes);

        errno = 0;
        const tavir::OpenFile opened = tavir::openRegularFile(path);
        const int error = errno;
        EXPECT_EQ(opened.fd.valid(), c.fault != FileFault::CannotOpen);
        if (opened.fd.valid()) {
            EXPECT_EQ(opened.size, fs::file_size(path));
            EXPECT_EQ(::fcntl(opened.fd.get(), F_GETFL) & O_NONBLOCK, 0) << "reads would not wait";
        } else {
            EXPECT_EQ(opened.error, c.error);
            EXPECT_EQ(error, c.error);
        }
    }
}

// The descriptor is closed once, by whichever object holds it last.
TEST(FileIo, AMovedFromDescriptorClosesNothing)
{
    int ends[2] = {-1, -1};
    ASSERT_EQ(::pipe2(ends, O_CLOEXEC | O_NONBLOCK), 0);
    FileDescriptor reading(ends[0]);
    {
        FileDescriptor writing(ends[1]);
        FileDescriptor holder(std::move(writing));
        EXPECT_FALSE(writing.valid());
        EXPECT_EQ(holder.get(), ends[1]);
        EXPECT_EQ(::write(holder.get(), "x", 1), 1);
        FileDescriptor last;
        last = std::move(holder);
        EXPECT_FALSE(holder.valid());
        EXPECT_EQ(last.get(), ends[1]);
    }
    char byte = 0;
    EXPECT_EQ(::read(reading.get(), &byte, 1), 1);
    EXPECT_EQ(::read(reading.get(), &byte, 1), 0) << "the writing end is closed";

    const int released = reading.release();
    EXPECT_FALSE(reading.valid());
    EXPECT_EQ(::close(released), 0) << "release() must not close";
}

} // namespace

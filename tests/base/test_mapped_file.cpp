#include "base/mapped_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

using tavir::MappedFile;

class MappedFileTest : public testing::Test
{
protected:
    void SetUp() override
    {
        path_ = std::filesystem::temp_directory_path() /
                ("tavir-mapped-" + std::to_string(::getpid()) + ".txt");
        fd_ = ::open(path_.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
        ASSERT_GE(fd_, 0);
    }
    void TearDown() override
    {
        ::close(fd_);
        std::filesystem::remove(path_);
    }
    void write(const std::string& text)
    {
        ASSERT_EQ(::pwrite(fd_, text.data(), text.size(), 0), static_cast<ssize_t>(text.size()));
    }

    std::filesystem::path path_;
    int fd_ = -1;
};

TEST_F(MappedFileTest, ReadsTheFileAndGivesPagesBack)
{
    const std::size_t page = MappedFile::pageSize();
    std::string text(3 * page + 17, 'a');
    text[2 * page] = 'b';
    write(text);
    MappedFile file(fd_, text.size());
    ASSERT_TRUE(file.valid());
    EXPECT_TRUE(file.populate(0, text.size()));
    EXPECT_EQ(std::string(file.data(), file.size()), text);
    file.release(0, 2 * page + 5); // given back pages are read again from the file
    EXPECT_EQ(file.data()[2 * page], 'b');
    EXPECT_EQ(std::string(file.data(), file.size()), text);
    EXPECT_FALSE(file.cut());
    EXPECT_FALSE(MappedFile(fd_, 0).valid());
}

// Another program shortens the file while it is mapped: the lost pages read as zero bytes,
// where an unguarded read would end the process with SIGBUS.
TEST_F(MappedFileTest, AFileShortenedUnderItReadsAsZerosPastItsEnd)
{
    const std::size_t page = MappedFile::pageSize();
    const std::string text(4 * page, 'q');
    write(text);
    MappedFile file(fd_, text.size());
    ASSERT_TRUE(file.valid());
    ASSERT_TRUE(file.populate(0, text.size()));
    ASSERT_EQ(::ftruncate(fd_, static_cast<off_t>(page + 10)), 0);

    EXPECT_EQ(file.data()[page + 9], 'q');
    EXPECT_EQ(file.data()[page + 10], '\0'); // the rest of the last page: zeros from the system
    EXPECT_FALSE(file.cut());
    EXPECT_EQ(file.data()[3 * page + 1], '\0'); // a page past the end: zeros from the guard
    EXPECT_TRUE(file.cut());
    EXPECT_EQ(file.data()[2 * page], '\0');
    EXPECT_FALSE(file.populate(0, text.size()));

    // The guard is the mapping's own: a second mapping of the short file starts uncut.
    MappedFile other(fd_, page + 10);
    ASSERT_TRUE(other.valid());
    EXPECT_FALSE(other.cut());
    MappedFile moved(std::move(file));
    EXPECT_TRUE(moved.cut());
    EXPECT_FALSE(file.valid());
}

} // namespace

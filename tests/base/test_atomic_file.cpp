// The atomic writer against links and long names.
#include "base/atomic_file.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace fs = std::filesystem;
using tavir::test::TempDir;

namespace {

TEST(AtomicFile, WritesThroughSymbolicLinks)
{
    TempDir dir;
    const std::string shared = dir.write("shared/real.ini", "old\r\n");
    fs::create_directories(dir.file("a/b"));
    // An absolute link to a relative one, which points up and over to the file.
    fs::create_symlink("../../shared/real.ini", dir.file("a/b/relative.ini"));
    fs::create_symlink(dir.file("a/b/relative.ini"), dir.file("link.ini"));

    EXPECT_EQ(tavir::finalTarget(dir.file("link.ini")), dir.file("a/b/../../shared/real.ini"));
    ASSERT_TRUE(tavir::replaceFileContents(dir.file("link.ini"), "new\r\n"));
    EXPECT_TRUE(fs::is_symlink(dir.file("link.ini")));
    EXPECT_TRUE(fs::is_symlink(dir.file("a/b/relative.ini")));
    EXPECT_EQ(TempDir::read(shared), "new\r\n");
    // The data went beside the target, and nothing was left there or beside the links.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.file("shared")), fs::directory_iterator()),
              1);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.file("a/b")), fs::directory_iterator()), 1);
    EXPECT_EQ(dir.entryCount(), 3u);

    // A link to a file not there yet creates the file and keeps the link.
    fs::create_symlink("later.ini", dir.file("dangling.ini"));
    ASSERT_TRUE(tavir::replaceFileContents(dir.file("dangling.ini"), "made"));
    EXPECT_TRUE(fs::is_symlink(dir.file("dangling.ini")));
    EXPECT_EQ(TempDir::read(dir.file("later.ini")), "made");

    // Links in a loop lead nowhere: the write fails rather than replacing a link.
    fs::create_symlink("loop2", dir.file("loop1"));
    fs::create_symlink("loop1", dir.file("loop2"));
    EXPECT_EQ(tavir::finalTarget(dir.file("loop1")), dir.file("loop1"));
    EXPECT_FALSE(tavir::replaceFileContents(dir.file("loop1"), "lost"));
    EXPECT_TRUE(fs::is_symlink(dir.file("loop1")));
}

TEST(AtomicFile, SplitsAHardLinkAndKeepsPermissions)
{
    TempDir dir;
    const std::string file = dir.write("a.ini", "old");
    fs::create_hard_link(file, dir.file("b.ini"));
    fs::permissions(file, static_cast<fs::perms>(0640));
    ASSERT_TRUE(tavir::replaceFileContents(file, "new"));
    EXPECT_EQ(TempDir::read(file), "new");
    EXPECT_EQ(TempDir::read(dir.file("b.ini")), "old");
    EXPECT_EQ(static_cast<int>(fs::status(file).permissions()), 0640);
    EXPECT_EQ(dir.entryCount(), 2u);
}

// Every name the file system takes must save, the longest included.
TEST(AtomicFile, NamesUpToTheLongestSave)
{
    TempDir dir;
    for (const std::size_t length : {10u, 248u, 249u, 254u, 255u}) {
        const std::string path = dir.file(std::string(length - 5, 'n') + ".html");
        EXPECT_TRUE(tavir::replaceFileContents(path, "page")) << length;
        EXPECT_EQ(TempDir::read(path), "page") << length;
        EXPECT_TRUE(tavir::replaceFileContents(path, "again")) << length;
        EXPECT_EQ(TempDir::read(path), "again") << length;
    }
    EXPECT_EQ(dir.entryCount(), 5u);
}

} // namespace

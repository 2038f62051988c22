// The atomic writer against links and long names.
#include "base/atomic_file.h"
#include "tests/support/deadline.h"
#include "tests/support/lock_holder.h"
#include "tests/support/temp_dir.h"
#include "tests/support/unprivileged.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/prctl.h>
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

// Another user, who may read the folder but write nothing in it, in a child process that takes
// every lock it can get on the folder and on each entry of it, and holds them until the end.
class Stranger : public tavir::test::HeldChild
{
public:
    explicit Stranger(const std::string& folder)
        : HeldChild([&](auto hold) {
              using tavir::test::kNobody;
              if (::geteuid() != 0 || ::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 ||
                  ::setuid(kNobody) != 0)
                  hold(-1);
              hold(lockAll(folder));
          })
    {
    }

    // The locks it holds; -1 when it could not become another user.
    int locksTaken() const { return reported(); }

private:
    static bool lockOne(int fd, short type)
    {
        struct flock range
        {
        };
        range.l_type = type;
        range.l_whence = SEEK_SET;
        return ::flock(fd, LOCK_EX | LOCK_NB) == 0 || ::fcntl(fd, F_OFD_SETLK, &range) == 0;
    }
    static int lockAll(const std::string& folder)
    {
        const int folderFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
        if (folderFd < 0)
            return 0;
        int taken = lockOne(folderFd, F_RDLCK) ? 1 : 0;
        DIR* entries = ::fdopendir(::dup(folderFd));
        while (const dirent* entry = entries ? ::readdir(entries) : nullptr) {
            const std::string name = entry->d_name;
            if (name == "." || name == "..")
                continue;
            for (const auto& [flags, type] : {std::pair{O_RDWR, F_WRLCK}, {O_RDONLY, F_RDLCK}}) {
                const int fd = ::openat(folderFd, name.c_str(), flags | O_NONBLOCK);
                if (fd >= 0 && lockOne(fd, static_cast<short>(type)))
                    ++taken;
            }
        }
        if (entries)
            ::closedir(entries);
        return taken;
    }
};

// The lock that keeps writers apart is no one else's to take: another user who can read the
// folder holds up no write, not even beside what a writer killed while it wrote left there.
TEST(AtomicFile, AnotherUserWhoCanReadTheFolderHoldsUpNoWrite)
{
    TempDir dir;
    fs::permissions(dir.path(), static_cast<fs::perms>(0755));
    const std::string file = dir.write("konfiguracja.ini", "old");
    const tavir::test::Deadline deadline(30);
    tavir::test::LockHolder(file).kill();
    const Stranger stranger(dir.path().string());
    if (stranger.locksTaken() < 0)
        GTEST_SKIP() << "cannot run as another user";
    EXPECT_GE(stranger.locksTaken(), 1); // the folder's own
    ASSERT_TRUE(tavir::replaceFileContents(file, "new"));
    EXPECT_EQ(TempDir::read(file), "new");
}

// The file written keeps its owner and group when root writes it, so that its owner can still
// write it afterwards.
TEST(AtomicFile, AWriteAsRootKeepsTheOwner)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root may give a file to another user";
    TempDir dir;
    const std::string file = dir.write("a.ini", "old");
    ASSERT_EQ(::chown(file.c_str(), tavir::test::kNobody, tavir::test::kNobody + 1), 0);
    fs::permissions(file, static_cast<fs::perms>(0640));
    ASSERT_TRUE(tavir::replaceFileContents(file, "new"));
    struct stat info
    {
    };
    ASSERT_EQ(::stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_uid, tavir::test::kNobody);
    EXPECT_EQ(info.st_gid, tavir::test::kNobody + 1);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_EQ(TempDir::read(file), "new");
}

} // namespace

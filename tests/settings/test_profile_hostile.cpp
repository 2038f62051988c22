// The settings store against what is no settings file, links, concurrent writers and crashes.
#include "base/errors.h"
#include "settings/profile.h"
#include "tests/support/deadline.h"
#include "tests/support/lock_holder.h"
#include "tests/support/temp_dir.h"
#include "tests/support/together.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <random>
#include <set>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using tavir::test::TempDir;
namespace profile = tavir::profile;

namespace {

using tavir::test::Deadline;

std::string writeOutcome(const std::string& path)
{
    try {
        profile::writeInteger(path, "MainFrm", "left", 7);
        return "written";
    } catch (const tavir::Error& error) {
        return error.what();
    }
}

TEST(ProfileHostile, WhatIsNoRegularFileReadsAsMissingAndStays)
{
    TempDir dir;
    const std::string fifo = dir.file("fifo.ini");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    const std::string zero = dir.file("zero.ini");
    fs::create_symlink("/dev/zero", zero);
    const Deadline deadline(20);
    for (const std::string& path : {fifo, zero, dir.path().string()}) {
        EXPECT_EQ(profile::readString(path, "MainFrm", "left", "fallback"), "fallback") << path;
        EXPECT_EQ(writeOutcome(path), "Unable to write to " + path) << path;
    }
    EXPECT_TRUE(fs::is_fifo(fifo));
    EXPECT_TRUE(fs::is_symlink(zero));
    EXPECT_EQ(dir.entryCount(), 2u);
}

TEST(ProfileHostile, AFileLargerThanAnySettingsFileIsNeitherReadNorReplaced)
{
    TempDir dir;
    const std::string head = "[MainFrm]\r\nleft=5\r\n";
    const std::string big =
        dir.write("big.ini", head + std::string((16u << 20) - head.size() + 1, ' '));
    const std::string limit =
        dir.write("limit.ini", head + std::string((16u << 20) - head.size(), ' '));
    EXPECT_EQ(profile::readInteger(big, "MainFrm", "left", -1), -1);
    EXPECT_EQ(writeOutcome(big), "Unable to write to " + big);
    EXPECT_EQ(fs::file_size(big), (16u << 20) + 1);
    EXPECT_EQ(profile::readInteger(limit, "MainFrm", "left", -1), 5);
    EXPECT_EQ(writeOutcome(limit), "written");
    EXPECT_EQ(profile::readInteger(limit, "MainFrm", "left", -1), 7);
}

TEST(ProfileHostile, LeadingByteOrderMarkIsSkippedAndKept)
{
    TempDir dir;
    const std::string bom = "\xEF\xBB\xBF";
    const std::string path = dir.write("k.ini", bom + "[MainFrm]\r\nleft=5\r\ntop=6\r\n");
    EXPECT_EQ(profile::readInteger(path, "mainfrm", "left", -1), 5);
    profile::writeInteger(path, "MainFrm", "left", 9);
    profile::writeInteger(path, "MainFrm", "width", 3);
    EXPECT_EQ(TempDir::read(path), bom + "[MainFrm]\r\nleft=9\r\ntop=6\r\nwidth=3\r\n");
    // Only a mark at the very start is one.
    const std::string inside = dir.write("i.ini", "[A]\r\n" + bom + "[MainFrm]\r\nleft=5\r\n");
    EXPECT_EQ(profile::readInteger(inside, "MainFrm", "left", -1), -1);
}

TEST(ProfileHostile, BatchWritesTheBytesOfSingleWritesInOneReplace)
{
    TempDir dir;
    const std::string start = "; by hand\r\n[MainFrm]\r\nleft=1\r\n\r\n[Wyniki_font]\nface=Arial\n";
    struct Edit
    {
        const char* section;
        const char* key;
        const char* value;
    };
    const std::vector<Edit> edits = {
        {"MainFrm", "left", "206"},         {"MainFrm", "top", "138"},
        {"mainfrm", "LEFT", "207"},         {"konfiguracja", "Wyniki-height", "118"},
        {"Wyniki_font", "face", "MS Sans"}, {"Wyniki_font", "size", "8\r\nx=1"},
        {"LOOpa_font", "color", "-2"},      {"MainFrm", "window_state", "0"},
    };
    for (const bool fromNothing : {false, true}) {
        const std::string one = dir.file(fromNothing ? "one-new.ini" : "one.ini");
        const std::string batched = dir.file(fromNothing ? "batch-new.ini" : "batch.ini");
        if (!fromNothing) {
            dir.write("one.ini", start);
            dir.write("batch.ini", start);
        }
        profile::Batch batch(batched);
        for (const Edit& edit : edits) {
            profile::writeString(one, edit.section, edit.key, edit.value);
            batch.writeString(edit.section, edit.key, edit.value);
        }
        EXPECT_EQ(fs::exists(batched), !fromNothing); // nothing before commit()
        batch.commit();
        EXPECT_EQ(TempDir::read(batched), TempDir::read(one));
    }
    // A batch that changes nothing leaves the very file in place.
    const std::string path = dir.file("batch.ini");
    struct stat before
    {
    };
    ASSERT_EQ(::stat(path.c_str(), &before), 0);
    profile::Batch same(path);
    same.writeString("MainFrm", "left", "207");
    same.commit();
    struct stat after
    {
    };
    ASSERT_EQ(::stat(path.c_str(), &after), 0);
    EXPECT_EQ(before.st_ino, after.st_ino);
}

TEST(ProfileHostile, WritesGoThroughASymlinkedSettingsFile)
{
    TempDir dir;
    const std::string shared = dir.write("shared/common.ini", "[MainFrm]\r\nleft=1\r\n");
    fs::create_directories(dir.file("dane"));
    fs::create_symlink("../shared/common.ini", dir.file("dane/konfiguracja.ini"));
    profile::Batch batch(dir.file("dane/konfiguracja.ini"));
    batch.writeInteger("MainFrm", "left", 2);
    batch.writeInteger("MainFrm", "top", 3);
    batch.commit();
    EXPECT_TRUE(fs::is_symlink(dir.file("dane/konfiguracja.ini")));
    EXPECT_EQ(TempDir::read(shared), "[MainFrm]\r\nleft=2\r\ntop=3\r\n");
    EXPECT_EQ(profile::readInteger(dir.file("dane/konfiguracja.ini"), "MainFrm", "top", 0), 3);
}

// A writer that holds the lock and never lets go (an instance hung while it wrote) is waited
// for a few seconds, not for ever: the write then fails as any other, and changes nothing.
// What a writer killed while it held the lock leaves is taken over by the next write.
TEST(ProfileHostile, ALockHeldTooLongFailsTheWriteAndLosesNothing)
{
    TempDir dir;
    const std::string old = "[MainFrm]\r\nleft=1\r\n";
    const std::string path = dir.write("konfiguracja.ini", old);
    const Deadline deadline(30);
    tavir::test::LockHolder holder(path);
    EXPECT_EQ(writeOutcome(path), "Unable to write to " + path);
    EXPECT_EQ(TempDir::read(path), old);
    holder.kill();
    EXPECT_EQ(writeOutcome(path), "written");
    EXPECT_EQ(profile::readInteger(path, "MainFrm", "left", -1), 7);
    EXPECT_EQ(dir.entryCount(), 1u);
}

pid_t forkOrFail()
{
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child < 0)
        ADD_FAILURE() << "fork failed";
    return child;
}

int waitFor(pid_t child)
{
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
}

// Two instances closing at once each write their keys one at a time into a file neither had.
TEST(ProfileHostile, TwoProcessesWritingTogetherKeepEveryKey)
{
    constexpr int kRounds = 25;
    constexpr int kKeys = 18;
    int lost = 0;
    for (int round = 0; round < kRounds; ++round) {
        TempDir dir;
        const std::string path = dir.file("konfiguracja.ini");
        ASSERT_TRUE(tavir::test::runTogether<2>([&](int instance) {
            for (int key = 0; key < kKeys; ++key)
                profile::writeInteger(path, "Instance" + std::to_string(instance),
                                      "key" + std::to_string(key), key);
        }));
        for (int instance = 0; instance < 2; ++instance)
            for (int key = 0; key < kKeys; ++key)
                if (profile::readInteger(path, "Instance" + std::to_string(instance),
                                         "key" + std::to_string(key), -1) != key)
                    ++lost;
        EXPECT_EQ(dir.entryCount(), 1u);
    }
    EXPECT_EQ(lost, 0);
}

// A writer killed at any moment leaves the old file or the new one, whole, and no file that
// nothing would ever remove.
TEST(ProfileHostile, KilledWritersLeaveAWholeFileAndNoStrayFile)
{
    constexpr int kKills = 60;
    TempDir dir;
    const std::string path = dir.file("konfiguracja.ini");
    std::set<std::string> versions;
    for (const char fill : {'a', 'b'}) {
        profile::Batch batch(path);
        batch.writeString("MainFrm", "left", "1");
        batch.writeString("Big", "value", std::string(std::size_t(1) << 20, fill));
        batch.writeString("MainFrm", "top", "2");
        batch.commit();
        versions.insert(TempDir::read(path));
    }
    ASSERT_EQ(versions.size(), 2u);

    // Kills fall anywhere in a few writes' time, the start of the child included.
    const auto begin = std::chrono::steady_clock::now();
    profile::writeString(path, "Big", "value", std::string(std::size_t(1) << 20, 'a'));
    profile::writeString(path, "Big", "value", std::string(std::size_t(1) << 20, 'b'));
    const auto twoWrites = std::chrono::duration_cast<std::chrono::microseconds>(
        std::chrono::steady_clock::now() - begin);
    std::mt19937 random(12345);
    std::uniform_int_distribution<long> delay(0, 2 * twoWrites.count() + 1000);
    int reclaimed = 0; // kills that fell between link and rename
    for (int kill = 0; kill < kKills; ++kill) {
        const pid_t child = forkOrFail();
        if (child == 0) {
            for (int i = 0;; ++i)
                profile::writeString(path, "Big", "value",
                                     std::string(std::size_t(1) << 20, i % 2 ? 'a' : 'b'));
        }
        ::usleep(static_cast<useconds_t>(delay(random)));
        ::kill(child, SIGKILL);
        const int status = waitFor(child);
        ASSERT_TRUE(WIFSIGNALED(status));
        EXPECT_EQ(versions.count(TempDir::read(path)), 1u) << "torn after kill " << kill;
        // At most the one short name a locked writer links its data under just before the
        // rename, and the lock file; the next write takes them over.
        for (const auto& entry : fs::directory_iterator(dir.path())) {
            const std::string name = entry.path().filename().string();
            if (name == ".tavir-write.tmp")
                ++reclaimed;
            else if (name != ".tavir-write.lock") {
                EXPECT_EQ(name, "konfiguracja.ini") << "after kill " << kill;
            }
        }
    }
    profile::writeString(path, "MainFrm", "left", "3");
    EXPECT_EQ(dir.entryCount(), 1u);
    RecordProperty("killedBetweenLinkAndRename", reclaimed);
}

} // namespace

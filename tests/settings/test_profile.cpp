#include "base/errors.h"
#include "settings/profile.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <random>
#include <sys/resource.h>
#include <sys/stat.h>

namespace profile = tavir::profile;
using tavir::test::TempDir;
using namespace std::literals;

namespace {

std::string readIn(const std::string& path, std::string_view section, std::string_view key)
{
    return profile::readString(path, section, key, "<default>");
}

void expectWriteFailure(const std::string& path, std::string_view value)
{
    try {
        profile::writeString(path, "MainFrm", "top", value);
        ADD_FAILURE() << "no error for " << path;
    } catch (const tavir::Error& error) {
        EXPECT_EQ(error.what(), "Unable to write to " + path);
    }
}

TEST(ProfileRead, NamesValuesAndWhichEntryCounts)
{
    TempDir dir;
    const auto ini =
        dir.write("a.ini", "top=before any section\r\n[ Main ] x ]\r\n  Left \t=  12 \r\n"
                           "LEFT=second\r\ndq=\"quoted\"\r\nsq='single'\r\nodd=\"half'\r\n"
                           "lone=\"\r\nempty=\r\n;comment=1\r\nno equals\r\n[broken=hdr\r\n"
                           "[main ] X ]\r\nother=second section\r\n");
    const std::pair<const char*, const char*> cases[] = {{"left", "12"},
                                                         {"dq", "quoted"},
                                                         {"sq", "single"},
                                                         {"odd", "\"half'"},
                                                         {"lone", "\""},
                                                         {"empty", ""},
                                                         {"[broken", "hdr"},
                                                         {"top", "<default>"},
                                                         {";comment", "<default>"},
                                                         {"no equals", "<default>"},
                                                         {"other", "<default>"}};
    for (const auto& [key, value] : cases)
        EXPECT_EQ(readIn(ini, "MAIN ] x", key), value) << key;
    EXPECT_EQ(readIn(ini, "missing", "left"), "<default>");
    EXPECT_EQ(readIn(dir.file("none/a.ini"), "Main ] x", "left"), "<default>");
    EXPECT_EQ(readIn(dir.path().string(), "x", "y"), "<default>"); // a folder, not a file

    const auto odd =
        dir.write("b.ini", "[s]\rk\0y=1\n\n\r\ncut=ab\0cd\r\n\xFF\x80=\x01\nlast= end"sv);
    EXPECT_EQ(readIn(odd, "s", "last"), "end");
    EXPECT_EQ(readIn(odd, "s", "cut"), "ab");
    EXPECT_EQ(readIn(odd, "s", "k\0y"sv), "1");
    profile::writeString(odd, "s", "long", std::string(3000, 'v'));
    EXPECT_EQ(readIn(odd, "s", "long"), std::string(2047, 'v'));
}

TEST(ProfileWrite, KeepsEveryOtherByte)
{
    TempDir dir;
    const auto ini = dir.write("a.ini", "; settings\r\n\r\n[One]\r\n  Key = old ; x\r\nb=2\r\n\r\n"
                                        "; note\r\n[Two]\nz=1\n\n[Three]\rq=1\r[Four]");
    profile::writeString(ini, "one", "KEY", "new");
    profile::writeString(ini, "ONE", "added", "1");
    profile::writeString(ini, "two", "z", "22");
    profile::writeString(ini, "two", "y", "2");
    profile::writeString(ini, "three", "q", "3");
    profile::writeString(ini, "four", "f", "4");
    profile::writeString(ini, "Five", "g", "5\r\n[One]\r\nKey=injected");
    EXPECT_EQ(TempDir::read(ini), "; settings\r\n\r\n[One]\r\nKey=new\r\nb=2\r\nadded=1\r\n\r\n"
                                  "; note\r\n[Two]\nz=22\ny=2\r\n\n[Three]\rq=3\r"
                                  "[Four]\r\nf=4\r\n[Five]\r\ng=5\r\n");

    const auto created = dir.file("new.ini");
    profile::writeString(created, "A", "k", "v");
    profile::writeString(created, "a", "empty", "");
    EXPECT_EQ(TempDir::read(created), "[A]\r\nk=v\r\nempty=\r\n");
    const auto noBreak = dir.write("nobreak.ini", "[A]\r\nk=v");
    profile::writeString(noBreak, "a", "j", "1");
    profile::writeString(noBreak, "c", "j", "1");
    EXPECT_EQ(TempDir::read(noBreak), "[A]\r\nk=v\r\nj=1\r\n[c]\r\nj=1\r\n");

    struct stat before = {}, after = {};
    ASSERT_EQ(::stat(ini.c_str(), &before), 0);
    profile::writeString(ini, "ONE", "key", "new");
    ASSERT_EQ(::stat(ini.c_str(), &after), 0);
    EXPECT_EQ(before.st_ino, after.st_ino); // any real write renames a new file into place
}

// Random files built from pieces that matter to the format: a write must read back, and
// every other value must read as before.
TEST(ProfileWrite, RandomFilesStayConsistent)
{
    TempDir dir;
    const std::string_view pieces[] = {
        "[s]", "[ S ]", "[b s]", "[ab", "]",  "k=1",      " K = '2' ", ";k=3", "s=", "kb=\"x\"",
        "a",   "=",     "\r\n",  "\n",  "\r", "\r\n\r\n", "\0"sv,      " ",    "\t", "\xE6"};
    const char* sections[] = {"s", "S", "a", "b s", "ab"}; // the first two name one section
    const char* keys[] = {"k", "K", "a", "s", "kb"};       // and so do these
    std::mt19937 random(20050818);
    for (int round = 0; round < 120; ++round) {
        std::string bytes;
        for (auto n = random() % 30; n > 0; --n)
            bytes += pieces[random() % std::size(pieces)];
        const auto ini = dir.write("r.ini", bytes);
        auto snapshot = [&] {
            std::vector<std::string> values;
            for (const char* s : sections)
                for (const char* k : keys)
                    values.push_back(readIn(ini, s, k));
            return values;
        };
        auto expected = snapshot();
        const std::size_t s = random() % 5, k = random() % 5;
        const std::string value = "v" + std::to_string(round);
        profile::writeString(ini, sections[s], keys[k], value);
        for (std::size_t i = 0; i < 5; ++i)
            for (std::size_t j = 0; j < 5; ++j)
                if ((i == s || i + s == 1) && (j == k || j + k == 1))
                    expected[i * 5 + j] = value;
        EXPECT_EQ(snapshot(), expected) << "round " << round;
    }
}

TEST(ProfileWrite, FailureReportsPathAndKeepsOldFile)
{
    TempDir dir;
    expectWriteFailure(dir.file("missing/konfiguracja.ini"), "1");
    expectWriteFailure(dir.write("plain", "x") + "/konfiguracja.ini", "1");

    // A file size limit stops even root, so the failure is real wherever the tests run.
    const std::string old = "[MainFrm]\r\nleft=1\r\n";
    const auto ini = dir.write("konfiguracja.ini", old);
    const std::size_t entries = dir.entryCount();
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = old.size() + 4;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    expectWriteFailure(ini, "123456789");
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_EQ(TempDir::read(ini), old);
    EXPECT_EQ(dir.entryCount(), entries);
}

TEST(ProfileInteger, ConversionAndDecimalWriting)
{
    const std::pair<const char*, std::int32_t> valid[] = {{"0", 0},
                                                          {"-2147483648", INT32_MIN},
                                                          {"2147483647", INT32_MAX},
                                                          {"+5", 5},
                                                          {"007", 7},
                                                          {"  12", 12},
                                                          {"$FFFFFFFF", -1},
                                                          {"0xFFFFFFFF", -1},
                                                          {"$0000000ff", 255},
                                                          {"x1A", 26},
                                                          {"X1a", 26},
                                                          {"0X0c", 12},
                                                          {"$C", 12},
                                                          {"0x1", 1}};
    for (const auto& [text, number] : valid)
        EXPECT_EQ(profile::parseInteger(text), number) << '"' << text << '"';
    for (const char* text :
         {"2147483648", "-2147483649", "99999999999999999999", "12 ", "\t12", "", " ", "-", "+-1",
          "$100000000", "0x", "$", "-0x10", "-$10", " 0x10", "12pt", "abc", "$G", "1e3"})
        EXPECT_EQ(profile::parseInteger(text), std::nullopt) << '"' << text << '"';

    TempDir dir;
    const auto ini = dir.file("i.ini");
    profile::writeInteger(ini, "n", "min", INT32_MIN);
    profile::writeInteger(ini, "n", "plus", 5);
    profile::writeString(ini, "n", "bad", "5x");
    EXPECT_EQ(TempDir::read(ini), "[n]\r\nmin=-2147483648\r\nplus=5\r\nbad=5x\r\n");
    EXPECT_EQ(profile::readInteger(ini, "N", "MIN", 0), INT32_MIN);
    EXPECT_EQ(profile::readInteger(ini, "n", "bad", 42), 42);
    EXPECT_EQ(profile::readInteger(ini, "n", "missing", -7), -7);
}

} // namespace

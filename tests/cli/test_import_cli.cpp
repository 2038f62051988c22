#include "quotes/import.h"
#include "tests/support/lock_holder.h"
#include "tests/support/run_command.h"
#include "tests/support/temp_dir.h"
#include "tests/support/unprivileged.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <vector>

using tavir::test::TempDir;

namespace {

using Outcome = tavir::test::CommandOutcome;

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

class CliImport : public ::testing::Test
{
protected:
    // Runs tavir-cli through the shell with the given arguments (already quoted).
    Outcome cli(const std::string& args) const
    {
        return tavir::test::runShell(std::string(TAVIR_CLI) + " " + args, dir.file("stderr"));
    }
    std::string quoted(const std::string& path) const { return "'" + path + "'"; }

    TempDir dir;
    std::string closing = std::string(tavir::kImportClosingLine) + "\r\n";
    // UTF-8 fortune file: "Żółw – Ezop", "Pies", and "Żółw – Ezop" again.
    std::string fortune = quoted(dir.write("f.txt", "\xC5\xBB\xC3\xB3\xC5\x82w\n  -- Ezop\n%\n"
                                                    "Pies\n%\n%\n\xC5\xBB\xC3\xB3\xC5\x82w\n"
                                                    "\xE2\x80\x94 Ezop\n%\n"));
    // ISO-8859-2 lines: "Ćma", an empty line, "Pies" again, "Ůmega".
    std::string lines = quoted(dir.write("l.txt", "\xC6ma\n\nPies\n\xD9mega\n"));
};

TEST_F(CliImport, WritesTheCollectionAndTheSummary)
{
    const Outcome run = cli("import " + fortune + " " + lines);
    EXPECT_EQ(run.status, 0) << run.err;
    // 0xD9 in ISO-8859-2 is "Ů", which Windows-1250 has at the same place.
    EXPECT_EQ(run.out, "\xAF\xF3\xB3w \x96 Ezop\r\nPies\r\n\xC6ma\r\n\xD9mega\r\n" + closing);
    EXPECT_EQ(run.err, "read as utf-8 (fortune): " + dir.file("f.txt") +
                           "\n"
                           "read as iso-8859-2/windows-1250 (lines): " +
                           dir.file("l.txt") +
                           "\n"
                           "entries read: 8\n"
                           "entries written: 4\n"
                           "empty entries dropped: 2\n"
                           "duplicates dropped: 2\n"
                           "characters replaced by the closest form: 0\n"
                           "characters replaced by ?: 0\n"
                           "entries joined from several lines: 0\n");
}

TEST_F(CliImport, FormatAndEncodingOptions)
{
    const std::string cp1250 = quoted(dir.write("w.txt", "\x9C\x8C\n%\n\xB9\n"));
    EXPECT_EQ(cli("import --encoding windows-1250 " + cp1250).out,
              "\x9C\x8C\r\n\xB9\r\n" + closing);
    EXPECT_EQ(cli("import --format lines --encoding windows-1250 " + cp1250).out,
              "\x9C\x8C\r\n%\r\n\xB9\r\n" + closing);
    // Told ISO-8859-2, 0x9C and 0x8C are controls there.
    const Outcome told = cli("import --encoding iso-8859-2 " + cp1250);
    EXPECT_EQ(told.out, "??\r\n\x9A\r\n" + closing);
    EXPECT_NE(told.err.find("read as iso-8859-2 (fortune): "), std::string::npos);
    EXPECT_NE(told.err.find("characters replaced by ?: 2\n"), std::string::npos);
    EXPECT_EQ(cli("import --format fortune --encoding iso-8859-2 -- " + lines).out,
              "\xC6ma / Pies / \xD9mega\r\n" + closing);
    const Outcome wide = cli("import --encoding utf-8 " +
                             quoted(dir.write("u.txt", "na\xC3\xAFve caf\xC3\xA9 \xE6\x97\xA5\n")));
    EXPECT_EQ(wide.out, "naive caf\xE9 ?\r\n" + closing);
    EXPECT_NE(wide.err.find("characters replaced by the closest form: 1\n"), std::string::npos);
    EXPECT_NE(wide.err.find("characters replaced by ?: 1\n"), std::string::npos);
}

TEST_F(CliImport, OutputFileIsReplacedWholeAndCountable)
{
    const std::string target = dir.write("dane/cytaty.dbc", "stare\r\nKoniec\r\n");
    const Outcome run = cli("import --output " + quoted(target) + " " + fortune);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(TempDir::read(target), "\xAF\xF3\xB3w \x96 Ezop\r\nPies\r\n" + closing);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path() / "dane"),
                            std::filesystem::directory_iterator()),
              1);
    EXPECT_EQ(cli("--file " + quoted(target) + " count").out, "2\n");
}

TEST_F(CliImport, UnreadableInputFailsAndLeavesTheOutputAlone)
{
    const std::string target = dir.write("out.dbc", "stare\r\n");
    const std::string missing = dir.file("brak.txt");
    const Outcome run =
        cli("import --output " + quoted(target) + " " + fortune + " " + quoted(missing));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "Cannot open file " + missing + "\n");
    EXPECT_EQ(TempDir::read(target), "stare\r\n");

    const Outcome folder = cli("import " + quoted(dir.path().string()));
    EXPECT_EQ(folder.status, 1);
    EXPECT_EQ(folder.err, "Cannot open file " + dir.path().string() + "\n");
    EXPECT_EQ(folder.out, "");

    const std::string nowhere = dir.file("nie/ma/folderu.dbc");
    const Outcome unwritable = cli("import --output " + quoted(nowhere) + " " + fortune);
    EXPECT_EQ(unwritable.status, 3);
    EXPECT_EQ(unwritable.err,
              "Cannot write output to " + nowhere + ": No such file or directory\n");
}

TEST_F(CliImport, WrongUseShowsTheUsage)
{
    const std::vector<std::string> wrongs = {"import",
                                             "import --format",
                                             "import --format xml " + fortune,
                                             "import --encoding latin2 " + fortune,
                                             "import --output",
                                             "import --output '' " + fortune,
                                             "import --bogus " + fortune,
                                             "import --format lines",
                                             "import --install",
                                             "import --install --output x " + fortune,
                                             "import --output x --install " + fortune};
    for (const std::string& wrong : wrongs) {
        const Outcome run = cli(wrong);
        EXPECT_EQ(run.status, 2) << wrong;
        EXPECT_NE(run.err.find("tavir-cli import [--format fortune|lines]"), std::string::npos)
            << wrong;
    }
}

} // namespace

namespace {

// A FIFO as input is refused at once instead of waiting for a writer; output that cannot be
// delivered ends with status 3, as for every other command.
TEST_F(CliImport, FifoInputAndLostOutput)
{
    const std::string fifo = dir.file("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    const Outcome blocked = cli("import " + quoted(fifo));
    EXPECT_EQ(blocked.status, 1);
    EXPECT_EQ(blocked.err, "Cannot open file " + fifo + "\n");

    const Outcome full = cli("import " + fortune + " >/dev/full");
    EXPECT_EQ(full.status, 3);
    EXPECT_EQ(full.err, "Cannot write output: No space left on device\n");
}

} // namespace

namespace {

// A fortune keeps its shape: its lines joined with " / ", its author after an en dash.
TEST_F(CliImport, MultiLineFortunesKeepTheirLines)
{
    const std::string poem = quoted(dir.write("wiersz.txt", "Litwo! Ojczyzno moja!\n"
                                                            "   ty jeste\xC5\x9B   jak zdrowie;\n"
                                                            "\n\n"
                                                            "Ile ci\xC4\x99 trzeba ceni\xC4\x87\n"
                                                            "\t\t-- Adam Mickiewicz,\n"
                                                            "\t\t   \"Pan Tadeusz\"\n"
                                                            "%\n"
                                                            "Jedna linia.\n"
                                                            "%\n"));
    const Outcome run = cli("import " + poem);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "Litwo! Ojczyzno moja! / ty jeste\x9C jak zdrowie; / Ile ci\xEA trzeba "
                       "ceni\xE6 \x96 Adam Mickiewicz, \"Pan Tadeusz\"\r\n"
                       "Jedna linia.\r\n" +
                           closing);
    EXPECT_NE(run.err.find("entries written: 2\n"), std::string::npos) << run.err;
    EXPECT_TRUE(run.err.ends_with("entries joined from several lines: 1\n")) << run.err;
}

TEST_F(CliImport, DashReadsStandardInput)
{
    const std::string piped = "printf 'Raz\\ndwa\\n%%\\nTrzy\\n' | ";
    const Outcome alone = tavir::test::runShell(piped + TAVIR_CLI + " import -", dir.file("err"));
    EXPECT_EQ(alone.status, 0) << alone.err;
    EXPECT_EQ(alone.out, "Raz / dwa\r\nTrzy\r\n" + closing);
    // Among files, in its place; a file named "-" is reached as ./-.
    dir.write("-", "Z pliku\n");
    const Outcome among = tavir::test::runShell("cd '" + dir.path().string() + "' && " + piped +
                                                    TAVIR_CLI + " import " + fortune + " - ./-",
                                                dir.file("err"));
    EXPECT_EQ(among.out,
              "\xAF\xF3\xB3w \x96 Ezop\r\nPies\r\nRaz / dwa\r\nTrzy\r\nZ pliku\r\n" + closing);
    const Outcome closed =
        tavir::test::runShell(std::string(TAVIR_CLI) + " import - <&-", dir.file("err"));
    EXPECT_EQ(closed.status, 1);
    EXPECT_EQ(closed.err, "Cannot open file -\n");
}

TEST_F(CliImport, InstallWritesTheUsersOwnCollection)
{
    const std::string data = dir.file("data");
    const std::string own = data + "/tavir/cytaty.dbc";
    const std::string env = "env -u TAVIR_FILE XDG_DATA_HOME='" + data + "' ";
    const Outcome install =
        tavir::test::runShell(env + TAVIR_CLI + " import --install " + fortune, dir.file("err"));
    EXPECT_EQ(install.status, 0) << install.err;
    EXPECT_EQ(install.out, "");
    EXPECT_TRUE(install.err.ends_with("installed as: " + own + "\n")) << install.err;
    EXPECT_EQ(TempDir::read(own), cli("import " + fortune).out);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(data + "/tavir"),
                            std::filesystem::directory_iterator()),
              1);
    // Both programs read it from now on; installed again, it is replaced whole.
    EXPECT_EQ(tavir::test::runShell(env + TAVIR_CLI + " count").out, "2\n");
    EXPECT_EQ(tavir::test::runShell(env + TAVIR_CLI + " import --install " + lines + " 2>/dev/null")
                  .status,
              0);
    EXPECT_EQ(tavir::test::runShell(env + TAVIR_CLI + " count").out, "3\n");

    // Where no folder can be made.
    dir.write("plik", "x");
    const Outcome blocked = tavir::test::runShell("XDG_DATA_HOME='" + dir.file("plik") + "' " +
                                                      TAVIR_CLI + " import --install " + fortune,
                                                  dir.file("err"));
    EXPECT_EQ(blocked.status, 3);
    EXPECT_EQ(blocked.err, "Cannot write output to " + dir.file("plik") +
                               "/tavir/cytaty.dbc: Not a directory\n");
}

} // namespace

namespace {

// Without --encoding every file is read in the encoding its bytes show, said in the summary, or
// refused with its line; lines may end in CR alone, and a collection's closing line is none of
// its quotations: the program's own collection comes back as it is.
TEST_F(CliImport, EncodingsAreToldPerFileOrRefused)
{
    const std::string shipped = std::string(TAVIR_SOURCE_DIR) + "/dane/cytaty/cytaty.dbc";
    const Outcome own = cli("import " + quoted(shipped));
    EXPECT_EQ(own.status, 0) << own.err;
    const std::string file = TempDir::read(shipped);
    const std::size_t last = file.rfind("\r\n", file.size() - 3) + 2;
    EXPECT_EQ(own.out, file.substr(0, last) + closing);
    EXPECT_TRUE(own.err.starts_with("read as windows-1250 (lines): " + shipped + "\n")) << own.err;

    const std::string cr = quoted(dir.write("cr.txt", "Raz\rDwa\r\xB6mia\xB3o\r"));
    const Outcome crLines = cli("import " + cr);
    EXPECT_EQ(crLines.out, "Raz\r\nDwa\r\n\x9Cmia\xB3o\r\n" + closing);
    EXPECT_TRUE(crLines.err.starts_with("read as iso-8859-2 (lines): ")) << crLines.err;

    const std::string target = dir.write("out.dbc", "stare\r\n");
    struct Refusal
    {
        std::string bytes;
        std::string why;
    };
    const std::vector<Refusal> refusals = {
        {"\xC5\xBB\xC3\xB3\xC5\x82w\n\xAF\xF3\xB3w\n",
         "2: UTF-8 mixed with bytes that are not UTF-8"},
        {"\x9Cmia\xB3o\r\n\xB6mia\xB3o\r\n", "2: letters of both Windows-1250 and ISO-8859-2"},
        {"a\rb\r\xB9", "3: a byte that Windows-1250 and ISO-8859-2 read as different characters, "
                       "and nothing to tell which"},
    };
    for (const Refusal& refusal : refusals) {
        const std::string input = dir.write("r.txt", refusal.bytes);
        const Outcome run =
            cli("import --output " + quoted(target) + " " + fortune + " " + quoted(input));
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err, "Cannot tell the encoding of " + input + ", line " + refusal.why +
                               " (name it with --encoding)\n");
        EXPECT_EQ(TempDir::read(target), "stare\r\n");
    }
}

// An output that is no regular file is written in place, never replaced, or refused; every
// output that cannot be written ends with status 3 and its reason, the file left as it was.
TEST_F(CliImport, OutputsThatAreNoFilesAndLostWrites)
{
    const std::string fifo = dir.file("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    const Outcome lonely = cli("import --output " + quoted(fifo) + " " + fortune);
    EXPECT_EQ(lonely.status, 3);
    EXPECT_EQ(lonely.err, "Cannot write output to " + fifo + ": a FIFO with no reader\n");
    const Outcome read = tavir::test::runShell("cat " + quoted(fifo) + " & sleep 0.2; " +
                                               TAVIR_CLI + " import --output " + quoted(fifo) +
                                               " " + fortune + " 2>/dev/null; wait");
    EXPECT_EQ(read.out, cli("import " + fortune).out);
    const Outcome folder = cli("import --output " + quoted(dir.path().string()) + " " + fortune);
    EXPECT_EQ(folder.status, 3);
    EXPECT_EQ(folder.err, "Cannot write output to " + dir.path().string() + ": Is a directory\n");

    // Where a write fails as on a full disk.
    const std::string target = dir.write("out.dbc", "stare\r\n");
    const std::string big = dir.write("big.txt", std::string(200000, 'x'));
    const Outcome full =
        tavir::test::runShell("trap '' XFSZ; ulimit -f 100; " + std::string(TAVIR_CLI) +
                                  " import --output " + quoted(target) + " " + quoted(big),
                              dir.file("stderr"));
    EXPECT_EQ(full.status, 3);
    EXPECT_EQ(full.err, "Cannot write output to " + target + ": File too large\n");
    EXPECT_EQ(TempDir::read(target), "stare\r\n");
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        EXPECT_FALSE(entry.path().filename().string().starts_with(".tavir")) << entry.path();

    // Devices as root: /dev/null and /dev/full made in the test's folder.
    const std::string null = dir.file("null");
    const std::string fullDevice = dir.file("full");
    if (::mknod(null.c_str(), S_IFCHR | 0666, ::makedev(1, 3)) != 0 ||
        ::mknod(fullDevice.c_str(), S_IFCHR | 0666, ::makedev(1, 7)) != 0)
        GTEST_SKIP() << "device nodes need root";
    EXPECT_EQ(cli("import --output " + quoted(null) + " " + fortune).status, 0);
    const Outcome noSpace = cli("import --output " + quoted(fullDevice) + " " + fortune);
    EXPECT_EQ(noSpace.status, 3);
    EXPECT_EQ(noSpace.err, "Cannot write output to " + fullDevice + ": No space left on device\n");
    for (const std::string& device : {null, fullDevice}) {
        struct stat info
        {
        };
        EXPECT_EQ(::stat(device.c_str(), &info), 0);
        EXPECT_TRUE(S_ISCHR(info.st_mode)) << device;
    }
}

// A replaced output is put in place as every writer of the program's files puts one: under its
// folder's write lock, so that another writer holding it past the wait fails the import and
// leaves the output alone, and, when root replaces it, with the old file's owner and group.
TEST_F(CliImport, AReplacedOutputWaitsForTheLockAndKeepsTheOwner)
{
    const std::string target = dir.write("out.dbc", "stare\r\n");
    {
        const tavir::test::LockHolder holder(target);
        const Outcome locked = cli("import --output " + quoted(target) + " " + fortune);
        EXPECT_EQ(locked.status, 3);
        EXPECT_EQ(locked.err,
                  "Cannot write output to " + target + ": another writer kept its folder locked\n");
        EXPECT_EQ(TempDir::read(target), "stare\r\n");
    }
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root may give a file to another user";
    ASSERT_EQ(::chown(target.c_str(), tavir::test::kNobody, tavir::test::kNobody + 1), 0);
    std::filesystem::permissions(target, static_cast<std::filesystem::perms>(0640));
    const Outcome run = cli("import --output " + quoted(target) + " " + fortune);
    EXPECT_EQ(run.status, 0) << run.err;
    struct stat info
    {
    };
    ASSERT_EQ(::stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_uid, tavir::test::kNobody);
    EXPECT_EQ(info.st_gid, tavir::test::kNobody + 1);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_EQ(TempDir::read(target), cli("import " + fortune).out);
}

// The import streams: a 32 MB entry goes through in a fraction of a 256 MiB data limit, where
// holding the text decoded and copied took many times its size.
TEST_F(CliImport, ALongEntryFitsInLittleMemory)
{
    if (kSanitized)
        GTEST_SKIP() << "the sanitizers' shadow memory counts against any data limit";
    std::string entry;
    for (int i = 0; i < 4'000'000; ++i)
        entry += "\xC5\xBC\xC3\xB3\xC5\x82w "; // "żółw " in UTF-8
    const std::string input = quoted(dir.write("long.txt", entry + "\n"));
    const std::string output = dir.file("long.dbc");
    const Outcome run =
        tavir::test::runShell("ulimit -d 262144 && exec " + std::string(TAVIR_CLI) +
                                  " import --output " + quoted(output) + " " + input,
                              dir.file("stderr"));
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(std::filesystem::file_size(output), 4'000'000 * 5 - 1 + 2 + closing.size());
}

} // namespace

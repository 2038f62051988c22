#include "tests/support/run_command.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <sys/stat.h>
#include <sys/wait.h>
#include <utility>
#include <vector>

using tavir::test::TempDir;

namespace {

using Result = tavir::test::CommandOutcome;

// Runs tavir-cli through the shell with the given arguments (already quoted), after `prefix`.
Result cli(const std::string& args, const std::string& prefix = {})
{
    return tavir::test::runShell(prefix + std::string(TAVIR_CLI) + " " + args + " 2>/dev/null");
}

class Cli : public ::testing::Test
{
protected:
    TempDir dir;
    std::string file =
        dir.write("c.dbc", "Ala ma kota\r\nmi\xB3o\x9C\xE6 i ALA\r\nbez\r\nala end\r\n");
    std::string f = "--file '" + file + "' ";
};

TEST_F(Cli, CountAndQueries)
{
    EXPECT_EQ(cli(f + "count").out, "3\n");
    EXPECT_EQ(cli(f + "search ala").out, "Ala ma kota\nmiłość i ALA\n");
    EXPECT_EQ(cli(f + "search miłość").out, "miłość i ALA\n");
    EXPECT_EQ(cli(f + "search 日本").out, "");
    EXPECT_EQ(cli(f + "all").out, "Ala ma kota\nmiłość i ALA\nbez\n");
    EXPECT_EQ(cli(f + "--raw search \"$(printf 'mi\\263o')\"").out, "mi\xB3o\x9C\xE6 i ALA\r\n");
    EXPECT_EQ(cli(f + "--raw all").out, "Ala ma kota\r\nmi\xB3o\x9C\xE6 i ALA\r\nbez\r\n");
    // A search given one argument takes it as its text, even one like an option; with more,
    // options may follow the command and "--" ends them.
    const std::string dashes = "--file " + dir.write("d.dbc", "a --raw b\r\n--\r\nend\r\n") + " ";
    EXPECT_EQ(cli(dashes + "search --raw").out, "a --raw b\n");
    EXPECT_EQ(cli(dashes + "search --").out, "a --raw b\n--\n");
    EXPECT_EQ(cli(dashes + "search -- --raw").out, "a --raw b\n");
    EXPECT_EQ(cli(dashes + "search --raw -- --").out, "a --raw b\r\n--\r\n");
}

TEST_F(Cli, RandomIsSeeded)
{
    // Seed 1 draws 130, 10982, 1090: modulo 3 that is lines 1, 2, 1.
    EXPECT_EQ(cli(f + "--seed 1 random 3").out, "miłość i ALA\nbez\nmiłość i ALA\n");
    EXPECT_EQ(cli(f + "--seed 4294967295 random").out.size(),
              cli(f + "--seed 4294967295 random 50").out.size());
    EXPECT_EQ(cli(f + "random 0").out, "");
}

TEST_F(Cli, ExitStatuses)
{
    EXPECT_EQ(cli(f + "count").status, 0);
    EXPECT_EQ(cli("--file '" + dir.file("none") + "' count").status, 1);
    EXPECT_EQ(cli("--file '" + dir.path().string() + "' all").status, 1);
    for (const char* wrong :
         {"", "count extra", "search", "search a b", "frob", "--seed 1 count", "--seed -1 random",
          "--seed 4294967296 random", "random x", "random -5", "--file", "random 1 --seed",
          "count --raw x", "today 1", "search -- a b"}) {
        EXPECT_EQ(cli(f + wrong).status, 2) << wrong;
    }
}

TEST_F(Cli, FoldingOptionsBeforeSearch)
{
    const std::string polish =
        "--file '" + dir.write("p.dbc", "\xA3za ciek\xB3\x61\r\n\xBF\xF3\xB3w\r\nzolw\r\nend\r\n") +
        "' ";
    EXPECT_EQ(cli(polish + "search łza").out, "");
    EXPECT_EQ(cli(polish + "--case-all search łza").out, "Łza ciekła\n");
    EXPECT_EQ(cli(polish + "--case-all search ŻÓŁW").out, "żółw\n");
    EXPECT_EQ(cli(polish + "--no-diacritics search ZOLW").out, "żółw\nzolw\n");
    EXPECT_EQ(cli(polish + "--no-diacritics --case-all search lza").out, "Łza ciekła\n");
    EXPECT_EQ(cli(polish + "--case-all --no-diacritics search lza").out, "Łza ciekła\n");
    EXPECT_EQ(cli(polish + "--no-diacritics search end").out, "");
    for (const char* wrong : {"--case-all count", "--no-diacritics all", "--case-all random"})
        EXPECT_EQ(cli(polish + wrong).status, 2) << wrong;
}

TEST(CliData, DefaultFileIsBesideTheExecutable)
{
    // With no collection of the user's to read first.
    const Result result = cli("count", "env -u TAVIR_FILE XDG_DATA_HOME=/nonexistent ");
    EXPECT_EQ(result.status, 0);
    EXPECT_GT(std::stoi(result.out), 300);
}

} // namespace

namespace {

// Runs a shell command line holding tavir-cli as `$CLI`; its standard output, standard error
// and exit status. The command is stopped after 20 seconds (status 124), so that one that
// would block fails instead of hanging.
using Outcome = tavir::test::CommandOutcome;

// Runs a shell line with $CLI set to tavir-cli, at most 20 seconds.
Outcome shell(const TempDir& dir, const std::string& line)
{
    return tavir::test::runShell("CLI='" + std::string(TAVIR_CLI) +
                                     "'; export CLI; timeout 20 sh -c '" + line + "'",
                                 dir.file("stderr.txt"));
}

TEST_F(Cli, FifoIsUnreadableWithoutWaiting)
{
    const std::string fifo = dir.file("fifo.dbc");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    for (const char* command : {"count", "all", "search a", "random 3"}) {
        const Outcome outcome = shell(dir, "\"$CLI\" --file " + fifo + " " + command);
        EXPECT_EQ(outcome.status, 1) << command;
        EXPECT_EQ(outcome.err, "Cannot open file " + fifo + "\n") << command;
    }
}

TEST_F(Cli, LostOutputIsAnErrorOfItsOwn)
{
    // Enough lines that a pipe's buffer cannot take them all.
    std::string many;
    for (int i = 0; i < 40000; ++i)
        many += "Linia numer " + std::to_string(i) + " z cytatem\r\n";
    const std::string big = "--file " + dir.write("big.dbc", many) + " ";
    for (const std::string command : {"count", "all", "search Linia", "--seed 3 random 5"}) {
        const std::string args = "\"$CLI\" " + big + command;
        for (const auto& [line, reason] : std::vector<std::pair<std::string, std::string>>{
                 {args + " >/dev/full", "No space left on device"},
                 {args + " >&-", "Bad file descriptor"}}) {
            const Outcome outcome = shell(dir, line);
            EXPECT_EQ(outcome.status, 3) << line;
            EXPECT_EQ(outcome.err, "Cannot write output: " + reason + "\n") << line;
        }
    }
    // A reader that has gone: the writer sees EPIPE once the pipe's buffer is full.
    for (const std::string command : {"all", "search Linia"}) {
        const Outcome outcome = shell(dir, "trap \"\" PIPE; { \"$CLI\" " + big + command +
                                               "; echo $? >" + dir.file("status") + "; } | true");
        EXPECT_EQ(TempDir::read(dir.file("status")), "3\n") << command;
        EXPECT_EQ(outcome.err, "Cannot write output: Broken pipe\n") << command;
    }
}

TEST_F(Cli, HelpAndAnEmptyFileName)
{
    const Outcome help = shell(dir, "\"$CLI\" --help");
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.substr(0, 17), "usage: tavir-cli ");
    EXPECT_TRUE(help.out.ends_with("FILE...\n")) << help.out;
    EXPECT_EQ(help.err, "");
    const Outcome empty = shell(dir, "\"$CLI\" --file \"\" count");
    EXPECT_EQ(empty.status, 1);
    EXPECT_EQ(empty.out, "");
    EXPECT_EQ(empty.err, "Cannot open file \n");
}

} // namespace

// A file large enough to be read on several threads, as whole processes: the same bytes on
// every number of threads as on one, and output that cannot be written still ends the program
// with status 3.
#include "quotes/parallel_scan.h"
#include "tests/support/run_command.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

using Outcome = tavir::test::CommandOutcome;

class CliThreads : public testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        dir_ = std::make_unique<tavir::test::TempDir>();
        std::string text;
        for (int i = 0; text.size() < tavir::ScanThreads::kThreshold + (std::size_t(3) << 20); ++i)
            text += "Linia " + std::to_string(i) + (i % 7 ? " z cytatem" : " o mi\xB3o\x9C\x63i") +
                    std::string(static_cast<std::size_t>(i % 41), '.') + (i % 3 ? "\r\n" : "\n");
        text += "ostatnia z cytatem\r\n";
        file_ = "--file '" + dir_->write("big.dbc", text) + "' ";
    }
    static void TearDownTestSuite() { dir_.reset(); }

    // tavir-cli on the large file, at most 60 seconds; standard error is kept.
    static Outcome cli(const std::string& args, const std::string& redirect = {})
    {
        return tavir::test::runShell("timeout 60 " + std::string(TAVIR_CLI) + " " + file_ + args +
                                         redirect,
                                     dir_->file("stderr"));
    }

    static std::unique_ptr<tavir::test::TempDir> dir_;
    static std::string file_;
};

std::unique_ptr<tavir::test::TempDir> CliThreads::dir_;
std::string CliThreads::file_;

TEST_F(CliThreads, EveryThreadCountWritesWhatOneThreadWrites)
{
    for (const std::string command :
         {"count", "--raw search cytatem", "search miłości",
          "--color=always --wrap=12 search 'LINIA 7'", "--raw all", "search xqzw"}) {
        const Outcome one = cli("--threads 1 " + command);
        ASSERT_EQ(one.status, 0) << command;
        ASSERT_FALSE(one.out.empty() && command != "search xqzw") << command;
        for (const std::string threads : {"--threads 2 ", "--threads 3 ", "--threads 4 ", ""}) {
            const Outcome many = cli(threads + command);
            EXPECT_EQ(many.status, 0) << threads << command;
            EXPECT_TRUE(many.out == one.out) << threads << command << ": " << many.out.size()
                                             << " bytes, not " << one.out.size();
        }
    }
}

TEST_F(CliThreads, LostOutputEndsEveryThreadWithStatus3)
{
    for (const std::string command : {"all", "search cytatem"}) {
        for (const auto& [redirect, reason] :
             {std::pair<std::string, std::string>{" >/dev/full", "No space left on device"},
              {" >&-", "Bad file descriptor"}}) {
            const Outcome outcome = cli("--threads 3 " + command, redirect);
            EXPECT_EQ(outcome.status, 3) << command << redirect;
            EXPECT_EQ(outcome.err, "Cannot write output: " + reason + "\n") << command << redirect;
        }
        // A reader that has gone: the writer sees EPIPE once the pipe's buffer is full.
        const Outcome gone =
            tavir::test::runShell("trap '' PIPE; { timeout 60 " + std::string(TAVIR_CLI) + " " +
                                  file_ + "--threads 2 " + command + " 2>'" + dir_->file("err") +
                                  "'; echo $? >'" + dir_->file("status") + "'; } | true");
        EXPECT_EQ(tavir::test::TempDir::read(dir_->file("status")), "3\n") << command;
        EXPECT_EQ(tavir::test::TempDir::read(dir_->file("err")),
                  "Cannot write output: Broken pipe\n")
            << command;
    }
}

TEST_F(CliThreads, ThreadsAreForCountSearchAndAllOnly)
{
    for (const char* wrong :
         {"--threads 0 count", "--threads x all", "--threads count", "--threads 2 random",
          "--threads 2 today", "--threads 2 --word-forms search kot"})
        EXPECT_EQ(cli(wrong).status, 2) << wrong;
}

} // namespace

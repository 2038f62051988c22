#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <sys/wait.h>

using tavir::test::TempDir;

namespace {

struct Result
{
    int status = -1;
    std::string out;
};

// Runs tavir-cli through the shell with the given arguments (already quoted).
Result cli(const std::string& args)
{
    const std::string command = std::string(TAVIR_CLI) + " " + args + " 2>/dev/null";
    Result result;
    FILE* pipe = ::popen(command.c_str(), "r");
    std::array<char, 4096> chunk{};
    std::size_t n = 0;
    while ((n = std::fread(chunk.data(), 1, chunk.size(), pipe)) > 0)
        result.out.append(chunk.data(), n);
    const int status = ::pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
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
          "--seed 4294967296 random", "random x", "random -5", "--file"}) {
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
    const Result result = cli("count");
    EXPECT_EQ(result.status, 0);
    EXPECT_GT(std::stoi(result.out), 300);
}

} // namespace

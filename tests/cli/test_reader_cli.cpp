// tavir-cli for a reader: the quotation of the day, draws by length and from the system's random
// source, lines cut to a width, matches coloured, and where the collection is read from.
#include "tests/support/run_command.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <vector>

using tavir::test::TempDir;

namespace {

using Outcome = tavir::test::CommandOutcome;
using Lines = std::vector<std::string>;

constexpr std::string_view kOn = "\x1b[01;31m\x1b[K";
constexpr std::string_view kOff = "\x1b[m\x1b[K";

std::string marked(std::string_view text)
{
    return std::string(kOn) + std::string(text) + std::string(kOff);
}

Lines linesOf(const std::string& text)
{
    Lines lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::set<std::string> distinct(const std::string& text)
{
    const Lines lines = linesOf(text);
    return {lines.begin(), lines.end()};
}

class CliReader : public ::testing::Test
{
protected:
    // Runs tavir-cli with `environment` (NAME=VALUE words, quoted) on top of one where neither
    // TAVIR_FILE nor NO_COLOR is set and the user's data folder is an empty one of the test's.
    Outcome run(const std::string& args, const std::string& environment = {}) const
    {
        return tavir::test::runShell("env -u TAVIR_FILE -u NO_COLOR XDG_DATA_HOME='" +
                                         dir.file("data") + "' " + environment + " " +
                                         std::string(TAVIR_CLI) + " " + args,
                                     dir.file("stderr"));
    }
    // Runs a command line on a terminal of `columns` columns (util-linux script), with $CLI set.
    Outcome onTerminal(const std::string& line, int columns = 80) const
    {
        const std::string inner = "stty cols " + std::to_string(columns) + "; " + line;
        Outcome outcome = tavir::test::runShell(
            "env -u TAVIR_FILE -u NO_COLOR CLI='" + std::string(TAVIR_CLI) + "' TERM=xterm " +
                "script -qec '" + inner + "' /dev/null </dev/null",
            dir.file("stderr"));
        std::string text; // the terminal ends lines with CR LF
        for (const char c : outcome.out) {
            if (c != '\r')
                text += c;
        }
        outcome.out = text;
        return outcome;
    }
    std::string file(std::string_view name, std::string_view bytes) const
    {
        return "'" + dir.write(name, bytes) + "' ";
    }

    TempDir dir;
};

// Ten quotations: the days' lines are those pinned in the library's own test.
const std::string kTen = "zero\r\njeden\r\ndwa\r\ntrzy\r\ncztery\r\npi\xEA\xE6\r\nsze\x9C\xE6\r\n"
                         "siedem\r\nosiem\r\ndziewi\xEA\xE6\r\nkoniec\r\n";

TEST_F(CliReader, TodayIsTheLineOfTheDate)
{
    const std::string f = "--file " + file("ten.dbc", kTen);
    EXPECT_EQ(run(f + "today --date 2026-12-24").out, "dwa\n");
    EXPECT_EQ(run(f + "--date 2026-12-24 today").out, "dwa\n");
    EXPECT_EQ(run(f + "today --date 2026-12-25").out, "trzy\n");
    EXPECT_EQ(run(f + "--raw today --date 2026-12-25").out, "trzy\r\n");
    // Without a date, today's local date.
    const Outcome today = run(f + "today");
    EXPECT_EQ(today.status, 0);
    EXPECT_EQ(today.out, run(f + "today --date \"$(date +%F)\"").out);

    const Outcome empty = run("--file " + file("empty.dbc", "koniec\r\n") + "today");
    EXPECT_EQ(empty.status, 4);
    EXPECT_EQ(empty.out, "");
    EXPECT_EQ(empty.err, "No quotation in " + dir.file("empty.dbc") + "\n");
    for (const char* wrong : {"today --date 2026-02-30", "today --date 24.12.2026", "today --date",
                              "today x", "--date 2026-12-24 all", "today --color=always"})
        EXPECT_EQ(run(f + wrong).status, 2) << wrong;
}

TEST_F(CliReader, RandomWithoutSeedDrawsFromTheSystem)
{
    std::string thousand;
    for (int i = 0; i < 1000; ++i)
        thousand += "cytat " + std::to_string(i) + "\r\n";
    const std::string f = "--file " + file("thousand.dbc", thousand + "koniec\r\n");
    const Outcome first = run(f + "random 20");
    const Outcome second = run(f + "random 20");
    EXPECT_EQ(first.status, 0);
    EXPECT_EQ(linesOf(first.out).size(), 20u);
    EXPECT_EQ(linesOf(second.out).size(), 20u);
    // Twenty draws from a thousand agree by chance once in 10^60.
    EXPECT_NE(first.out, second.out);
    // A seed still draws what it drew: the options may also follow the command.
    EXPECT_EQ(run(f + "random --seed 1 3").out, "cytat 130\ncytat 982\ncytat 90\n");
    EXPECT_EQ(run(f + "--seed 1 random 3").out, "cytat 130\ncytat 982\ncytat 90\n");
}

// 160 characters with Polish letters: 160 bytes in the file, 256 in UTF-8.
std::string polish(std::size_t characters)
{
    std::string line;
    while (line.size() < characters)
        line += "\xBF\xF3\xB3w ";
    line.resize(characters);
    return line;
}

std::string utf8(std::string_view cp1250)
{
    std::string out;
    for (const char c : cp1250) {
        switch (static_cast<unsigned char>(c)) {
        case 0xBF:
            out += "\xC5\xBC";
            break;
        case 0xF3:
            out += "\xC3\xB3";
            break;
        case 0xB3:
            out += "\xC5\x82";
            break;
        default:
            out += c;
        }
    }
    return out;
}

TEST_F(CliReader, ShortAndLongAsFortuneTakesThem)
{
    const std::string f = "--file " + file("lengths.dbc", polish(160) + "\r\n" + polish(161) +
                                                              "\r\nkr\xF3tki\r\nkoniec\r\n");
    const std::string p160 = utf8(polish(160));
    ASSERT_EQ(p160.size(), 256u);
    EXPECT_EQ(distinct(run(f + "--seed 1 random --short 50").out),
              (std::set<std::string>{p160, "kr\xC3\xB3tki"}));
    EXPECT_EQ(distinct(run(f + "random --long 30").out),
              (std::set<std::string>{utf8(polish(161))}));
    EXPECT_EQ(distinct(run(f + "random --short -n 6 30").out),
              (std::set<std::string>{"kr\xC3\xB3tki"}));
    EXPECT_EQ(distinct(run(f + "-n 6 --long random 30").out),
              (std::set<std::string>{p160, utf8(polish(161))}));

    const Outcome none = run(f + "random --long -n 1000");
    EXPECT_EQ(none.status, 4);
    EXPECT_EQ(none.out, "");
    EXPECT_EQ(none.err,
              "No quotation longer than 1000 characters in " + dir.file("lengths.dbc") + "\n");
    const Outcome noShort = run(f + "--seed 3 random --short -n 5 0");
    EXPECT_EQ(noShort.status, 4);
    EXPECT_EQ(noShort.err,
              "No quotation of at most 5 characters in " + dir.file("lengths.dbc") + "\n");
    for (const char* wrong :
         {"random --short --long", "random -n 5", "random -n x --short", "random -n -1 --short",
          "--short all", "--long search a b", "today --short", "random --short 1 2"})
        EXPECT_EQ(run(f + wrong).status, 2) << wrong;
}

TEST_F(CliReader, WrapCutsLinesAtBlanks)
{
    const std::string f =
        "--file " + file("wrap.dbc", "Ala ma kota, a kot ma Ale.\r\nKonstantynopolita\xF1"
                                     "czykowianeczka i ja\r\nkoniec\r\n");
    const std::string wrapped = "Ala ma\nkota, a\nkot ma\nAle.\nKonstantynopolita\xC5\x84"
                                "czykowianeczka\ni ja\n";
    EXPECT_EQ(run(f + "--wrap=7 all").out, wrapped);
    EXPECT_EQ(run(f + "all --wrap=7").out, wrapped);
    EXPECT_EQ(run(f + "--wrap=26 search kot").out, "Ala ma kota, a kot ma Ale.\n");
    EXPECT_EQ(run(f + "--wrap=25 search kot").out, "Ala ma kota, a kot ma\nAle.\n");
    // A line of exactly the width stays whole.
    EXPECT_EQ(run(f + "--seed 1 random --wrap=12 1").out, "Ala ma kota,\na kot ma\nAle.\n");
    // Never the file's own bytes, and without a width no cut where no terminal is.
    EXPECT_EQ(run(f + "--raw --wrap=7 all").out, "Ala ma kota, a kot ma Ale.\r\n"
                                                 "Konstantynopolita\xF1"
                                                 "czykowianeczka i ja\r\n");
    EXPECT_EQ(run(f + "--wrap all").out, run(f + "all").out);
    for (const char* wrong :
         {"--wrap=0 all", "--wrap=x all", "--wrap= all", "count --wrap", "--wrap 7 all"})
        EXPECT_EQ(run(f + wrong).status, 2) << wrong;

    if (tavir::test::runShell("command -v script >/dev/null").status != 0)
        GTEST_SKIP() << "no script(1) to give tavir-cli a terminal";
    EXPECT_EQ(onTerminal("\"$CLI\" --file " + dir.file("wrap.dbc") + " --wrap all", 7).out,
              wrapped);
    EXPECT_EQ(onTerminal("\"$CLI\" --file " + dir.file("wrap.dbc") + " --wrap=40 all", 7).out,
              "Ala ma kota, a kot ma Ale.\nKonstantynopolita\xC5\x84"
              "czykowianeczka i ja\n");
    // Without --wrap a terminal's lines are not cut.
    EXPECT_EQ(onTerminal("\"$CLI\" --file " + dir.file("wrap.dbc") + " all", 7).out,
              run(f + "all").out);
}

TEST_F(CliReader, SearchColoursWhatItFound)
{
    const std::string path = dir.write("colour.dbc", "Pierwsze koty za p\xB3oty\r\nKot i KOT\r\n"
                                                     "\xA3za ciek\xB3\x61\r\nbez\r\nkoniec\r\n");
    const std::string f = "--file '" + path + "' ";
    const std::string kot = "Pierwsze " + marked("kot") + "y za p\xC5\x82oty\n" + marked("Kot") +
                            " i " + marked("KOT") + "\n";
    EXPECT_EQ(run(f + "--color=always search kot").out, kot);
    EXPECT_EQ(run(f + "search --color=always kot").out, kot);
    // GNU grep marks the same bytes.
    if (tavir::test::runShell("grep --version >/dev/null 2>&1").status == 0) {
        EXPECT_EQ(tavir::test::runShell("iconv -f WINDOWS-1250 -t UTF-8 '" + path +
                                        "' | head -n 4 | tr -d '\\r' | env -u GREP_COLORS "
                                        "-u GREP_COLOR grep --color=always -i kot")
                      .out,
                  kot);
    }
    const std::string plain = "Pierwsze koty za p\xC5\x82oty\nKot i KOT\n";
    EXPECT_EQ(run(f + "--color=never search kot").out, plain);
    EXPECT_EQ(run(f + "--color=auto search kot").out, plain); // a pipe is no terminal
    EXPECT_EQ(run(f + "--color search kot").out, plain);
    EXPECT_EQ(run(f + "search kot").out, plain);
    EXPECT_EQ(run(f + "--raw --color=always search kot").out,
              "Pierwsze koty za p\xB3oty\r\nKot i KOT\r\n");
    // With the search's own folding; a match cut by the wrap is closed and opened again.
    EXPECT_EQ(run(f + "--case-all --color=always search \xC5\x82za").out,
              marked("\xC5\x81za") + " ciek\xC5\x82\x61\n");
    EXPECT_EQ(run(f + "--no-diacritics --color=always search PLOTY").out,
              "Pierwsze koty za " + marked("p\xC5\x82oty") + "\n");
    EXPECT_EQ(run(f + "--color=always --wrap=13 search 'koty za'").out,
              "Pierwsze " + marked("koty") + "\n" + marked("za") + " p\xC5\x82oty\n");
    for (const char* wrong :
         {"--color=sometimes search kot", "--color=always all", "--color count", "random --color"})
        EXPECT_EQ(run(f + wrong).status, 2) << wrong;

    if (tavir::test::runShell("command -v script >/dev/null").status != 0)
        GTEST_SKIP() << "no script(1) to give tavir-cli a terminal";
    const std::string search = "\"$CLI\" --file '" + path + "' search kot";
    EXPECT_EQ(onTerminal(search).out, kot);
    EXPECT_EQ(onTerminal("NO_COLOR=1 " + search).out, plain);
    EXPECT_EQ(onTerminal("NO_COLOR= " + search).out, kot);
    EXPECT_EQ(onTerminal("TERM=dumb " + search).out, plain);
    EXPECT_EQ(onTerminal("NO_COLOR=1 \"$CLI\" --file '" + path + "' --color=always search kot").out,
              kot);
    EXPECT_EQ(onTerminal("\"$CLI\" --file '" + path + "' --raw search kot").out,
              "Pierwsze koty za p\xB3oty\nKot i KOT\n");
}

TEST_F(CliReader, WordFormSearchColoursTheWordsItTookForTheQuery)
{
    const std::string f =
        "--file " + file("psy.dbc", "Psy szczekaj\xB9.\r\nPies i kot.\r\nPiesek\r\nkoniec\r\n");
    const Outcome found = run(f + "--word-forms --color=always search pies");
    EXPECT_EQ(found.status, 0) << found.err;
    EXPECT_EQ(found.out, marked("Psy") + " szczekaj\xC4\x85.\n" + marked("Pies") + " i kot.\n");
    EXPECT_EQ(run(f + "--word-forms search pies").out, "Psy szczekaj\xC4\x85.\nPies i kot.\n");
}

TEST_F(CliReader, TheCollectionIsLookedForInFourPlaces)
{
    const std::string shipped = run("count", "HOME='" + dir.file("home") + "'").out;
    EXPECT_EQ(
        shipped,
        run("--file '" + std::string(TAVIR_SOURCE_DIR) + "/dane/cytaty/cytaty.dbc' count").out);
    EXPECT_GT(std::stoi(shipped), 300);

    dir.write("data/tavir/cytaty.dbc", "moja\r\nw\xB3\x61sna\r\nkoniec\r\n");
    EXPECT_EQ(run("count").out, "2\n");
    EXPECT_EQ(run("all").out, "moja\nw\xC5\x82\x61sna\n");
    const std::string other = dir.write("inne.dbc", "a\r\nb\r\nc\r\nkoniec\r\n");
    EXPECT_EQ(run("count", "TAVIR_FILE='" + other + "'").out, "3\n");
    EXPECT_EQ(run("count", "TAVIR_FILE=").out, "2\n");
    EXPECT_EQ(run("--file " + file("jeden.dbc", "jeden\r\nkoniec\r\n") + "count",
                  "TAVIR_FILE='" + other + "'")
                  .out,
              "1\n");
    // Without XDG_DATA_HOME, ~/.local/share.
    dir.write("home/.local/share/tavir/cytaty.dbc", "x\r\ny\r\nz\r\nw\r\nkoniec\r\n");
    EXPECT_EQ(tavir::test::runShell("env -u TAVIR_FILE -u XDG_DATA_HOME HOME='" + dir.file("home") +
                                    "' " + TAVIR_CLI + " count")
                  .out,
              "4\n");
    // A file there that cannot be read is an error, not the shipped collection.
    std::filesystem::remove(dir.file("data/tavir/cytaty.dbc"));
    dir.write("data/tavir/cytaty.dbc/x", "");
    const Outcome folder = run("count");
    EXPECT_EQ(folder.status, 1);
    EXPECT_EQ(folder.err, "Cannot open file " + dir.file("data/tavir/cytaty.dbc") + "\n");
}

} // namespace

// Bad data files and failing folders: the library reports what the user must see and loses
// nothing, neither a byte of the quotations nor an existing file.
#include "base/errors.h"
#include "quotes/collection.h"
#include "quotes/exports.h"
#include "quotes/queries.h"
#include "tests/support/full_disk.h"
#include "tests/support/temp_dir.h"
#include "tests/support/unprivileged.h"

#include <gtest/gtest.h>

#include <set>

namespace fs = std::filesystem;
using tavir::QuoteCollection;
using tavir::test::TempDir;

namespace {

// Keeps the views the queries add, without copying a 50 MB caption fifty times.
class Rows final : public tavir::ResultList
{
public:
    void clear() override { views.clear(); }
    void beginUpdate() override {}
    void endUpdate() override {}
    void add(std::string_view caption, int) override { views.push_back(caption); }

    std::vector<std::string_view> views;
};

std::vector<std::string_view> filter(const QuoteCollection& quotes, std::string_view query)
{
    Rows rows;
    tavir::NoWaitIndicator wait;
    tavir::NoEventPump pump;
    tavir::FiltrujDane(quotes, query, rows, wait, pump);
    return rows.views;
}

TEST(DataFileFaults, UnreadableFileRaisesCannotOpen)
{
    TempDir dir;
    fs::permissions(dir.path(), static_cast<fs::perms>(0755));
    const std::string path = dir.write("cytaty.dbc", "Ala ma kota\r\nkoniec\r\n");
    fs::permissions(path, fs::perms::none);
    const auto outcome = tavir::test::runAsNobody([&] {
        const auto attempt = [](auto&& read) -> std::string {
            try {
                return "read " + std::to_string(read());
            } catch (const tavir::Error& error) {
                return error.what();
            }
        };
        return attempt([&] { return QuoteCollection::fromFile(path).lineCount(); }) + "\n" +
               attempt([&] { return tavir::countFileLines(path); });
    });
    if (!outcome)
        GTEST_SKIP() << "cannot run as an unprivileged user";
    EXPECT_EQ(*outcome, "Cannot open file " + path + "\nCannot open file " + path);
}

TEST(DataFileFaults, FiftyMegabyteLineArrivesWhole)
{
    TempDir dir;
    std::string line(std::size_t(50) << 20, 'x');
    for (std::size_t i = 0; i < line.size(); i += 4099)
        line[i] = '\xB9';
    line.replace(line.size() - 6, 6, "KONIEC");

    // Alone it is the last line, so no quotation: nothing lists it.
    auto quotes = QuoteCollection::fromFile(dir.write("one.dbc", line));
    ASSERT_EQ(quotes.lineCount(), 1u);
    EXPECT_EQ(tavir::countFileLines(dir.file("one.dbc")), 1u);
    EXPECT_TRUE(quotes.line(0) == line);
    EXPECT_EQ(quotes.counterText(), "0");
    EXPECT_TRUE(filter(quotes, "koniec").empty());
    EXPECT_TRUE(filter(quotes, "").empty());

    // With a line after it, every query reaches it whole.
    quotes = QuoteCollection::fromFile(dir.write("two.dbc", line + "\r\nend"));
    ASSERT_EQ(quotes.lineCount(), 2u);
    EXPECT_EQ(tavir::countFileLines(dir.file("two.dbc")), 2u);
    EXPECT_TRUE(quotes.line(0) == line);
    for (const std::string_view query : {"koniec", "xkon", ""}) {
        const auto found = filter(quotes, query);
        ASSERT_EQ(found.size(), 1u) << query;
        EXPECT_EQ(found[0].data(), quotes.line(0).data());
        EXPECT_EQ(found[0].size(), line.size());
    }
    EXPECT_TRUE(filter(quotes, "koniecx").empty()); // never past the line's end
    Rows drawn;
    tavir::LosujDane(quotes, 50, 7, drawn);
    ASSERT_EQ(drawn.views.size(), 50u);
    for (const std::string_view view : drawn.views)
        EXPECT_EQ(view.size(), line.size());
}

// Every byte value on a line of its own, from 0xFF down: CR and LF each make two empty
// lines, and the NUL ends the text.
TEST(DataFileFaults, EveryByteValueStaysAndFoldsOnlyAToZ)
{
    TempDir dir;
    std::string bytes;
    std::vector<std::string> expected;
    for (int b = 255; b >= 0; --b) {
        bytes += static_cast<char>(b);
        bytes += "\r\n";
        if (b == '\r' || b == '\n') {
            expected.insert(expected.end(), {"", ""});
        } else if (b != 0) {
            expected.emplace_back(1, static_cast<char>(b));
        }
    }
    bytes += "never seen\r\n";
    const auto quotes = QuoteCollection::fromFile(dir.write("bajty.dbc", bytes));
    ASSERT_EQ(quotes.lineCount(), expected.size());
    EXPECT_EQ(tavir::countFileLines(dir.file("bajty.dbc")), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(quotes.line(i), expected[i]) << i;

    // The last line holds 0x01 and is never found.
    EXPECT_TRUE(filter(quotes, "\x01").empty());
    for (int b = 2; b < 256; ++b) {
        const char c = static_cast<char>(b);
        if (c == '\r' || c == '\n')
            continue;
        std::multiset<std::string> want{std::string(1, c)};
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))
            want.insert(std::string(1, static_cast<char>(c ^ 0x20)));
        const auto found = filter(quotes, std::string(1, c));
        EXPECT_EQ(std::multiset<std::string>(found.begin(), found.end()), want) << b;
    }
}

TEST(DataFileFaults, NulInTheFirstByteOfALargeFileHidesEverything)
{
    TempDir dir;
    std::string bytes(1, '\0');
    while (bytes.size() < (std::size_t(3) << 20))
        bytes += "Ala ma kota\r\n";
    const auto quotes = QuoteCollection::fromFile(dir.write("nul.dbc", bytes));
    EXPECT_EQ(quotes.lineCount(), 0u);
    EXPECT_EQ(tavir::countFileLines(dir.file("nul.dbc")), 0u);
    EXPECT_TRUE(quotes.text().empty());
    EXPECT_EQ(quotes.counterText(), "-1");
    EXPECT_TRUE(filter(quotes, "").empty());
    EXPECT_TRUE(filter(quotes, "ala").empty());
    Rows drawn;
    tavir::LosujDane(quotes, 50, 1, drawn);
    EXPECT_TRUE(drawn.views.empty());
}

// Read-only folders and files, for the HTML page and the print file: the old files stay byte
// for byte, no temporary file is left, and the message names the file.
TEST(ExportFaults, ReadOnlyFolderOrTargetKeepsTheOldFiles)
{
    using tavir::test::handToNobody;
    TempDir dir;
    fs::permissions(dir.path(), static_cast<fs::perms>(0755));
    const std::string app = dir.file("app") + "/";
    dir.write("app/dane/szablony_html/szablon.html", "<HTML>\r\n<BODY>\r\n");
    const std::string page = dir.write("app/strona.html", "old page");
    const std::string print = dir.write("app/TaViR.txt", "old print");
    const std::string locked = dir.write("rw/locked.html", "locked page");
    // Only the folder stops the first two writes, only the file's bits the third.
    fs::permissions(dir.file("app/dane"), static_cast<fs::perms>(0755));
    fs::permissions(dir.file("app/dane/szablony_html"), static_cast<fs::perms>(0755));
    fs::permissions(dir.file("app/dane/szablony_html/szablon.html"), static_cast<fs::perms>(0644));
    handToNobody(page, 0644);
    handToNobody(print, 0644);
    handToNobody(dir.file("app"), 0555);
    handToNobody(dir.file("rw"), 0755);
    handToNobody(locked, 0444);

    const auto outcome = tavir::test::runAsNobody([&] {
        std::string report;
        const auto attempt = [&](auto&& write) {
            try {
                write();
                report += "written\n";
            } catch (const tavir::Error& error) {
                report += std::string(error.what()) + "\n";
            }
        };
        attempt([&] { tavir::saveHtmlPage(app, page, "x", {"Q"}); });
        attempt([&] { tavir::writePrintFile(app + "TaViR.txt", {"Q"}); });
        attempt([&] { tavir::saveHtmlPage(app, locked, "x", {"Q"}); });
        return report;
    });
    fs::permissions(dir.file("app"), fs::perms::owner_all, fs::perm_options::add);
    if (!outcome)
        GTEST_SKIP() << "cannot run as an unprivileged user";
    EXPECT_EQ(*outcome, "Cannot create file " + page + "\nCannot create file " + print +
                            "\nCannot create file " + locked + "\n");
    EXPECT_EQ(TempDir::read(page), "old page");
    EXPECT_EQ(TempDir::read(print), "old print");
    EXPECT_EQ(TempDir::read(locked), "locked page");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.file("app")), fs::directory_iterator()), 3);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.file("rw")), fs::directory_iterator()), 1);
}

TEST(ExportFaults, FullDiskDuringThePrintFileLeavesNoTemporary)
{
    TempDir dir;
    const std::string folder = dir.path().string() + "/";
    const std::string print = dir.write("TaViR.txt", "old print");
    try {
        tavir::test::FullDisk full(16);
        (void)tavir::writePrintFile(folder + "TaViR.txt", {std::string(1000, 'x')});
        ADD_FAILURE() << "no error";
    } catch (const tavir::Error& error) {
        EXPECT_EQ(std::string(error.what()), "Cannot create file " + print);
    }
    EXPECT_EQ(TempDir::read(print), "old print");
    EXPECT_EQ(dir.entryCount(), 1u);
}

} // namespace

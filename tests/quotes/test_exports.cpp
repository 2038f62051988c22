#include "base/errors.h"
#include "quotes/exports.h"
#include "tests/support/full_disk.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

using tavir::test::FullDisk;
using tavir::test::TempDir;

namespace {

using Views = std::vector<std::string_view>;

const std::string kClosing =
    "</ol><br><br><center>Cytaty pochodz\xB9 z darmowej aplikacji VELTA Software TaViR 5.1 "
    "(18082005), <A href=http://www.velta.example>http://www.velta.example</a></center>"
    "</BODY></HTML>\r\n";

TEST(TextForm, EveryLineEndsInCrLf)
{
    EXPECT_EQ(tavir::textForm({"a", "", "b\nc"}), "a\r\n\r\nb\nc\r\n");
    EXPECT_EQ(tavir::textForm({}), "");
}

TEST(HtmlPage, TemplateHeaderItemsAndClosing)
{
    const std::string page = tavir::htmlPage({"<HTML>", "<BODY>"}, "mi\xB3o\x9C\xE6", {"Q"});
    EXPECT_EQ(page, "<HTML>\r\n<BODY>\r\n"
                    "<font class=header>Wyszukane cytaty, zawieraj\xB9"
                    "ce: <u>mi\xB3o\x9C\xE6</u>"
                    "</font><br><br><ol>\r\n"
                    "<li>Q</li>\n\r\n" +
                        kClosing);
}

TEST(HtmlPage, CaptionsCannotInjectMarkup)
{
    const std::string page =
        tavir::htmlPage({}, "&lt;b&gt;", {"<script>alert(\"x\")</script> & \xB9"});
    EXPECT_NE(page.find("<li>&lt;script&gt;alert(&quot;x&quot;)&lt;/script&gt; &amp; \xB9</li>"),
              std::string::npos);
    EXPECT_EQ(page.find("<script>"), std::string::npos);
    EXPECT_NE(page.find("<u>&lt;b&gt;</u>"), std::string::npos);
}

TEST(HtmlTarget, AddsTheExtensionOnlyWhenMissing)
{
    EXPECT_EQ(tavir::htmlTarget("/tmp/cytaty"), "/tmp/cytaty.html");
    EXPECT_EQ(tavir::htmlTarget("/tmp/a.html"), "/tmp/a.html");
    EXPECT_EQ(tavir::htmlTarget("/tmp/A.HtMl"), "/tmp/A.HtMl");
    EXPECT_EQ(tavir::htmlTarget("/tmp/a.htm"), "/tmp/a.htm.html");
    EXPECT_EQ(tavir::htmlTarget("html"), "html.html");
}

TEST(PrintText, ClosingLineEvenWithoutSelection)
{
    EXPECT_EQ(tavir::printText({}), "- Cytaty pochodz\xB9 z darmowej aplikacji VELTA Software "
                                    "TaViR 5.1 (18082005), http://www.velta.example\r\n");
    EXPECT_EQ(tavir::printText({"<b>", "\xB9"}).substr(0, 9), "<b>\r\n\xB9\r\n-");
}

class ExportFiles : public ::testing::Test
{
protected:
    TempDir dir;
    std::string folder = dir.path().string() + "/";
    void writeTemplate() const
    {
        dir.write("dane/szablony_html/szablon.html", "<HTML>\r\n<BODY>\r\n");
    }
};

TEST_F(ExportFiles, SavesThePageOverAnOldOne)
{
    writeTemplate();
    const std::string target = dir.write("wynik.html", "old content that is longer than the new");
    tavir::saveHtmlPage(folder, target, "x", {"Q"});
    EXPECT_EQ(TempDir::read(target).substr(0, 16), "<HTML>\r\n<BODY>\r\n");
    EXPECT_NE(TempDir::read(target).find("<li>Q</li>\n\r\n"), std::string::npos);
}

TEST_F(ExportFiles, MissingTemplateWritesNothing)
{
    const std::string target = dir.file("wynik.html");
    try {
        tavir::saveHtmlPage(folder, target, "x", {"Q"});
        FAIL();
    } catch (const tavir::Error& error) {
        EXPECT_EQ(std::string(error.what()),
                  "Cannot open file " + folder + "/dane/szablony_html/szablon.html");
    }
    EXPECT_FALSE(std::filesystem::exists(target));
}

TEST_F(ExportFiles, FailedWritesLeaveTheTargetIntact)
{
    writeTemplate();
    const std::string old = "old page";
    const std::string target = dir.write("wynik.html", old);
    const std::size_t entries = dir.entryCount();
    {
        FullDisk full(64);
        EXPECT_THROW(tavir::saveHtmlPage(folder, target, "x", {std::string(4096, 'q')}),
                     tavir::Error);
    }
    EXPECT_EQ(TempDir::read(target), old);
    EXPECT_EQ(dir.entryCount(), entries);

    try {
        tavir::saveHtmlPage(folder, dir.file("brak/wynik.html"), "x", {"Q"});
        FAIL();
    } catch (const tavir::Error& error) {
        EXPECT_EQ(std::string(error.what()), "Cannot create file " + dir.file("brak/wynik.html"));
    }
}

TEST_F(ExportFiles, PrintFileBesideTheProgram)
{
    EXPECT_EQ(tavir::writePrintFile(folder + "TaViR.txt", {"A", "B"}), folder + "TaViR.txt");
    EXPECT_EQ(TempDir::read(folder + "TaViR.txt").substr(0, 7), "A\r\nB\r\n-");

    const std::string before = TempDir::read(folder + "TaViR.txt");
    {
        FullDisk full(16);
        EXPECT_THROW(tavir::writePrintFile(folder + "TaViR.txt", {std::string(1000, 'x')}),
                     tavir::Error);
    }
    EXPECT_EQ(TempDir::read(folder + "TaViR.txt"), before);
}

} // namespace

#include "base/errors.h"
#include "settings/frmutils.h"
#include "tests/support/temp_dir.h"

#include <QApplication>
#include <QLabel>
#include <QScreen>

#include <gtest/gtest.h>

#include <memory>

using tavir::FontRecord;
using tavir::test::TempDir;

namespace {

constexpr std::int32_t kWindowText = -2147483640;

// A form called `name`; when `frame` is given it is shown with exactly that outer frame.
std::unique_ptr<QWidget> makeForm(const char* name, std::optional<QRect> frame = {})
{
    auto form = std::make_unique<QWidget>();
    form->setObjectName(name);
    form->resize(500, 400);
    if (frame) {
        form->show();
        const QSize border = form->frameGeometry().size() - form->size();
        form->move(frame->topLeft());
        form->resize(frame->size() - border);
    }
    return form;
}

TEST(Frmutils, FirstFullSaveIntoANewFile)
{
    TempDir dir;
    const auto form = makeForm("MainFrm", QRect(100, 50, 800, 600));
    ASSERT_EQ(form->frameGeometry(), QRect(100, 50, 800, 600));
    QFont preview(QStringLiteral("Arial"), 12);
    preview.setWeight(QFont::DemiBold);
    preview.setItalic(true);

    const auto ini = dir.file("konfiguracja.ini");
    tavir::WriteFormPlacement(*form, ini);
    tavir::WriteConfigInteger("Wyniki-height", 118, ini);
    tavir::WriteFontSection(tavir::fontRecord(tavir::toQFont({}), kWindowText), ini, "Wyniki_font");
    tavir::WriteFontSection(tavir::fontRecord(preview, tavir::colorValue(Qt::red)), ini,
                            "LOOpa_font");
    EXPECT_EQ(TempDir::read(ini),
              "[MainFrm]\r\nleft=100\r\ntop=50\r\nwidth=800\r\nheight=600\r\nwindow_state=0\r\n"
              "[konfiguracja]\r\nWyniki-height=118\r\n"
              "[Wyniki_font]\r\nface=MS Sans Serif\r\nsize=8\r\ncolor=-2147483640\r\n"
              "bold=0\r\nitalic=0\r\nunderline=0\r\n"
              "[LOOpa_font]\r\nface=Arial\r\nsize=12\r\ncolor=255\r\n"
              "bold=1\r\nitalic=1\r\nunderline=0\r\n");

    const auto missingFolder = dir.file("dane/konfiguracja.ini");
    try {
        tavir::WriteFormPlacement(*form, missingFolder);
        ADD_FAILURE() << "no error";
    } catch (const tavir::Error& error) {
        EXPECT_EQ(error.what(), "Unable to write to " + missingFolder);
    }
}

TEST(Frmutils, PlacementFollowsTheWindowState)
{
    TempDir dir;
    const auto ini = dir.file("k.ini");
    tavir::WriteFormPlacement(*makeForm("Form", QRect(70, 40, 500, 300)), ini);
    const auto normal = makeForm("form", QRect(0, 0, 200, 100));
    tavir::ReadFormPlacement(*normal, ini);
    EXPECT_EQ(normal->frameGeometry(), QRect(70, 40, 500, 300));
    EXPECT_FALSE(normal->isMaximized() || normal->isMinimized());
    tavir::ReadFormPlacement(*normal, dir.file("missing.ini"));
    EXPECT_EQ(normal->frameGeometry(), QRect(70, 40, 500, 300));

    // Maximized: the earlier width and height stay in the file, and are not read back.
    const auto maximized = makeForm("Form");
    maximized->showMaximized();
    tavir::WriteFormPlacement(*maximized, ini);
    EXPECT_EQ(TempDir::read(ini), QStringLiteral("[Form]\r\nleft=%1\r\ntop=%2\r\nwidth=500\r\n"
                                                 "height=300\r\nwindow_state=2\r\n")
                                      .arg(maximized->x())
                                      .arg(maximized->y())
                                      .toStdString());
    dir.write("k.ini", "[Form]\r\nleft=30\r\ntop=20\r\nwidth=333\r\nheight=222\r\nwindow_state=2");
    const auto next = makeForm("Form");
    tavir::ReadFormPlacement(*next, ini);
    EXPECT_TRUE(next->isMaximized());
    EXPECT_EQ(next->pos(), QPoint(30, 20));
    EXPECT_EQ(next->size(), QSize(500, 400));

    dir.write("k.ini", "[Form]\r\nwidth=333\r\nwindow_state=1\r\n");
    const auto minimized = makeForm("Form");
    tavir::ReadFormPlacement(*minimized, ini);
    EXPECT_TRUE(minimized->isMinimized());
    EXPECT_EQ(minimized->frameGeometry().width(), 333);
}

TEST(Frmutils, FixedSizeFormWritesItsSizeAsApplied)
{
    TempDir dir;
    const auto ini = dir.file("k.ini");
    dir.write("k.ini", "[Form]\r\nwidth=700\r\nheight=540\r\n");
    const auto form = makeForm("Form");
    tavir::ReadFormPlacement(*form, ini);
    form->setFixedSize(form->size());
    form->show();
    QCoreApplication::processEvents();
    // The platform has framed the window since; the frame must not be stored with it.
    ASSERT_NE(form->frameGeometry().size(), form->size());
    tavir::WriteFormPlacement(*form, ini);
    EXPECT_NE(TempDir::read(ini).find("width=700\r\nheight=540\r\n"), std::string::npos);
}

// Hand-edited positions and sizes at the ends of the 32-bit range: Qt adds size to position
// in int, so they must be brought within reach first. The sanitizer build runs this too.
TEST(Frmutils, PlacementAtTheIntegerLimits)
{
    TempDir dir;
    for (const char* extreme : {"2147483647", "-2147483648"}) {
        const std::string ini =
            dir.write("k.ini", std::string("[Form]\r\nleft=") + extreme + "\r\ntop=" + extreme +
                                   "\r\nwidth=" + extreme + "\r\nheight=" + extreme +
                                   "\r\nwindow_state=0\r\n");
        for (const bool shown : {false, true}) {
            const auto form = shown ? makeForm("Form", QRect(10, 10, 300, 200)) : makeForm("Form");
            tavir::ReadFormPlacement(*form, ini);
            const QRect frame = form->frameGeometry();
            EXPECT_LE(std::abs(std::int64_t{frame.left()}), QWIDGETSIZE_MAX) << extreme;
            EXPECT_LE(std::abs(std::int64_t{frame.top()}), QWIDGETSIZE_MAX) << extreme;
            EXPECT_GE(frame.right(), frame.left() - 1) << extreme;
            EXPECT_GE(frame.bottom(), frame.top() - 1) << extreme;
            EXPECT_EQ(frame.left() > 0, extreme[0] != '-') << extreme;
        }
    }
}

TEST(Frmutils, FontsAndColours)
{
    const FontRecord record{"Courier New", 11, 0x00FF8000, true, true, true};
    EXPECT_EQ(tavir::fontRecord(tavir::toQFont(record), record.color), record);
    FontRecord odd;
    odd.face = "\xA3\xF3\x64\x9F";
    odd.size = 0;
    EXPECT_EQ(tavir::toQFont(odd).family(), QStringLiteral("Łódź"));
    EXPECT_EQ(tavir::toQFont(odd).pointSize(), 8);
    QFont pixels;
    pixels.setPixelSize(32);
    const qreal dpi = QGuiApplication::primaryScreen()->logicalDotsPerInchY();
    EXPECT_EQ(tavir::fontRecord(pixels, 0).size, qRound(32 * 72.0 / dpi));

    QPalette palette;
    palette.setColor(QPalette::WindowText, QColor(1, 2, 3));
    palette.setColor(QPalette::Window, QColor(4, 5, 6));
    EXPECT_EQ(tavir::toQColor(0x00FF8000, palette), QColor(0x00, 0x80, 0xFF));
    EXPECT_EQ(tavir::toQColor(kWindowText, palette), QColor(1, 2, 3));
    EXPECT_EQ(tavir::toQColor(static_cast<std::int32_t>(0x80000005u), palette), QColor(4, 5, 6));

    QLabel label;
    tavir::applyFont(label, {"Arial", 15, 255, false, true, false});
    EXPECT_EQ(label.font().family(), QStringLiteral("Arial"));
    EXPECT_EQ(label.font().pointSize(), 15);
    EXPECT_TRUE(label.font().italic());
    EXPECT_EQ(label.palette().color(QPalette::WindowText), QColor(Qt::red));
    EXPECT_EQ(label.palette().color(QPalette::Text), QColor(Qt::red));
}

} // namespace

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

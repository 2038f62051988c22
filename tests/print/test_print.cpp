// Printing from the window through the real platform layer, into the private CUPS scheduler
// that print_cups.sh starts; only the dialogs are stood in for. Each case is run on its own by
// that script: the first with the PDF printer not yet the default, the second with it.
#include "app/qt_platform.h"
#include "gui/text.h"
#include "gui/tmainfrm.h"
#include "quotes/exports.h"
#include "tests/gui/app_folder.h"

#include <QAbstractItemView>
#include <QAction>
#include <QDeadlineTimer>
#include <QHash>
#include <QItemSelectionModel>
#include <QMessageBox>
#include <QProcess>
#include <QRawFont>
#include <QTest>
#include <QToolButton>

#include <cstddef>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

// Every Polish letter, small and capital; the last one is never selected.
const QStringList kQuotes = {u"Świat jest mały."_s, u"Zażółć gęślą jaźń."_s,
                             u"ZAŻÓŁĆ GĘŚLĄ JAŹŃ!"_s, u"Tego nie drukuj."_s};

// Records the boxes the real platform builds instead of showing them.
class BoxRecordingPlatform final : public tavir::QtPlatform
{
public:
    QStringList boxes;

protected:
    int exec(QDialog& dialog) override
    {
        const auto* box = qobject_cast<QMessageBox*>(&dialog);
        boxes << (box ? box->text() : dialog.windowTitle());
        return QMessageBox::Ok;
    }
};

QString output(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(10000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

// CUPS's text filter embeds its font ("monospace" as fontconfig gives it) with no map back to
// the characters, so pdftotext gives glyph numbers; they are read back through the font.
QString printedText(const QString& pdf)
{
    const QRawFont font(output(u"fc-match"_s, {u"-f"_s, u"%{file}"_s, u"monospace"_s}), 12);
    QHash<char32_t, QChar> characters;
    for (char16_t code = 0x20; code < 0x180; ++code) {
        const QChar character(code);
        quint32 glyph = 0;
        int glyphs = 1;
        if (font.glyphIndexesForChars(&character, 1, &glyph, &glyphs) && glyph != 0)
            characters.insert(glyph, character);
    }
    QString text;
    for (const char32_t glyph : output(u"pdftotext"_s, {pdf, u"-"_s}).toUcs4())
        text += glyph == U'\n' || glyph == U'\f' ? QChar(static_cast<char16_t>(glyph))
                                                 : characters.value(glyph, QChar(u'?'));
    return text;
}

} // namespace

class TestPrint : public QObject
{
    Q_OBJECT

private:
    AppFolder folder;
    BoxRecordingPlatform platform;
    std::unique_ptr<tavir::TMainFrm> window;
    std::vector<std::string> lines;

    // Lists every quotation, selects the given rows and presses "Drukuj zaznaczone".
    void print(std::initializer_list<int> rows)
    {
        window->findChild<QToolButton*>(u"SpeedButton2"_s)->click();
        auto* list = window->findChild<QAbstractItemView*>(u"Wyniki"_s);
        for (const int row : rows)
            list->selectionModel()->select(list->model()->index(row, 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
        window->findChild<QAction*>(u"Drukujzaznaczone1"_s)->trigger();
    }
    QByteArray printFileOf(std::initializer_list<int> rows) const
    {
        std::vector<std::string_view> captions;
        for (const int row : rows)
            captions.emplace_back(lines.at(static_cast<std::size_t>(row)));
        return QByteArray::fromStdString(tavir::printText(captions));
    }
    QString printFile() const { return folder.file(u"TaViR.txt"_s); }
    static QString printedPdf() { return qEnvironmentVariable("TAVIR_PRINTED_PDF"); }

private slots:
    void initTestCase()
    {
        // Never the machine's own scheduler.
        QVERIFY(qEnvironmentVariable("CUPS_SERVER").startsWith(u'/'));
        QVERIFY(!printedPdf().isEmpty());
        QByteArray data;
        for (const QString& quote : kQuotes) {
            lines.push_back(tavir::toWindows1250(quote));
            data += QByteArray::fromStdString(lines.back()) + "\r\n";
        }
        folder.writeQuotes(data);
        window = std::make_unique<tavir::TMainFrm>(platform, folder.path());
        window->show();
    }
    void cleanupTestCase() { window.reset(); }

    void withNoDefaultPrinterLpsErrorIsShown()
    {
        print({0});
        // lp names itself as it was started, with or without its folder.
        QCOMPARE(platform.boxes.size(), 1);
        const QString& box = platform.boxes.constFirst();
        QVERIFY2(box.startsWith(u"Cannot print "_s + printFile() + u": "_s), qPrintable(box));
        QVERIFY2(box.endsWith(u"lp: Error - No default destination."_s), qPrintable(box));
        QCOMPARE(folder.read(u"TaViR.txt"_s), printFileOf({0}));
        QCOMPARE(output(u"lpstat"_s, {u"-W"_s, u"all"_s, u"-o"_s}), QString());
        QVERIFY(!QFile::exists(printedPdf()));
    }

    void printsEveryPolishLetter()
    {
        print({0, 1, 2});
        QCOMPARE(platform.boxes, QStringList());
        QCOMPARE(folder.read(u"TaViR.txt"_s), printFileOf({0, 1, 2}));

        const QDeadlineTimer deadline(20000);
        while (!output(u"lpstat"_s, {u"-o"_s}).isEmpty() && !deadline.hasExpired())
            QTest::qWait(100);
        const QString text = printedText(printedPdf());
        const QStringList printed = text.split(u'\n');
        for (const QString& quote : kQuotes.first(3))
            QVERIFY2(printed.contains(quote), qPrintable(text));
        QVERIFY2(!text.contains(kQuotes.last()), qPrintable(text));
    }
};

QTEST_MAIN(TestPrint)
#include "test_print.moc"

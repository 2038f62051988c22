#include "quotes/exports.h"
#include "tests/gui/window_fixture.h"
#include "tests/support/full_disk.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QToolButton>

using namespace Qt::StringLiterals;

namespace {

const QByteArray kQuotes = "Ala ma kota\r\nALA\r\nbez\r\nmi\xB3o\x9C\xE6 <b>jest</b>\r\nend\r\n";
// The page's closing line and the print file's, whose bytes the export tests pin.
QByteArray closingLines(const std::string& text)
{
    return QByteArray::fromStdString(text.substr(text.rfind("\r\n", text.size() - 3) + 2));
}
const QByteArray kClosing = closingLines(tavir::htmlPage({}, "", {}));
const QString kTemplate = QStringLiteral("dane/szablony_html/szablon.html");

} // namespace

class TestCommands : public QObject, private WindowFixture
{
    Q_OBJECT

private:
    void listAll() { QTest::mouseClick(child<QToolButton>("SpeedButton2"), Qt::LeftButton); }
    void press(QWidget* focus, QKeyCombination key)
    {
        focus->setFocus();
        QTest::keyClick(focus, key.key(), key.keyboardModifiers());
    }
    QAction* action(const char* name) { return child<QAction>(name); }

private slots:
    void init()
    {
        startOver(kQuotes);
        folder.write(kTemplate, "<HTML>\r\n<BODY>\r\n");
        open();
        listAll();
    }
    void cleanup() { finish(); }

    void copyTakesTheRowsInListOrder()
    {
        select({2, 0, 1});
        action("Kopiujzaznaczone1")->trigger();
        QCOMPARE(platform.clipboardBytes, QByteArray("Ala ma kota\r\nALA\r\nbez\r\n"));
        QCOMPARE(platform.clipboardText, QStringLiteral("Ala ma kota\r\nALA\r\nbez\r\n"));

        child<ResultsView>("Wyniki")->clearSelection();
        select({3});
        action("Kopiujzaznaczone1")->trigger();
        QCOMPARE(platform.clipboardBytes, QByteArray("mi\xB3o\x9C\xE6 <b>jest</b>\r\n"));
        QCOMPARE(platform.clipboardText, QStringLiteral("miłość <b>jest</b>\r\n"));
    }

    void copyWithNothingSelectedEmptiesTheClipboard()
    {
        action("Kopiujzaznaczone1")->trigger();
        QCOMPARE(platform.clipboardWrites, 1);
        QVERIFY(platform.clipboardBytes.isEmpty());
        QVERIFY(platform.clipboardText.isEmpty());
    }

    void saveWithNothingSelectedOpensNoDialog()
    {
        action("Zapiszwynikidopliku1")->trigger();
        QVERIFY(platform.saveDialogs.empty());
    }

    void saveWritesTemplateHeaderItemsAndClosing()
    {
        child<QLineEdit>("Edit1")->setText(QStringLiteral("miłość"));
        select({3});
        platform.fileNames = {folder.file(QStringLiteral("wynik"))};
        action("Zapiszwynikidopliku1")->trigger();
        QCOMPARE(platform.saveDialogs.size(), 1u);
        QCOMPARE(platform.saveDialogs[0].title,
                 QStringLiteral("Zapisz zaznaczone cytaty na  dysku:"));
        QCOMPARE(platform.saveDialogs[0].filter, QStringLiteral("Pliki HTML (*.html)"));
        QCOMPARE(platform.saveDialogs[0].previousName, QString());
        QCOMPARE(folder.read(QStringLiteral("wynik.html")),
                 "<HTML>\r\n<BODY>\r\n"
                 "<font class=header>Wyszukane cytaty, zawieraj\xB9"
                 "ce: <u>mi\xB3o\x9C\xE6</u>"
                 "</font><br><br><ol>\r\n"
                 "<li>mi\xB3o\x9C\xE6 &lt;b&gt;jest&lt;/b&gt;</li>\n\r\n" +
                     kClosing);

        // The name chosen last time is offered again; a name ending in .html is kept.
        platform.fileNames = {folder.file(QStringLiteral("drugi.HTML"))};
        child<QLineEdit>("Edit1")->setText(QStringLiteral("<i>日"));
        action("Zapiszwynikidopliku1")->trigger();
        QCOMPARE(platform.saveDialogs[1].previousName, folder.file(QStringLiteral("wynik")));
        QVERIFY(folder.read(QStringLiteral("drugi.HTML")).contains("<u>&lt;i&gt;&#26085;</u>"));
        QVERIFY(!folder.exists(QStringLiteral("drugi.HTML.html")));
    }

    void cancelledOrEmptyNameWritesNothing()
    {
        select({0});
        platform.fileNames = {std::nullopt, QString()};
        action("Zapiszwynikidopliku1")->trigger();
        action("Zapiszwynikidopliku1")->trigger();
        QCOMPARE(platform.saveDialogs.size(), 2u);
        QVERIFY(!folder.exists(QStringLiteral(".html")));
        QVERIFY(platform.errors.empty());
    }

    void missingTemplateWritesNothing()
    {
        QFile::remove(folder.file(kTemplate));
        select({0});
        platform.fileNames = {folder.file(QStringLiteral("wynik"))};
        action("Zapiszwynikidopliku1")->trigger();
        QCOMPARE(takeErrorBoxes(),
                 std::vector<QString>{QStringLiteral("Cannot open file ") +
                                      QString::fromStdString(folder.path()) + QLatin1Char('/') +
                                      kTemplate + QLatin1Char('.')});
        QVERIFY(!folder.exists(QStringLiteral("wynik.html")));
    }

    void failedSaveLeavesTheOldFileIntact()
    {
        folder.write(QStringLiteral("wynik.html"), "old page");
        select({0, 1, 2, 3});
        platform.fileNames = {folder.file(QStringLiteral("wynik.html"))};
        {
            tavir::test::FullDisk full(40);
            action("Zapiszwynikidopliku1")->trigger();
        }
        QCOMPARE(folder.read(QStringLiteral("wynik.html")), QByteArray("old page"));
        QCOMPARE(takeErrorBoxes(), std::vector<QString>{QStringLiteral("Cannot create file ") +
                                                        folder.file(QStringLiteral("wynik.html")) +
                                                        QLatin1Char('.')});
        QCOMPARE(QDir(folder.file(QString())).entryList(QDir::Files).size(), 1);
    }

    void printWithNothingSelectedPrintsTheClosingLine()
    {
        action("Drukujzaznaczone1")->trigger();
        QCOMPARE(folder.read(QStringLiteral("TaViR.txt")),
                 QByteArray::fromStdString(tavir::printText({})));
        QCOMPARE(platform.printed, std::vector<QString>{folder.file(QStringLiteral("TaViR.txt"))});
    }

    void printThatCannotWriteDoesNotPrint()
    {
        QDir(folder.file(QString())).mkdir(QStringLiteral("TaViR.txt"));
        select({0});
        action("Drukujzaznaczone1")->trigger();
        QVERIFY(platform.printed.empty());
        QCOMPARE(takeErrorBoxes(),
                 std::vector<QString>{QStringLiteral("Cannot create file ") +
                                      folder.file(QStringLiteral("TaViR.txt")) + QLatin1Char('.')});
    }

    void exportShortcutsWorkFromEveryControl()
    {
        auto* edit = child<QLineEdit>("Edit1");
        edit->setText(QStringLiteral("tekst pola"));
        edit->selectAll();
        select({1});
        int saves = 0;
        for (QWidget* focus :
             {static_cast<QWidget*>(edit), static_cast<QWidget*>(child<ResultsView>("Wyniki")),
              static_cast<QWidget*>(child<QTextEdit>("Memo1"))}) {
            platform.clipboardBytes.clear();
            press(focus, Qt::CTRL | Qt::Key_C);
            QCOMPARE(platform.clipboardBytes, QByteArray("ALA\r\n"));

            platform.fileNames = {std::nullopt};
            press(focus, Qt::CTRL | Qt::Key_S);
            QCOMPARE(platform.saveDialogs.size(), std::size_t(++saves));

            platform.printed.clear();
            press(focus, Qt::CTRL | Qt::Key_P);
            QCOMPARE(platform.printed.size(), 1u);
        }
        QCOMPARE(platform.clipboardWrites, 3);
    }

    void fontShortcutOnlyInTheList()
    {
        press(child<QLineEdit>("Edit1"), Qt::CTRL | Qt::Key_F);
        QVERIFY(platform.fontDialogs.empty());

        platform.fonts = {std::nullopt};
        press(child<ResultsView>("Wyniki"), Qt::CTRL | Qt::Key_F);
        QCOMPARE(platform.fontDialogs.size(), 1u);
    }

    void fontDialogAppliesFaceSizeAndStyleOnly()
    {
        auto* list = child<ResultsView>("Wyniki");
        QFont underlined = list->font();
        underlined.setUnderline(true);
        list->setFont(underlined);
        const QFont before = list->font();

        platform.fonts = {std::nullopt};
        action("czcionka1")->trigger();
        QCOMPARE(platform.fontDialogs.at(0), before);
        QCOMPARE(list->font(), before);

        QFont chosen(QStringLiteral("DejaVu Serif"), 14);
        chosen.setWeight(QFont::DemiBold);
        chosen.setItalic(true);
        platform.fonts = {chosen};
        action("czcionka1")->trigger();
        QCOMPARE(list->font().family(), QStringLiteral("DejaVu Serif"));
        QCOMPARE(list->font().pointSize(), 14);
        QVERIFY(list->font().bold());
        QVERIFY(list->font().italic());
        QVERIFY(list->font().underline());

        auto* memo = child<QTextEdit>("Memo1");
        platform.fonts = {QFont(QStringLiteral("DejaVu Sans"), 20)};
        action("Czcionka2")->trigger();
        QCOMPARE(memo->font().pointSize(), 20);
        QCOMPARE(list->font().pointSize(), 14);
    }

    void updatePromptAndWebPages()
    {
        platform.answers = {false};
        action("Uaktualnijprogram1")->trigger();
        QVERIFY(platform.opened.empty());
        QCOMPARE(platform.questions.at(0).owner, nullptr);
        QCOMPARE(platform.questions.at(0).text,
                 QStringLiteral("Czy jesteś teraz połączony z Internetem?"));

        platform.answers = {true};
        action("Uaktualnijprogram1")->trigger();
        action("StronaWWWprogramu1")->trigger();
        action("VELTASoftware1")->trigger();
        action("Pomoc1")->trigger();
        QTest::mouseClick(child<QToolButton>("SpeedButton4"), Qt::LeftButton);
        QCOMPARE(platform.opened,
                 (std::vector<QString>{
                     QStringLiteral("http://www.velta.example/updates/tavir/"),
                     QStringLiteral("http://www.velta.example/index.php?a=prog&fname=tavir"),
                     QStringLiteral("http://www.velta.example"),
                     folder.file(QStringLiteral("dane/pomoc/pomoc.htm")),
                     QStringLiteral("http://www.velta.example")}));
    }

    void menusHoldTheirEntries()
    {
        const auto captions = [](QMenu* menu) {
            QStringList out;
            for (QAction* entry : menu->actions())
                out << (entry->isSeparator() ? QStringLiteral("-") : entry->text());
            return out;
        };
        QCOMPARE(captions(child<QMenu>("TaViR1")),
                 (QStringList{u"&Uaktualnij program"_s, u"-"_s, u"Zapi&sz zaznaczone do pliku"_s,
                              u"&Drukuj zaznaczone"_s, u"&Kopiuj zaznaczone"_s, u"-"_s,
                              u"Cytat &dnia"_s, u"-"_s, u"Każda &wielkość liter"_s,
                              u"Bez &ogonków"_s, u"Od&miana wyrazów"_s, u"&Podświetlaj trafienia"_s,
                              u"-"_s, u"&Zakończ program"_s}));
        QStringList mnemonics;
        for (QAction* entry : child<QMenu>("TaViR1")->actions())
            if (!entry->isSeparator())
                mnemonics << entry->text().section(QLatin1Char('&'), 1).left(1).toLower();
        // Every letter once, but D: "Drukuj" and "Cytat dnia" share it, and the key moves
        // between the two.
        mnemonics.removeDuplicates();
        QCOMPARE(mnemonics.size(), 9);
        QCOMPARE(captions(child<QMenu>("Informacje1")),
                 (QStringList{u"Strona &WWW programu"_s, u"&VELTA Software On-Line"_s, u"-"_s,
                              u"&Autorzy..."_s, u"-"_s, u"Pomo&c"_s, u"-"_s,
                              u"&O autorach/licencja"_s}));
        QCOMPARE(captions(child<QMenu>("PopupMenu1")),
                 (QStringList{u"&Kopiuj zaznaczone"_s, u"Zapi&sz zaznaczone do pliku"_s,
                              u"&Drukuj zaznaczone"_s, u"-"_s, u"Czcionka"_s}));
        QCOMPARE(captions(child<QMenu>("PopupMenu2")), QStringList{u"&Czcionka"_s});
        QCOMPARE(action("Kopiujzaznaczone1")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_C));
        QCOMPARE(action("czcionka1")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_F));
    }

    void searchOptionsFoldAndPersist()
    {
        closeWindow();
        folder.writeQuotes("\xA3za ciek\xB3\x61\r\nlza\r\n\xBF\xF3\xB3w\r\nkoniec\r\n");
        open();
        QAction* caseAll = action("Wielkoscliter1");
        QAction* noDiacritics = action("Bezogonkow1");
        QVERIFY(caseAll->isCheckable() && noDiacritics->isCheckable());
        QVERIFY(!caseAll->isChecked() && !noDiacritics->isChecked());
        const auto search = [&](const QString& text) {
            child<QLineEdit>("Edit1")->setText(text);
            child<QToolButton>("SpeedButton1")->click();
            return rows();
        };
        QCOMPARE(search(u"łza"_s), QStringList{});
        caseAll->trigger();
        QCOMPARE(search(u"łza"_s), QStringList{u"Łza ciekła"_s});
        QCOMPARE(search(u"zolw"_s), QStringList{});
        noDiacritics->trigger();
        QVERIFY(caseAll->isChecked());
        QVERIFY(!caseAll->isEnabled());
        QCOMPARE(search(u"LZA"_s), (QStringList{u"Łza ciekła"_s, u"lza"_s}));
        QCOMPARE(search(u"zolw"_s), QStringList{u"żółw"_s});

        // Written at the confirmed close and restored at the next start.
        closeWindow();
        QVERIFY(folder.read(QStringLiteral("dane/konfiguracja.ini"))
                    .endsWith("[wyszukiwanie]\r\nwielkosc_liter=1\r\nbez_znakow=1\r\n"));
        open();
        QVERIFY(action("Bezogonkow1")->isChecked());
        QVERIFY(action("Wielkoscliter1")->isChecked());
        QVERIFY(!action("Wielkoscliter1")->isEnabled());
        QCOMPARE(search(u"ZOLW"_s), QStringList{u"żółw"_s});

        // Switched off again: the section stays, with zeros.
        action("Bezogonkow1")->trigger();
        QVERIFY(action("Wielkoscliter1")->isEnabled());
        action("Wielkoscliter1")->trigger();
        closeWindow();
        QVERIFY(folder.read(QStringLiteral("dane/konfiguracja.ini"))
                    .endsWith("[wyszukiwanie]\r\nwielkosc_liter=0\r\nbez_znakow=0\r\n"));
        open();
        QVERIFY(!action("Bezogonkow1")->isChecked());
        QVERIFY(!action("Wielkoscliter1")->isChecked());
        QCOMPARE(search(u"łza"_s), QStringList{});
    }

    void bottomBarAndAltKeys()
    {
        QTest::keyClick(window.get(), Qt::Key_S, Qt::AltModifier);
        QTRY_COMPARE(platform.opened,
                     std::vector<QString>{QStringLiteral("http://www.velta.example")});
        // Each mnemonic is pressed in a freshly activated window.
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        QTest::keyClick(window.get(), Qt::Key_O, Qt::AltModifier);
        QTRY_COMPARE(platform.modals.size(), 1u);
        QCOMPARE(platform.modals[0]->windowTitle(), QStringLiteral("O autorach:"));
        platform.modals[0]->hide();
    }

    void aboutWindowButtons()
    {
        action("Oautorach1")->trigger();
        QCOMPARE(platform.modals.size(), 1u);
        QDialog* about = platform.modals[0];
        QVERIFY(about->isVisible());
        for (const char* button : {"SpeedButton2", "SpeedButton3", "SpeedButton5", "SpeedButton4"})
            QTest::mouseClick(about->findChild<QToolButton*>(QLatin1String(button)),
                              Qt::LeftButton);
        QTest::mouseClick(about->findChild<QLabel*>(QStringLiteral("Label6")), Qt::LeftButton);
        QCOMPARE(platform.opened,
                 (std::vector<QString>{QStringLiteral("mailto:redakcja@velta.example"),
                                       QStringLiteral("mailto:przyslowia@velta.example"),
                                       QStringLiteral("mailto:korekta@velta.example"),
                                       QStringLiteral("mailto:programisci@velta.example"),
                                       QStringLiteral("http://www.velta.example")}));
        QVERIFY(about->findChild<QPlainTextEdit*>(QStringLiteral("Memo1"))->isReadOnly());
        QTest::mouseClick(about->findChild<QToolButton*>(QStringLiteral("SpeedButton1")),
                          Qt::LeftButton);
        QVERIFY(!about->isVisible());

        // The same window comes back; it is never rebuilt.
        QTest::mouseClick(child<QToolButton>("SpeedButton5"), Qt::LeftButton);
        QCOMPARE(platform.modals.at(1), about);
        about->hide();
    }

    void exitAsksTheCloseQuestion()
    {
        platform.answers = {false};
        action("Zakoczprogram1")->trigger();
        QCOMPARE(platform.questions.size(), 1u);
        QVERIFY(window->isVisible());
        QVERIFY(!folder.exists(QStringLiteral("dane/konfiguracja.ini")));
    }
};

QTEST_MAIN(TestCommands)
#include "test_commands.moc"

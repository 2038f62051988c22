#include "gui/guard.h"
#include "gui/results_view.h"
#include "tests/gui/window_fixture.h"

#include <QAbstractItemModel>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>

#include <functional>
#include <memory>

namespace {

const QByteArray kQuotes = "Ala ma kota\r\nALA\r\nbez\r\nmi\xB3o\x9C\xE6 jest\r\nend\r\n";

QByteArray manyQuotes(int count)
{
    QByteArray bytes;
    for (int i = 0; i < count; ++i)
        bytes += "cytat " + QByteArray::number(i) + "\r\n";
    return bytes + "koniec\r\n";
}

} // namespace

class TestMainFrm : public QObject, private WindowFixture
{
    Q_OBJECT

private:
    // Runs `during` once while the next query delivers events.
    void duringNextQuery(std::function<void()> during)
    {
        tavir::PumpPolicy everyCheck;
        everyCheck.interval = {};
        everyCheck.linesPerCheck = 64;
        window->setPumpPolicy(everyCheck);
        QTimer::singleShot(0, window.get(), std::move(during));
    }

private slots:
    void init() { startOver(kQuotes); }
    void cleanup() { finish(); }

    void firstStartWithoutSettings()
    {
        open();
        QCOMPARE(window->windowTitle(), QStringLiteral("VELTA Software TaViR 5.1 (18082005)"));
        QCOMPARE(window->pos(), QPoint(206, 138));
        QCOMPARE(child<QWidget>("centralWidget")->size(), QSize(792, 546));
        QCOMPARE(child<ResultsView>("Wyniki")->font().pointSize(), 8);
        QCOMPARE(child<QTextEdit>("Memo1")->font().pointSize(), 8);
        QCOMPARE(child<QLabel>("licznik")->text(), QStringLiteral("4"));
        QCOMPARE(rows(), QStringList{QStringLiteral(
                             "Aby wyświetlić cytaty, skorzystaj z paska po lewej...")});
        QCOMPARE(results()->index(0, 0).data(Qt::DecorationRole).isNull(), false);
        QCOMPARE(results()->headerData(0, Qt::Horizontal).toString(),
                 QStringLiteral("Wyniki wyszukiwania:"));
        QVERIFY(child<QTextEdit>("Memo1")->toPlainText().startsWith(
            QStringLiteral("Witamy w programie TaViR 5.\nMamy nadzieję")));
        QVERIFY(platform.errors.empty());
    }

    void searchOnEnterAndOnTheButton()
    {
        open();
        QTest::keyClicks(child<QLineEdit>("Edit1"), QStringLiteral("ala"));
        QTest::keyClick(child<QLineEdit>("Edit1"), Qt::Key_Return);
        QCOMPARE(rows(), (QStringList{QStringLiteral("Ala ma kota"), QStringLiteral("ALA")}));

        child<QLineEdit>("Edit1")->setText(QStringLiteral("miłość"));
        QTest::mouseClick(child<QToolButton>("SpeedButton1"), Qt::LeftButton);
        QCOMPARE(rows(), QStringList{QStringLiteral("miłość jest")});

        // A character that Windows-1250 cannot hold finds nothing.
        child<QLineEdit>("Edit1")->setText(QStringLiteral("日"));
        QTest::keyClick(child<QLineEdit>("Edit1"), Qt::Key_Enter);
        QCOMPARE(rows(), QStringList());
    }

    void noHitsEmptyTheList()
    {
        open();
        child<QLineEdit>("Edit1")->setText(QStringLiteral("zzz"));
        QTest::mouseClick(child<QToolButton>("SpeedButton1"), Qt::LeftButton);
        QCOMPARE(results()->rowCount(), 0);
    }

    void listAllShowsAndClosesTheWaitWindow()
    {
        folder.writeQuotes(manyQuotes(2000));
        open();
        bool seen = false;
        int maximum = 0;
        duringNextQuery([&] {
            for (QWidget* top : QApplication::topLevelWidgets()) {
                if (top->objectName() == QLatin1String("zaczekaj") && top->isVisible()) {
                    seen = true;
                    maximum =
                        top->findChild<QProgressBar*>(QStringLiteral("ProgressBar1"))->maximum();
                }
            }
        });
        QTest::mouseClick(child<QToolButton>("SpeedButton2"), Qt::LeftButton);
        QVERIFY(seen);
        QCOMPARE(maximum, 2001);
        QCOMPARE(results()->rowCount(), 2000);
        for (QWidget* top : QApplication::topLevelWidgets())
            QVERIFY(top->objectName() != QLatin1String("zaczekaj"));
    }

    void emptySearchFieldListsEverything()
    {
        open();
        QTest::keyClick(child<QLineEdit>("Edit1"), Qt::Key_Return);
        QCOMPARE(rows().size(), 4);
    }

    void secondQueryDuringListAllIsIgnored()
    {
        folder.writeQuotes(manyQuotes(2000));
        open();
        duringNextQuery([&] {
            QVERIFY(window->queryRunning());
            child<QLineEdit>("Edit1")->setText(QStringLiteral("cytat 7"));
            QTest::mouseClick(child<QToolButton>("SpeedButton1"), Qt::LeftButton);
            QTest::mouseClick(child<QToolButton>("SpeedButton3"), Qt::LeftButton);
        });
        QTest::mouseClick(child<QToolButton>("SpeedButton2"), Qt::LeftButton);
        QCOMPARE(results()->rowCount(), 2000);
    }

    void closeDuringListAllStopsTheQueryFirst()
    {
        folder.writeQuotes(manyQuotes(5000));
        open();
        duringNextQuery([&] {
            platform.answers = {true};
            window->close();
        });
        QTest::mouseClick(child<QToolButton>("SpeedButton2"), Qt::LeftButton);
        QVERIFY(!window->isVisible());
        QCOMPARE(window->quotes().lineCount(), 0u);
        QCOMPARE(results()->rowCount(), 0);
        QVERIFY(folder.exists(QStringLiteral("dane/konfiguracja.ini")));
        QCOMPARE(platform.questions.size(), 1u);
    }

    void randomDrawGivesFifty()
    {
        open();
        QTest::mouseClick(child<QToolButton>("SpeedButton3"), Qt::LeftButton);
        QCOMPARE(results()->rowCount(), 50);
        QVERIFY(!rows().contains(QStringLiteral("end")));
    }

    void previewFollowsTheLowestSelectedRow()
    {
        open();
        QTest::mouseClick(child<QToolButton>("SpeedButton2"), Qt::LeftButton);
        auto* memo = child<QTextEdit>("Memo1");
        select({3, 1});
        QCOMPARE(memo->toPlainText(), QStringLiteral("ALA"));
        child<ResultsView>("Wyniki")->clearSelection();
        QCOMPARE(memo->toPlainText(), QStringLiteral("ALA"));
    }

    void hugeQuotationStaysResponsive()
    {
        const QByteArray huge(4'000'000, 'x');
        folder.writeQuotes(huge + "\r\nkoniec\r\n");
        open();
        QTest::mouseClick(child<QToolButton>("SpeedButton2"), Qt::LeftButton);
        select({0});
        // Shown cut short, with an ellipsis; the bytes behind the row stay whole.
        QCOMPARE(child<QTextEdit>("Memo1")->toPlainText().size(), 20001);
        QVERIFY(child<QTextEdit>("Memo1")->toPlainText().endsWith(QChar(0x2026)));
        QCOMPARE(rows().at(0).size(), 2001);
        QCOMPARE(window->quotes().line(0).size(), std::size_t(4'000'000));
    }

    void hintRowInThePreview()
    {
        open();
        select({0});
        QCOMPARE(child<QTextEdit>("Memo1")->toPlainText(),
                 QStringLiteral("Aby wyświetlić cytaty, skorzystaj z paska po lewej..."));
    }

    void altKeys()
    {
        open();
        child<ResultsView>("Wyniki")->setFocus();
        QTest::keyClick(window.get(), Qt::Key_W, Qt::AltModifier);
        QTRY_COMPARE(QApplication::focusWidget(), child<QLineEdit>("Edit1"));
        QCOMPARE(results()->rowCount(), 1); // the list-all button never takes Alt+W
        QTest::keyClick(window.get(), Qt::Key_W, Qt::AltModifier);
        QCOMPARE(child<QLineEdit>("Edit1")->text(), QString());

        QTest::keyClick(window.get(), Qt::Key_L, Qt::AltModifier);
        QTRY_COMPARE(results()->rowCount(), 50);
    }

    void noAtTheCloseQuestionKeepsEverything()
    {
        open();
        platform.answers = {false};
        window->close();
        QVERIFY(window->isVisible());
        QCOMPARE(platform.questions.size(), 1u);
        QCOMPARE(platform.questions[0].caption, QStringLiteral("Pytanie:"));
        QCOMPARE(platform.questions[0].text, QStringLiteral("Zakończyć pracę programu?"));
        QCOMPARE(platform.questions[0].owner, window.get());
        QVERIFY(!folder.exists(QStringLiteral("dane/konfiguracja.ini")));
        QCOMPARE(window->quotes().lineCount(), 5u);
    }

    void yesWritesTheSettingsInOrder()
    {
        open();
        platform.answers = {true};
        window->close();
        QVERIFY(!window->isVisible());
        const QByteArray ini = folder.read(QStringLiteral("dane/konfiguracja.ini"));
        const QPoint at = window->frameGeometry().topLeft();
        const QSize size = window->size();
        QCOMPARE(size, QSize(792, 546 + child<QWidget>("MainMenu1")->height()));
        const QByteArray font = "face=MS Sans Serif\r\nsize=8\r\ncolor=-2147483640\r\nbold=0\r\n"
                                "italic=0\r\nunderline=0\r\n";
        QCOMPARE(ini, "[MainFrm]\r\nleft=" + QByteArray::number(at.x()) +
                          "\r\ntop=" + QByteArray::number(at.y()) +
                          "\r\nwidth=" + QByteArray::number(size.width()) +
                          "\r\nheight=" + QByteArray::number(size.height()) +
                          "\r\nwindow_state=0\r\n[konfiguracja]\r\nWyniki-height=118\r\n"
                          "[Wyniki_font]\r\n" +
                          font + "[LOOpa_font]\r\n" + font);
        QCOMPARE(window->quotes().lineCount(), 0u);
    }

    void settingsAreRestoredAtTheNextStart()
    {
        folder.write(QStringLiteral("dane/konfiguracja.ini"),
                     "[MainFrm]\r\nleft=120\r\ntop=90\r\n[Wyniki_font]\r\nsize=11\r\nbold=1\r\n"
                     "[LOOpa_font]\r\nsize=$E\r\nitalic=1\r\n");
        open();
        QCOMPARE(window->pos(), QPoint(120, 90));
        QCOMPARE(child<ResultsView>("Wyniki")->font().pointSize(), 11);
        QVERIFY(child<ResultsView>("Wyniki")->font().bold());
        QCOMPARE(child<QTextEdit>("Memo1")->font().pointSize(), 14);
        QVERIFY(child<QTextEdit>("Memo1")->font().italic());
    }

    // A stored size is applied before the window has a frame and written back as applied; the
    // user still cannot resize the window by dragging. Sizes: QSize() is the screens' (a
    // hand-edited size of millions of pixels), QSize(0, 0) the design's.
    void storedSizeIsAppliedButNotBelowTheMinimum_data()
    {
        QTest::addColumn<QByteArray>("placement");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QByteArray>("written");
        const QSize screens = QGuiApplication::primaryScreen()->virtualSize();
        const QSize larger = QSize(800, 580).boundedTo(screens).expandedTo(QSize(792, 570));
        QTest::newRow("smaller than the design")
            << QByteArray("width=700\r\nheight=540\r\n") << QSize(700, 540)
            << QByteArray("\r\nwidth=700\r\nheight=540\r\n");
        QTest::newRow("larger than the design") << QStringLiteral("width=%1\r\nheight=%2\r\n")
                                                       .arg(larger.width())
                                                       .arg(larger.height())
                                                       .toLatin1()
                                                << larger << QByteArray();
        QTest::newRow("larger than the screens")
            << QByteArray("width=2147483647\r\nheight=16777215\r\n") << QSize() << QByteArray();
        QTest::newRow("below the minimum")
            << QByteArray("width=300\r\nheight=-5\r\n") << QSize(616, 518)
            << QByteArray("\r\nwidth=616\r\nheight=518\r\n");
        QTest::newRow("no size") << QByteArray("left=5\r\n") << QSize(0, 0) << QByteArray();
    }
    void storedSizeIsAppliedButNotBelowTheMinimum()
    {
        QFETCH(QByteArray, placement);
        QFETCH(QSize, size);
        QFETCH(QByteArray, written);
        folder.write(QStringLiteral("dane/konfiguracja.ini"), "[MainFrm]\r\n" + placement);
        open();
        const QSize designed(792, 546 + child<QWidget>("MainMenu1")->height());
        if (!size.isValid())
            size = QGuiApplication::primaryScreen()->virtualSize().expandedTo(designed);
        else if (size.isNull())
            size = designed;
        QCOMPARE(window->size(), size);
        QCOMPARE(window->minimumSize(), window->maximumSize());
        // The controls keep their design places, cut off at the right.
        QCOMPARE(child<ResultsView>("Wyniki")->geometry().topLeft(), QPoint(206, 208));
        if (!written.isEmpty()) {
            platform.answers = {true};
            window->close();
            QVERIFY(folder.read(QStringLiteral("dane/konfiguracja.ini")).contains(written));
        }
    }

    // A system install: dane/ read-only, so the settings and the print file live in the
    // user's folders, made at the first write; a shipped settings file gives the start.
    void userFoldersStartFromTheShippedSettings()
    {
        const QByteArray shipped = "[MainFrm]\r\nleft=120\r\ntop=90\r\n[dodatki]\r\nklucz=1\r\n";
        folder.write(QStringLiteral("dane/konfiguracja.ini"), shipped);
        const tavir::UserFolders user{folder.file(QStringLiteral("home/.config")).toStdString(),
                                      folder.file(QStringLiteral("home/.cache")).toStdString()};
        window = std::make_unique<TMainFrm>(platform, folder.path(),
                                            tavir::FilePlaces::inUserFolders(folder.path(), user),
                                            TMainFrm::startReading(folder.path()));
        window->show();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        QCOMPARE(window->pos(), QPoint(120, 90));
        QVERIFY(!folder.exists(QStringLiteral("home")));

        window->DrukujZaznaczone();
        const QString print = folder.file(QStringLiteral("home/.cache/tavir/TaViR.txt"));
        QCOMPARE(platform.printed, std::vector<QString>{print});
        QVERIFY(folder.read(QStringLiteral("home/.cache/tavir/TaViR.txt")).startsWith("- Cytaty"));
        QVERIFY(!folder.exists(QStringLiteral("TaViR.txt")));

        platform.answers = {true};
        window->close();
        QVERIFY(!window->isVisible());
        const QByteArray own = folder.read(QStringLiteral("home/.config/tavir/konfiguracja.ini"));
        QVERIFY2(own.startsWith("[MainFrm]\r\nleft=120\r\ntop=90\r\nwidth="), own.constData());
        QVERIFY2(own.contains("[dodatki]\r\nklucz=1\r\n"), own.constData());
        QVERIFY(own.contains("[LOOpa_font]\r\n"));
        QCOMPARE(folder.read(QStringLiteral("dane/konfiguracja.ini")), shipped);
    }

    void errorBoxFullStopRule_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        const std::pair<const char*, const char*> cases[] = {
            {"abc", "abc."}, {"abc.", "abc."}, {"a ", "a "},  {"a,", "a,"},  {"a-", "a-"},
            {"a!", "a!"},    {"a\n", "a\n"},   {"a:", "a:."}, {"a?", "a?."}, {"a]", "a]."},
            {"a)", "a)"},    {"7", "7."},      {"ż", "ż."},   {"", ""}};
        for (const auto& [text, shown] : cases)
            QTest::addRow("%s", text) << QString::fromUtf8(text) << QString::fromUtf8(shown);
    }
    void errorBoxFullStopRule()
    {
        QFETCH(QString, text);
        QFETCH(QString, shown);
        QCOMPARE(tavir::withFullStop(text), shown);
    }

    void missingDataFileError()
    {
        QFile::remove(folder.file(QStringLiteral("dane/cytaty/cytaty.dbc")));
        open();
        QCOMPARE(takeErrorBoxes(),
                 std::vector<QString>{QStringLiteral("Cannot open file ") +
                                      folder.file(QStringLiteral("dane/cytaty/cytaty.dbc")) +
                                      QLatin1Char('.')});
        QCOMPARE(platform.errorCaptions[0], QStringLiteral("VELTA Software TaViR 5.1 (18082005)"));
        QCOMPARE(child<QLabel>("licznik")->text(), QStringLiteral("licznik"));
        QCOMPARE(results()->rowCount(), 0);
        QTest::mouseClick(child<QToolButton>("SpeedButton2"), Qt::LeftButton);
        QTest::mouseClick(child<QToolButton>("SpeedButton3"), Qt::LeftButton);
        QCOMPARE(results()->rowCount(), 0);
    }

    void unwritableSettingsErrorStillCloses()
    {
        // A folder where the settings file should be: no user, root included, can write it.
        QDir(folder.file(QStringLiteral("dane"))).mkpath(QStringLiteral("konfiguracja.ini"));
        open();
        platform.answers = {true};
        window->close();
        QVERIFY(!window->isVisible());
        QCOMPARE(takeErrorBoxes(), std::vector<QString>{QStringLiteral("Unable to write to ") +
                                                        folder.settingsFile() + QLatin1Char('.')});
        QCOMPARE(window->quotes().lineCount(), 0u);
        QDir(folder.settingsFile()).removeRecursively();
    }
};

QTEST_MAIN(TestMainFrm)
#include "test_mainfrm.moc"

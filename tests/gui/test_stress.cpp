// A thousand random actions on a window over 200,000 quotations, some of them arriving while
// a listing of all quotations delivers events, then a confirmed close in the middle of one.
// Run under the sanitizers this catches use after release, stale rows and re-entered queries.
#include "settings/profile.h"
#include "tests/gui/window_fixture.h"

#include <QAction>
#include <QLineEdit>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>

#include <functional>
#include <random>

namespace {

constexpr int kQuotations = 200000;
constexpr int kActions = 1000;

const char* const kWords[] = {
    "ala", "KOT", "mi\xB3o\x9C\xE6", "\xA3ZA", "dom", "Zaz\xBF\xF3\xB3\xE6", "rzeka", "s\xB3owo",
    "x",   "noc"};
const char* const kTyped[] = {"ala", "kot", "dom", "cy", "noc", "x", " ", "1"};

QByteArray quotations()
{
    std::mt19937 random(1);
    QByteArray bytes;
    bytes.reserve(kQuotations * 32);
    for (int i = 0; i < kQuotations; ++i) {
        bytes += "cytat " + QByteArray::number(i) + ' ' + kWords[random() % std::size(kWords)] +
                 ' ' + kWords[random() % std::size(kWords)] + "\r\n";
    }
    return bytes + "koniec\r\n";
}

} // namespace

class TestStress : public QObject, private WindowFixture
{
    Q_OBJECT

private:
    std::mt19937 random_{20050818};
    int actions_ = 0;
    int nestedPending_ = 0;
    int listedWithCompany_ = 0;
    int nestedDuringQuery_ = 0;

    int pick(std::size_t n) { return static_cast<int>(random_() % n); }
    QLineEdit* edit() { return child<QLineEdit>("Edit1"); }
    ResultsView* list() { return child<ResultsView>("Wyniki"); }
    void click(const char* button)
    {
        QTest::mouseClick(child<QToolButton>(button), Qt::LeftButton);
    }

    // One action that never closes the window for good.
    void act()
    {
        ++actions_;
        switch (pick(12)) {
        case 0:
        case 1:
            if (pick(4) == 0)
                edit()->clear();
            QTest::keyClicks(edit(), QString::fromLatin1(kTyped[pick(std::size(kTyped))]));
            break;
        case 2:
        case 3:
            if (pick(3) == 0)
                edit()->insert(QStringLiteral("ł"));
            QTest::keyClick(edit(), Qt::Key_Return);
            break;
        case 4:
            click("SpeedButton2");
            if (!window->queryRunning())
                QCOMPARE(results()->rowCount(), kQuotations);
            break;
        case 5:
            click("SpeedButton3");
            if (!window->queryRunning())
                QCOMPARE(results()->rowCount(), 50);
            break;
        case 6:
        case 7:
        case 8: {
            const int rows = results()->rowCount();
            if (rows == 0 || pick(5) == 0) {
                list()->clearSelection();
            } else if (pick(8) == 0) {
                list()->setFocus();
                QTest::keyClick(list(), Qt::Key_A, Qt::ControlModifier);
            } else {
                const int top = pick(rows);
                const int bottom = std::min(rows - 1, top + pick(50));
                list()->selectionModel()->select(
                    QItemSelection(results()->index(top, 0), results()->index(bottom, 0)),
                    QItemSelectionModel::Select | QItemSelectionModel::Rows);
            }
            break;
        }
        case 9: {
            const int writes = platform.clipboardWrites;
            child<QAction>("Kopiujzaznaczone1")->trigger();
            QCOMPARE(platform.clipboardWrites, writes + 1);
            break;
        }
        case 10: {
            platform.fileNames = {folder.file(QStringLiteral("zapis"))};
            const bool anySelected = list()->selectionModel()->hasSelection();
            const auto dialogs = platform.saveDialogs.size();
            child<QAction>("Zapiszwynikidopliku1")->trigger();
            QCOMPARE(platform.saveDialogs.size(), dialogs + (anySelected ? 1 : 0));
            if (anySelected)
                QVERIFY(
                    folder.read(QStringLiteral("zapis.html")).startsWith("<HTML>\r\n<BODY>\r\n"));
            platform.fileNames.clear();
            break;
        }
        default: {
            const std::size_t lines = window->quotes().lineCount();
            platform.answers = {false};
            window->close();
            QVERIFY(window->isVisible());
            QCOMPARE(window->quotes().lineCount(), lines);
            break;
        }
        }
    }

    // Actions that run one after another while the next query delivers events.
    void chainDuringQuery(int count)
    {
        if (count == 0)
            return;
        ++nestedPending_;
        QTimer::singleShot(0, window.get(), [this, count] {
            if (window->queryRunning())
                ++nestedDuringQuery_;
            act();
            --nestedPending_;
            chainDuringQuery(count - 1);
        });
    }

    void checkIdleWindow()
    {
        QVERIFY(!window->queryRunning());
        QVERIFY(window->isVisible());
        QCOMPARE(window->quotes().lineCount(), std::size_t(kQuotations + 1));
        const QItemSelection selected = list()->selectionModel()->selection();
        if (!selected.isEmpty()) {
            int lowest = selected.front().top();
            for (const QItemSelectionRange& range : selected)
                lowest = std::min(lowest, range.top());
            QCOMPARE(child<QTextEdit>("Memo1")->toPlainText(),
                     results()->index(lowest, 0).data().toString());
        }
    }

private slots:
    void initTestCase()
    {
        folder.writeQuotes(quotations());
        folder.write(QStringLiteral("dane/szablony_html/szablon.html"), "<HTML>\r\n<BODY>\r\n");
        open(false);
        tavir::PumpPolicy often;
        often.interval = {};
        often.linesPerCheck = 4096;
        window->setPumpPolicy(often);
    }

    void thousandRandomActions()
    {
        while (actions_ < kActions - 1) {
            if (pick(6) == 0) {
                ++actions_;
                ++listedWithCompany_;
                chainDuringQuery(std::min(1 + pick(5), kActions - 1 - actions_));
                click("SpeedButton2");
                QTRY_COMPARE(nestedPending_, 0);
                // Whatever arrived meanwhile, the list holds every quotation.
                QCOMPARE(results()->rowCount(), kQuotations);
            } else {
                act();
            }
            if (QTest::currentTestFailed())
                return;
            checkIdleWindow();
            if (QTest::currentTestFailed())
                return;
        }
        QVERIFY(listedWithCompany_ > 50);
        QVERIFY(nestedDuringQuery_ > 100);
        QVERIFY(platform.errors.empty());

        // The last action: Yes, while every quotation is being listed.
        QTimer::singleShot(0, window.get(), [this] {
            QVERIFY(window->queryRunning());
            platform.answers = {true};
            window->close();
        });
        click("SpeedButton2");
        QVERIFY(!window->isVisible());
        QCOMPARE(window->quotes().lineCount(), 0u);
        QCOMPARE(results()->rowCount(), 0);
        QVERIFY(platform.errors.empty());

        // The settings file is whole and holds what the window showed at the end.
        const std::string ini = folder.settingsFile().toStdString();
        const QRect frame = window->frameGeometry();
        namespace profile = tavir::profile;
        QCOMPARE(profile::readInteger(ini, "MainFrm", "left", -1), frame.x());
        QCOMPARE(profile::readInteger(ini, "MainFrm", "top", -1), frame.y());
        // The window's size as applied at start-up, before it had a frame.
        QCOMPARE(profile::readInteger(ini, "MainFrm", "width", -1), window->width());
        QCOMPARE(profile::readInteger(ini, "MainFrm", "height", -1), window->height());
        QCOMPARE(profile::readInteger(ini, "MainFrm", "window_state", -1), 0);
        QCOMPARE(profile::readInteger(ini, "konfiguracja", "Wyniki-height", -1),
                 child<QTextEdit>("Memo1")->height());
        for (const char* section : {"Wyniki_font", "LOOpa_font"}) {
            QCOMPARE(QString::fromStdString(profile::readString(ini, section, "face", "")),
                     QStringLiteral("MS Sans Serif"));
            QCOMPARE(profile::readInteger(ini, section, "size", -1), 8);
            QCOMPARE(profile::readInteger(ini, section, "color", 0), -2147483640);
            for (const char* style : {"bold", "italic", "underline"})
                QCOMPARE(profile::readInteger(ini, section, style, -1), 0);
        }
        QCOMPARE(QDir(folder.file(QStringLiteral("dane"))).entryList(QDir::Files),
                 QStringList{QStringLiteral("konfiguracja.ini")});
    }

    void cleanupTestCase() { closeWindow(); }
};

QTEST_MAIN(TestStress)
#include "test_stress.moc"

// The window against failed queries, FIFOs where files should be, and its close writes.
#include "app/qt_platform.h"
#include "gui/window_settings.h"
#include "settings/profile.h"
#include "tests/gui/window_fixture.h"
#include "tests/support/deadline.h"
#include "tests/support/together.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTextEdit>
#include <QToolButton>

#include <cstdio>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using tavir::errorBox;
using tavir::questionBox;

namespace {

using tavir::test::Deadline;

const QByteArray kQuotes = "Ala ma kota\r\nALA\r\nbez\r\nmi\xB3o\x9C\xE6 jest\r\nend\r\n";
const QString kTemplate = QStringLiteral("dane/szablony_html/szablon.html");

QByteArray manyQuotes(int count)
{
    QByteArray bytes;
    bytes.reserve(count * 16);
    for (int i = 0; i < count; ++i)
        bytes += "cytat " + QByteArray::number(i) + "\r\n";
    return bytes + "koniec\r\n";
}

void makeFifo(const QString& path)
{
    QFile::remove(path);
    QVERIFY(::mkfifo(path.toLocal8Bit().constData(), 0644) == 0);
}

bool isFifo(const QString& path)
{
    struct stat info
    {
    };
    return ::lstat(path.toLocal8Bit().constData(), &info) == 0 && S_ISFIFO(info.st_mode);
}

// The address space in use now, from /proc.
rlim_t addressSpaceInUse()
{
    unsigned long pages = 0;
    FILE* statm = std::fopen("/proc/self/statm", "r");
    if (statm) {
        if (std::fscanf(statm, "%lu", &pages) != 1)
            pages = 0;
        std::fclose(statm);
    }
    return static_cast<rlim_t>(pages) * static_cast<rlim_t>(::sysconf(_SC_PAGESIZE));
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

} // namespace

class TestHostile : public QObject, private WindowFixture
{
    Q_OBJECT

private:
    void click(const char* button)
    {
        QTest::mouseClick(child<QToolButton>(button), Qt::LeftButton);
    }

private slots:
    void init() { startOver(kQuotes); }
    void cleanup() { finish(); }

    void failedQueryLeavesAWindowThatWorksAndCloses()
    {
        if (kSanitized)
            QSKIP("the sanitizers' allocator does not survive an address-space limit");
        folder.writeQuotes(manyQuotes(3000000));
        open();
        // Room for the window, not for the rows of a listing of everything.
        rlimit saved{};
        ::getrlimit(RLIMIT_AS, &saved);
        rlimit tight = saved;
        tight.rlim_cur = addressSpaceInUse() + (rlim_t(6) << 20); // the rows take 12 MiB
        ::setrlimit(RLIMIT_AS, &tight);
        click("SpeedButton2");
        ::setrlimit(RLIMIT_AS, &saved);

        QCOMPARE(takeErrorBoxes().size(), 1u);
        QVERIFY(!window->queryRunning());
        // Search, list and draw all work again after the error box.
        child<QLineEdit>("Edit1")->setText(QStringLiteral("cytat 2999999"));
        click("SpeedButton1");
        QCOMPARE(results()->rowCount(), 1);
        click("SpeedButton3");
        QCOMPARE(results()->rowCount(), 50);
        platform.answers = {true};
        window->close();
        QVERIFY(!window->isVisible());
        QVERIFY(folder.exists(QStringLiteral("dane/konfiguracja.ini")));
        QCOMPARE(window->quotes().lineCount(), 0u);
    }

    void fifoAsDataFileIsRefusedWithoutWaiting()
    {
        const QString data = folder.file(QStringLiteral("dane/cytaty/cytaty.dbc"));
        makeFifo(data);
        const Deadline deadline(30);
        open();
        QCOMPARE(takeErrorBoxes(), std::vector<QString>{QStringLiteral("Cannot open file ") + data +
                                                        QLatin1Char('.')});
        QVERIFY(isFifo(data));
    }

    void fifoAsSettingsFileReadsAsMissingAndStays()
    {
        makeFifo(folder.settingsFile());
        const Deadline deadline(30);
        open();
        QVERIFY(platform.errors.empty());
        QCOMPARE(window->pos(), QPoint(206, 138));
        QCOMPARE(window->quotes().lineCount(), 5u);
        platform.answers = {true};
        window->close();
        QVERIFY(!window->isVisible());
        QCOMPARE(takeErrorBoxes(), std::vector<QString>{QStringLiteral("Unable to write to ") +
                                                        folder.settingsFile() + QLatin1Char('.')});
        QVERIFY(isFifo(folder.settingsFile()));
    }

    void fifoAsTemplateIsRefusedWithoutWaiting()
    {
        folder.write(kTemplate, "<HTML>\r\n");
        makeFifo(folder.file(kTemplate));
        const Deadline deadline(30);
        open();
        click("SpeedButton2");
        select({0});
        platform.fileNames = {folder.file(QStringLiteral("wynik"))};
        child<QAction>("Zapiszwynikidopliku1")->trigger();
        QCOMPARE(takeErrorBoxes(),
                 std::vector<QString>{QStringLiteral("Cannot open file ") +
                                      QString::fromStdString(folder.path()) + QLatin1Char('/') +
                                      kTemplate + QLatin1Char('.')});
        QVERIFY(!folder.exists(QStringLiteral("wynik.html")));
        QVERIFY(isFifo(folder.file(kTemplate)));
    }

    // The close writes what eighteen single writes would, in one replace of the file.
    void closeWritesTheSameBytesInOneReplace()
    {
        const QByteArray start = "; by hand\r\n[mainfrm]\r\nLeft=1\r\nextra=x\r\n\r\n"
                                 "[LOOpa_font]\nsize=12\ncolor=255\n[Other]\r\na=b";
        folder.write(QStringLiteral("dane/konfiguracja.ini"), start);
        folder.write(QStringLiteral("expected.ini"), start);
        open();
        const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        QVERIFY(watch >= 0);
        QVERIFY(::inotify_add_watch(watch, folder.file(QStringLiteral("dane")).toLocal8Bit(),
                                    IN_MOVED_TO) >= 0);
        platform.answers = {true};
        window->close();
        QVERIFY(!window->isVisible());
        int replaces = 0;
        alignas(inotify_event) char events[16384];
        for (ssize_t n; (n = ::read(watch, events, sizeof events)) > 0;) {
            for (char* at = events; at < events + n;) {
                const auto* event = reinterpret_cast<const inotify_event*>(at);
                ++replaces;
                at += sizeof(inotify_event) + event->len;
            }
        }
        ::close(watch);
        QCOMPARE(replaces, 1);

        const std::string expected = folder.file(QStringLiteral("expected.ini")).toStdString();
        const QRect frame = window->frameGeometry();
        namespace profile = tavir::profile;
        profile::writeInteger(expected, "MainFrm", "left", frame.x());
        profile::writeInteger(expected, "MainFrm", "top", frame.y());
        // The size as applied at start-up, before the window had a frame.
        profile::writeInteger(expected, "MainFrm", "width", window->width());
        profile::writeInteger(expected, "MainFrm", "height", window->height());
        profile::writeInteger(expected, "MainFrm", "window_state", 0);
        profile::writeInteger(expected, "konfiguracja", "Wyniki-height", 118);
        for (const auto& [section, size, color] :
             {std::tuple{"Wyniki_font", 8, -2147483640}, std::tuple{"LOOpa_font", 12, 255}}) {
            profile::writeString(expected, section, "face", "MS Sans Serif");
            profile::writeInteger(expected, section, "size", size);
            profile::writeInteger(expected, section, "color", color);
            profile::writeInteger(expected, section, "bold", 0);
            profile::writeInteger(expected, section, "italic", 0);
            profile::writeInteger(expected, section, "underline", 0);
        }
        QCOMPARE(folder.read(QStringLiteral("dane/konfiguracja.ini")),
                 folder.read(QStringLiteral("expected.ini")));
    }

    // The Debian layout: the user's settings in their own folders, a shipped settings file in
    // the read-only dane/ as the starting values.
    tavir::FilePlaces userPlaces() const
    {
        const tavir::UserFolders user{folder.file(QStringLiteral("home/.config")).toStdString(),
                                      folder.file(QStringLiteral("home/.cache")).toStdString()};
        return tavir::FilePlaces::inUserFolders(folder.path(), user);
    }
    QString userSettingsFile() const
    {
        return folder.file(QStringLiteral("home/.config/tavir/konfiguracja.ini"));
    }

    // Two instances open at once and closing together, before the user has a settings file:
    // the file ends with the shipped values and the keys of both, whichever wrote first.
    void twoInstancesClosingTogetherFromShippedSettingsKeepEveryKey()
    {
        constexpr int kRounds = 200;
        folder.write(QStringLiteral("dane/konfiguracja.ini"), "[dodatki]\r\nklucz=1\r\n");
        const std::string own = userSettingsFile().toStdString();
        QWidget form;
        QWidget list;
        QWidget preview;
        QAction actions[2];
        const std::string_view keys[2] = {"instance0", "instance1"};
        for (QAction& action : actions) {
            action.setCheckable(true);
            action.setChecked(true);
        }
        const Deadline deadline(120);
        int lost = 0;
        for (int round = 0; round < kRounds; ++round) {
            QFile::remove(QString::fromStdString(own));
            tavir::FilePlaces places[2] = {userPlaces(), userPlaces()};
            QVERIFY(tavir::test::runTogether<2>([&](int instance) {
                tavir::WindowSettings settings(places[instance]);
                settings.store({form, list, preview, {{&actions[instance], keys[instance], 0}}});
            }));
            namespace profile = tavir::profile;
            lost += profile::readInteger(own, "dodatki", "klucz", -1) != 1;
            for (const std::string_view key : keys)
                lost += profile::readInteger(own, "wyszukiwanie", key, -1) != 1;
        }
        QCOMPARE(lost, 0);
    }

    // What reads as missing is never written over or copied: a FIFO in place of the user's
    // settings file stays (and each close says the file cannot be written), and a shipped
    // settings file too large for one is not copied (the closes write the window's own keys).
    void whatReadsAsMissingIsNeitherReplacedNorCopied_data()
    {
        QTest::addColumn<bool>("fifo");
        QTest::addColumn<int>("shippedSize");
        QTest::addRow("FIFO as the user's file") << true << 64;
        QTest::addRow("shipped file over 16 MiB") << false << (16 << 20) + 1;
    }
    void whatReadsAsMissingIsNeitherReplacedNorCopied()
    {
        QFETCH(bool, fifo);
        QFETCH(int, shippedSize);
        const QByteArray head = "[MainFrm]\r\nleft=120\r\n[dodatki]\r\nklucz=1\r\n";
        folder.write(QStringLiteral("dane/konfiguracja.ini"),
                     head + QByteArray(shippedSize - head.size(), ' '));
        const QString own = userSettingsFile();
        if (fifo) {
            QDir().mkpath(QFileInfo(own).path());
            makeFifo(own);
        }
        const Deadline deadline(30);
        for (int close = 0; close < 2; ++close) {
            window = std::make_unique<TMainFrm>(platform, folder.path(), userPlaces(),
                                                TMainFrm::startReading(folder.path()));
            window->show();
            QVERIFY(QTest::qWaitForWindowActive(window.get()));
            platform.answers = {true};
            window->close();
            QVERIFY(!window->isVisible());
            QCOMPARE(takeErrorBoxes(),
                     fifo ? std::vector<QString>{QStringLiteral("Unable to write to ") + own +
                                                 QLatin1Char('.')}
                          : std::vector<QString>{});
        }
        if (fifo) {
            QVERIFY(isFifo(own));
        } else {
            const QByteArray written =
                folder.read(QStringLiteral("home/.config/tavir/konfiguracja.ini"));
            QVERIFY2(written.startsWith("[MainFrm]\r\n") && !written.contains("klucz"),
                     written.constData());
        }
        QCOMPARE(QFileInfo(folder.settingsFile()).size(), qint64(shippedSize));
    }

    void messageBoxesShowDataAsPlainText()
    {
        const QString name = QStringLiteral("<h1>plik</h1><a href=x>link</a>");
        QCOMPARE(errorBox(nullptr, QStringLiteral("t"), name)->textFormat(), Qt::PlainText);
        QCOMPARE(questionBox(nullptr, QStringLiteral("t"), name)->textFormat(), Qt::PlainText);
        QCOMPARE(errorBox(nullptr, QStringLiteral("t"), name)->text(), name);
    }

    // Type-ahead reads the quotations' bytes with the search's folding (A-Z only), from the
    // current row on, wrapping round; keys typed in quick succession make one prefix.
    void typeAheadMatchesTheBytesFromTheCurrentRow()
    {
        folder.writeQuotes("Ala ma kota\r\nbeta\r\n\xA3\xF3\x64\x9F\r\nBolek\r\n"
                           "\xB3\xB9ka\r\nalfa\r\nend\r\n");
        open();
        click("SpeedButton2");
        auto* view = child<ResultsView>("Wyniki");
        const int interval = QApplication::keyboardInputInterval();
        QApplication::setKeyboardInputInterval(1000000);
        const auto current = [view] { return view->currentIndex().row(); };
        view->setCurrentIndex(results()->index(0, 0));

        view->keyboardSearch(QStringLiteral("a")); // a new search starts below the current row
        QCOMPARE(current(), 5);
        view->keyboardSearch(QStringLiteral("l"));
        QCOMPARE(current(), 5);
        view->keyboardSearch(QStringLiteral("A")); // "alA": wraps round to "Ala ma kota"
        QCOMPARE(current(), 0);
        view->keyboardSearch(QString());
        view->keyboardSearch(QStringLiteral("ł")); // only a-z fold: not "Łódź"
        QCOMPARE(current(), 4);
        view->keyboardSearch(QString());
        view->keyboardSearch(QStringLiteral("b"));
        QCOMPARE(current(), 1);
        view->keyboardSearch(QStringLiteral("b")); // the same key steps on
        QCOMPARE(current(), 3);
        view->keyboardSearch(QStringLiteral("b"));
        QCOMPARE(current(), 1);
        view->keyboardSearch(QStringLiteral("x")); // "bbbx" matches nothing: no move
        QCOMPARE(current(), 1);
        view->keyboardSearch(QString());
        view->setFocus();
        QTest::keyClick(view, Qt::Key_A); // typed keys take the same way
        QCOMPARE(current(), 5);
        QCOMPARE(view->selectionModel()->selectedRows().size(), 1);
        QApplication::setKeyboardInputInterval(interval);
    }

    // With "Bez ogonków" checked, type-ahead takes Ł as L, as the search does.
    void typeAheadFollowsTheSearchOptions()
    {
        folder.writeQuotes("beta\r\n\xA3\xF3\x64\x9F\r\nlas\r\nend\r\n");
        open();
        click("SpeedButton2");
        auto* view = child<ResultsView>("Wyniki");
        const auto firstFromTop = [&](const QString& typed) {
            view->setCurrentIndex(results()->index(0, 0));
            view->keyboardSearch(QString());
            view->keyboardSearch(typed);
            return view->currentIndex().row();
        };
        QCOMPARE(firstFromTop(QStringLiteral("l")), 2); // A-Z only: "las", not "Łódź"
        child<QAction>("Bezogonkow1")->trigger();
        QCOMPARE(firstFromTop(QStringLiteral("l")), 1);
        QCOMPARE(firstFromTop(QStringLiteral("lod")), 1);
        child<QAction>("Bezogonkow1")->trigger();
        QCOMPARE(firstFromTop(QStringLiteral("l")), 2);
    }

    // A select-all copied costs one copy of the text per clipboard format.
    void copyOfEverythingTakesOneCopyPerFormat()
    {
        if (kSanitized)
            QSKIP("the sanitizers' allocator does not survive an address-space limit");
        constexpr int kRows = 20000;
        const QByteArray line = QByteArray(4998, 'q') + "\r\n";
        folder.writeQuotes(line.repeated(kRows) + "end\r\n");
        open();
        click("SpeedButton2");
        child<ResultsView>("Wyniki")->selectAll();
        // The bytes once and the UTF-16 text once, with little to spare.
        const rlim_t bytes = rlim_t(kRows) * static_cast<rlim_t>(line.size());
        rlimit saved{};
        ::getrlimit(RLIMIT_AS, &saved);
        rlimit tight = saved;
        tight.rlim_cur = addressSpaceInUse() + 3 * bytes + bytes / 3;
        ::setrlimit(RLIMIT_AS, &tight);
        child<QAction>("Kopiujzaznaczone1")->trigger();
        ::setrlimit(RLIMIT_AS, &saved);
        QVERIFY(platform.errors.empty());
        QCOMPARE(platform.clipboardWrites, 1);
        QCOMPARE(static_cast<rlim_t>(platform.clipboardBytes.size()), bytes);
        QVERIFY(platform.clipboardBytes.startsWith(line));
        QVERIFY(platform.clipboardBytes.endsWith(line));
        QCOMPARE(platform.clipboardText.size(), platform.clipboardBytes.size());
        QCOMPARE(platform.clipboardText.left(5000), QString::fromLatin1(line));
    }

    void counterShowsTenMillionWhole()
    {
        folder.writeQuotes(QByteArray("x\r\n").repeated(10000001));
        open();
        const auto* counter = child<QLabel>("licznik");
        const auto* caption = child<QLabel>("Label3");
        QCOMPARE(counter->text(), QStringLiteral("10000000"));
        const QWidget* parent = counter->parentWidget();
        QVERIFY(counter->width() >= counter->fontMetrics().horizontalAdvance(counter->text()));
        QVERIFY(counter->geometry().right() < parent->width());
        QVERIFY(caption->geometry().right() < counter->x());
        QCOMPARE(caption->y(), counter->y());
    }
};

QTEST_MAIN(TestHostile)
#include "test_hostile.moc"

// The window's own figures on the offscreen platform: start-up to the shown window on the
// shipped data and on a million quotations, and listing a million quotations with the wait
// window, each beside the baseline of loading the same file alone, measured in the same run.
// Then ten million quotations (TAVIR_BENCH_WINDOW_BIG quotations, 0 to skip): the longest
// stall of the event loop while listing all, searching and drawing, seen as the largest gap
// between the ticks of a 1 ms timer, and the resident memory after listing all beside the
// file's size; then listing all and searching on one thread and on two (PumpPolicy::threads),
// in alternate rounds, with their stalls.
#include "base/app_folder.h"
#include "bench/quote_generator.h"
#include "gui/platform.h"
#include "gui/results_view.h"
#include "gui/tmainfrm.h"
#include "quotes/collection.h"
#include "quotes/product.h"
#include "quotes/queries.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string_view>
#include <utility>
#include <vector>

using tavir::Platform;
using tavir::ResultsView;
using tavir::TMainFrm;

namespace {

// Answers Yes to the close question and does nothing else.
class QuietPlatform final : public Platform
{
public:
    bool askYesNo(QWidget*, const QString&, const QString&) override { return true; }
    void showError(QWidget*, const QString&, const QString& text) override
    {
        std::fprintf(stderr, "error: %s\n", qPrintable(text));
    }
    std::optional<QString> saveFileName(QWidget*, const QString&, const QString&,
                                        const QString&) override
    {
        return std::nullopt;
    }
    std::optional<QFont> chooseFont(QWidget*, const QFont&) override { return std::nullopt; }
    void showModal(QDialog&) override {}
    void setClipboardText(const QString&, const QByteArray&) override {}
    void open(const QString&) override {}
    void printTextFile(const QString&) override {}
};

using Clock = std::chrono::steady_clock;

double milliseconds(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Times `setUp` excluded, `measured` included, `rounds` times; returns the median.
double medianOf(int rounds, const std::function<void()>& setUp,
                const std::function<void()>& measured)
{
    std::vector<double> times;
    for (int i = 0; i < rounds; ++i) {
        setUp();
        const auto start = Clock::now();
        measured();
        times.push_back(milliseconds(Clock::now() - start));
    }
    return median(times);
}

// Times two jobs in alternate rounds, `setUp` excluded, so that both see the machine alike;
// returns their medians.
std::pair<double, double> alternating(int rounds, const std::function<void()>& setUp,
                                      const std::function<void()>& first,
                                      const std::function<void()>& second)
{
    std::vector<double> a, b;
    for (int i = 0; i < rounds; ++i) {
        for (int k = 0; k < 2; ++k) {
            const bool firstNow = (i + k) % 2 == 0;
            setUp();
            const auto start = Clock::now();
            (firstNow ? first : second)();
            (firstNow ? a : b).push_back(milliseconds(Clock::now() - start));
        }
    }
    return {median(a), median(b)};
}

// Writes a generated collection as the data file of a fresh application folder.
std::string generatedFolder(const QTemporaryDir& folder, std::size_t quotations)
{
    QDir(folder.path()).mkpath(QStringLiteral("dane/cytaty"));
    const std::string path = folder.path().toStdString() + "/";
    const std::string bytes = tavir::bench::generateQuotes(quotations);
    std::ofstream(path + std::string(tavir::kQuoteFile), std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path;
}

double residentMegabytes()
{
    std::ifstream status("/proc/self/status");
    std::string key;
    double kilobytes = 0;
    while (status >> key)
        if (key == "VmRSS:" && status >> kilobytes)
            break;
    return kilobytes / 1024;
}

// Runs `action` from the event loop and returns the largest gap between the ticks of a 1 ms
// timer until `done` holds and the window has had 100 ms more to repaint.
double longestStall(const std::function<void()>& action, const std::function<bool()>& done)
{
    QTimer ticks;
    ticks.setTimerType(Qt::PreciseTimer);
    ticks.setInterval(1);
    Clock::time_point last = Clock::now();
    double worst = 0;
    QObject::connect(&ticks, &QTimer::timeout, [&] {
        const auto now = Clock::now();
        worst = std::max(worst, milliseconds(now - last));
        last = now;
    });
    ticks.start();
    QEventLoop loop;
    QTimer::singleShot(20, action);
    QTimer poll;
    Clock::time_point finishedAt{};
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (finishedAt == Clock::time_point{} && done())
            finishedAt = Clock::now();
        if (finishedAt != Clock::time_point{} &&
            Clock::now() - finishedAt > std::chrono::milliseconds(100))
            loop.quit();
    });
    poll.start(5);
    last = Clock::now();
    loop.exec();
    return worst;
}

void report(const char* name, double value, const char* baselineName, double baseline)
{
    std::printf("%-34s %8.2f ms   %-24s %8.2f ms   ratio %6.2f\n", name, value, baselineName,
                baseline, value / baseline);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv); // takes Qt's own options out of argv
    constexpr const char* usage = "usage: bench_window\n";
    if (argc > 1) {
        if (std::string_view(argv[1]) == "--help") {
            std::fputs(usage, stdout);
            return 0;
        }
        std::fprintf(stderr, "unknown option %s\n%s", argv[1], usage);
        return 2;
    }
    QuietPlatform platform;
    constexpr int kRounds = 7;

    // Start-up on the shipped data beside this program, beside loading it alone.
    const std::string shipped = tavir::applicationFolder();
    std::unique_ptr<TMainFrm> window;
    const auto startUpIn = [&](const std::string& folder) {
        return [&platform, &window, folder] {
            window = std::make_unique<TMainFrm>(platform, folder);
            window->show();
            QApplication::processEvents();
        };
    };
    const auto loadAlone = [](const std::string& folder) {
        return [folder] {
            (void)tavir::QuoteCollection::fromFile(folder + std::string(tavir::kQuoteFile));
        };
    };
    const auto [startUp, loadShipped] = alternating(
        kRounds, [&] { window.reset(); }, startUpIn(shipped), loadAlone(shipped));
    window.reset();

    // A million quotations in a folder of their own.
    QTemporaryDir folder;
    const std::string million = generatedFolder(folder, tavir::bench::kDefaultQuotations);
    const auto [startMillion, loadMillion] = alternating(
        kRounds, [&] { window.reset(); }, startUpIn(million), loadAlone(million));
    window.reset();
    window = std::make_unique<TMainFrm>(platform, million);
    window->show();
    QApplication::processEvents();
    auto* listAll = window->findChild<QToolButton*>(QStringLiteral("SpeedButton2"));
    auto* search = window->findChild<QToolButton*>(QStringLiteral("SpeedButton1"));
    auto* results = window->findChild<ResultsView*>(QStringLiteral("Wyniki"));
    const double listing = medianOf(
        kRounds, [&] { search->click(); }, // an empty result list before each listing
        [&] {
            listAll->click();
            QApplication::processEvents(); // the list repaints
        });
    const int rows = results->model()->rowCount();
    results->selectAll();
    const double selectAll = medianOf(
        kRounds, [&] { results->clearSelection(); }, [&] { results->selectAll(); });
    auto* copy = window->findChild<QAction*>(QStringLiteral("Kopiujzaznaczone1"));
    const double copyAll = medianOf(
        kRounds, [] {}, [&] { copy->trigger(); });

    // Type-ahead of a key no quotation starts with: every row is looked at. Beside it Qt's
    // own keyboard search, which converts each caption on the way.
    const QString noneStartsWith = QStringLiteral("~");
    const auto fromTop = [&] {
        results->keyboardSearch(QString());
        results->setCurrentIndex(results->model()->index(0, 0));
    };
    const double typeAhead =
        medianOf(kRounds, fromTop, [&] { results->keyboardSearch(noneStartsWith); });
    const double qtTypeAhead =
        medianOf(3, fromTop, [&] { results->QAbstractItemView::keyboardSearch(noneStartsWith); });
    window.reset();

    std::printf("medians of %d rounds, offscreen platform\n", kRounds);
    report("start-up to the shown window", startUp, "load shipped file", loadShipped);
    report("start-up, 1,000,000 quotations", startMillion, "load 1M file", loadMillion);
    std::printf("  start-up at most 1.2 x the load alone: %s\n",
                startMillion <= 1.2 * loadMillion ? "met" : "MISSED");
    report("list all (1,000,000 quotations)", listing, "load 1M file", loadMillion);
    report("select all (1,000,000 rows)", selectAll, "load 1M file", loadMillion);
    report("copy all (1,000,000 rows)", copyAll, "load 1M file", loadMillion);
    report("type-ahead, no match (1,000,000)", typeAhead, "Qt's keyboard search", qtTypeAhead);
    std::printf("rows listed: %d\n", rows);
    bool met = rows == 1'000'000 && startMillion <= 1.2 * loadMillion;

    const char* big = std::getenv("TAVIR_BENCH_WINDOW_BIG");
    const std::size_t bigCount = big ? std::strtoull(big, nullptr, 10) : 10'000'000;
    if (bigCount == 0)
        return met ? 0 : 1;
    QTemporaryDir bigFolder(QDir::tempPath() + QStringLiteral("/tavir-bench-XXXXXX"));
    const std::string tenMillion = generatedFolder(bigFolder, bigCount);
    const auto fileBytes = static_cast<double>(
        std::filesystem::file_size(tenMillion + std::string(tavir::kQuoteFile)));
    const auto loadStart = Clock::now();
    window = std::make_unique<TMainFrm>(platform, tenMillion);
    window->show();
    QApplication::processEvents();
    std::printf("\n%zu quotations, %.0f MiB: start-up to the shown window %.0f ms\n", bigCount,
                fileBytes / 1048576, milliseconds(Clock::now() - loadStart));
    listAll = window->findChild<QToolButton*>(QStringLiteral("SpeedButton2"));
    search = window->findChild<QToolButton*>(QStringLiteral("SpeedButton1"));
    results = window->findChild<ResultsView*>(QStringLiteral("Wyniki"));
    auto* edit = window->findChild<QLineEdit*>(QStringLiteral("Edit1"));
    auto* draw = window->findChild<QToolButton*>(QStringLiteral("SpeedButton3"));
    const auto expectRows = [&](int n) {
        return [=] { return results->model()->rowCount() == n; };
    };
    const int all = static_cast<int>(bigCount);
    double worstList = 0, worstSearch = 0, worstDraw = 0;
    for (int round = 0; round < 3; ++round) {
        edit->setText(QStringLiteral("xqzw"));
        worstSearch = std::max(worstSearch, longestStall([&] { search->click(); }, expectRows(0)));
        worstList = std::max(worstList, longestStall([&] { listAll->click(); }, expectRows(all)));
        edit->setText(QStringLiteral("nie"));
        worstSearch = std::max(worstSearch, longestStall([&] { search->click(); },
                                                         [&] {
                                                             const int n =
                                                                 results->model()->rowCount();
                                                             return n > 0 && n < all;
                                                         }));
        worstDraw = std::max(worstDraw, longestStall([&] { draw->click(); }, expectRows(50)));
    }
    edit->setText(QStringLiteral("xqzw"));
    longestStall([&] { search->click(); }, expectRows(0));
    longestStall([&] { listAll->click(); }, expectRows(all));
    const double rss = residentMegabytes() * 1048576;
    std::printf("longest event-loop stall, worst of 3 rounds: list all %.1f ms, search %.1f ms, "
                "draw %.1f ms (at most 50 ms: %s)\n",
                worstList, worstSearch, worstDraw,
                std::max({worstList, worstSearch, worstDraw}) <= 50 ? "met" : "MISSED");
    std::printf("resident memory after list all: %.0f MiB, %.2f x the file (at most 1.15: %s)\n",
                rss / 1048576, rss / fileBytes, rss <= 1.15 * fileBytes ? "met" : "MISSED");
    met = met && std::max({worstList, worstSearch, worstDraw}) <= 50 && rss <= 1.15 * fileBytes;

    // The same queries on one thread and on two: each round lists all (from an empty list) and
    // searches for a text no quotation holds and for one most hold.
    const auto onThreads = [&](unsigned threads) {
        tavir::PumpPolicy policy;
        policy.threads.count = threads;
        window->setPumpPolicy(policy);
    };
    const auto clickOn = [&](unsigned threads, QToolButton* button) {
        return [&, threads, button] {
            onThreads(threads);
            button->click();
            QApplication::processEvents(); // the list repaints
        };
    };
    const auto emptyList = [&] {
        edit->setText(QStringLiteral("xqzw"));
        search->click();
    };
    std::printf("\n%zu quotations on one thread and on two, medians of %d alternate rounds:\n",
                bigCount, kRounds);
    bool scaled = true;
    for (const auto& [name, text] : {std::pair{"list all", QString()},
                                     std::pair{"search, no hit (xqzw)", QStringLiteral("xqzw")},
                                     std::pair{"search, many hits (nie)", QStringLiteral("nie")}}) {
        QToolButton* const button = text.isEmpty() ? listAll : search;
        const auto setUp = [&, text = text] {
            if (text.isEmpty())
                emptyList();
            else
                edit->setText(text);
        };
        const auto [one, two] = alternating(kRounds, setUp, clickOn(1, button), clickOn(2, button));
        std::printf(
            "%-26s 1 thread %8.1f ms   2 threads %8.1f ms   ratio %5.2f (at most 0.65: %s)\n", name,
            one, two, two / one, two <= 0.65 * one ? "met" : "MISSED");
        scaled = scaled && two <= 0.65 * one;
    }
    for (const unsigned threads : {1u, 2u}) {
        onThreads(threads);
        double worst = 0;
        for (int round = 0; round < 3; ++round) {
            edit->setText(QStringLiteral("xqzw"));
            worst = std::max(worst, longestStall([&] { search->click(); }, expectRows(0)));
            worst = std::max(worst, longestStall([&] { listAll->click(); }, expectRows(all)));
            edit->setText(QStringLiteral("nie"));
            worst = std::max(worst, longestStall([&] { search->click(); },
                                                 [&] {
                                                     const int n = results->model()->rowCount();
                                                     return n > 0 && n < all;
                                                 }));
        }
        std::printf("longest stall on %u thread%s, worst of 3 rounds of the three: %.1f ms "
                    "(at most 50 ms: %s)\n",
                    threads, threads > 1 ? "s" : "", worst, worst <= 50 ? "met" : "MISSED");
        met = met && worst <= 50;
    }
    met = met && scaled;
    window.reset();
    return met ? 0 : 1;
}

// The window's own figures on the offscreen platform: start-up to the shown window on the
// shipped data, and listing a million quotations with the wait window, each beside the
// baseline of loading the same file alone, measured in the same run.
#include "app/mainfrm.h"
#include "app/platform.h"
#include "base/app_folder.h"
#include "bench/quote_generator.h"
#include "quotes/collection.h"
#include "quotes/product.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QTableView>
#include <QTemporaryDir>
#include <QToolButton>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <string_view>
#include <vector>

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

    // Start-up on the shipped data beside this program.
    const std::string shipped = tavir::applicationFolder();
    std::unique_ptr<TMainFrm> window;
    const double startUp = medianOf(
        kRounds, [&] { window.reset(); },
        [&] {
            window = std::make_unique<TMainFrm>(platform, shipped);
            window->show();
            QApplication::processEvents();
        });
    const double loadShipped = medianOf(
        kRounds, [] {},
        [&] { (void)tavir::QuoteCollection::fromFile(shipped + std::string(tavir::kQuoteFile)); });
    window.reset();

    // A million quotations in a folder of their own.
    QTemporaryDir folder;
    QDir(folder.path()).mkpath(QStringLiteral("dane/cytaty"));
    const std::string million = folder.path().toStdString() + "/";
    {
        const std::string bytes = tavir::bench::generateQuotes();
        std::ofstream(million + std::string(tavir::kQuoteFile), std::ios::binary)
            .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    window = std::make_unique<TMainFrm>(platform, million);
    window->show();
    QApplication::processEvents();
    auto* listAll = window->findChild<QToolButton*>(QStringLiteral("SpeedButton2"));
    auto* search = window->findChild<QToolButton*>(QStringLiteral("SpeedButton1"));
    auto* results = window->findChild<QTableView*>(QStringLiteral("Wyniki"));
    const double listing = medianOf(
        kRounds, [&] { search->click(); }, // an empty result list before each listing
        [&] {
            listAll->click();
            QApplication::processEvents(); // the list repaints
        });
    const int rows = results->model()->rowCount();
    const double loadMillion = medianOf(
        kRounds, [] {},
        [&] { (void)tavir::QuoteCollection::fromFile(million + std::string(tavir::kQuoteFile)); });
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
    report("list all (1,000,000 quotations)", listing, "load 1M file", loadMillion);
    report("select all (1,000,000 rows)", selectAll, "load 1M file", loadMillion);
    report("copy all (1,000,000 rows)", copyAll, "load 1M file", loadMillion);
    report("type-ahead, no match (1,000,000)", typeAhead, "Qt's keyboard search", qtTypeAhead);
    std::printf("rows listed: %d\n", rows);
    return rows == 1'000'000 ? 0 : 1;
}

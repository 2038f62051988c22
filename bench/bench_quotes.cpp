// The quote library on a generated collection of a million quotations. Every figure is read
// beside a baseline measured in the same run: memchr over the same buffer for the queries, a
// bare read of the same file for loading (bench/ratios.py prints the ratios). The finder's
// worst case, a periodic line and a long query, runs beside memchr over that line. The queries run
// on one thread; the ...TwoThreads ones on two, beside memchr over the buffer's two halves on
// two threads, the most two threads can save.
#include "bench/quote_generator.h"
#include "quotes/collection.h"
#include "quotes/lines.h"
#include "quotes/queries.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <sys/mman.h>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

using tavir::QuoteCollection;

const QuoteCollection& quotes()
{
    static const QuoteCollection collection =
        QuoteCollection::fromBytes(tavir::bench::generateQuotes());
    return collection;
}

// The collection written once to a temporary file, removed when the program ends.
class QuoteFile
{
public:
    QuoteFile()
        : path_(std::filesystem::temp_directory_path() /
                ("tavir-bench-" + std::to_string(::getpid()) + ".dbc"))
    {
        const std::string_view text = quotes().text();
        std::ofstream(path_, std::ios::binary).write(text.data(), std::ssize(text));
    }
    ~QuoteFile() { std::filesystem::remove(path_); }
    QuoteFile(const QuoteFile&) = delete;
    QuoteFile& operator=(const QuoteFile&) = delete;
    std::string path() const { return path_.string(); }

private:
    std::filesystem::path path_;
};

const QuoteFile& quoteFile()
{
    static const QuoteFile file;
    return file;
}

// Keeps quotations by their line number, as the window's list does.
class VectorList final : public tavir::ResultList
{
public:
    explicit VectorList(std::size_t capacity) { items.reserve(capacity); }
    void clear() override { items.clear(); }
    void beginUpdate() override {}
    void endUpdate() override {}
    void add(std::string_view, int) override { items.push_back(kOther); }
    void addLine(const QuoteCollection&, std::size_t line) override
    {
        items.push_back(static_cast<std::uint32_t>(line));
    }
    void addLines(const QuoteCollection&, std::span<const std::size_t> lines) override
    {
        items.insert(items.end(), lines.begin(), lines.end());
    }

    static constexpr std::uint32_t kOther = ~std::uint32_t{0};
    std::vector<std::uint32_t> items;
};

void runQuery(benchmark::State& state, std::string_view query,
              tavir::Folding folding = tavir::Folding::AsciiOnly, unsigned threads = 1)
{
    const QuoteCollection& collection = quotes();
    VectorList list(collection.lineCount());
    tavir::NoWaitIndicator wait;
    tavir::NoEventPump events;
    tavir::PumpPolicy policy;
    policy.threads.count = threads;
    for (auto _ : state) {
        tavir::FiltrujDane(collection, query, list, wait, events, policy, folding);
        benchmark::DoNotOptimize(list.items.data());
    }
    state.counters["hits"] = static_cast<double>(list.items.size());
    state.SetBytesProcessed(state.iterations() * std::ssize(collection.text()));
}

void BM_SearchFewHits(benchmark::State& state)
{
    runQuery(state, tavir::bench::kFewHitsQuery);
}
void BM_SearchManyHits(benchmark::State& state)
{
    runQuery(state, tavir::bench::kManyHitsQuery);
}
void BM_SearchNoHits(benchmark::State& state)
{
    runQuery(state, tavir::bench::kNoHitsQuery);
}
// The same three queries with every letter's case, and without diacritics.
void BM_SearchFewHitsCaseAll(benchmark::State& state)
{
    runQuery(state, tavir::bench::kFewHitsQuery, tavir::Folding::EveryCase);
}
void BM_SearchManyHitsCaseAll(benchmark::State& state)
{
    runQuery(state, tavir::bench::kManyHitsQuery, tavir::Folding::EveryCase);
}
void BM_SearchNoHitsCaseAll(benchmark::State& state)
{
    runQuery(state, tavir::bench::kNoHitsQuery, tavir::Folding::EveryCase);
}
void BM_SearchFewHitsNoDiacritics(benchmark::State& state)
{
    runQuery(state, tavir::bench::kFewHitsQuery, tavir::Folding::NoDiacritics);
}
void BM_SearchManyHitsNoDiacritics(benchmark::State& state)
{
    runQuery(state, tavir::bench::kManyHitsQuery, tavir::Folding::NoDiacritics);
}
void BM_SearchNoHitsNoDiacritics(benchmark::State& state)
{
    runQuery(state, tavir::bench::kNoHitsQuery, tavir::Folding::NoDiacritics);
}

void BM_SearchOneLetter(benchmark::State& state)
{
    runQuery(state, "q");
}
void BM_ListAll(benchmark::State& state)
{
    runQuery(state, {});
}
void BM_SearchFewHitsTwoThreads(benchmark::State& state)
{
    runQuery(state, tavir::bench::kFewHitsQuery, tavir::Folding::AsciiOnly, 2);
}
void BM_SearchManyHitsTwoThreads(benchmark::State& state)
{
    runQuery(state, tavir::bench::kManyHitsQuery, tavir::Folding::AsciiOnly, 2);
}
void BM_SearchNoHitsTwoThreads(benchmark::State& state)
{
    runQuery(state, tavir::bench::kNoHitsQuery, tavir::Folding::AsciiOnly, 2);
}
void BM_ListAllTwoThreads(benchmark::State& state)
{
    runQuery(state, {}, tavir::Folding::AsciiOnly, 2);
}

// The finder's worst case: one line of 64 MiB "abab...ab" and the longest query the search
// field takes, "abab...abb", which matches every other place of the line up to its last byte.
// Beside memchr over the same bytes (BM_MemchrPeriodic).
const QuoteCollection& periodicLine()
{
    static const QuoteCollection collection = [] {
        std::string bytes;
        bytes.reserve((std::size_t{64} << 20) + 16);
        while (bytes.size() < (std::size_t{64} << 20))
            bytes += "ab";
        bytes += "\r\nKoniec\r\n";
        return QuoteCollection::fromBytes(std::move(bytes));
    }();
    return collection;
}

std::string periodicQuery()
{
    std::string query;
    while (query.size() < 32766)
        query += "ab";
    return query + "b";
}

void BM_SearchPeriodicLongQuery(benchmark::State& state)
{
    const QuoteCollection& collection = periodicLine();
    const std::string query = periodicQuery();
    VectorList list(1);
    tavir::NoWaitIndicator wait;
    tavir::NoEventPump events;
    tavir::PumpPolicy policy;
    policy.threads.count = 1;
    for (auto _ : state) {
        tavir::FiltrujDane(collection, query, list, wait, events, policy);
        benchmark::DoNotOptimize(list.items.data());
    }
    state.counters["hits"] = static_cast<double>(list.items.size());
    state.SetBytesProcessed(state.iterations() * std::ssize(collection.text()));
}

void BM_MemchrPeriodic(benchmark::State& state)
{
    constexpr char kAbsent = '\x01';
    const std::string_view text = periodicLine().text();
    for (auto _ : state)
        benchmark::DoNotOptimize(std::memchr(text.data(), kAbsent, text.size()));
    state.SetBytesProcessed(state.iterations() * std::ssize(text));
}

void BM_Draw50(benchmark::State& state)
{
    const QuoteCollection& collection = quotes();
    VectorList list(50);
    std::uint32_t seed = 1'124'000'000;
    for (auto _ : state) {
        tavir::LosujDane(collection, 50, seed++, list);
        benchmark::DoNotOptimize(list.items.data());
    }
}

// The floor for any scan of the buffer: one pass that finds nothing.
void BM_MemchrAbsentByte(benchmark::State& state)
{
    constexpr char kAbsent = '\x01';
    const std::string_view text = quotes().text();
    if (std::memchr(text.data(), kAbsent, text.size()) != nullptr) {
        state.SkipWithError("the generated text holds the byte");
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(std::memchr(text.data(), kAbsent, text.size()));
    state.SetBytesProcessed(state.iterations() * std::ssize(text));
}

// The same pass, the buffer's second half on another thread: what two threads can save.
void BM_MemchrAbsentByteTwoThreads(benchmark::State& state)
{
    constexpr char kAbsent = '\x01';
    const std::string_view text = quotes().text();
    const std::size_t half = text.size() / 2;
    for (auto _ : state) {
        const void* second = nullptr;
        std::thread other(
            [&] { second = std::memchr(text.data() + half, kAbsent, text.size() - half); });
        benchmark::DoNotOptimize(std::memchr(text.data(), kAbsent, half));
        other.join();
        benchmark::DoNotOptimize(second);
    }
    state.SetBytesProcessed(state.iterations() * std::ssize(text));
}

void BM_Load(benchmark::State& state)
{
    const std::string path = quoteFile().path();
    for (auto _ : state) {
        const QuoteCollection collection = QuoteCollection::fromFile(path);
        benchmark::DoNotOptimize(collection.lineCount());
    }
    state.SetBytesProcessed(state.iterations() * std::ssize(quotes().text()));
}

// The floor for loading: the file read whole into a fresh buffer, nothing else.
void BM_ReadFile(benchmark::State& state)
{
    const std::string path = quoteFile().path();
    const std::size_t size = quotes().text().size();
    for (auto _ : state) {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        auto buffer = std::make_unique_for_overwrite<char[]>(size + 1);
        std::size_t done = 0;
        ssize_t n = 0;
        while ((n = ::read(fd, buffer.get() + done, size + 1 - done)) > 0)
            done += static_cast<std::size_t>(n);
        ::close(fd);
        if (done != size) {
            state.SkipWithError("cannot read the file");
            break;
        }
        benchmark::DoNotOptimize(buffer.get());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(size));
}

// The other way to load: the file mapped privately and read-only, its pages populated, and the
// line table built over the mapping. Kept to show why the collection reads the file instead:
// a mapping is no faster here and a file truncated under it would fault on access.
void BM_MapAndSplit(benchmark::State& state)
{
    const std::string path = quoteFile().path();
    const std::size_t size = quotes().text().size();
    for (auto _ : state) {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        void* pages = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
        ::close(fd);
        if (pages == MAP_FAILED) {
            state.SkipWithError("cannot map the file");
            break;
        }
        const auto starts = tavir::lineStarts({static_cast<const char*>(pages), size});
        benchmark::DoNotOptimize(starts);
        ::munmap(pages, size);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(size));
}

// Medians of several repetitions: single runs on a shared machine are too noisy to compare.
void repeated(benchmark::internal::Benchmark* b)
{
    b->Unit(benchmark::kMillisecond)->Repetitions(9)->ReportAggregatesOnly(true);
}

BENCHMARK(BM_MemchrAbsentByte)->Apply(repeated);
BENCHMARK(BM_MemchrAbsentByteTwoThreads)->Apply(repeated);
BENCHMARK(BM_SearchFewHits)->Apply(repeated);
BENCHMARK(BM_SearchManyHits)->Apply(repeated);
BENCHMARK(BM_SearchNoHits)->Apply(repeated);
BENCHMARK(BM_SearchOneLetter)->Apply(repeated);
BENCHMARK(BM_SearchFewHitsCaseAll)->Apply(repeated);
BENCHMARK(BM_SearchManyHitsCaseAll)->Apply(repeated);
BENCHMARK(BM_SearchNoHitsCaseAll)->Apply(repeated);
BENCHMARK(BM_SearchFewHitsNoDiacritics)->Apply(repeated);
BENCHMARK(BM_SearchManyHitsNoDiacritics)->Apply(repeated);
BENCHMARK(BM_SearchNoHitsNoDiacritics)->Apply(repeated);
BENCHMARK(BM_ListAll)->Apply(repeated);
BENCHMARK(BM_SearchFewHitsTwoThreads)->Apply(repeated);
BENCHMARK(BM_SearchManyHitsTwoThreads)->Apply(repeated);
BENCHMARK(BM_SearchNoHitsTwoThreads)->Apply(repeated);
BENCHMARK(BM_ListAllTwoThreads)->Apply(repeated);
BENCHMARK(BM_MemchrPeriodic)->Apply(repeated);
BENCHMARK(BM_SearchPeriodicLongQuery)->Apply(repeated);
BENCHMARK(BM_Draw50)->Apply(repeated)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ReadFile)->Apply(repeated);
BENCHMARK(BM_Load)->Apply(repeated);
BENCHMARK(BM_MapAndSplit)->Apply(repeated);

} // namespace

BENCHMARK_MAIN();

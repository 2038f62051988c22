// The word-form search: dictionary look-ups, the word index and the search of the shipped
// collection, and at a million generated quotations the word-form search beside the default
// search for the same query (bench/ratios.py sets them side by side).
#include "base/app_folder.h"
#include "base/codec.h"
#include "bench/quote_generator.h"
#include "quotes/collection.h"
#include "quotes/morphology.h"
#include "quotes/product.h"
#include "quotes/queries.h"
#include "quotes/word_search.h"
#include "quotes/words.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace {

using tavir::QuoteCollection;
using tavir::WordIndex;

const std::shared_ptr<const tavir::Morphology>& dictionary()
{
    static const auto loaded =
        tavir::Morphology::load(tavir::applicationFolder() + std::string(tavir::kDictionaryFile));
    return loaded;
}

const QuoteCollection& shipped()
{
    static const QuoteCollection collection =
        QuoteCollection::fromFile(tavir::applicationFolder() + std::string(tavir::kQuoteFile));
    return collection;
}

const WordIndex& shippedIndex()
{
    static const WordIndex index = WordIndex::build(shipped(), dictionary());
    return index;
}

const QuoteCollection& million()
{
    static const QuoteCollection collection =
        QuoteCollection::fromBytes(tavir::bench::generateQuotes());
    return collection;
}

const WordIndex& millionIndex()
{
    static const WordIndex index = WordIndex::build(million(), dictionary());
    return index;
}

// Keeps line numbers, as the window's list does.
class LineList final : public tavir::ResultList
{
public:
    void clear() override { lines.clear(); }
    void beginUpdate() override {}
    void endUpdate() override {}
    void add(std::string_view, int) override { lines.push_back(UINT32_MAX); }
    void addLine(const QuoteCollection&, std::size_t line) override
    {
        lines.push_back(static_cast<std::uint32_t>(line));
    }
    void addLines(const QuoteCollection&, std::span<const std::size_t> found) override
    {
        lines.insert(lines.end(), found.begin(), found.end());
    }
    std::vector<std::uint32_t> lines;
};

// "serce": a noun of the generated vocabulary with six forms, and of the shipped collection.
const std::string kQuery = tavir::utf8ToCp1250("serce");

void BM_DictionaryLoad(benchmark::State& state)
{
    const std::string path = tavir::applicationFolder() + std::string(tavir::kDictionaryFile);
    for (auto _ : state)
        benchmark::DoNotOptimize(tavir::Morphology::load(path));
}

// Every distinct word of the shipped collection looked up once per iteration.
void BM_DictionaryLookup(benchmark::State& state)
{
    const WordIndex& index = shippedIndex();
    std::vector<std::string> words;
    for (WordIndex::WordId id = 0; id < index.wordCount(); ++id)
        words.emplace_back(index.word(id));
    const tavir::Morphology& morphology = *dictionary();
    tavir::LexemeList found;
    std::size_t lexemes = 0;
    for (auto _ : state) {
        for (const std::string& word : words) {
            found.clear();
            morphology.lookup(word, found);
            lexemes += found.size();
        }
    }
    benchmark::DoNotOptimize(lexemes);
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(words.size()));
    state.counters["words"] = static_cast<double>(words.size());
}

// The same with a dictionary loaded afresh for each pass, so that no tag summary is known yet.
void BM_DictionaryLookupCold(benchmark::State& state)
{
    const WordIndex& index = shippedIndex();
    std::vector<std::string> words;
    for (WordIndex::WordId id = 0; id < index.wordCount(); ++id)
        words.emplace_back(index.word(id));
    const std::string path = tavir::applicationFolder() + std::string(tavir::kDictionaryFile);
    tavir::LexemeList found;
    std::size_t lexemes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const auto morphology = tavir::Morphology::load(path);
        state.ResumeTiming();
        for (const std::string& word : words) {
            found.clear();
            morphology->lookup(word, found);
            lexemes += found.size();
        }
    }
    benchmark::DoNotOptimize(lexemes);
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(words.size()));
}

void BM_WordIndexShipped(benchmark::State& state)
{
    const auto& morphology = dictionary();
    for (auto _ : state) {
        const WordIndex index = WordIndex::build(shipped(), morphology);
        benchmark::DoNotOptimize(index.wordCount());
    }
    state.counters["words"] = static_cast<double>(shippedIndex().wordCount());
}

void runWordSearch(benchmark::State& state, const QuoteCollection& quotes, const WordIndex& index)
{
    LineList list;
    tavir::NoWaitIndicator wait;
    tavir::NoEventPump pump;
    for (auto _ : state) {
        tavir::FiltrujFormy(quotes, index, kQuery, list, wait, pump);
        benchmark::DoNotOptimize(list.lines.data());
    }
    state.counters["hits"] = static_cast<double>(list.lines.size());
}

void runSearch(benchmark::State& state, const QuoteCollection& quotes)
{
    LineList list;
    tavir::NoWaitIndicator wait;
    tavir::NoEventPump pump;
    tavir::PumpPolicy oneThread; // as the word search runs
    oneThread.threads.count = 1;
    for (auto _ : state) {
        tavir::FiltrujDane(quotes, kQuery, list, wait, pump, oneThread);
        benchmark::DoNotOptimize(list.lines.data());
    }
    state.counters["hits"] = static_cast<double>(list.lines.size());
}

void BM_WordSearchShipped(benchmark::State& state)
{
    runWordSearch(state, shipped(), shippedIndex());
}
void BM_SearchShipped(benchmark::State& state)
{
    runSearch(state, shipped());
}
void BM_WordSearchMillion(benchmark::State& state)
{
    runWordSearch(state, million(), millionIndex());
}
void BM_SearchMillion(benchmark::State& state)
{
    runSearch(state, million());
}
// Built once: a figure for the closing note, not a target.
void BM_WordIndexMillion(benchmark::State& state)
{
    const auto& morphology = dictionary();
    for (auto _ : state) {
        const WordIndex index = WordIndex::build(million(), morphology);
        benchmark::DoNotOptimize(index.wordCount());
    }
}

void repeated(benchmark::internal::Benchmark* b)
{
    b->Unit(benchmark::kMillisecond)->Repetitions(9)->ReportAggregatesOnly(true);
}

BENCHMARK(BM_DictionaryLoad)->Apply(repeated);
BENCHMARK(BM_DictionaryLookup)->Apply(repeated);
BENCHMARK(BM_DictionaryLookupCold)->Apply(repeated);
BENCHMARK(BM_WordIndexShipped)->Apply(repeated);
BENCHMARK(BM_SearchShipped)->Apply(repeated)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WordSearchShipped)->Apply(repeated)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SearchMillion)->Apply(repeated);
BENCHMARK(BM_WordSearchMillion)->Apply(repeated);
BENCHMARK(BM_WordIndexMillion)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);

} // namespace

BENCHMARK_MAIN();

#include "quotes/queries.h"

#include "quotes/finder.h"
#include "quotes/throttle.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <ctime>
#include <vector>

namespace tavir {

namespace {

bool listAll(const QuoteCollection& quotes, std::size_t quotations, ResultList& list,
             WaitIndicator& wait, Throttle& throttle, std::size_t linesPerCheck)
{
    for (std::size_t i = 0; i < quotations; ++i) {
        if (i % linesPerCheck == 0 && i != 0 && !throttle.check())
            return false;
        AddListItem(quotes, i, list);
        wait.step();
    }
    return true;
}

// The lines of [first, next) that hold a hit, found from the marks of every hit in them
// (FoldedFinder::markHits): a line holds one when fewer hits begin before it than before the
// next. No branch depends on the text; the counting takes the processor's popcnt wherever it
// has one.
__attribute__((target_clones("popcnt", "default"))) std::size_t
linesWithHits(const QuoteCollection& quotes, const FoldedFinder& finder, std::size_t first,
              std::size_t next, std::vector<std::uint64_t>& marks, std::vector<std::size_t>& before,
              std::vector<std::size_t>& lines)
{
    const std::size_t from = quotes.lineStart(first);
    const std::size_t to = quotes.lineStart(next);
    const std::size_t words = (to - from) / 64 + 1; // one more, for a rank at `to`
    marks.resize(words);
    marks.back() = 0; // markHits clears the others
    finder.markHits(quotes.text(), from, to, marks.data());
    before.resize(words);
    std::size_t total = 0;
    for (std::size_t w = 0; w < words; ++w) {
        before[w] = total;
        total += static_cast<std::size_t>(std::popcount(marks[w]));
    }
    const auto rank = [&](std::size_t at) {
        const std::size_t w = at / 64;
        const std::uint64_t below = (std::uint64_t{1} << (at % 64)) - 1;
        return before[w] + static_cast<std::size_t>(std::popcount(marks[w] & below));
    };
    lines.resize(next - first);
    std::size_t found = 0;
    std::size_t hitsBefore = 0;
    for (std::size_t line = first; line < next; ++line) {
        const std::size_t hitsToEnd = rank(quotes.lineStart(line + 1) - from);
        lines[found] = line;
        found += hitsToEnd != hitsBefore;
        hitsBefore = hitsToEnd;
    }
    return found;
}

// A match never spans lines, because no line holds CR, LF or NUL; a query that holds one of
// them therefore finds nothing. The buffer is scanned in blocks of lines, events delivered
// between blocks. A block where hits are sparse is searched hit by hit: a hit's line is found
// in the line table and the search goes on from the next line. After a block with a hit on
// more than one line in eight, the next block has every hit marked and then its lines
// counted, which never leaves the scan for a hit.
bool search(const QuoteCollection& quotes, std::size_t quotations, std::string_view query,
            const FoldTable& fold, ResultList& list, Throttle& throttle, std::size_t linesPerCheck)
{
    if (query.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos)
        return true;
    const FoldedFinder finder(query, fold);
    std::vector<std::uint64_t> marks;
    std::vector<std::size_t> before;
    std::vector<std::size_t> found;
    bool dense = false;
    for (std::size_t first = 0; first < quotations; first += linesPerCheck) {
        if (first != 0 && !throttle.check())
            return false;
        const std::size_t next = std::min(first + linesPerCheck, quotations);
        std::size_t hits = 0;
        if (dense) {
            hits = linesWithHits(quotes, finder, first, next, marks, before, found);
            AddListItems(quotes, {found.data(), hits}, list);
        } else {
            // Positions stay those of the whole text; the block ends where line `next` begins.
            const std::string_view block = quotes.text().substr(0, quotes.lineStart(next));
            std::size_t line = first;
            finder.findEach(block, quotes.lineStart(first), [&](std::size_t at) {
                line = quotes.lineHolding(at, line, next);
                AddListItem(quotes, line, list);
                ++hits;
                return quotes.lineStart(++line); // on from the next line
            });
        }
        dense = hits * 8 > next - first;
    }
    return true;
}

} // namespace

void AddListItem(std::string_view text, ResultList& list, int image)
{
    list.add(text, image);
}

void AddListItem(const QuoteCollection& quotes, std::size_t line, ResultList& list)
{
    list.addLine(quotes, line);
}

void AddListItems(const QuoteCollection& quotes, std::span<const std::size_t> lines,
                  ResultList& list)
{
    list.addLines(quotes, lines);
}

QueryEnd FiltrujDane(const QuoteCollection& quotes, std::string_view query, ResultList& list,
                     WaitIndicator& wait, EventPump& pump, const PumpPolicy& policy,
                     Folding folding)
{
    const std::size_t quotations = quotes.quotationCount();
    const std::size_t linesPerCheck = std::max<std::size_t>(policy.linesPerCheck, 1);
    Throttle throttle(pump, policy);

    list.beginUpdate();
    list.clear();
    bool finished = true;
    if (query.empty()) {
        wait.create();
        wait.setMaximum(quotes.lineCount());
        wait.show();
        list.reserve(quotations);
        finished = listAll(quotes, quotations, list, wait, throttle, linesPerCheck);
        wait.close();
    } else {
        finished =
            search(quotes, quotations, query, foldTable(folding), list, throttle, linesPerCheck);
    }
    list.endUpdate();
    return finished ? QueryEnd::Finished : QueryEnd::Stopped;
}

std::uint32_t timeSeed()
{
    return timeSeed(std::time(nullptr));
}

std::uint32_t timeSeed(std::time_t now)
{
    return static_cast<std::uint32_t>(now);
}

void LosujDane(const QuoteCollection& quotes, int n, std::uint32_t seed, ResultList& list)
{
    RuntimeRandom random(seed);
    list.clear();
    const std::size_t quotations = quotes.quotationCount();
    if (quotations == 0)
        return;
    for (int k = 0; k < n; ++k) {
        const auto r = static_cast<std::size_t>(random.draw());
        AddListItem(quotes, r % quotations, list);
    }
}

} // namespace tavir

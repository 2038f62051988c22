#include "quotes/block_search.h"

#include <algorithm>
#include <bit>

namespace tavir {

namespace {

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

} // namespace

BlockSearch::BlockSearch(const QuoteCollection& quotes, std::string_view query,
                         const FoldTable& fold)
    : quotes_(quotes), finder_(query, fold)
{
}

void BlockSearch::addHits(std::size_t first, std::size_t next, ResultList& list)
{
    std::size_t hits = 0;
    if (dense_) {
        hits = linesWithHits(quotes_, finder_, first, next, marks_, before_, found_);
        AddListItems(quotes_, {found_.data(), hits}, list);
    } else {
        // Positions stay those of the whole text; the block ends where line `next` begins.
        const std::string_view block = quotes_.text().substr(0, quotes_.lineStart(next));
        std::size_t line = first;
        finder_.findEach(block, quotes_.lineStart(first), [&](std::size_t at) {
            line = quotes_.lineHolding(at, line, next);
            AddListItem(quotes_, line, list);
            ++hits;
            return quotes_.lineStart(++line); // on from the next line
        });
    }
    dense_ = hits * 8 > next - first;
}

} // namespace tavir

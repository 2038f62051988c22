#include "quotes/block_search.h"

#include <algorithm>
#include <bit>

namespace tavir {

namespace {

// The lines of [first, next) that hold a hit, found from the marks of every hit in them
// (FoldedFinder::markHits): a line holds one when fewer hits begin before it than before the
// next. No branch depends on the text; the counting takes the processor's popcnt wherever it
// has one. The hits are marked a piece at a time, `goOn` asked between pieces; false when it
// said to stop.
__attribute__((target_clones("popcnt", "default"))) bool
linesWithHits(const QuoteCollection& quotes, const FoldedFinder& finder, std::size_t first,
              std::size_t next, std::vector<std::uint64_t>& marks, std::vector<std::size_t>& before,
              std::vector<std::size_t>& lines, std::size_t& found, const BlockSearch::GoOn& goOn)
{
    const std::size_t from = quotes.lineStart(first);
    const std::size_t to = quotes.lineStart(next);
    const std::size_t words = (to - from) / 64 + 1; // one more, for a rank at `to`
    marks.resize(words);
    marks.back() = 0; // markHits clears the others
    for (std::size_t at = from; at < to; at += BlockSearch::kBytesPerCheck) {
        if (at != from && !goOn())
            return false;
        finder.markHits(quotes.text(), at, std::min(to, at + BlockSearch::kBytesPerCheck),
                        marks.data() + (at - from) / 64);
    }
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
    found = 0;
    std::size_t hitsBefore = 0;
    for (std::size_t line = first; line < next; ++line) {
        const std::size_t hitsToEnd = rank(quotes.lineStart(line + 1) - from);
        lines[found] = line;
        found += hitsToEnd != hitsBefore;
        hitsBefore = hitsToEnd;
    }
    return true;
}

} // namespace

BlockSearch::BlockSearch(const QuoteCollection& quotes, std::string_view query,
                         const FoldTable& fold)
    : quotes_(quotes), finder_(query, fold), needleSize_(query.size())
{
}

bool BlockSearch::addHits(std::size_t first, std::size_t next, ResultList& list, const GoOn& goOn)
{
    std::size_t hits = 0;
    if (dense_) {
        if (!linesWithHits(quotes_, finder_, first, next, marks_, before_, found_, hits, goOn))
            return false;
        AddListItems(quotes_, {found_.data(), hits}, list);
    } else {
        // Positions stay those of the whole text. Each piece looks at the places in
        // [at, at + kBytesPerCheck), and so takes in the needle's size - 1 bytes after them.
        const std::size_t from = quotes_.lineStart(first);
        const std::size_t end = quotes_.lineStart(next);
        std::size_t line = first;
        for (std::size_t at = from; at < end;) {
            if (at != from && !goOn())
                return false;
            const std::size_t pieceEnd = std::min(end, at + kBytesPerCheck);
            const std::string_view piece =
                quotes_.text().substr(0, std::min(end, pieceEnd + needleSize_ - 1));
            std::size_t resume = pieceEnd;
            finder_.findEach(piece, at, [&](std::size_t hit) {
                line = quotes_.lineHolding(hit, line, next);
                AddListItem(quotes_, line, list);
                ++hits;
                resume = std::max(resume, quotes_.lineStart(++line));
                return quotes_.lineStart(line); // on from the next line
            });
            at = resume;
        }
    }
    dense_ = hits * 8 > next - first;
    return true;
}

} // namespace tavir

#include "quotes/queries.h"

#include "quotes/block_search.h"
#include "quotes/parallel_query.h"
#include "quotes/throttle.h"

#include <algorithm>
#include <cstdint>
#include <ctime>

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

// A match never spans lines, because no line holds CR, LF or NUL; a query that holds one of
// them therefore finds nothing. The buffer is scanned in blocks of lines (BlockSearch), events
// delivered between blocks, and between the pieces of a long block (one long line, say).
bool search(const QuoteCollection& quotes, std::size_t quotations, std::string_view query,
            const FoldTable& fold, ResultList& list, Throttle& throttle, std::size_t linesPerCheck)
{
    if (query.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos)
        return true;
    BlockSearch blocks(quotes, query, fold);
    for (std::size_t first = 0; first < quotations; first += linesPerCheck) {
        if (first != 0 && !throttle.check())
            return false;
        if (!blocks.addHits(first, std::min(first + linesPerCheck, quotations), list,
                            [&] { return throttle.check(); }))
            return false;
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

    // A large collection is cut into ranges searched on other threads too.
    const unsigned threads = policy.threads.threadsFor(quotes.text().size());

    list.beginUpdate();
    list.clear();
    bool finished = true;
    if (query.empty()) {
        wait.create();
        wait.setMaximum(quotes.lineCount());
        wait.show();
        list.reserve(quotations);
        finished = threads > 1 ? listAllInBlocks(quotes, quotations, list, wait, throttle, policy)
                               : listAll(quotes, quotations, list, wait, throttle, linesPerCheck);
        wait.close();
    } else if (threads > 1 &&
               query.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos) {
        finished = searchInRanges(quotes, quotations, query, foldTable(folding), list, throttle,
                                  policy, threads);
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

#include "quotes/word_search.h"

#include <algorithm>
#include <bit>
#include <chrono>
#include <cstdint>
#include <vector>

namespace tavir {

QueryEnd FiltrujFormy(const QuoteCollection& quotes, const WordIndex& index, std::string_view query,
                      ResultList& list, WaitIndicator& wait, EventPump& pump,
                      const PumpPolicy& policy, Folding folding)
{
    if (query.empty())
        return FiltrujDane(quotes, query, list, wait, pump, policy, folding);
    const std::size_t quotations = std::min(quotes.quotationCount(), index.lineCount());
    const std::size_t linesPerCheck = std::max<std::size_t>(policy.linesPerCheck, 1);

    list.beginUpdate();
    list.clear();
    bool finished = true;
    const WordQuery words(index, query, folding);
    if (words.size() != 0) {
        std::vector<std::uint64_t> marks;
        words.markLines(marks);
        std::vector<std::size_t> found;
        auto last = std::chrono::steady_clock::now();
        for (std::size_t first = 0; first < quotations; first += linesPerCheck) {
            if (first != 0) {
                const auto now = std::chrono::steady_clock::now();
                if (now - last >= policy.interval) {
                    finished = pump.deliverPending();
                    last = std::chrono::steady_clock::now();
                    if (!finished)
                        break;
                }
            }
            const std::size_t next = std::min(first + linesPerCheck, quotations);
            found.clear();
            for (std::size_t w = first / 64; w * 64 < next; ++w) {
                std::uint64_t bits = marks[w];
                if (w * 64 < first)
                    bits &= ~std::uint64_t{0} << (first % 64);
                if (next - w * 64 < 64)
                    bits &= (std::uint64_t{1} << (next - w * 64)) - 1;
                for (; bits != 0; bits &= bits - 1)
                    found.push_back(w * 64 + static_cast<std::size_t>(std::countr_zero(bits)));
            }
            if (!found.empty())
                AddListItems(quotes, found, list);
        }
    }
    list.endUpdate();
    return finished ? QueryEnd::Finished : QueryEnd::Stopped;
}

} // namespace tavir

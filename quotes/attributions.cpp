#include "quotes/attributions.h"

#include "quotes/throttle.h"

#include <algorithm>
#include <unordered_map>

namespace tavir {

std::string_view attributionOf(std::string_view line)
{
    const std::size_t mark = line.rfind(kAttributionMark);
    return mark == std::string_view::npos ? std::string_view()
                                          : line.substr(mark + kAttributionMark.size());
}

std::vector<AttributionCount> countAttributions(const QuoteCollection& quotes,
                                                AttributionOrder order)
{
    std::vector<AttributionCount> counts;
    // Where each attribution stands in `counts`.
    std::unordered_map<std::string_view, std::size_t> places;
    const std::size_t quotations = quotes.quotationCount();
    for (std::size_t i = 0; i < quotations; ++i) {
        const std::string_view attribution = attributionOf(quotes.line(i));
        if (attribution.empty())
            continue;
        const auto [place, added] = places.try_emplace(attribution, counts.size());
        if (added)
            counts.push_back({attribution, 0});
        ++counts[place->second].quotations;
    }
    if (order == AttributionOrder::Bytes) {
        // string_view compares as unsigned bytes (char_traits<char>::compare is memcmp).
        std::sort(counts.begin(), counts.end(),
                  [](const AttributionCount& a, const AttributionCount& b) {
                      return a.attribution < b.attribution;
                  });
    }
    return counts;
}

QueryEnd FiltrujAutora(const QuoteCollection& quotes, std::string_view attribution,
                       ResultList& list, WaitIndicator& wait, EventPump& pump,
                       const PumpPolicy& policy)
{
    (void)wait; // the list fills fast enough without it, as a search does
    const std::size_t quotations = quotes.quotationCount();
    const std::size_t linesPerCheck = std::max<std::size_t>(policy.linesPerCheck, 1);
    Throttle throttle(pump, policy);

    list.beginUpdate();
    list.clear();
    bool finished = true;
    for (std::size_t i = 0; i < quotations; ++i) {
        if (i % linesPerCheck == 0 && i != 0 && !throttle.check()) {
            finished = false;
            break;
        }
        if (attributionOf(quotes.line(i)) == attribution)
            AddListItem(quotes, i, list);
    }
    list.endUpdate();
    return finished ? QueryEnd::Finished : QueryEnd::Stopped;
}

} // namespace tavir

#pragma once

#include "quotes/collection.h"
#include "quotes/queries.h"

#include <cstddef>
#include <string_view>
#include <vector>

namespace tavir {

// A quotation names its author after an en dash (0x96 in Windows-1250) with a blank each side:
// "Kto rano wstaje, temu Pan Bóg daje. – przysłowie polskie".
inline constexpr std::string_view kAttributionMark = " \x96 ";

// The text after the line's last " – ": "przysłowie polskie" above. Empty when the line has
// no such mark.
std::string_view attributionOf(std::string_view line);

struct AttributionCount
{
    std::string_view attribution; // points into the collection
    std::size_t quotations = 0;
    friend bool operator==(const AttributionCount&, const AttributionCount&) = default;
};

enum class AttributionOrder
{
    FirstQuotation, // in the order of the first quotation that carries each
    Bytes,          // by their bytes; the window sorts with its own collation
};

// Every attribution of the collection's quotations, with the number of quotations that carry
// it. One pass over the quotations with a hash table of string views: nothing is copied. Lines
// without an attribution are not counted; a collection without any gives an empty list.
std::vector<AttributionCount> countAttributions(const QuoteCollection& quotes,
                                                AttributionOrder order);

// Lists, in order, exactly the quotations whose attribution is `attribution` (bytes compared
// as they are; an empty one lists the quotations without any), through the same list, pump and
// policy as FiltrujDane: the list is emptied first, and every policy.linesPerCheck lines events
// are delivered at most every policy.interval; QueryEnd::Stopped when the pump says stop. The
// wait window is not shown.
QueryEnd FiltrujAutora(const QuoteCollection& quotes, std::string_view attribution,
                       ResultList& list, WaitIndicator& wait, EventPump& pump,
                       const PumpPolicy& policy = {});

} // namespace tavir

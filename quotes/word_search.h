#pragma once

#include "quotes/collection.h"
#include "quotes/folding.h"
#include "quotes/queries.h"
#include "quotes/words.h"

#include <string_view>

namespace tavir {

// Lists, in order, the quotations that hold every word of `query` in some form of its lexeme
// (see WordQuery), through the same list, pump and policy as FiltrujDane: the list is emptied
// first, rows are added a block of policy.linesPerCheck lines at a time, and between blocks
// events are delivered at most every policy.interval; QueryEnd::Stopped when the pump says stop.
// `index` must have been built from `quotes`. An empty query lists every quotation, as
// FiltrujDane does; a query without letters lists none. Raises the dictionary's errors.
QueryEnd FiltrujFormy(const QuoteCollection& quotes, const WordIndex& index, std::string_view query,
                      ResultList& list, WaitIndicator& wait, EventPump& pump,
                      const PumpPolicy& policy = {}, Folding folding = Folding::EveryCase);

} // namespace tavir

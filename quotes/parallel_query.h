#pragma once

#include "quotes/collection.h"
#include "quotes/folding.h"
#include "quotes/queries.h"
#include "quotes/throttle.h"

#include <cstddef>
#include <string_view>

namespace tavir {

// FiltrujDane's two queries over a large collection (PumpPolicy::threads). Rows reach `list`
// on the calling thread, in order, and the throttle is checked before every
// policy.linesPerCheck lines, as without threads. Both return false when the throttle stopped
// them; every thread they started has ended by then, whatever way they return.

// Every quotation of [0, quotations), added a block of policy.linesPerCheck at a time, with a
// step of the wait window for each.
bool listAllInBlocks(const QuoteCollection& quotes, std::size_t quotations, ResultList& list,
                     WaitIndicator& wait, Throttle& throttle, const PumpPolicy& policy);

// The quotations holding `query` (which holds no CR, LF or NUL). The collection's text is cut
// into ranges at line starts (cutAtLineStart), searched ahead by other threads (BlockSearch);
// the calling thread searches a range itself when none has taken it yet, and while it waits
// for one it still delivers events as the throttle says.
bool searchInRanges(const QuoteCollection& quotes, std::size_t quotations, std::string_view query,
                    const FoldTable& fold, ResultList& list, Throttle& throttle,
                    const PumpPolicy& policy, unsigned threads);

} // namespace tavir

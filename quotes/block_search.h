#pragma once

#include "base/function_ref.h"
#include "quotes/collection.h"
#include "quotes/finder.h"
#include "quotes/folding.h"
#include "quotes/queries.h"

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace tavir {

// The window's search of a collection, a block of lines at a time, on whichever thread takes the
// block. A block where hits are sparse is searched hit by hit: a hit's line is found in the line
// table and the search goes on from the next line. After a block with a hit on more than one
// line in eight, the next block has every hit marked and then its lines counted, which never
// leaves the scan for a hit. A match never spans lines, since no line holds CR, LF or NUL; the
// query must hold none of them. A block of more than kBytesPerCheck bytes (one long line, say)
// is scanned a piece of that many bytes at a time, the caller asked between pieces whether to
// go on.
class BlockSearch
{
public:
    BlockSearch(const QuoteCollection& quotes, std::string_view query, const FoldTable& fold);

    // Adds the lines of [first, next) that hold the query to `list`, in order. Returns false
    // when `goOn`, asked between the pieces of a long block, said to stop: the block's hits
    // are then not all added.
    using GoOn = FunctionRef<bool()>;
    bool addHits(std::size_t first, std::size_t next, ResultList& list, const GoOn& goOn);

    static constexpr std::size_t kBytesPerCheck = std::size_t{1} << 20; // whole 64-byte steps

private:
    const QuoteCollection& quotes_;
    FoldedFinder finder_;
    std::size_t needleSize_;
    std::vector<std::uint64_t> marks_;
    std::vector<std::size_t> before_;
    std::vector<std::size_t> found_;
    bool dense_ = false;
};

} // namespace tavir

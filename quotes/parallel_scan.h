#pragma once

#include "base/function_ref.h"
#include "quotes/folding.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavir {

// How a large text is scanned on several threads: cut into ranges at line starts
// (cutAtLineStart), each range taken by one thread, the ranges handed out in order and their
// results delivered in the text's order while later ones are scanned. A text below the
// threshold is scanned on the calling thread alone, as it always was.
struct ScanThreads
{
    // Measured on two cores with generated collections: two threads began to gain between 23
    // and 30 MB (the one-letter search broke even up to about 46 MB), and lost below, where
    // starting a thread and waiting for the last range eat what it saves.
    static constexpr std::size_t kThreshold = std::size_t(32) << 20;
    static constexpr std::size_t kRangeSize = std::size_t(4) << 20;

    unsigned count = 0; // 0: one for each processor the system has
    std::size_t threshold = kThreshold;
    std::size_t rangeSize = kRangeSize; // before its end moves to a line start
    // For tests: where the text is cut (ascending) before each cut moves to a line start, in
    // place of every rangeSize bytes.
    std::vector<std::size_t> cuts;

    // The threads a text of `size` bytes is scanned on: 1 below the threshold, and never more
    // than it has ranges.
    unsigned threadsFor(std::size_t size) const;
    // The nominal cut that ends range `index` (before it moves to a line start); `size` for
    // the last.
    std::size_t nominalCut(std::size_t index, std::size_t size) const;
};

// How rows become bytes: appends one quotation's bytes to `out`. Called from several threads
// at once.
using RowFormat = FunctionRef<void(std::string& out, std::string_view row)>;
// Writes bytes out; called from one thread at a time, in the text's order. May throw, which
// stops every thread; the exception then leaves the scan.
using WriteBytes = FunctionRef<void(std::string_view bytes)>;

// What QueryStream::readFile lists over the file at `path` (every quotation for an empty
// query), formatted and written in file order, on threads.threadsFor(size of the file)
// threads. Each thread maps the range it takes (QueryStream::readRange), and its pages are
// given back once it and the ranges beside it are done, so memory stays within a fixed amount
// a thread, however large the file and however many the hits. Returns false, having read
// nothing, when the file would take one thread (or cannot be mapped): the caller then takes
// the single-threaded path. Raises "Cannot open file <path>" when it cannot be read.
bool searchFileInRanges(const std::string& path, std::string_view query, const FoldTable& fold,
                        RowFormat format, WriteBytes write, const ScanThreads& threads);

// The number of lines countFileLines gives, counted on several threads; nothing when the file
// would take one thread (or cannot be mapped). Raises as searchFileInRanges.
std::optional<std::size_t> countFileLinesInRanges(const std::string& path,
                                                  const ScanThreads& threads);

} // namespace tavir

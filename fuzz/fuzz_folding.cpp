// The two optional foldings (every letter's case, without diacritics) against a simple
// reference: both sides folded through the table, then std::string::find. Every SIMD path of
// the finder (a hit at a time, every hit in one pass, and before a NUL), the window's search
// and the command line's streaming search are checked.
// Input: one parameter byte (the folding and a piece size), then query 0x1F file bytes.
#include "fuzz/finder_check.h"
#include "fuzz/fuzz_support.h"
#include "fuzz/stream_check.h"
#include "quotes/collection.h"
#include "quotes/finder.h"
#include "quotes/folding.h"
#include "quotes/queries.h"
#include "quotes/stream.h"

#include <string>

namespace {

using namespace tavir::fuzz;

std::string folded(std::string_view text, const tavir::FoldTable& fold)
{
    return tavir::test::folded(fold, text);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    const auto folding = data[0] & 1 ? tavir::Folding::NoDiacritics : tavir::Folding::EveryCase;
    const tavir::FoldTable& fold = tavir::foldTable(folding);
    const auto parts = fields(bytesOf(data + 1, size - 1), 1);
    const std::string_view query = parts[0], file = parts[1];

    const tavir::FoldedFinder finder(query, fold);
    const std::string haystack = folded(file, fold), needle = folded(query, fold);
    checkFinderPaths(finder, file, haystack, needle, 0, 1 + (data[0] >> 1) % 5);
    checkFinderPaths(tavir::FoldedFinder(query, fold, tavir::FinderBudget{0, 0}), file, haystack,
                     needle, 0, 1 + (data[0] >> 1) % 5);
    if (!file.empty())
        checkPeriodic(query.substr(0, 1 + data[0] % 5),
                      64 + 8 * static_cast<unsigned char>(file[0]), data[0] >> 3,
                      1 + 2 * file.size() % 1024, file.back(), fold, 1 + (data[0] >> 1) % 5);

    const auto quotes = tavir::QuoteCollection::fromBytes(std::string(file));
    std::vector<std::string_view> expected;
    for (std::size_t i = 0; i < quotes.quotationCount(); ++i)
        if (query.empty() || folded(quotes.line(i), fold).find(needle) != std::string::npos)
            expected.push_back(quotes.line(i));

    CopiedRows window;
    tavir::NoWaitIndicator wait;
    tavir::NoEventPump pump;
    tavir::PumpPolicy policy;
    policy.linesPerCheck = 1 + (data[0] >> 1);
    tavir::FiltrujDane(quotes, query, window, wait, pump, policy, folding);
    checkRows(window.rows, expected, "number of rows", "rows differ from the reference");

    checkStreamed(query, file, fold, 1 + (data[0] >> 1), expected);
    return 0;
}

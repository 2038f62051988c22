#pragma once

#include "quotes/collection.h"
#include "quotes/folding.h"
#include "tests/support/naive_finder.h"

#include <string>
#include <string_view>
#include <vector>

namespace tavir::test {

// What every search of a file must list, found the simple way: the file's lines as the
// collection splits them, but the last, each kept when its folded bytes hold the folded query
// (every line for an empty query; none for a query holding CR, LF or NUL, which no line holds).
inline std::vector<std::string> referenceRows(std::string_view file, std::string_view query,
                                              const FoldTable& fold = asciiFoldTable())
{
    const auto quotes = QuoteCollection::fromBytes(std::string(file));
    const std::string needle = folded(fold, query);
    std::vector<std::string> rows;
    for (std::size_t i = 0; i < quotes.quotationCount(); ++i)
        if (folded(fold, quotes.line(i)).find(needle) != std::string::npos)
            rows.emplace_back(quotes.line(i));
    return rows;
}

} // namespace tavir::test

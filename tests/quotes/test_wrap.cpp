#include "quotes/wrap.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Pieces = std::vector<std::string>;

Pieces wrap(std::string_view line, std::size_t columns)
{
    Pieces pieces;
    for (const tavir::ByteRange& piece : tavir::wrapLine(line, columns))
        pieces.emplace_back(line.substr(piece.begin, piece.end - piece.begin));
    return pieces;
}

TEST(Wrap, CutsAtBlanksWithinTheWidth)
{
    const struct
    {
        std::string line;
        std::size_t columns;
        Pieces pieces;
    } cases[] = {
        // A line that fits to the last column stays whole.
        {"Ala ma kota", 11, {"Ala ma kota"}},
        {"Ala ma kota", 10, {"Ala ma", "kota"}},
        {"Ala ma kota", 6, {"Ala ma", "kota"}},
        {"Ala ma kota", 5, {"Ala", "ma", "kota"}},
        {"Ala ma kota", 0, {"Ala ma kota"}},
        // A word longer than the width stands whole on a line of its own.
        {"a konstantynopolitanczykowianeczka b",
         10,
         {"a", "konstantynopolitanczykowianeczka", "b"}},
        {"konstantynopolitanczykowianeczka", 4, {"konstantynopolitanczykowianeczka"}},
        // Runs of blanks at a cut go; inside a piece they stay.
        {"raz  dwa    trzy", 8, {"raz  dwa", "trzy"}},
        {"raz\tdwa trzy", 7, {"raz\tdwa", "trzy"}},
        // Polish letters are one column each (Windows-1250, a byte each).
        {"\xBF\xF3\xB3w \xBF\xF3\xB3w", 4, {"\xBF\xF3\xB3w", "\xBF\xF3\xB3w"}},
        // A no-break space does not cut.
        {"100\xA0z\xB3 i grosz", 6, {"100\xA0z\xB3", "i", "grosz"}},
        {"", 5, {""}},
        {"koniec  ", 3, {"koniec"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(wrap(c.line, c.columns), c.pieces) << c.line << " / " << c.columns;
}

TEST(Wrap, NoPieceIsWiderThanTheWidthUnlessOneWordIs)
{
    const std::string line = "Litwo! Ojczyzno moja! ty jeste\x9C jak zdrowie: Ile ci\xEA trzeba "
                             "ceni\xE6, ten tylko si\xEA dowie, kto ci\xEA straci\xB3.";
    for (std::size_t columns = 1; columns <= line.size(); ++columns) {
        const Pieces pieces = wrap(line, columns);
        std::string joined;
        for (std::size_t k = 0; k < pieces.size(); ++k) {
            const std::string& piece = pieces[k];
            EXPECT_TRUE(piece.size() <= columns || piece.find(' ') == std::string::npos)
                << columns << ": " << piece;
            // Greedy: the next piece's first word would not have fitted after this one.
            if (k + 1 < pieces.size()) {
                const std::string& next = pieces[k + 1];
                EXPECT_GT(piece.size() + 1 + next.substr(0, next.find(' ')).size(), columns)
                    << columns << ": " << piece;
            }
            joined += (joined.empty() ? "" : " ") + piece;
        }
        EXPECT_EQ(joined, line) << columns;
    }
}

} // namespace

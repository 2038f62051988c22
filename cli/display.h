#pragma once

#include "quotes/words.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// How tavir-cli shows quotations to a reader (never with --raw): lines cut to a width at blanks
// (--wrap), and what a search matched coloured as GNU grep colours it (--color).
namespace tavir::cli {

// The colour of a match, and back to the plain text: grep's default for matched text.
inline constexpr std::string_view kMatchStart = "\x1b[01;31m\x1b[K";
inline constexpr std::string_view kMatchEnd = "\x1b[m\x1b[K";

struct Display
{
    std::size_t columns = 0; // 0: lines are not cut
    // The byte ranges of a Windows-1250 line to colour, ascending and disjoint; none when empty.
    std::function<std::vector<ByteRange>(std::string_view)> marks;
};

// Appends a Windows-1250 line in UTF-8 as the display shows it: each piece of wrapLine() with
// its matches coloured (a match cut by the end of a piece is closed there and opened again on
// the next), each ended by '\n'.
void appendDisplayed(std::string& out, std::string_view line, const Display& display);

// The width for --wrap without a number: the terminal's when standard output is one (else
// $COLUMNS, else 80, when the terminal does not say), 0 when it is no terminal.
std::size_t terminalColumns();

// Whether --color=auto colours: standard output is a terminal, NO_COLOR is unset or empty and
// TERM is not "dumb".
bool colourByDefault();

} // namespace tavir::cli

#pragma once

#include "quotes/words.h"

#include <cstddef>
#include <string_view>
#include <vector>

namespace tavir {

// Cuts a line of Windows-1250 text (one character a byte) into pieces of at most `columns`
// characters, at blanks (space or tab), for a reader's screen: the pieces as ranges of the line,
// in order. The blanks at a cut belong to no piece; a word longer than `columns` stands whole
// on a piece of its own; a line that fits, to the last column, is one piece; so is an empty one.
// No-break spaces (0xA0) do not cut. `columns` 0 cuts nothing.
std::vector<ByteRange> wrapLine(std::string_view line, std::size_t columns);

} // namespace tavir

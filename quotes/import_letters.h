#pragma once

namespace tavir {

// The Windows-1250 letter closest to a Latin letter that Windows-1250 lacks (the same letter
// with fewer marks, or the bare base letter); 0 when there is none in the table.
char32_t closestLetter(char32_t c);

} // namespace tavir

#pragma once

#include <string>
#include <vector>

namespace tavir::test {

// Files that put every line rule at the edges of pieces: each terminator form, an empty line,
// a terminator at the very end or none, the first NUL, one-line and empty files.
inline const std::vector<std::string> kLineFiles = {
    "",
    "A",
    "A\r\n",
    "Ala ma kota\r\nALA\r\nbez\r\nala end\r\n",
    "ala\r\nala\r\nala",
    "ala\nala\rala\r\n\r\nala\n\rala\r\r\nala\n\n",
    "ala\r\nala\r\n\r\n",
    "ala\r\nb\0ala\r\nala\r\n",
    std::string("ala\r\nala\0\r\nala\r\n", 15),
    std::string("\0ala\r\nala\r\n", 11),
    "x\r\n\r\nala kot\r\n\r",
    "kot ala\nkot\r\nALA\r\nx",
};

} // namespace tavir::test

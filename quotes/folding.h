#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace tavir {

// How a search compares letters. Each way is one table of 256 bytes that maps a byte to the
// form compared; the query is folded once and the text byte by byte in the same scan.
enum class Folding : std::uint8_t
{
    Ascii,        // a-z as A-Z; every other byte, Polish letters included, as it is
    AllLetters,   // every letter of Windows-1250 as its capital (Ą as ą, Ł as ł ...)
    NoDiacritics, // AllLetters, and a letter with a diacritic as its base letter (Ż as Z)
};

using FoldTable = std::array<unsigned char, 256>;

const FoldTable& foldTable(Folding folding);

std::string fold(std::string_view text, const FoldTable& table);

} // namespace tavir

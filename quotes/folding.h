#pragma once

#include <array>
#include <string>
#include <string_view>

namespace tavir {

// A folding: every byte mapped to the byte it is compared as.
using FoldTable = std::array<unsigned char, 256>;

// Folds a-z to A-Z; every other byte, Polish letters included, stays as it is.
constexpr char foldAscii(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 0x20) : c;
}
std::string foldAscii(std::string_view text);

// a-z to A-Z, every other byte to itself.
const FoldTable& asciiFoldTable();

// How a search compares letters. A-Z only is the window's default; the other two are
// options the user switches on.
enum class Folding
{
    AsciiOnly,    // a-z as A-Z, every other byte as itself
    EveryCase,    // every letter of Windows-1250 as its capital; ß as itself
    NoDiacritics, // every letter as the capital of its base letter: ą Ą á → A, ł → L
};

const FoldTable& everyCaseFoldTable();
const FoldTable& noDiacriticsFoldTable();
const FoldTable& foldTable(Folding folding);

} // namespace tavir

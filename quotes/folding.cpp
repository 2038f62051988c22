#include "quotes/folding.h"

#include <string_view>

namespace tavir {

namespace {

// The letter pairs of Windows-1250 outside 0xC0-0xFE: capital, small.
constexpr unsigned char kPairs[][2] = {
    {0x8A, 0x9A}, // Š š
    {0x8C, 0x9C}, // Ś ś
    {0x8D, 0x9D}, // Ť ť
    {0x8E, 0x9E}, // Ž ž
    {0x8F, 0x9F}, // Ź ź
    {0xA3, 0xB3}, // Ł ł
    {0xA5, 0xB9}, // Ą ą
    {0xAA, 0xBA}, // Ş ş
    {0xAF, 0xBF}, // Ż ż
    {0xBC, 0xBE}, // Ľ ľ
};

// The base letter of each capital with a diacritic.
constexpr unsigned char kCapitalBases[][2] = {
    {0x8A, 'S'}, {0x8C, 'S'}, {0x8D, 'T'}, {0x8E, 'Z'}, {0x8F, 'Z'},
    {0xA3, 'L'}, {0xA5, 'A'}, {0xAA, 'S'}, {0xAF, 'Z'}, {0xBC, 'L'},
};
// 0xC0-0xDE in order; × (0xD7) has none.
constexpr std::string_view kBasesFromC0 = "RAAAALCCCEEEEIIDDNNOOOO-RUUUUYT";

} // namespace

const FoldTable& everyCaseFoldTable()
{
    static const FoldTable table = [] {
        FoldTable t = asciiFoldTable();
        for (const auto& pair : kPairs)
            t[pair[1]] = pair[0];
        for (unsigned b = 0xE0; b <= 0xFE; ++b)
            if (b != 0xF7) // ÷
                t[b] = static_cast<unsigned char>(b - 0x20);
        return t;
    }();
    return table;
}

const FoldTable& noDiacriticsFoldTable()
{
    static const FoldTable table = [] {
        FoldTable bases{};
        for (unsigned b = 0; b < 256; ++b)
            bases[b] = static_cast<unsigned char>(b);
        for (const auto& base : kCapitalBases)
            bases[base[0]] = base[1];
        for (std::size_t k = 0; k < kBasesFromC0.size(); ++k)
            if (kBasesFromC0[k] != '-')
                bases[0xC0 + k] = static_cast<unsigned char>(kBasesFromC0[k]);
        const FoldTable& capitals = everyCaseFoldTable();
        FoldTable t{};
        for (unsigned b = 0; b < 256; ++b)
            t[b] = bases[capitals[b]];
        return t;
    }();
    return table;
}

const FoldTable& foldTable(Folding folding)
{
    switch (folding) {
    case Folding::EveryCase:
        return everyCaseFoldTable();
    case Folding::NoDiacritics:
        return noDiacriticsFoldTable();
    case Folding::AsciiOnly:
        break;
    }
    return asciiFoldTable();
}

const FoldTable& asciiFoldTable()
{
    static const FoldTable table = [] {
        FoldTable t{};
        for (unsigned b = 0; b < 256; ++b)
            t[b] = static_cast<unsigned char>(foldAscii(static_cast<char>(b)));
        return t;
    }();
    return table;
}

std::string foldAscii(std::string_view text)
{
    std::string folded(text);
    for (char& c : folded)
        c = foldAscii(c);
    return folded;
}

} // namespace tavir

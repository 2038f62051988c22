#include "quotes/folding.h"

namespace tavir {

namespace {

// The letter pairs of Windows-1250 beyond A-Z: capital, then small, byte by byte.
constexpr std::string_view kCapitals = "\x8A\x8C\x8D\x8E\x8F\xA3\xA5\xAA\xAF\xBC";
constexpr std::string_view kSmalls = "\x9A\x9C\x9D\x9E\x9F\xB3\xB9\xBA\xBF\xBE";

// Each capital with a diacritic and its base letter.
constexpr std::string_view kMarked = "\x8A\x8C\x8D\x8E\x8F\xA3\xA5\xAA\xAF\xBC"
                                     "\xC0\xC1\xC2\xC3\xC4\xC5\xC6\xC7\xC8\xC9\xCA\xCB\xCC\xCD\xCE"
                                     "\xCF\xD0\xD1\xD2\xD3\xD4\xD5\xD6\xD8\xD9\xDA\xDB\xDC\xDD\xDE";
constexpr std::string_view kBases = "SSTZZLASZL"
                                    "RAAAALCCCEEEEII"
                                    "DDNNOOOORUUUUYT";
static_assert(kMarked.size() == kBases.size());

constexpr unsigned char byte(char c)
{
    return static_cast<unsigned char>(c);
}

constexpr FoldTable identity()
{
    FoldTable table{};
    for (std::size_t i = 0; i < table.size(); ++i)
        table[i] = static_cast<unsigned char>(i);
    return table;
}

constexpr FoldTable asciiTable()
{
    FoldTable table = identity();
    for (unsigned char c = 'a'; c <= 'z'; ++c)
        table[c] = static_cast<unsigned char>(c - 0x20);
    return table;
}

constexpr FoldTable allLettersTable()
{
    FoldTable table = asciiTable();
    for (std::size_t i = 0; i < kSmalls.size(); ++i)
        table[byte(kSmalls[i])] = byte(kCapitals[i]);
    // 0xE0-0xFE are the small forms of 0xC0-0xDE, except the division sign under the
    // multiplication sign; ß (0xDF) has no capital.
    for (unsigned c = 0xE0; c <= 0xFE; ++c) {
        if (c != 0xF7)
            table[c] = static_cast<unsigned char>(c - 0x20);
    }
    return table;
}

constexpr FoldTable noDiacriticsTable()
{
    FoldTable base = identity();
    for (std::size_t i = 0; i < kMarked.size(); ++i)
        base[byte(kMarked[i])] = byte(kBases[i]);
    FoldTable table = allLettersTable();
    for (auto& folded : table)
        folded = base[folded];
    return table;
}

constexpr FoldTable kTables[] = {asciiTable(), allLettersTable(), noDiacriticsTable()};

} // namespace

const FoldTable& foldTable(Folding folding)
{
    return kTables[static_cast<std::size_t>(folding)];
}

std::string fold(std::string_view text, const FoldTable& table)
{
    std::string folded(text);
    for (char& c : folded)
        c = static_cast<char>(table[static_cast<unsigned char>(c)]);
    return folded;
}

} // namespace tavir

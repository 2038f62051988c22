// The folding tables against Unicode's own case mapping and decomposition, read through the
// code page, so that no letter of Windows-1250 is left out or folded wrongly.
#include "base/codec.h"
#include "quotes/folding.h"

#include <QChar>
#include <QString>

#include <gtest/gtest.h>

namespace {

using tavir::Folding;
using tavir::foldTable;

// The byte of a character in Windows-1250, or the given byte when the code page lacks it.
unsigned char toByte(QChar c, unsigned char otherwise)
{
    const std::string bytes = tavir::utf16ToCp1250(std::u16string(1, c.unicode()));
    return bytes[0] == tavir::kUnmappable ? otherwise : static_cast<unsigned char>(bytes[0]);
}

QChar character(unsigned b)
{
    return QChar(tavir::cp1250ToUnicode(static_cast<unsigned char>(b)));
}

// The capital a letter folds to in Unicode, when Windows-1250 has it.
unsigned char capital(unsigned b)
{
    const QChar c = character(b);
    return c.isLetter() ? toByte(c.toUpper(), static_cast<unsigned char>(b))
                        : static_cast<unsigned char>(b);
}

// The base letter of a letter with a diacritic, by canonical decomposition. Unicode gives the
// letters with a stroke (Ł, Đ) no decomposition, so their base is named here.
QChar base(QChar c)
{
    if (c == QChar(0x0141))
        return QLatin1Char('L');
    if (c == QChar(0x0110))
        return QLatin1Char('D');
    if (c.decompositionTag() == QChar::Canonical)
        return c.decomposition().at(0);
    return c;
}

TEST(Folding, AsciiFoldsOnlyAtoZ)
{
    const auto& table = foldTable(Folding::Ascii);
    for (unsigned b = 0; b < 256; ++b) {
        const unsigned expected = (b >= 'a' && b <= 'z') ? b - 0x20 : b;
        EXPECT_EQ(table[b], expected) << "byte " << b;
    }
}

TEST(Folding, AllLettersFoldToTheirUnicodeCapital)
{
    const auto& table = foldTable(Folding::AllLetters);
    int folded = 0;
    for (unsigned b = 0; b < 256; ++b) {
        EXPECT_EQ(table[b], capital(b)) << "byte " << b;
        folded += table[b] != b;
        // A capital and its small letter compare equal, in both directions.
        EXPECT_EQ(table[table[b]], table[b]) << "byte " << b;
    }
    // a-z and the 10 + 30 small letters with a capital in the code page.
    EXPECT_EQ(folded, 26 + 10 + 30);
    EXPECT_EQ(table[0xDF], 0xDF); // ß stays
    EXPECT_EQ(table[0xF7], 0xF7); // ÷ is no letter
    EXPECT_EQ(table[0xB5], 0xB5); // µ: its capital is Greek
}

TEST(Folding, NoDiacriticsFoldsToTheCapitalOfTheBaseLetter)
{
    const auto& table = foldTable(Folding::NoDiacritics);
    for (unsigned b = 0; b < 256; ++b) {
        const unsigned char capitalForm = capital(b);
        const QChar plain = base(character(capitalForm));
        EXPECT_EQ(table[b], toByte(plain, capitalForm)) << "byte " << b;
    }
    // The Polish letters, through the codec: both cases to the plain capital.
    const std::string polish = tavir::utf8ToCp1250("ąĄćĆęĘłŁńŃóÓśŚźŹżŻ");
    EXPECT_EQ(tavir::fold(polish, table), "AACCEELLNNOOSSZZZZ");
}

TEST(Folding, FoldingTheQueryKeepsItsLength)
{
    const std::string query = tavir::utf8ToCp1250("Żółw łza");
    for (Folding f : {Folding::Ascii, Folding::AllLetters, Folding::NoDiacritics})
        EXPECT_EQ(tavir::fold(query, foldTable(f)).size(), query.size());
    EXPECT_EQ(tavir::fold(query, foldTable(Folding::Ascii)), tavir::utf8ToCp1250("ŻółW łZA"));
}

} // namespace

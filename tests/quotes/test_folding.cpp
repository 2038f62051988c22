// The two optional foldings, checked against Unicode's own capitals and decompositions of every
// Windows-1250 character (Qt's character tables, reached through the codec), and the search
// in each mode.
#include "base/codec.h"
#include "quotes/collection.h"
#include "quotes/folding.h"
#include "quotes/queries.h"
#include "quotes/stream.h"
#include "tests/support/recording_list.h"

#include <QChar>
#include <QString>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

using tavir::Folding;
using tavir::test::RecordingList;

namespace {

using Lines = std::vector<std::string>;

// The Windows-1250 byte of a character, or none.
std::optional<unsigned> byteOf(char16_t c)
{
    const std::string bytes = tavir::utf16ToCp1250(std::u16string(1, c));
    if (bytes.size() != 1 || (bytes[0] == tavir::kUnmappable && c != 0))
        return std::nullopt;
    return static_cast<unsigned char>(bytes[0]);
}

char16_t unicodeOf(unsigned byte)
{
    return tavir::cp1250ToUnicode(static_cast<unsigned char>(byte));
}

char16_t capital(char16_t c)
{
    return QChar(c).toUpper().unicode();
}

TEST(Folding, EveryCaseIsUnicodesCapitalWhereTheCodePageHasIt)
{
    const auto& table = tavir::everyCaseFoldTable();
    int letters = 0;
    for (unsigned b = 0; b < 256; ++b) {
        const auto expected = byteOf(capital(unicodeOf(b)));
        EXPECT_EQ(table[b], expected.value_or(b)) << "byte " << b;
        letters += table[b] != b;
    }
    EXPECT_EQ(letters, 26 + 10 + 30); // a-z, the ten pairs outside 0xE0-0xFE, 0xE0-0xFE less ÷ ß
    EXPECT_EQ(table[0xDF], 0xDF);     // ß has no capital of its own
}

TEST(Folding, NoDiacriticsIsTheCapitalOfTheBaseLetter)
{
    const auto& table = tavir::noDiacriticsFoldTable();
    for (unsigned b = 0; b < 256; ++b) {
        const QChar c(unicodeOf(b));
        char16_t base = c.unicode();
        if (c.decompositionTag() == QChar::Canonical)
            base = c.decomposition().at(0).unicode();
        // Unicode gives the letters with a stroke no decomposition; their base is plain.
        if (base == u'ł' || base == u'Ł')
            base = u'L';
        if (base == u'đ' || base == u'Đ')
            base = u'D';
        const auto expected = byteOf(capital(base));
        EXPECT_EQ(table[b], expected.value_or(b)) << "byte " << b;
    }
    for (const char16_t letter : std::u16string(u"ąćęłńóśźżĄĆĘŁŃÓŚŹŻ"))
        EXPECT_LT(table[*byteOf(letter)], 0x80) << static_cast<int>(letter);
}

Lines found(const std::string& file, std::string_view utf8Query, Folding folding)
{
    const std::string query = tavir::utf8ToCp1250(utf8Query);
    const auto quotes = tavir::QuoteCollection::fromBytes(file);
    RecordingList list;
    tavir::NoWaitIndicator wait;
    tavir::NoEventPump pump;
    tavir::FiltrujDane(quotes, query, list, wait, pump, {}, folding);
    RecordingList streamed;
    tavir::QueryStream stream(query, streamed, tavir::foldTable(folding));
    stream.feed(file);
    stream.finish();
    EXPECT_EQ(streamed.captions(), list.captions()) << utf8Query;
    Lines shown;
    for (const auto& caption : list.captions())
        shown.push_back(tavir::cp1250ToUtf8(caption));
    return shown;
}

const std::string kFile = tavir::utf8ToCp1250("Łza ciekła\r\nlza\r\nżółw\r\nŻÓŁW\r\nzolw\r\n"
                                              "Żółw\r\nZAŻÓŁĆ GĘŚLĄ JAŹŃ\r\nzażółć gęślą jaźń\r\n"
                                              "Šťastný Ľudo\r\nkoniec\r\n");

TEST(Folding, SearchInEachMode)
{
    // The default folds A-Z only.
    EXPECT_EQ(found(kFile, "łza", Folding::AsciiOnly), Lines{});
    EXPECT_EQ(found(kFile, "ŁZA", Folding::AsciiOnly), (Lines{"Łza ciekła"}));
    EXPECT_EQ(found(kFile, "żółw", Folding::AsciiOnly), (Lines{"żółw"}));

    EXPECT_EQ(found(kFile, "łza", Folding::EveryCase), (Lines{"Łza ciekła"}));
    EXPECT_EQ(found(kFile, "żółw", Folding::EveryCase), (Lines{"żółw", "ŻÓŁW", "Żółw"}));
    EXPECT_EQ(found(kFile, "zażółć gęślą jaźń", Folding::EveryCase),
              (Lines{"ZAŻÓŁĆ GĘŚLĄ JAŹŃ", "zażółć gęślą jaźń"}));
    EXPECT_EQ(found(kFile, "zolw", Folding::EveryCase), (Lines{"zolw"}));
    EXPECT_EQ(found(kFile, "šťastný ľudo", Folding::EveryCase), (Lines{"Šťastný Ľudo"}));

    EXPECT_EQ(found(kFile, "zolw", Folding::NoDiacritics), (Lines{"żółw", "ŻÓŁW", "zolw", "Żółw"}));
    EXPECT_EQ(found(kFile, "ŻÓŁW", Folding::NoDiacritics), (Lines{"żółw", "ŻÓŁW", "zolw", "Żółw"}));
    EXPECT_EQ(found(kFile, "łza", Folding::NoDiacritics), (Lines{"Łza ciekła", "lza"}));
    EXPECT_EQ(found(kFile, "zazolc gesla jazn", Folding::NoDiacritics),
              (Lines{"ZAŻÓŁĆ GĘŚLĄ JAŹŃ", "zażółć gęślą jaźń"}));
    EXPECT_EQ(found(kFile, "stastny", Folding::NoDiacritics), (Lines{"Šťastný Ľudo"}));
    EXPECT_EQ(found(kFile, "koniec", Folding::NoDiacritics), Lines{}); // the last line
}

TEST(Folding, EveryPolishLetterFindsItsOtherCaseAndItsBase)
{
    const std::u16string small = u"ąćęłńóśźż", capitals = u"ĄĆĘŁŃÓŚŹŻ";
    const std::string bases = "acelnoszz";
    for (std::size_t k = 0; k < small.size(); ++k) {
        const std::string lower =
            tavir::cp1250ToUtf8(std::string(1, static_cast<char>(*byteOf(small[k]))));
        const std::string upper =
            tavir::cp1250ToUtf8(std::string(1, static_cast<char>(*byteOf(capitals[k]))));
        const std::string base(1, bases[k]);
        const std::string file =
            tavir::utf8ToCp1250("x" + upper + "x\r\nx" + lower + "x\r\nx" + base + "x\r\nend\r\n");
        EXPECT_EQ(found(file, lower, Folding::AsciiOnly), Lines{"x" + lower + "x"});
        EXPECT_EQ(found(file, lower, Folding::EveryCase),
                  (Lines{"x" + upper + "x", "x" + lower + "x"}));
        EXPECT_EQ(found(file, upper, Folding::NoDiacritics),
                  (Lines{"x" + upper + "x", "x" + lower + "x", "x" + base + "x"}));
        EXPECT_EQ(found(file, base, Folding::NoDiacritics),
                  (Lines{"x" + upper + "x", "x" + lower + "x", "x" + base + "x"}));
    }
}

} // namespace

#include "base/errors.h"
#include "quotes/import.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

using tavir::ImportEncoding;
using tavir::ImportFormat;
using Entries = std::vector<std::vector<std::u32string>>;

std::string closing()
{
    return std::string(tavir::kImportClosingLine) + "\r\n";
}

TEST(Import, FormatIsFortuneOnlyWithALineOfJustAPercentSign)
{
    EXPECT_EQ(tavir::detectImportFormat("a\n%\nb\n"), ImportFormat::Fortune);
    EXPECT_EQ(tavir::detectImportFormat("a\r\n%\r\nb\r\n"), ImportFormat::Fortune);
    EXPECT_EQ(tavir::detectImportFormat("%\na"), ImportFormat::Fortune);
    EXPECT_EQ(tavir::detectImportFormat("a\n%"), ImportFormat::Fortune);
    EXPECT_EQ(tavir::detectImportFormat("a\r%\rb"), ImportFormat::Fortune);
    for (const char* lines : {"", "a\nb\n", "50%\n", "%%\n", " %\n", "% \n", "a\n%b\n"})
        EXPECT_EQ(tavir::detectImportFormat(lines), ImportFormat::Lines) << lines;
}

// Each file is read in the encoding its bytes give evidence for, or refused with the line
// that shows why.
TEST(Import, EncodingIsToldByEvidence)
{
    struct Case
    {
        std::string bytes;
        std::string_view name;
        std::uint64_t line; // of a refusal
    };
    const std::vector<Case> cases = {
        {"plain\n", "ascii", 0},
        {"mi\xC5\x82o\xC5\x9B\xC4\x87", "utf-8", 0},
        {"mi\xB3o\xB6\xE6", "iso-8859-2", 0},               // ś at 0xB6
        {"\x9C\x8C\n\xB9\n\xA5", "windows-1250", 0},        // ś Ś, then ą Ą
        {"\xF3\xB3\xEA\xBF", "iso-8859-2/windows-1250", 0}, // ó ł ę ż: the same in both
        {"\xC5\x82\nplain\r\n\xB6\n", "UTF-8 mixed with bytes that are not UTF-8", 3},
        {"\xB6\n\xC5\x82", "UTF-8 mixed with bytes that are not UTF-8", 2},
        {"\x9C\r\r\xB6", "letters of both Windows-1250 and ISO-8859-2", 3},
        {"a\r\nb\xB9",
         "a byte that Windows-1250 and ISO-8859-2 read as different characters, and "
         "nothing to tell which",
         2},
    };
    for (const Case& c : cases) {
        const tavir::DetectedEncoding found = tavir::detectImportEncoding(c.bytes);
        EXPECT_EQ(found.name, c.name) << c.bytes;
        EXPECT_EQ(found.encoding.has_value(), c.line == 0) << c.bytes;
        EXPECT_EQ(found.line, c.line) << c.bytes;
    }
    EXPECT_THROW(tavir::QuoteImport().addFile("\x9C\xB6"), tavir::Error);
    EXPECT_EQ(tavir::decodeImportText("\xEF\xBB\xBF"
                                      "a",
                                      ImportEncoding::Utf8),
              U"a");
    EXPECT_EQ(tavir::decodeImportText("\xB6\x9C", ImportEncoding::Iso88592), U"ś\u009C");
    EXPECT_EQ(tavir::decodeImportText("\xB6\x9C", ImportEncoding::Windows1250), U"¶ś");
    EXPECT_EQ(tavir::importEncodingFromName("iso-8859-2"), ImportEncoding::Iso88592);
    EXPECT_EQ(tavir::importEncodingFromName("windows-1250"), ImportEncoding::Windows1250);
    EXPECT_EQ(tavir::importEncodingFromName("latin2"), std::nullopt);
    EXPECT_EQ(tavir::importFormatFromName("lines"), ImportFormat::Lines);
    EXPECT_EQ(tavir::importFormatFromName("Fortune"), std::nullopt);
}

TEST(Import, FortuneEntriesLieBetweenSeparators)
{
    EXPECT_EQ(tavir::splitImportEntries(U"a\nb\n%\nc\n%\n", ImportFormat::Fortune),
              (Entries{{U"a", U"b"}, {U"c"}}));
    // Nothing before a leading separator or after a trailing one is an entry, but an empty
    // stretch between two separators is.
    EXPECT_EQ(tavir::splitImportEntries(U"%\na\n%\n%\nb", ImportFormat::Fortune),
              (Entries{{U"a"}, {}, {U"b"}}));
    EXPECT_EQ(tavir::splitImportEntries(U"a\r\n%\r\n\r\n", ImportFormat::Fortune),
              (Entries{{U"a"}, {U""}}));
    // A CR alone ends a line too.
    EXPECT_EQ(tavir::splitImportEntries(U"a\rb\r%\r\rc\r\n", ImportFormat::Fortune),
              (Entries{{U"a", U"b"}, {U"", U"c"}}));
    EXPECT_EQ(tavir::splitImportEntries(U"a\n%b\n", ImportFormat::Fortune),
              (Entries{{U"a", U"%b"}}));
    EXPECT_EQ(tavir::splitImportEntries(U"%\n", ImportFormat::Fortune), Entries{});
    EXPECT_EQ(tavir::splitImportEntries(U"a\n%\nb\n", ImportFormat::Lines),
              (Entries{{U"a"}, {U"%"}, {U"b"}}));
    EXPECT_EQ(tavir::splitImportEntries(U"a\r\n\r\nb", ImportFormat::Lines),
              (Entries{{U"a"}, {U""}, {U"b"}}));
}

TEST(Import, EntriesBecomeOneLineKeepingTheirLines)
{
    const auto norm = [](std::vector<std::u32string> lines) {
        return tavir::normaliseImportEntry(lines);
    };
    EXPECT_EQ(norm({U"  Ala  ma\tkota,", U"\ta kot   ma Alę.  "}), U"Ala ma kota, / a kot ma Alę.");
    // Empty lines (a poem's stanzas) leave one " / ".
    EXPECT_EQ(norm({U"", U"a", U"   ", U"", U"b", U""}), U"a / b");
    EXPECT_EQ(norm({U"a\u2003\u3000b"}), U"a b");
    // No-break spaces go at the ends only.
    EXPECT_EQ(norm({U"\u00A0w\u00A0domu\u202F"}), U"w\u00A0domu");
    EXPECT_EQ(norm({U" \t ", U"\u00A0"}), U"");
    EXPECT_EQ(norm({}), U"");

    const auto joined = [](std::vector<std::u32string> lines) {
        bool slashes = true;
        tavir::normaliseImportEntry(lines, &slashes);
        return slashes;
    };
    EXPECT_TRUE(joined({U"a", U"b"}));
    EXPECT_TRUE(joined({U"a", U"b", U"-- C"}));
    EXPECT_FALSE(joined({U"a", U"", U"  "}));
    EXPECT_FALSE(joined({U"a", U"-- C"}));
    EXPECT_FALSE(joined({U"a", U"-- C", U"\"Dzieło\""}));
    EXPECT_FALSE(joined({}));
}

TEST(Import, AuthorLinesJoinWithAnEnDash)
{
    const auto norm = [](std::vector<std::u32string> lines) {
        return tavir::normaliseImportEntry(lines);
    };
    EXPECT_EQ(norm({U"Myślę, więc jestem.", U"    -- Kartezjusz"}),
              U"Myślę, więc jestem. – Kartezjusz");
    EXPECT_EQ(norm({U"Cytat", U"\t---   Ktoś  Znany"}), U"Cytat – Ktoś Znany");
    EXPECT_EQ(norm({U"Cytat", U"—Autor"}), U"Cytat – Autor");
    EXPECT_EQ(norm({U"Cytat", U"— Autor, \"Dzieło\""}), U"Cytat – Autor, \"Dzieło\"");
    // The lines after an author's go on naming the source.
    EXPECT_EQ(norm({U"Raz,", U"dwa.", U"\t-- Autor,", U"\t   \"Dzieło\"", U"1900"}),
              U"Raz, / dwa. – Autor, \"Dzieło\" 1900");
    // Not author lines: a lone dash, a rule, a dash inside a line, a single hyphen.
    EXPECT_EQ(norm({U"a", U"--"}), U"a / --");
    EXPECT_EQ(norm({U"a", U"-----"}), U"a / -----");
    EXPECT_EQ(norm({U"a -- b"}), U"a -- b");
    EXPECT_EQ(norm({U"a", U"- b"}), U"a / - b");
    EXPECT_EQ(norm({U"a", U"– b"}), U"a / – b");
}

TEST(Import, CharactersTakeTheirClosestWindows1250Form)
{
    const auto bytes = [](std::u32string_view text) { return tavir::toCp1250Closest(text); };

    auto same = bytes(U"Zażółć „gęślą” jaźń – «x» …\u00A0€");
    EXPECT_EQ(same.bytes, "Za\xBF\xF3\xB3\xE6 \x84g\xEA\x9Cl\xB9\x94 ja\x9F\xF1 \x96 \xABx\xBB "
                          "\x85\xA0\x80");
    EXPECT_EQ(same.closest, 0u);
    EXPECT_EQ(same.unknown, 0u);

    auto punctuation = bytes(U"\u201Ba\u201F b\u2010c \u2012\u2015 1\u2212x \u22EF 5\u202F%");
    EXPECT_EQ(punctuation.bytes, "'a\" b-c \x96\x97 1-x \x85 5\xA0%");
    EXPECT_EQ(punctuation.closest, 8u);

    // Letters keep as many of their marks as Windows-1250 has in one letter.
    auto letters = bytes(U"Ñandú señor œuvre Ærø ș Ț ǖ Ễ ı");
    EXPECT_EQ(letters.bytes, "Nand\xFA senor oeuvre AEro \xBA \xDE \xFC E i");
    EXPECT_EQ(letters.closest, 10u);
    EXPECT_EQ(letters.unknown, 0u);

    // Decomposed letters join when the whole letter exists, else the bare letter stays.
    auto decomposed = bytes(U"z\u0307o\u0301l\u0301w n\u0303");
    EXPECT_EQ(decomposed.bytes, "\xBF\xF3\xE5w n");
    EXPECT_EQ(decomposed.closest, 1u);

    auto unknown = bytes(U"日本 😀 \u0002x\u0081 \uFFFD");
    EXPECT_EQ(unknown.bytes, "?? ? ?x? ?");
    EXPECT_EQ(unknown.unknown, 6u);
    EXPECT_EQ(unknown.closest, 0u);

    EXPECT_EQ(bytes(U"a\u200Bb\uFEFF").bytes, "ab");
}

TEST(Import, FortuneFileToCollection)
{
    tavir::QuoteImport import;
    import.addFile("Pierwszy\n"
                   "  w dw\xC3\xB3"
                   "ch liniach\n"
                   "\t-- Autor\n"
                   "%\n"
                   "%\n"
                   "Drugi\n"
                   "%\n"
                   "  \n"
                   "%\n"
                   "Pierwszy w dw\xC3\xB3"
                   "ch   liniach -- Autor\n"
                   "%\n"
                   "Pierwszy\n"
                   "w dw\xC3\xB3"
                   "ch liniach\n"
                   "-- Autor\n"
                   "%\n");
    EXPECT_EQ(import.collection(), "Pierwszy / w dw\xF3"
                                   "ch liniach \x96 Autor\r\n"
                                   "Drugi\r\n"
                                   "Pierwszy w dw\xF3"
                                   "ch liniach -- Autor\r\n" +
                                       closing());
    const auto& counts = import.counts();
    EXPECT_EQ(counts.read, 6u);
    EXPECT_EQ(counts.written, 3u);
    EXPECT_EQ(counts.empty, 2u);
    EXPECT_EQ(counts.duplicates, 1u);
    EXPECT_EQ(counts.joined, 1u); // the repeat of the first is not counted again
}

// The same quotations in each encoding, as fortune and as lines, give the same collection.
TEST(Import, EveryEncodingAndFormatGivesTheSameCollection)
{
    const std::string expected = "Mi\xB3o\x9C\xE6, / \x8Cwi\xEAte \x8Fr\xF3"
                                 "d\xB3o\r\n"
                                 "\xA5 \xB9\r\n" +
                                 closing();
    struct Case
    {
        const char* name;
        std::string bytes;
        std::optional<ImportEncoding> encoding;
        std::optional<ImportFormat> format;
    };
    const std::vector<Case> cases = {
        {"utf-8 fortune",
         "Mi\xC5\x82o\xC5\x9B\xC4\x87,\n\xC5\x9Awi\xC4\x99te \xC5\xB9r\xC3\xB3"
         "d\xC5\x82o\n%\n\xC4\x84 \xC4\x85\n%\n",
         std::nullopt, std::nullopt},
        {"utf-8 lines",
         "Mi\xC5\x82o\xC5\x9B\xC4\x87, / \xC5\x9Awi\xC4\x99te \xC5\xB9r\xC3\xB3"
         "d\xC5\x82o\n\xC4\x84 \xC4\x85\n",
         ImportEncoding::Utf8, std::nullopt},
        {"iso-8859-2 fortune",
         "Mi\xB3o\xB6\xE6,\n\xA6wi\xEAte \xACr\xF3"
         "d\xB3o\n%\n\xA1 \xB1\n",
         std::nullopt, std::nullopt},
        {"iso-8859-2 lines",
         "Mi\xB3o\xB6\xE6, / \xA6wi\xEAte \xACr\xF3"
         "d\xB3o\r\n\xA1 \xB1\r\n",
         ImportEncoding::Iso88592, std::nullopt},
        {"windows-1250 fortune",
         "Mi\xB3o\x9C\xE6,\r\n\x8Cwi\xEAte \x8Fr\xF3"
         "d\xB3o\r\n%\r\n\xA5 \xB9\r\n%\r\n",
         ImportEncoding::Windows1250, std::nullopt},
        {"windows-1250 lines",
         "Mi\xB3o\x9C\xE6, / \x8Cwi\xEAte \x8Fr\xF3"
         "d\xB3o\r\n\xA5 \xB9",
         ImportEncoding::Windows1250, ImportFormat::Lines},
    };
    for (const Case& c : cases) {
        tavir::QuoteImport import;
        import.addFile(c.bytes, c.format, c.encoding);
        EXPECT_EQ(import.collection(), expected) << c.name;
        EXPECT_EQ(import.counts().written, 2u) << c.name;
    }
}

TEST(Import, TheGivenFormatAndEncodingWinOverDetection)
{
    tavir::QuoteImport lines;
    lines.addFile("a\n%\nb\n", ImportFormat::Lines);
    EXPECT_EQ(lines.collection(), "a\r\n%\r\nb\r\n" + closing());

    tavir::QuoteImport fortune;
    fortune.addFile("a\nb\n", ImportFormat::Fortune);
    EXPECT_EQ(fortune.collection(), "a / b\r\n" + closing());

    // Told ISO-8859-2, Windows-1250's "ś" (0x9C) is a control there.
    tavir::QuoteImport told;
    told.addFile("\x9C\xB9", std::nullopt, ImportEncoding::Iso88592);
    EXPECT_EQ(told.collection(), "?\x9A\r\n" + closing());
    EXPECT_EQ(told.counts().unknown, 1u);

    // Bytes that are not UTF-8 where UTF-8 is said: each broken byte is one "?".
    tavir::QuoteImport broken;
    broken.addFile("a\xB1z", std::nullopt, ImportEncoding::Utf8);
    EXPECT_EQ(broken.collection(), "a?z\r\n" + closing());
}

TEST(Import, DuplicatesAcrossFilesKeepTheFirstAndCountOnlyWrittenReplacements)
{
    tavir::QuoteImport import;
    import.addFile("B\xC3\xB1\nA\n");                       // "Bñ", A
    import.addFile("A\n  Bn \nC\n\n", ImportFormat::Lines); // A again, "Bn" as "Bñ" became
    EXPECT_EQ(import.collection(), "Bn\r\nA\r\nC\r\n" + closing());
    const auto& counts = import.counts();
    EXPECT_EQ(counts.read, 6u);
    EXPECT_EQ(counts.written, 3u);
    EXPECT_EQ(counts.duplicates, 2u);
    EXPECT_EQ(counts.empty, 1u);
    EXPECT_EQ(counts.closest, 1u);
    EXPECT_EQ(import.summary(), "entries read: 6\n"
                                "entries written: 3\n"
                                "empty entries dropped: 1\n"
                                "duplicates dropped: 2\n"
                                "characters replaced by the closest form: 1\n"
                                "characters replaced by ?: 0\n"
                                "entries joined from several lines: 0\n");

    tavir::QuoteImport nothing;
    nothing.addFile("");
    EXPECT_EQ(nothing.collection(), closing());
    EXPECT_EQ(nothing.counts().read, 0u);
}

// The collection's closing line is no quotation when it ends a file, with or without its stop;
// anywhere else it is one.
TEST(Import, AClosingLineEndingAFileIsDropped)
{
    tavir::QuoteImport import;
    import.addFile("Raz\r\nKoniec bazy cytat\xF3w.\r\n");
    import.addFile("Koniec bazy cytat\xC3\xB3w\nDwa\n");
    import.addFile("Trzy\n%\nKoniec bazy cytat\xC3\xB3w\n%\n");
    import.addFile("Koniec bazy cytat\xF3w");
    EXPECT_EQ(import.collection(), "Raz\r\n" + closing() + "Dwa\r\nTrzy\r\n" + closing());
    EXPECT_EQ(import.counts().read, 4u);
}

// A file fed in blocks of any size, cutting UTF-8 sequences and CR LF pairs, reads as whole.
TEST(Import, BlocksOfAnySizeReadAsTheWholeFile)
{
    const std::string bytes = "\xEF\xBB\xBF\xC5\xBB\xC3\xB3\xC5\x82w\r\n  -- Ezop\r\n%\r\n"
                              "a\xE2\x80\x94"
                              "b\xF0\x9F\x98\x80\xC3\r\n\u00A0x \xE2\x80\xAF\r\n%\r\n";
    tavir::QuoteImport whole;
    whole.addFile(bytes, std::nullopt, ImportEncoding::Utf8);
    const std::string expected = whole.collection();
    for (std::size_t size = 1; size < 8; ++size) {
        tavir::StringImportSink sink;
        tavir::ImportStream stream(sink);
        stream.beginFile(ImportFormat::Fortune, ImportEncoding::Utf8);
        for (std::size_t at = 0; at < bytes.size(); at += size)
            stream.add(std::string_view(bytes).substr(at, size));
        stream.endFile();
        stream.finish();
        EXPECT_EQ(sink.bytes(), expected) << size;
    }
}

// A zero-width space and a mark with no letter are written as nothing; no doubled or edge
// space may be left behind.
TEST(Import, NoSpaceLeftWhereACharacterVanished)
{
    tavir::QuoteImport vanished;
    vanished.addFile("a \xE2\x80\x8B b \xCC\x83\n\xE2\x80\x8B\n", ImportFormat::Lines);
    EXPECT_EQ(vanished.collection(), "a b\r\n" + closing());
    EXPECT_EQ(vanished.counts().empty, 1u);
}

} // namespace

// The quotation file shipped in dane/cytaty: Windows-1250 bytes, one quotation a CR LF line,
// each ending in " – <attribution>", and the closing line last.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

const std::string kClosingLine = "Koniec bazy cytat\xF3w.";
const std::string kDash = " \x96 ";
constexpr std::size_t kMaxLine = 400;
constexpr std::size_t kMinQuotations = 2000;

// The kinds of source the collection is labelled by; every other attribution names a person.
const std::set<std::string> kKinds = {"przys\xB3owie polskie",
                                      "sentencja \xB3"
                                      "aci\xF1ska",
                                      "Pismo \x8Cwi\xEAte", "katechizm"};
// How the name of a kind of source starts, folded (no person's name starts so); an attribution
// starting with a small letter names a kind too.
const std::vector<std::string> kKindStarts = {"przyslow",   "sentencj",  "pismo",   "maksym",
                                              "powiedzeni", "katechizm", "modlitw", "formul",
                                              "aforyzm",    "zwrot"};

// Terms from a dictionary of foreign words: no sayings, so none stands as a quotation.
const std::vector<std::string> kBareTerms = {"Horror vacui",
                                             "Volens nolens",
                                             "Deus ex machina",
                                             "Tabula rasa",
                                             "Terra incognita",
                                             "Persona non grata",
                                             "Conditio sine qua non",
                                             "Alma mater",
                                             "Casus belli",
                                             "Sub rosa",
                                             "Pro domo sua",
                                             "Mutatis mutandis",
                                             "Liberum veto",
                                             "Hic et nunc",
                                             "Sui generis",
                                             "Ad usum Delphini",
                                             "Ad calendas Graecas",
                                             "In statu nascendi",
                                             "Pax Romana",
                                             "Genius loci",
                                             "Modus vivendi",
                                             "Sine die",
                                             "Ad libitum",
                                             "Ad infinitum",
                                             "Corpus delicti",
                                             "Lapsus linguae",
                                             "Lapsus calami",
                                             "Pro et contra",
                                             "Quid pro quo",
                                             "Vis maior",
                                             "Bona fide",
                                             "Rebus sic stantibus",
                                             "Habeas corpus",
                                             "Res publica",
                                             "Homo novus",
                                             "Ad hoc",
                                             "A priori",
                                             "A posteriori",
                                             "Per se",
                                             "Ex cathedra",
                                             "Ex libris",
                                             "Post scriptum",
                                             "Alter ego",
                                             "Status quo",
                                             "Vice versa",
                                             "Ad rem",
                                             "Ad personam",
                                             "Ad acta",
                                             "Perpetuum mobile",
                                             "Terra firma",
                                             "Nota bene",
                                             "In extremis",
                                             "Dei gratia",
                                             "Deo volente",
                                             "Honoris causa",
                                             "Vade mecum",
                                             "Veto",
                                             "Cum laude",
                                             "In flagranti",
                                             "Pro forma",
                                             "Ex aequo",
                                             "In memoriam",
                                             "Mala fide",
                                             "Inter partes",
                                             "Erga omnes",
                                             "De lege lata",
                                             "De lege ferenda",
                                             "Ratio legis",
                                             "Causa sui",
                                             "Contradictio in adiecto",
                                             "Circulus vitiosus",
                                             "Petitio principii",
                                             "Reductio ad absurdum",
                                             "Argumentum ad hominem",
                                             "Ars moriendi",
                                             "Aequo animo",
                                             "Malum in se",
                                             "Manu militari",
                                             "Mater dolorosa",
                                             "Maxima cum cautela",
                                             "Nihil obstat",
                                             "Panis angelicus",
                                             "Pro memoria",
                                             "Summa summarum",
                                             "Via dolorosa"};

// Wordings of the Biblia Tysiąclecia (1965), still under copyright, written folded: Scripture
// is quoted after Jakub Wujek.
const std::vector<std::string> kMillenniumBibleWordings = {
    "czyz jestem strozem brata mego",
    "idz do mrowki leniwcze",
    "lepszy sasiad bliski niz brat daleki",
    "czas milowania i czas nienawisci",
    "lepszy jest zywy pies niz lew niezywy",
    "przekuja swe miecze na lemiesze",
    "jedzmy i pijmy bo jutro pomrzemy",
    "jak baranek na rzez prowadzony",
    "rozdzierajcie jednak wasze serca",
    "niech wasza mowa bedzie",
    "nadstaw mu i drugi",
    "nie potrzebuja lekarza zdrowi",
    "kto nie jest ze mna jest przeciwko mnie",
    "kto ma uszy niechaj slucha",
    "jesli slepy prowadzi slepego",
    "niech czlowiek nie rozdziela",
    "niz bogatemu wejsc do krolestwa",
    "tak ostatni beda pierwszymi",
    "kto sie wywyzsza bedzie ponizony",
    "a polykacie wielblada",
    "podobni jestescie do grobow pobielanych",
    "bo nie znacie dnia ani godziny",
    "od tego wiele wymagac sie bedzie",
    "nie mozecie sluzyc bogu i mamonie",
    "czyz moze byc co dobrego z nazaretu",
    "jest mieszkan wiele",
    "wiecej szczescia jest w dawaniu",
    "zlo dobrem zwyciezaj",
    "zle rozmowy psuja dobre obyczaje",
    "duch zas ozywia",
    "co czlowiek sieje to i zac bedzie",
    "przyjdzie tak jak zlodziej w nocy",
    "kogo bowiem miluje pan tego karze",
    "pokornym zas laske daje",
    "milosc zakrywa wiele grzechow",
    "niech pierwszy rzuci",
    "oddajcie cezarowi to co nalezy do cezara",
    "duch wprawdzie ochoczy",
    "wielu jest powolanych",
    "ojcze przebacz im",
    "ja jestem droga i prawda",
    "ja jestem swiatloscia swiata",
    "ja jestem dobrym pasterzem",
    "ktorzy wprowadzaja pokoj",
    "milosc chrystusa przynagla nas",
    "ja jestem zmartwychwstaniem i zyciem"};

std::string shippedBytes()
{
    std::ifstream in(TAVIR_SOURCE_DIR "/dane/cytaty/cytaty.dbc", std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The lines without their CR LF; bytes after the last CR LF make a line of their own.
std::vector<std::string> crLfLines(const std::string& bytes)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = bytes.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(bytes.substr(start, end - start));
    if (start < bytes.size())
        lines.push_back(bytes.substr(start));
    return lines;
}

bool isBlank(unsigned char c)
{
    return c == ' ' || c == 0xA0;
}

// Lower case without Polish diacritics (Ą and ą to a, Ł and ł to l...), punctuation as a blank,
// runs of blanks to one space and none at either end.
std::string folded(const std::string& text)
{
    static const std::map<unsigned char, char> plain = {
        {0xA5, 'a'}, {0xB9, 'a'}, {0xC6, 'c'}, {0xE6, 'c'}, {0xCA, 'e'}, {0xEA, 'e'},
        {0xA3, 'l'}, {0xB3, 'l'}, {0xD1, 'n'}, {0xF1, 'n'}, {0xD3, 'o'}, {0xF3, 'o'},
        {0x8C, 's'}, {0x9C, 's'}, {0x8F, 'z'}, {0x9F, 'z'}, {0xAF, 'z'}, {0xBF, 'z'}};
    static const std::string punctuation = "\x82\x84\x85\x8B\x91\x92\x93\x94\x96\x97\x9B\xAB\xBB";
    std::string key;
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        char out = ch;
        if (c >= 'A' && c <= 'Z')
            out = static_cast<char>(c - 'A' + 'a');
        else if (const auto letter = plain.find(c); letter != plain.end())
            out = letter->second;
        else if (isBlank(c) || punctuation.find(ch) != std::string::npos ||
                 (c < 0x80 && !(c >= '0' && c <= '9') && !(c >= 'a' && c <= 'z')))
            out = ' ';
        if (out != ' ')
            key += out;
        else if (!key.empty() && key.back() != ' ')
            key += ' ';
    }
    if (!key.empty() && key.back() == ' ')
        key.pop_back();
    return key;
}

// The quotation lines: all but the closing line.
std::vector<std::string> quotationLines()
{
    std::vector<std::string> lines = crLfLines(shippedBytes());
    if (!lines.empty())
        lines.pop_back();
    return lines;
}

// The text before the line's last " – ", and the attribution after it.
std::string quotationOf(const std::string& line)
{
    return line.substr(0, line.rfind(kDash));
}

std::string sourceOf(const std::string& line)
{
    const std::size_t dash = line.rfind(kDash);
    return dash == std::string::npos ? std::string() : line.substr(dash + kDash.size());
}

TEST(ShippedCollection, EveryByteIsADefinedCharacterAndEveryLineEndsInCrLf)
{
    const std::string bytes = shippedBytes();
    ASSERT_FALSE(bytes.empty()) << "cannot read " << TAVIR_SOURCE_DIR "/dane/cytaty/cytaty.dbc";
    std::size_t line = 1;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (c == '\r') {
            EXPECT_TRUE(i + 1 < bytes.size() && bytes[i + 1] == '\n')
                << "line " << line << ": bare CR";
        } else if (c == '\n') {
            EXPECT_TRUE(i > 0 && bytes[i - 1] == '\r') << "line " << line << ": bare LF";
            ++line;
        } else {
            const bool undefined = c == 0x81 || c == 0x83 || c == 0x88 || c == 0x90 || c == 0x98;
            EXPECT_FALSE(undefined || c < 0x20 || c == 0x7F)
                << "line " << line << ": byte 0x" << std::hex << unsigned{c};
        }
    }
    EXPECT_EQ(bytes.substr(bytes.size() - std::min<std::size_t>(2, bytes.size())), "\r\n")
        << "the last line has no CR LF";
}

TEST(ShippedCollection, EveryQuotationHasOneStyleAndTheClosingLineIsLast)
{
    const std::vector<std::string> lines = crLfLines(shippedBytes());
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), kClosingLine)
        << "the last line (" << lines.size() << ") is not the closing line";
    EXPECT_GE(lines.size() - 1, kMinQuotations);
    for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
        const std::string& text = lines[i];
        const std::size_t n = i + 1;
        if (text.empty()) {
            ADD_FAILURE() << "line " << n << " is empty";
            continue;
        }
        EXPECT_NE(text, kClosingLine) << "line " << n << ": the closing line before the end";
        EXPECT_LE(text.size(), kMaxLine) << "line " << n << " is too long";
        EXPECT_FALSE(isBlank(static_cast<unsigned char>(text.front())) ||
                     isBlank(static_cast<unsigned char>(text.back())))
            << "line " << n << " starts or ends with a blank";
        const std::size_t dash = text.rfind(kDash);
        EXPECT_TRUE(dash != std::string::npos && dash > 0 && dash + kDash.size() < text.size())
            << "line " << n << " does not end in an en dash and an attribution";
    }
}

TEST(ShippedCollection, NoTwoQuotationsAreTheSameIgnoringCaseDiacriticsPunctuationAndBlanks)
{
    const std::vector<std::string> lines = quotationLines();
    ASSERT_GE(lines.size(), kMinQuotations);
    std::map<std::string, std::size_t> first;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const auto [seen, inserted] = first.emplace(folded(quotationOf(lines[i])), i + 1);
        EXPECT_TRUE(inserted) << "line " << i + 1 << " repeats the quotation of line "
                              << seen->second;
    }
}

TEST(ShippedCollection, EveryKindOfSourceIsOneOfTheLabels)
{
    const std::vector<std::string> lines = quotationLines();
    ASSERT_GE(lines.size(), kMinQuotations);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string source = sourceOf(lines[i]);
        bool kind = !source.empty() && source.front() >= 'a' && source.front() <= 'z';
        for (const std::string& start : kKindStarts)
            kind = kind || folded(source).rfind(start, 0) == 0;
        EXPECT_TRUE(!kind || kKinds.count(source) == 1)
            << "line " << i + 1 << ": \"" << source << "\" is no label of a kind of source";
    }
}

TEST(ShippedCollection, NoBareDictionaryTermStandsAsAQuotation)
{
    std::set<std::string> terms;
    for (const std::string& term : kBareTerms)
        terms.insert(folded(term));
    const std::vector<std::string> lines = quotationLines();
    ASSERT_GE(lines.size(), kMinQuotations);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string quotation = quotationOf(lines[i]);
        const std::string latin = folded(quotation.substr(0, quotation.find(" (")));
        EXPECT_EQ(terms.count(latin), 0u)
            << "line " << i + 1 << " is the bare term \"" << latin << '"';
    }
}

TEST(ShippedCollection, NoScriptureIsQuotedInTheWordingOfTheMillenniumBible)
{
    const std::vector<std::string> lines = quotationLines();
    ASSERT_GE(lines.size(), kMinQuotations);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string key = folded(lines[i]);
        for (const std::string& wording : kMillenniumBibleWordings)
            EXPECT_EQ(key.find(wording), std::string::npos)
                << "line " << i + 1 << " reads \"" << wording << '"';
    }
}

TEST(ShippedCollection, FoldingDropsCaseDiacriticsPunctuationAndBlankRuns)
{
    EXPECT_EQ(folded("\xA5\xC6\xCA\xA3\xD1\xD3\x8C\x8F\xAF  Ala \x96 X"), "acelnoszz ala x");
    EXPECT_EQ(folded("\x8Cpiesz si\xEA, powoli!"), folded("spiesz  sie powoli"));
    EXPECT_EQ(folded("\x84Tak, tak\x94 \x85"), "tak tak");
    EXPECT_NE(folded("Ala ma kota \x96 x"), folded("Ala ma psa \x96 x"));
    for (const std::string& wording : kMillenniumBibleWordings)
        EXPECT_EQ(folded(wording), wording) << "not written folded: " << wording;
}

} // namespace

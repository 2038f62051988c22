#include "bench/quote_generator.h"

#include <algorithm>
#include <array>
#include <stdexcept>
#include <vector>

namespace tavir::bench {

namespace {

// splitmix64: fully specified, unlike the standard distributions, so every machine draws the
// same words. Picks use a plain modulo; its slight bias does not matter here.
class Prng
{
public:
    explicit Prng(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next()
    {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15u);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
        return z ^ (z >> 31);
    }
    std::size_t below(std::size_t n) { return static_cast<std::size_t>(next() % n); }

private:
    std::uint64_t state_;
};

struct Cp1250Letter
{
    char32_t code;
    unsigned char byte;
};

// The Polish letters and the en dash; everything else in the word lists is ASCII.
constexpr std::array<Cp1250Letter, 19> kCp1250Letters{{
    {U'ą', 0xB9}, {U'ć', 0xE6}, {U'ę', 0xEA}, {U'ł', 0xB3}, {U'ń', 0xF1},
    {U'ó', 0xF3}, {U'ś', 0x9C}, {U'ź', 0x9F}, {U'ż', 0xBF}, {U'Ą', 0xA5},
    {U'Ć', 0xC6}, {U'Ę', 0xCA}, {U'Ł', 0xA3}, {U'Ń', 0xD1}, {U'Ó', 0xD3},
    {U'Ś', 0x8C}, {U'Ź', 0x8F}, {U'Ż', 0xAF}, {U'–', 0x96},
}};

// The word lists are written in UTF-8 for the reader and turned into Windows-1250 once.
std::string toCp1250(std::string_view utf8)
{
    std::string out;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        if (lead < 0x80) {
            out += static_cast<char>(lead);
            ++i;
            continue;
        }
        const std::size_t length = lead >= 0xE0 ? 3 : 2;
        char32_t code = lead & (length == 3 ? 0x0Fu : 0x1Fu);
        for (std::size_t k = 1; k < length; ++k)
            code = (code << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3Fu);
        i += length;
        bool known = false;
        for (const auto& letter : kCp1250Letters) {
            if (letter.code == code) {
                out += static_cast<char>(letter.byte);
                known = true;
            }
        }
        if (!known)
            throw std::logic_error("word list holds a letter outside the table");
    }
    return out;
}

// Upper case of a line's first letter, Polish letters included.
char capital(char c)
{
    if (c >= 'a' && c <= 'z')
        return static_cast<char>(c - 0x20);
    for (std::size_t k = 0; k < 9; ++k) {
        if (static_cast<unsigned char>(c) == kCp1250Letters[k].byte)
            return static_cast<char>(kCp1250Letters[k + 9].byte);
    }
    return c;
}

// Each entry is a lexeme's forms, separated by '|', of which a line takes one at random, so that
// a word-form search has forms to find. No form holds "xqzw" or "kaczeńce"; a few hold "nie",
// which only adds to the many hits.
constexpr std::string_view kWords[] = {
    "miłość|miłości|miłością",
    "życie|życia|życiu|życiem",
    "śmierć|śmierci|śmiercią",
    "serce|serca|sercu|sercem|serc|sercami",
    "dusza|duszy|duszę|duszą|dusze|dusz",
    "człowiek|człowieka|człowiekowi|człowiekiem|ludzie|ludzi|ludźmi",
    "świat|świata|światu|światem|świecie|światy",
    "czas|czasu|czasem|czasie|czasy",
    "dzień|dnia|dniem|dni|dniach|dniami",
    "noc|nocy|nocą|noce|nocami",
    "słońce|słońca|słońcu|słońcem",
    "księżyc|księżyca|księżycem",
    "gwiazda|gwiazdy|gwiazd|gwiazdami",
    "morze|morza|morzu|morzem|mórz",
    "rzeka|rzeki|rzece|rzeką|rzek",
    "las|lasu|lesie|lasem|lasy",
    "góra|góry|górze|górą|gór",
    "pole|pola|polu|polem|pól",
    "łąka|łąki|łące|łąką",
    "wiatr|wiatru|wietrze|wiatrem",
    "deszcz|deszczu|deszczem",
    "śnieg|śniegu|śniegiem",
    "zima|zimy|zimie|zimą",
    "wiosna|wiosny|wiośnie|wiosną",
    "lato|lata|latem",
    "jesień|jesieni|jesienią",
    "ogień|ognia|ogniem|ogniu",
    "woda|wody|wodzie|wodą",
    "ziemia|ziemi|ziemię|ziemią",
    "niebo|nieba|niebie|niebem|niebiosa",
    "dom|domu|domem|domy|domów",
    "matka|matki|matce|matką|matek",
    "ojciec|ojca|ojcu|ojcem|ojcowie",
    "dziecko|dziecka|dziecku|dzieci|dziećmi",
    "przyjaciel|przyjaciela|przyjaciele|przyjaciół",
    "wróg|wroga|wrogiem|wrogowie|wrogów",
    "prawda|prawdy|prawdzie|prawdą",
    "kłamstwo|kłamstwa|kłamstwem",
    "mądrość|mądrości|mądrością",
    "głupota|głupoty|głupocie|głupotą",
    "szczęście|szczęścia|szczęściu|szczęściem",
    "smutek|smutku|smutkiem",
    "radość|radości|radością",
    "łza|łzy|łzą|łez|łzami",
    "uśmiech|uśmiechu|uśmiechem",
    "słowo|słowa|słowie|słowem|słów",
    "myśl|myśli|myślą",
    "sen|snu|snem|śnie|sny",
    "pieśń|pieśni|pieśnią",
    "książka|książki|książce|książką",
    "chleb|chleba|chlebem",
    "wino|wina|winie|winem",
    "droga|drogi|drodze|drogą|dróg",
    "krok|kroku|krokiem|kroki",
    "ręka|ręki|ręce|ręką|rąk|rękami",
    "oko|oka|oku|okiem|oczy|oczu|oczami",
    "głos|głosu|głosem|głosy",
    "cisza|ciszy|ciszę|ciszą",
    "wolność|wolności|wolnością",
    "ojczyzna|ojczyzny|ojczyźnie|ojczyzną",
    "naród|narodu|narodzie|narodem",
    "pamięć|pamięci|pamięcią",
    "nadzieja|nadziei|nadzieję|nadzieją",
    "wiara|wiary|wierze|wiarą",
    "Bóg|Boga|Bogu|Bogiem",
    "anioł|anioła|aniołem|anioły",
    "diabeł|diabła|diabłem",
    "król|króla|królem|królowie",
    "pan|pana|panu|panem|panowie",
    "chłop|chłopa|chłopem|chłopi",
    "kobieta|kobiety|kobiecie|kobietą|kobiet",
    "mężczyzna|mężczyzny|mężczyźnie|mężczyźni",
    "młodość|młodości|młodością",
    "starość|starości|starością",
    "pieniądz|pieniądze|pieniędzy|pieniędzmi",
    "praca|pracy|pracę|pracą",
    "jest|są|był|była|było|byli|będzie|będą|bądź|być",
    "ma|mają|miał|miała|mieli|mieć|mając",
    "może|mogą|mógł|mogła",
    "trzeba",
    "wolno",
    "kocha|kochają|kochał|kochała|kochać|kochany",
    "zna|znają|znał|znała|znać",
    "widzi|widzą|widział|widziała|widzieć|widząc",
    "słyszy|słyszą|słyszał|słyszeć",
    "mówi|mówią|mówił|mówiła|mówić|mówiąc",
    "milczy|milczą|milczał|milczeć",
    "czeka|czekają|czekał|czekać",
    "idzie|idą|szedł|szła|iść|idąc",
    "wraca|wracają|wracał|wracać",
    "płacze|płaczą|płakał|płakać",
    "śpiewa|śpiewają|śpiewał|śpiewać",
    "żyje|żyją|żył|żyła|żyć",
    "umiera|umierają|umierał|umierać",
    "rośnie|rosną|rósł|rosnąć",
    "gaśnie|gasną|gasł|gasnąć",
    "płonie|płoną|płonął|płonąć",
    "szuka|szukają|szukał|szukać",
    "znajduje|znajdują|znajdował",
    "traci|tracą|tracił|tracić",
    "daje|dają|dawał|dawać",
    "bierze|biorą|brał|brać",
    "zawsze",
    "nigdy",
    "dziś",
    "jutro",
    "wczoraj",
    "tylko",
    "także",
    "bardzo",
    "dobrze",
    "źle",
    "cicho",
    "głośno",
    "daleko",
    "blisko",
    "i",
    "a",
    "ale",
    "lecz",
    "albo",
    "gdy",
    "kiedy",
    "jak",
    "choć",
    "że",
    "bo",
    "by",
    "w",
    "we",
    "z",
    "ze",
    "na",
    "do",
    "od",
    "po",
    "przez",
    "dla",
    "bez",
    "pod",
    "nad",
    "przed",
    "za",
    "u",
    "ten|tego|temu|tym",
    "ta|tej|tę|tą",
    "to",
    "ów",
    "każdy|każdego|każdemu",
    "żaden|żadnego|żadna",
    "wszystko|wszystkiego|wszystkim",
    "nic|niczego|niczym",
    "sam|sama|samo|sami",
    "swój|swego|swoim|swoja",
    "mój|mojego|moja|moje",
    "twój|twojego|twoja|twoje",
    "nasz|naszego|nasza|nasze",
    "wasz|waszego|wasza",
    "dobry|dobrego|dobra|dobre|lepszy|lepsza|najlepszy",
    "zły|złego|zła|złe|gorszy|najgorszy",
    "piękny|pięknego|piękna|piękne|piękniejszy",
    "stary|starego|stara|stare|starszy",
    "młody|młodego|młoda|młodzi|młodszy",
    "mądry|mądrego|mądra|mądrzy",
    "głupi|głupiego|głupia|głupsi",
    "wielki|wielkiego|wielka|wielcy|większy|największy",
    "mały|małego|mała|małe|mniejszy|najmniejszy",
    "cichy|cichego|cicha|ciche",
    "jasny|jasnego|jasna|jaśniejszy",
    "ciemny|ciemnego|ciemna|ciemniejszy",
    "ćma|ćmy|ćmą",
    "źródło|źródła|źródle",
    "żaba|żaby|żabie|żabą",
    "ślad|śladu|śladem|ślady",
    "ósmy|ósmego|ósma",
    "Polska|Polski|Polsce|Polską",
    "Kraków|Krakowa|Krakowie|Krakowem",
    "Wisła|Wisły|Wiśle|Wisłą",
    "Łódź|Łodzi|Łodzią",
    "NIGDY",
    "ŻYCIE",
    "ZAWSZE",
    "PRAWDA",
};

constexpr std::string_view kAuthors[] = {
    "Adam Mickiewicz",   "Juliusz Słowacki",    "Cyprian Kamil Norwid", "Bolesław Prus",
    "Maria Konopnicka",  "Eliza Orzeszkowa",    "Jan Kochanowski",      "Ignacy Krasicki",
    "Aleksander Fredro", "Stefan Żeromski",     "Bruno Schulz",         "Witold Gombrowicz",
    "Julian Tuwim",      "Czesław Miłosz",      "Zbigniew Herbert",     "Wisława Szymborska",
    "Stanisław Lec",     "Tadeusz Kotarbiński", "Sławomir Mrożek",      "Przysłowie ludowe",
};

constexpr std::string_view kEndings[] = {".", ".", ".", "!", "?", "..."};

template <std::size_t N> std::vector<std::string> converted(const std::string_view (&list)[N])
{
    std::vector<std::string> out;
    for (const auto word : list)
        out.push_back(toCp1250(word));
    return out;
}

// The forms of each entry of kWords.
std::vector<std::vector<std::string>> lexemes()
{
    std::vector<std::vector<std::string>> out;
    for (const std::string& entry : converted(kWords)) {
        std::vector<std::string> forms;
        for (std::size_t at = 0; at <= entry.size();) {
            const std::size_t bar = std::min(entry.find('|', at), entry.size());
            forms.push_back(entry.substr(at, bar - at));
            at = bar + 1;
        }
        out.push_back(std::move(forms));
    }
    return out;
}

} // namespace

std::string generateQuotes(std::size_t quotations, std::uint64_t seed)
{
    const auto words = lexemes();
    const auto authors = converted(kAuthors);
    const std::string dash = toCp1250(" – ");
    Prng random(seed);

    std::string out;
    out.reserve(quotations * 104 + 64);
    std::string line;
    for (std::size_t q = 0; q < quotations; ++q) {
        line.clear();
        const std::size_t targetLength = 54 + random.below(70);
        const bool rare = random.below(1000) == 0;
        const std::size_t rareSlot = random.below(4);
        for (std::size_t slot = 0; line.size() < targetLength; ++slot) {
            if (slot != 0)
                line += random.below(10) == 0 ? ", " : " ";
            if (rare && slot == rareSlot)
                line += kFewHitsQuery;
            else if (random.below(8) == 0)
                line += kManyHitsQuery;
            else {
                const auto& forms = words[random.below(words.size())];
                line += forms[forms.size() == 1 ? 0 : random.below(forms.size())];
            }
        }
        line.front() = capital(line.front());
        line += kEndings[random.below(std::size(kEndings))];
        if (random.below(10) < 3) {
            line += dash;
            line += authors[random.below(authors.size())];
        }
        out += line;
        out += "\r\n";
    }
    // The collection's last line is never a quotation; it holds none of the queries.
    out += "Ostatni wiersz zbioru.\r\n";
    return out;
}

} // namespace tavir::bench

#include "bench/quote_generator.h"

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

// No word holds "xqzw" or "kaczeńce"; a few hold "nie", which only adds to the many hits.
constexpr std::string_view kWords[] = {
    "miłość",     "życie",   "śmierć",    "serce",    "dusza",    "człowiek", "ludzie",
    "świat",      "czas",    "dzień",     "noc",      "słońce",   "księżyc",  "gwiazdy",
    "morze",      "rzeka",   "las",       "góry",     "pole",     "łąka",     "wiatr",
    "deszcz",     "śnieg",   "zima",      "wiosna",   "lato",     "jesień",   "ogień",
    "woda",       "ziemia",  "niebo",     "dom",      "matka",    "ojciec",   "dziecko",
    "przyjaciel", "wróg",    "prawda",    "kłamstwo", "mądrość",  "głupota",  "szczęście",
    "smutek",     "radość",  "łza",       "uśmiech",  "słowo",    "myśl",     "sen",
    "pieśń",      "książka", "chleb",     "wino",     "droga",    "krok",     "ręka",
    "oko",        "głos",    "cisza",     "wolność",  "ojczyzna", "naród",    "pamięć",
    "nadzieja",   "wiara",   "Bóg",       "anioł",    "diabeł",   "król",     "pan",
    "chłop",      "kobieta", "mężczyzna", "młodość",  "starość",  "pieniądz", "praca",
    "jest",       "był",     "będzie",    "ma",       "może",     "trzeba",   "wolno",
    "kocha",      "zna",     "widzi",     "słyszy",   "mówi",     "milczy",   "czeka",
    "idzie",      "wraca",   "płacze",    "śpiewa",   "żyje",     "umiera",   "rośnie",
    "gaśnie",     "płonie",  "szuka",     "znajduje", "traci",    "daje",     "bierze",
    "zawsze",     "nigdy",   "dziś",      "jutro",    "wczoraj",  "tylko",    "także",
    "bardzo",     "dobrze",  "źle",       "cicho",    "głośno",   "daleko",   "blisko",
    "i",          "a",       "ale",       "lecz",     "albo",     "gdy",      "kiedy",
    "jak",        "choć",    "że",        "bo",       "by",       "w",        "we",
    "z",          "ze",      "na",        "do",       "od",       "po",       "przez",
    "dla",        "bez",     "pod",       "nad",      "przed",    "za",       "u",
    "ten",        "ta",      "to",        "ów",       "każdy",    "żaden",    "wszystko",
    "nic",        "sam",     "swój",      "mój",      "twój",     "nasz",     "wasz",
    "dobry",      "zły",     "piękny",    "stary",    "młody",    "mądry",    "głupi",
    "wielki",     "mały",    "cichy",     "jasny",    "ciemny",   "ćma",      "źródło",
    "żaba",       "ślad",    "ósmy",      "Polska",   "Kraków",   "Wisła",    "Łódź",
    "NIGDY",      "ŻYCIE",   "ZAWSZE",    "PRAWDA",
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

} // namespace

std::string generateQuotes(std::size_t quotations, std::uint64_t seed)
{
    const auto words = converted(kWords);
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
            else
                line += words[random.below(words.size())];
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

#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tavir {

// The Polish dictionary, relative to the application folder: a Morfologik automaton of word
// forms with their lemmas and tags (pl.dict), its metadata (pl.info, beside it) and its licence
// (pl.README-en). The build unpacks them from Debian's morfologik-polish.
inline constexpr std::string_view kDictionaryFile = "dane/slownik/pl.dict";

// A lexeme's part of speech, as far as the word search tells lexemes apart: a noun and a verb
// of the same lemma ("piec") are two lexemes.
enum class WordClass : std::uint8_t
{
    Noun,      // subst, depr
    Adjective, // adj, adja, adjp, adjc: every degree
    Adverb,    // adv
    Verb,      // verb and the participles pact, ppas, pcon, pant
    Numeral,   // num, numcol
    Pronoun,   // ppron12, ppron3, siebie
    Other,     // prepositions, conjunctions, particles, interjections, abbreviations, ...
};

// A lexeme a word form belongs to: its lemma in UTF-8, as the dictionary writes it, and its
// class.
struct Lexeme
{
    std::string_view lemma;
    WordClass wordClass = WordClass::Other;
    friend bool operator==(const Lexeme&, const Lexeme&) = default;
};

// The lexemes of one look-up. Kept by the caller and handed to every look-up, so that once its
// storage has grown to the largest answer, a look-up allocates nothing.
class LexemeList
{
public:
    LexemeList();
    LexemeList(const LexemeList&) = delete;
    LexemeList& operator=(const LexemeList&) = delete;

    std::span<const Lexeme> items() const { return items_; }
    bool empty() const { return items_.empty(); }
    std::size_t size() const { return items_.size(); }
    // Whether the word looked up is, under lexeme i, only an imperative, a singular locative
    // or vocative, or a plural genitive: "przyjaźń" of "przyjaźnić", "być" of "bycie".
    bool minor(std::size_t i) const { return minor_[i]; }

    void clear();
    // Adds a reading: the lexeme unless it is there already (the lemma is copied); a lexeme is
    // minor while all its readings are.
    void add(std::string_view lemma, WordClass wordClass, bool minor = false);

private:
    std::vector<Lexeme> items_;
    std::vector<bool> minor_;
    std::string lemmas_; // the lemmas the items point into
};

// Maps Polish word forms to their lexemes, read from a Morfologik dictionary: a CFSA2 automaton
// whose every path spells "form+encoded lemma+tags". Verbal nouns (ger) are left out, and so are
// negated participles ("niekochany"); the other participles count as forms of their verb.
// Loaded once and read-only afterwards, so one object serves every thread.
class Morphology
{
public:
    // Reads the automaton at `path` and its metadata beside it (the same name ending in .info).
    // Raises "Cannot open file <path>" when either cannot be read and "Damaged dictionary
    // <path>" when the automaton is not one this reader knows.
    static std::shared_ptr<const Morphology> load(const std::string& path);
    // The same from bytes already read; `name` stands for the file in messages.
    static std::shared_ptr<const Morphology> fromBytes(std::string automaton, std::string_view info,
                                                       std::string_view name);

    // The lexemes of `word` (Windows-1250, any case) into `out`. The word is looked up in small
    // letters; when the dictionary has nothing for it, with a capital first letter (names:
    // "krakowie" as "Krakowie"). Empty when the dictionary does not know the word. A damaged
    // automaton found on the way raises "Damaged dictionary <path>".
    void lookup(std::string_view word, LexemeList& out) const;

    // The same for every form the dictionary has that differs from `word` only in diacritics
    // ("zolw" as "żółw", "przyjazn" as "przyjaźń"), the word itself included; at most
    // kMaxSpellings forms are taken.
    void lookupWithoutDiacritics(std::string_view word, LexemeList& out) const;

    static constexpr std::size_t kMaxSpellings = 64;
    // Longer words are not in the dictionary; they are not looked up.
    static constexpr std::size_t kMaxWordBytes = 96;

    Morphology(const Morphology&) = delete;
    Morphology& operator=(const Morphology&) = delete;
    ~Morphology();

    struct Parts; // what load() read, checked
    explicit Morphology(Parts parts);

private:
    enum class Case
    {
        Small,
        CapitalFirst
    };
    std::size_t spell(std::string_view word, Case letterCase, char* out) const;
    // Each returns the count of readings kept.
    std::size_t lookupSpelled(std::string_view form, LexemeList& out) const;
    std::size_t readEntries(std::uint32_t node, std::string_view form, LexemeList& out) const;
    std::size_t addLexemes(std::string_view form, std::string_view head, std::uint32_t summary,
                           LexemeList& out) const;
    std::uint32_t tagSummary(std::uint32_t node) const;
    std::size_t lookupVariants(std::string_view word, Case letterCase, LexemeList& out) const;

    std::unique_ptr<const Parts> parts_;
};

} // namespace tavir

#pragma once

#include "quotes/finder.h"
#include "quotes/folding.h"
#include "quotes/morphology.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tavir {

class QuoteCollection;

// Bytes [begin, end) of a line.
struct ByteRange
{
    std::size_t begin = 0;
    std::size_t end = 0;
    friend bool operator==(const ByteRange&, const ByteRange&) = default;
};

// The letters of Windows-1250: every byte that has a case partner in the every-case folding,
// and ß. Digits, blanks and punctuation (the apostrophe and the hyphen too) separate words.
const std::array<bool, 256>& wordLetters();

// Calls onWord(begin, end) for each word of `text`, in order.
template <class OnWord> void forEachWord(std::string_view text, OnWord&& onWord)
{
    const std::array<bool, 256>& letter = wordLetters();
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n) {
        while (i < n && !letter[static_cast<unsigned char>(text[i])])
            ++i;
        const std::size_t begin = i;
        while (i < n && letter[static_cast<unsigned char>(text[i])])
            ++i;
        if (i != begin)
            onWord(begin, i);
    }
}

// The words of `text` as ranges.
std::vector<ByteRange> splitWords(std::string_view text);

// The distinct words of a collection's quotations, each with the lexemes the dictionary gives
// it and the quotations that hold it. Words are kept case folded (every letter as its capital).
// Built once on any thread, then only read, so any thread may query it. It holds no pointer
// into the collection: its lines are line numbers of the collection it was built from.
class WordIndex
{
public:
    using WordId = std::uint32_t;
    using LexemeId = std::uint32_t;
    static constexpr std::uint32_t kNone = UINT32_MAX;

    WordIndex();
    ~WordIndex();
    WordIndex(WordIndex&&) noexcept;
    WordIndex& operator=(WordIndex&&) noexcept;

    // Indexes every line of `quotes` but the last, which is no quotation. Raises the
    // dictionary's errors ("Damaged dictionary <path>").
    static WordIndex build(const QuoteCollection& quotes,
                           std::shared_ptr<const Morphology> morphology);

    const Morphology& morphology() const { return *morphology_; }
    std::size_t lineCount() const { return lineCount_; }
    std::size_t wordCount() const;
    std::size_t lexemeCount() const;

    // The word, folded.
    std::string_view word(WordId id) const;
    // The id of a word in any case, or kNone.
    WordId find(std::string_view word) const;
    // The lexemes of a word; none for a word the dictionary does not know.
    std::span<const LexemeId> lexemes(WordId id) const;
    // A lexeme of some word; its lemma points into the index.
    Lexeme lexeme(LexemeId id) const;
    // The lexeme's id, or kNone when no word of the collection has it.
    LexemeId findLexeme(const Lexeme& lexeme) const;
    std::span<const WordId> wordsOf(LexemeId lexeme) const;
    // The words whose letters without diacritics are those of `word` ("zolw": ŻÓŁW, ZOLW).
    std::span<const WordId> wordsWithoutDiacritics(std::string_view word) const;
    // The lines holding the word, ascending.
    std::span<const std::uint32_t> lines(WordId id) const;

    struct Tables;

private:
    std::shared_ptr<const Morphology> morphology_;
    std::size_t lineCount_ = 0;
    std::unique_ptr<Tables> tables_;
};

// A word-form query over an index: each query word stands for the collection's words that
// share a lexeme with it, and a line matches when it holds one of those for every query word.
// The query's own word always matches itself, so a word the dictionary does not know (a name,
// Latin) finds just its own case-folded form. A query word that is itself a lemma does not
// stand for the lexemes of which it is only an imperative, a singular locative or vocative or a
// plural genitive:
// "przyjaźń" for the noun, not also for the verb "przyjaźnić". With Folding::NoDiacritics a query
// word also stands for every form it may be without diacritics, in the dictionary and in the
// collection. Any other folding folds every letter's case, as this search always does.
class WordQuery
{
public:
    WordQuery(const WordIndex& index, std::string_view query, Folding folding = Folding::EveryCase);

    // The count of query words; a query without letters has none.
    std::size_t size() const { return sets_.size(); }
    // The collection's words that query word k stands for, ascending.
    std::span<const WordIndex::WordId> words(std::size_t k) const { return sets_[k]; }
    // Whether a word of the collection stands for some query word.
    bool matches(WordIndex::WordId id) const;

    // Marks the indexed lines that match: bit i % 64 of bits[i / 64] for line i. Needs a query
    // word; bits gets room for index.lineCount() lines.
    void markLines(std::vector<std::uint64_t>& bits) const;
    // Whether a line of text matches (every query word in it).
    bool matchesLine(std::string_view line) const;

    const WordIndex& index() const { return index_; }

private:
    const WordIndex& index_;
    std::vector<std::vector<WordIndex::WordId>> sets_;
    std::vector<bool> any_; // by word id: in some set
};

// Where a search found its query in a line, for highlighting: ascending, disjoint ranges.
// The words that stand for some query word:
std::vector<ByteRange> matchRanges(std::string_view line, const WordQuery& query);
// Every occurrence of the finder's needle, `needleSize` bytes long (a folding maps byte to
// byte), overlapping ones joined:
std::vector<ByteRange> matchRanges(std::string_view line, const FoldedFinder& finder,
                                   std::size_t needleSize);
// The same for the byte search's query and folding (none for an empty query, or one holding
// CR, LF or NUL, which no line holds).
std::vector<ByteRange> matchRanges(std::string_view line, std::string_view query, Folding folding);

} // namespace tavir

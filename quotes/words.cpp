#include "quotes/words.h"

#include "base/codec.h"
#include "quotes/collection.h"

#include <algorithm>
#include <bit>

namespace tavir {

namespace {

// A set of distinct byte strings, each given the next id as it is first added; open
// addressing over one pool of bytes.
class StringTable
{
public:
    StringTable() { rehash(1024); }

    std::size_t size() const { return starts_.size() - 1; }
    std::string_view at(std::uint32_t id) const
    {
        return std::string_view(pool_).substr(starts_[id], starts_[id + 1] - starts_[id]);
    }
    std::uint32_t find(std::string_view key) const
    {
        const std::uint32_t slot = probe(key, hash(key));
        return slots_[slot];
    }
    // The key's id, new or old.
    std::uint32_t add(std::string_view key)
    {
        const std::uint64_t h = hash(key);
        std::uint32_t slot = probe(key, h);
        if (slots_[slot] != WordIndex::kNone)
            return slots_[slot];
        const auto id = static_cast<std::uint32_t>(size());
        pool_ += key;
        starts_.push_back(pool_.size());
        slots_[slot] = id;
        hashes_.push_back(static_cast<std::uint32_t>(h));
        if (size() * 2 > slots_.size())
            rehash(slots_.size() * 2);
        return id;
    }

private:
    static std::uint64_t hash(std::string_view key)
    {
        std::uint64_t h = 0xCBF29CE484222325u; // FNV-1a
        for (const char c : key)
            h = (h ^ static_cast<unsigned char>(c)) * 0x100000001B3u;
        return h ^ (h >> 29);
    }
    std::uint32_t probe(std::string_view key, std::uint64_t h) const
    {
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t slot = h & mask;; slot = (slot + 1) & mask) {
            const std::uint32_t id = slots_[slot];
            if (id == WordIndex::kNone ||
                (hashes_[id] == static_cast<std::uint32_t>(h) && at(id) == key))
                return static_cast<std::uint32_t>(slot);
        }
    }
    void rehash(std::size_t slots)
    {
        slots_.assign(slots, WordIndex::kNone);
        const std::size_t mask = slots - 1;
        for (std::uint32_t id = 0; id < size(); ++id) {
            std::size_t slot = hash(at(id)) & mask;
            while (slots_[slot] != WordIndex::kNone)
                slot = (slot + 1) & mask;
            slots_[slot] = id;
        }
    }

    std::string pool_;
    std::vector<std::size_t> starts_{0};
    std::vector<std::uint32_t> hashes_;
    std::vector<std::uint32_t> slots_;
};

// Lists of ids by key: the ids of key k are items[starts[k], starts[k + 1]).
struct Lists
{
    std::vector<std::uint32_t> starts{0};
    std::vector<std::uint32_t> items;
    std::span<const std::uint32_t> of(std::uint32_t key) const
    {
        if (key + 1 >= starts.size())
            return {};
        return std::span(items).subspan(starts[key], starts[key + 1] - starts[key]);
    }
};

// The same lists turned round: for each item, the keys whose lists hold it, ascending.
Lists inverted(const Lists& lists, std::size_t itemCount)
{
    Lists out;
    out.starts.assign(itemCount + 1, 0);
    for (const std::uint32_t item : lists.items)
        ++out.starts[item + 1];
    for (std::size_t k = 0; k < itemCount; ++k)
        out.starts[k + 1] += out.starts[k];
    out.items.resize(lists.items.size());
    std::vector<std::uint32_t> fill(out.starts.begin(), out.starts.end() - 1);
    for (std::uint32_t key = 0; key + 1 < lists.starts.size(); ++key)
        for (const std::uint32_t item : lists.of(key))
            out.items[fill[item]++] = key;
    return out;
}

void fold(std::string_view word, const FoldTable& table, std::string& out)
{
    out.resize(word.size());
    for (std::size_t i = 0; i < word.size(); ++i)
        out[i] = static_cast<char>(table[static_cast<unsigned char>(word[i])]);
}

std::string lexemeKey(const Lexeme& lexeme)
{
    std::string key(lexeme.lemma);
    key += '\0';
    key += static_cast<char>('0' + static_cast<int>(lexeme.wordClass));
    return key;
}

} // namespace

const std::array<bool, 256>& wordLetters()
{
    static const std::array<bool, 256> letters = [] {
        const FoldTable& capital = everyCaseFoldTable();
        std::array<bool, 256> t{};
        for (unsigned b = 0; b < 256; ++b) {
            if (capital[b] != b) {
                t[b] = true;
                t[capital[b]] = true;
            }
        }
        t[0xDF] = true; // ß, which has no capital in the code page
        return t;
    }();
    return letters;
}

std::vector<ByteRange> splitWords(std::string_view text)
{
    std::vector<ByteRange> out;
    forEachWord(text, [&](std::size_t begin, std::size_t end) { out.push_back({begin, end}); });
    return out;
}

struct WordIndex::Tables
{
    StringTable words;      // folded
    Lists lines;            // by word
    StringTable lexemeKeys; // lemma, NUL, class digit
    Lists wordLexemes;      // by word
    Lists lexemeWords;      // by lexeme
    StringTable bareWords;  // without diacritics
    Lists bareWordWords;    // by bare word
};

WordIndex::WordIndex() : tables_(std::make_unique<Tables>()) {}
WordIndex::~WordIndex() = default;
WordIndex::WordIndex(WordIndex&&) noexcept = default;
WordIndex& WordIndex::operator=(WordIndex&&) noexcept = default;

WordIndex WordIndex::build(const QuoteCollection& quotes,
                           std::shared_ptr<const Morphology> morphology)
{
    WordIndex index;
    index.morphology_ = std::move(morphology);
    Tables& t = *index.tables_;
    const FoldTable& capital = everyCaseFoldTable();
    const std::size_t lineCount = quotes.quotationCount();
    index.lineCount_ = lineCount;

    // The distinct words of each line, then the lines of each word.
    std::vector<std::uint32_t> lineWords;
    std::vector<std::uint32_t> lineStarts{0};
    lineStarts.reserve(lineCount + 1);
    std::vector<std::uint32_t> lastLine; // by word: the last line it was seen in, plus one
    std::string folded;
    for (std::size_t i = 0; i < lineCount; ++i) {
        const std::string_view line = quotes.line(i);
        forEachWord(line, [&](std::size_t begin, std::size_t end) {
            fold(line.substr(begin, end - begin), capital, folded);
            const std::uint32_t id = t.words.add(folded);
            if (id == lastLine.size())
                lastLine.push_back(0);
            if (lastLine[id] != i + 1) {
                lastLine[id] = static_cast<std::uint32_t>(i + 1);
                lineWords.push_back(id);
            }
        });
        lineStarts.push_back(static_cast<std::uint32_t>(lineWords.size()));
    }
    const std::size_t wordCount = t.words.size();
    {
        Lists byLine{std::move(lineStarts), std::move(lineWords)};
        t.lines = inverted(byLine, wordCount);
    }

    // The lexemes of each word, and the words of each lexeme.
    LexemeList found;
    t.wordLexemes.starts.reserve(wordCount + 1);
    for (std::uint32_t id = 0; id < wordCount; ++id) {
        found.clear();
        index.morphology_->lookup(t.words.at(id), found);
        for (const Lexeme& lexeme : found.items())
            t.wordLexemes.items.push_back(t.lexemeKeys.add(lexemeKey(lexeme)));
        t.wordLexemes.starts.push_back(static_cast<std::uint32_t>(t.wordLexemes.items.size()));
    }
    t.lexemeWords = inverted(t.wordLexemes, t.lexemeKeys.size());

    // The words grouped by their letters without diacritics.
    const FoldTable& bare = noDiacriticsFoldTable();
    Lists wordBare;
    for (std::uint32_t id = 0; id < wordCount; ++id) {
        fold(t.words.at(id), bare, folded);
        wordBare.items.push_back(t.bareWords.add(folded));
        wordBare.starts.push_back(id + 1);
    }
    t.bareWordWords = inverted(wordBare, t.bareWords.size());
    return index;
}

std::size_t WordIndex::wordCount() const
{
    return tables_->words.size();
}

std::size_t WordIndex::lexemeCount() const
{
    return tables_->lexemeKeys.size();
}

std::string_view WordIndex::word(WordId id) const
{
    return tables_->words.at(id);
}

WordIndex::WordId WordIndex::find(std::string_view word) const
{
    std::string folded;
    fold(word, everyCaseFoldTable(), folded);
    return tables_->words.find(folded);
}

std::span<const WordIndex::LexemeId> WordIndex::lexemes(WordId id) const
{
    return tables_->wordLexemes.of(id);
}

WordIndex::LexemeId WordIndex::findLexeme(const Lexeme& lexeme) const
{
    return tables_->lexemeKeys.find(lexemeKey(lexeme));
}

Lexeme WordIndex::lexeme(LexemeId id) const
{
    const std::string_view key = tables_->lexemeKeys.at(id);
    return {key.substr(0, key.size() - 2), static_cast<WordClass>(key.back() - '0')};
}

std::span<const WordIndex::WordId> WordIndex::wordsOf(LexemeId lexeme) const
{
    return tables_->lexemeWords.of(lexeme);
}

std::span<const WordIndex::WordId> WordIndex::wordsWithoutDiacritics(std::string_view word) const
{
    std::string folded;
    fold(word, noDiacriticsFoldTable(), folded);
    const std::uint32_t bare = tables_->bareWords.find(folded);
    return bare == kNone ? std::span<const WordId>() : tables_->bareWordWords.of(bare);
}

std::span<const std::uint32_t> WordIndex::lines(WordId id) const
{
    return tables_->lines.of(id);
}

WordQuery::WordQuery(const WordIndex& index, std::string_view query, Folding folding)
    : index_(index), any_(index.wordCount(), false)
{
    const bool bare = folding == Folding::NoDiacritics;
    const FoldTable& table = bare ? noDiacriticsFoldTable() : everyCaseFoldTable();
    LexemeList found;
    std::vector<bool> own; // by lexeme found: its lemma is the query word
    std::string folded;
    std::string lemma;
    forEachWord(query, [&](std::size_t begin, std::size_t end) {
        const std::string_view word = query.substr(begin, end - begin);
        std::vector<WordIndex::WordId> set;
        if (const WordIndex::WordId self = index.find(word); self != WordIndex::kNone)
            set.push_back(self);
        found.clear();
        index.morphology().lookup(word, found);
        if (bare) {
            // Every spelling the dictionary has; the collection's own spellings match too,
            // known to the dictionary or not.
            index.morphology().lookupWithoutDiacritics(word, found);
            const auto same = index.wordsWithoutDiacritics(word);
            set.insert(set.end(), same.begin(), same.end());
        }
        fold(word, table, folded);
        own.assign(found.size(), false);
        bool lemmaGiven = false;
        for (std::size_t i = 0; i < found.size(); ++i) {
            fold(utf8ToCp1250(found.items()[i].lemma), table, lemma);
            own[i] = lemma == folded;
            lemmaGiven = lemmaGiven || own[i];
        }
        // A query word that is a lemma ("przyjaźń", "życie", "być") does not stand for the
        // lexemes of which it is only a minor form (the verb "przyjaźnić", "żyto", "bycie").
        for (std::size_t i = 0; i < found.size(); ++i) {
            if (lemmaGiven && !own[i] && found.minor(i))
                continue;
            const WordIndex::LexemeId id = index.findLexeme(found.items()[i]);
            if (id == WordIndex::kNone)
                continue;
            const auto words = index.wordsOf(id);
            set.insert(set.end(), words.begin(), words.end());
        }
        std::sort(set.begin(), set.end());
        set.erase(std::unique(set.begin(), set.end()), set.end());
        for (const WordIndex::WordId id : set)
            any_[id] = true;
        sets_.push_back(std::move(set));
    });
}

bool WordQuery::matches(WordIndex::WordId id) const
{
    return id < any_.size() && any_[id];
}

void WordQuery::markLines(std::vector<std::uint64_t>& bits) const
{
    const std::size_t words = index_.lineCount() / 64 + 1;
    bits.assign(words, 0);
    if (sets_.empty())
        return;
    // The query word with the fewest lines first; its marks are then cut down by the others.
    std::vector<std::pair<std::size_t, std::size_t>> order;
    for (std::size_t k = 0; k < sets_.size(); ++k) {
        std::size_t total = 0;
        for (const WordIndex::WordId id : sets_[k])
            total += index_.lines(id).size();
        order.emplace_back(total, k);
    }
    std::sort(order.begin(), order.end());
    const auto mark = [&](std::size_t k, std::vector<std::uint64_t>& into) {
        for (const WordIndex::WordId id : sets_[k])
            for (const std::uint32_t line : index_.lines(id))
                into[line / 64] |= std::uint64_t{1} << (line % 64);
    };
    mark(order[0].second, bits);
    std::vector<std::uint64_t> other;
    for (std::size_t k = 1; k < order.size(); ++k) {
        other.assign(words, 0);
        mark(order[k].second, other);
        for (std::size_t w = 0; w < words; ++w)
            bits[w] &= other[w];
    }
}

bool WordQuery::matchesLine(std::string_view line) const
{
    if (sets_.empty())
        return false;
    std::vector<bool> seen(sets_.size(), false);
    std::size_t missing = sets_.size();
    forEachWord(line, [&](std::size_t begin, std::size_t end) {
        const WordIndex::WordId id = index_.find(line.substr(begin, end - begin));
        if (!matches(id))
            return;
        for (std::size_t k = 0; k < sets_.size(); ++k) {
            if (!seen[k] && std::binary_search(sets_[k].begin(), sets_[k].end(), id)) {
                seen[k] = true;
                --missing;
            }
        }
    });
    return missing == 0;
}

std::vector<ByteRange> matchRanges(std::string_view line, const WordQuery& query)
{
    std::vector<ByteRange> out;
    forEachWord(line, [&](std::size_t begin, std::size_t end) {
        if (query.matches(query.index().find(line.substr(begin, end - begin))))
            out.push_back({begin, end});
    });
    return out;
}

std::vector<ByteRange> matchRanges(std::string_view line, const FoldedFinder& finder,
                                   std::size_t needleSize)
{
    std::vector<ByteRange> out;
    if (needleSize == 0)
        return out;
    finder.findEach(line, 0, [&](std::size_t at) {
        const std::size_t end = at + needleSize;
        if (!out.empty() && at <= out.back().end)
            out.back().end = end;
        else
            out.push_back({at, end});
        return at + 1;
    });
    return out;
}

std::vector<ByteRange> matchRanges(std::string_view line, std::string_view query, Folding folding)
{
    if (query.empty() || query.find_first_of(std::string_view("\r\n\0", 3)) != query.npos)
        return {};
    return matchRanges(line, FoldedFinder(query, foldTable(folding)), query.size());
}

} // namespace tavir

#include "quotes/morphology.h"

#include "base/codec.h"
#include "base/errors.h"
#include "base/file_io.h"
#include "quotes/folding.h"

#include <algorithm>
#include <atomic>
#include <iterator>
#include <sstream>

namespace tavir {

namespace {

// The automaton's header: "\fsa", the version, two bytes of flags (high byte first), the count
// of labels kept in the table and the table; the arcs follow to the end of the file.
constexpr std::string_view kMagic = "\\fsa";
constexpr unsigned char kCfsa2 = 0xC6;
constexpr unsigned kFlexible = 1u << 0;
constexpr unsigned kStopBit = 1u << 1;
constexpr unsigned kNextBit = 1u << 2;
constexpr unsigned kNumbers = 1u << 8;

// An arc: one byte of flags and a label index, the label itself when the index is 0, and the
// target node as a variable-length number (7 bits a byte, low first) unless the target is the
// node right after the current one.
constexpr unsigned char kTargetNext = 0x80;
constexpr unsigned char kLastArc = 0x40;
constexpr unsigned char kFinalArc = 0x20;
constexpr unsigned char kLabelIndex = 0x1F;

// Reads past the end of the arcs land in these zero bytes: an arc is at most 7 bytes long.
constexpr std::size_t kPadding = 16;
constexpr std::uint32_t kNoArc = UINT32_MAX;
// A node has at most one arc per byte value.
constexpr int kMaxArcsPerNode = 256;
// An entry after the form (encoded lemma, separator, tags) is shorter than this: the longest,
// of words that never change ("super": every case, number and gender), are about 1100 bytes.
// A path as long shows a loop in a damaged automaton.
constexpr std::size_t kMaxEntry = 4096;
// The most arcs one look-up may visit; the largest answer of the real dictionary visits a few
// thousand. More shows a damaged automaton.
constexpr std::size_t kMaxSteps = 1u << 20;

enum class Encoder
{
    None,   // the lemma as it is
    Suffix, // 'A' + bytes cut from the end of the form, then bytes appended
    Prefix, // 'A' + bytes cut from the start, 'A' + bytes cut from the end, bytes appended
    Infix,  // 'A' + where a cut begins, 'A' + its length, 'A' + bytes cut from the end, appended
};

// The tag summaries kept: 2^15 of 8 bytes.
constexpr unsigned kTagCacheBits = 15;

// A cut of 255 takes the whole form.
constexpr unsigned kRemoveEverything = 255;

Error damaged(std::string_view name)
{
    return Error("Damaged dictionary " + std::string(name));
}

// The automaton is about 3 MB; a file far larger is no dictionary of ours.
constexpr std::size_t kMaxFileSize = std::size_t{1} << 28;

std::string readWhole(const std::string& path)
{
    FileBytes file = readRegularFile(path, kMaxFileSize);
    if (!file.ok())
        throw cannotOpenFile(path);
    return std::move(file.bytes);
}

std::string_view trim(std::string_view text)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

bool equalNoCase(std::string_view a, std::string_view b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](char x, char y) { return foldAscii(x) == foldAscii(y); });
}

WordClass classOf(std::string_view tag)
{
    struct Name
    {
        std::string_view name;
        WordClass wordClass;
    };
    static constexpr Name kNames[] = {
        {"subst", WordClass::Noun},      {"depr", WordClass::Noun},
        {"adj", WordClass::Adjective},   {"adja", WordClass::Adjective},
        {"adjp", WordClass::Adjective},  {"adjc", WordClass::Adjective},
        {"adv", WordClass::Adverb},      {"verb", WordClass::Verb},
        {"pact", WordClass::Verb},       {"ppas", WordClass::Verb},
        {"pcon", WordClass::Verb},       {"pant", WordClass::Verb},
        {"num", WordClass::Numeral},     {"numcol", WordClass::Numeral},
        {"ppron12", WordClass::Pronoun}, {"ppron3", WordClass::Pronoun},
        {"siebie", WordClass::Pronoun},
    };
    for (const Name& n : kNames)
        if (n.name == tag)
            return n.wordClass;
    return WordClass::Other;
}

// Whether a tag is one the word search leaves out: a verbal noun, or a negated participle.
bool leftOut(std::string_view part, std::string_view tag)
{
    if (part == "ger")
        return true;
    if (part != "pact" && part != "ppas")
        return false;
    for (std::size_t at = 0; at != std::string_view::npos;) {
        const std::size_t colon = tag.find(':', at);
        if (tag.substr(at, colon == std::string_view::npos ? colon : colon - at) == "neg")
            return true;
        at = colon == std::string_view::npos ? colon : colon + 1;
    }
    return false;
}

// The segments of a tag: "subst:sg:loc.voc:m3".
std::string_view segment(std::string_view tag, std::size_t k)
{
    for (; k > 0; --k) {
        const std::size_t colon = tag.find(':');
        if (colon == std::string_view::npos)
            return {};
        tag.remove_prefix(colon + 1);
    }
    return tag.substr(0, tag.find(':'));
}

// An imperative, a noun's singular locative or vocative, or its plural genitive (often the
// bare stem): forms that a word typed as the lemma of another lexeme hardly ever means
// ("przyjaźń" of "przyjaźnić", "życie" of "żyto", "być" of "bycie").
bool minorReading(std::string_view part, std::string_view tag)
{
    if (part == "verb")
        return segment(tag, 1) == "impt";
    if (part != "subst" && part != "depr")
        return false;
    const bool singular = segment(tag, 1) == "sg";
    if (!singular && segment(tag, 1) != "pl")
        return false;
    std::string_view cases = segment(tag, 2);
    while (!cases.empty()) {
        const std::size_t dot = cases.find('.');
        const std::string_view one = cases.substr(0, dot);
        if (singular ? one != "loc" && one != "voc" : one != "gen")
            return false;
        cases = dot == std::string_view::npos ? std::string_view() : cases.substr(dot + 1);
    }
    return true;
}

} // namespace

struct Morphology::Parts
{
    std::string name;
    std::vector<unsigned char> arcs; // kPadding zero bytes after `size`
    std::uint32_t size = 0;
    bool numbers = false;
    std::array<unsigned char, 32> labels{};
    unsigned labelCount = 0;
    std::uint32_t root = 0;
    unsigned char separator = '+';
    Encoder encoder = Encoder::Prefix;

    // Windows-1250 bytes in UTF-8, and their small and capital letters.
    std::array<std::array<char, 4>, 256> utf8{};
    std::array<unsigned char, 256> utf8Size{};
    FoldTable small{};
    const FoldTable* capital = nullptr;
    // For a byte, the small letters that differ from it only in diacritics (itself among them
    // when it is a small letter or no letter).
    std::array<std::vector<unsigned char>, 256> spellings;
    // The summaries of tags already read (Morphology::tagSummary): a node's offset in the high
    // half and its summary in the low, or 0. Shared by every thread; any entry may be replaced.
    std::unique_ptr<std::atomic<std::uint64_t>[]> tagCache;

    [[noreturn]] void fail() const { throw damaged(name); }

    unsigned label(std::uint32_t arc) const
    {
        const unsigned index = arcs[arc] & kLabelIndex;
        if (index == 0)
            return arcs[arc + 1];
        if (index >= labelCount)
            fail();
        return labels[index];
    }
    bool last(std::uint32_t arc) const { return (arcs[arc] & kLastArc) != 0; }
    bool final(std::uint32_t arc) const { return (arcs[arc] & kFinalArc) != 0; }

    // A number at `at`, and where it ends; at most five bytes.
    std::uint32_t number(std::uint32_t at, std::uint32_t& end) const
    {
        std::uint64_t value = 0;
        for (unsigned shift = 0; shift < 35; shift += 7) {
            const unsigned char b = arcs[at++];
            value |= std::uint64_t{b & 0x7Fu} << shift;
            if ((b & 0x80) == 0) {
                end = at;
                if (value >= size)
                    fail();
                return static_cast<std::uint32_t>(value);
            }
        }
        fail();
    }

    std::uint32_t skipNumber(std::uint32_t at) const
    {
        for (int k = 0; k < 5; ++k)
            if ((arcs[at++] & 0x80) == 0)
                return at;
        fail();
    }
    std::uint32_t firstArc(std::uint32_t node) const
    {
        if (node >= size)
            fail();
        if (numbers)
            node = skipNumber(node);
        if (node >= size)
            fail();
        return node;
    }
    // The arc after `arc` in its node, which must not be the last.
    std::uint32_t skip(std::uint32_t arc) const
    {
        const unsigned char flags = arcs[arc];
        std::uint32_t at = arc + 1 + ((flags & kLabelIndex) == 0 ? 1 : 0);
        if ((flags & kTargetNext) == 0)
            number(at, at);
        if (at >= size)
            fail();
        return at;
    }
    // The node an arc leads to; 0 for none (the arc ends every path through it).
    std::uint32_t target(std::uint32_t arc) const
    {
        if ((arcs[arc] & kTargetNext) == 0) {
            std::uint32_t end = 0;
            return number(arc + 1 + ((arcs[arc] & kLabelIndex) == 0 ? 1 : 0), end);
        }
        for (int k = 0; !last(arc); ++k) {
            if (k == kMaxArcsPerNode)
                fail();
            arc = skip(arc);
        }
        return skip(arc);
    }
    std::uint32_t find(std::uint32_t node, unsigned char byte) const
    {
        std::uint32_t arc = firstArc(node);
        for (int k = 0; k < kMaxArcsPerNode; ++k) {
            if (label(arc) == byte)
                return arc;
            if (last(arc))
                return kNoArc;
            arc = skip(arc);
        }
        fail();
    }
    // Follows `bytes` from `node`: the node reached, or 0.
    std::uint32_t walk(std::uint32_t node, std::string_view bytes) const
    {
        for (const char c : bytes) {
            const std::uint32_t arc = find(node, static_cast<unsigned char>(c));
            if (arc == kNoArc)
                return 0;
            node = target(arc);
            if (node == 0)
                return 0;
        }
        return node;
    }

    // Every arc once, node after node as they are stored: labels in the table, targets inside
    // the automaton, and the last node ending where the file ends.
    void check() const
    {
        std::uint32_t at = 0;
        while (at < size) {
            at = firstArc(at);
            for (int k = 0;; ++k) {
                if (k == kMaxArcsPerNode)
                    fail();
                label(at);
                const bool lastArc = last(at);
                if (lastArc && (arcs[at] & kTargetNext) != 0) {
                    // The target is the node that follows; the file must go on.
                    at = skip(at);
                    break;
                }
                std::uint32_t next = at + 1 + ((arcs[at] & kLabelIndex) == 0 ? 1 : 0);
                if ((arcs[at] & kTargetNext) == 0)
                    number(next, next);
                if (next > size)
                    fail();
                at = next;
                if (lastArc)
                    break;
                if (at >= size)
                    fail();
            }
        }
    }

    // Walks every path below `node` depth first, bounded in length and in steps so that a damaged
    // automaton ends in an error: `visit(arc, path)` sees each arc with the path to it (the arc's
    // label last) and returns whether to go on below it.
    template <typename Visit> void walkPaths(std::uint32_t node, Visit&& visit) const
    {
        const Parts& p = *this;
        struct Frame
        {
            std::uint32_t arc;
            std::uint32_t depth;
        };
        // Pending are the next sibling of each arc on the path, and the arc taken.
        Frame stack[kMaxEntry + 2];
        char path[kMaxEntry];
        std::size_t top = 0;
        stack[top++] = {p.firstArc(node), 0};
        std::size_t steps = 0;
        while (top != 0) {
            const Frame frame = stack[--top];
            if (++steps > kMaxSteps)
                p.fail();
            if (!p.last(frame.arc))
                stack[top++] = {p.skip(frame.arc), frame.depth};
            path[frame.depth] = static_cast<char>(p.label(frame.arc));
            if (!visit(frame.arc, std::string_view(path, frame.depth + 1)))
                continue;
            const std::uint32_t next = p.target(frame.arc);
            if (next != 0) {
                if (frame.depth + 1 >= kMaxEntry)
                    p.fail();
                stack[top++] = {p.firstArc(next), frame.depth + 1};
            }
        }
    }
};

LexemeList::LexemeList()
{
    items_.reserve(16);
    lemmas_.reserve(512);
}

void LexemeList::clear()
{
    items_.clear();
    minor_.clear();
    lemmas_.clear();
}

void LexemeList::add(std::string_view lemma, WordClass wordClass, bool minor)
{
    for (std::size_t i = 0; i < items_.size(); ++i) {
        if (items_[i].wordClass == wordClass && items_[i].lemma == lemma) {
            minor_[i] = minor_[i] && minor;
            return;
        }
    }
    minor_.push_back(minor);
    const char* before = lemmas_.data();
    const std::size_t offset = lemmas_.size();
    lemmas_ += lemma;
    if (lemmas_.data() != before) {
        for (Lexeme& item : items_)
            item.lemma = {lemmas_.data() + (item.lemma.data() - before), item.lemma.size()};
    }
    items_.push_back({std::string_view(lemmas_).substr(offset, lemma.size()), wordClass});
}

Morphology::Morphology(Parts parts) : parts_(std::make_unique<const Parts>(std::move(parts))) {}
Morphology::~Morphology() = default;

std::shared_ptr<const Morphology> Morphology::load(const std::string& path)
{
    std::string automaton = readWhole(path);
    std::string infoPath = path;
    const std::size_t dot = infoPath.rfind('.');
    const std::size_t slash = infoPath.rfind('/');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash))
        infoPath.resize(dot);
    infoPath += ".info";
    return fromBytes(std::move(automaton), readWhole(infoPath), path);
}

std::shared_ptr<const Morphology>
Morphology::fromBytes(std::string automaton, std::string_view info, std::string_view name)
{
    Parts p;
    p.name = name;

    // The metadata: the separator, the text encoding and how lemmas are encoded, in either the
    // older keys (uses-prefixes, uses-infixes) or the newer one (encoder).
    bool suffixes = true;
    bool prefixes = false;
    bool infixes = false;
    std::string_view encoderName;
    std::istringstream lines{std::string(info)};
    std::string line;
    std::string encoderValue;
    while (std::getline(lines, line)) {
        const std::string_view text = trim(line);
        if (text.empty() || text.front() == '#')
            continue;
        const std::size_t equals = text.find('=');
        if (equals == std::string_view::npos)
            continue;
        const std::string_view key = trim(text.substr(0, equals));
        const std::string_view value = trim(text.substr(equals + 1));
        const bool yes = equalNoCase(value, "true");
        if (key == "fsa.dict.separator") {
            if (value.size() != 1)
                throw damaged(name);
            p.separator = static_cast<unsigned char>(value.front());
        } else if (key == "fsa.dict.encoding") {
            if (!equalNoCase(value, "utf-8") && !equalNoCase(value, "utf8"))
                throw damaged(name);
        } else if (key == "fsa.dict.uses-suffixes") {
            suffixes = yes;
        } else if (key == "fsa.dict.uses-prefixes") {
            prefixes = yes;
        } else if (key == "fsa.dict.uses-infixes") {
            infixes = yes;
        } else if (key == "fsa.dict.encoder") {
            encoderValue = value;
            encoderName = encoderValue;
        }
    }
    p.encoder = infixes    ? Encoder::Infix
                : prefixes ? Encoder::Prefix
                : suffixes ? Encoder::Suffix
                           : Encoder::None;
    if (!encoderName.empty()) {
        if (equalNoCase(encoderName, "suffix"))
            p.encoder = Encoder::Suffix;
        else if (equalNoCase(encoderName, "prefix"))
            p.encoder = Encoder::Prefix;
        else if (equalNoCase(encoderName, "infix"))
            p.encoder = Encoder::Infix;
        else if (equalNoCase(encoderName, "none"))
            p.encoder = Encoder::None;
        else
            throw damaged(name);
    }

    // The header.
    const auto byte = [&](std::size_t at) { return static_cast<unsigned char>(automaton[at]); };
    if (automaton.size() < 8 || automaton.compare(0, kMagic.size(), kMagic) != 0 ||
        byte(4) != kCfsa2)
        throw damaged(name);
    const unsigned flags = (unsigned{byte(5)} << 8) | byte(6);
    if ((flags & ~(kFlexible | kStopBit | kNextBit | kNumbers)) != 0)
        throw damaged(name);
    p.numbers = (flags & kNumbers) != 0;
    p.labelCount = byte(7);
    const std::size_t start = 8 + p.labelCount;
    if (p.labelCount > p.labels.size() || automaton.size() <= start ||
        automaton.size() - start >= UINT32_MAX)
        throw damaged(name);
    for (unsigned k = 0; k < p.labelCount; ++k)
        p.labels[k] = byte(8 + k);
    p.size = static_cast<std::uint32_t>(automaton.size() - start);
    p.arcs.reserve(p.size + kPadding);
    p.arcs.assign(automaton.begin() + static_cast<std::ptrdiff_t>(start), automaton.end());
    p.arcs.resize(p.size + kPadding, 0);
    automaton.clear();
    automaton.shrink_to_fit();
    p.check();
    p.tagCache = std::make_unique<std::atomic<std::uint64_t>[]>(std::size_t{1} << kTagCacheBits);
    // The first node holds one arc to the root.
    p.root = p.target(p.firstArc(0));
    if (p.root == 0)
        p.fail();

    // Letters.
    p.capital = &everyCaseFoldTable();
    for (unsigned b = 0; b < 256; ++b) {
        p.small[b] = static_cast<unsigned char>(b);
        const char c = static_cast<char>(b);
        const std::string utf8 = cp1250ToUtf8(std::string_view(&c, 1));
        p.utf8Size[b] = static_cast<unsigned char>(std::min<std::size_t>(utf8.size(), 4));
        std::copy_n(utf8.begin(), p.utf8Size[b], p.utf8[b].begin());
    }
    for (unsigned b = 0; b < 256; ++b)
        if ((*p.capital)[b] != b)
            p.small[(*p.capital)[b]] = static_cast<unsigned char>(b);
    const FoldTable& bases = noDiacriticsFoldTable();
    for (unsigned b = 0; b < 256; ++b)
        if (p.small[b] == b)
            p.spellings[bases[b]].push_back(static_cast<unsigned char>(b));
    for (unsigned b = 0; b < 256; ++b)
        if (b != bases[b])
            p.spellings[b] = p.spellings[bases[b]];
    return std::make_shared<const Morphology>(std::move(p));
}

std::size_t Morphology::spell(std::string_view word, Case letterCase, char* out) const
{
    const Parts& p = *parts_;
    if (word.empty() || word.size() > kMaxWordBytes)
        return 0;
    std::size_t size = 0;
    for (std::size_t i = 0; i < word.size(); ++i) {
        unsigned char b = p.small[static_cast<unsigned char>(word[i])];
        if (i == 0 && letterCase == Case::CapitalFirst)
            b = (*p.capital)[b];
        std::copy_n(p.utf8[b].begin(), p.utf8Size[b], out + size);
        size += p.utf8Size[b];
    }
    return size;
}

void Morphology::lookup(std::string_view word, LexemeList& out) const
{
    const Parts& p = *parts_;
    char form[kMaxWordBytes * 3];
    const std::size_t size = spell(word, Case::Small, form);
    if (size == 0)
        return;
    const auto first = static_cast<unsigned char>(word.front());
    if (lookupSpelled({form, size}, out) == 0 && (*p.capital)[p.small[first]] != p.small[first]) {
        const std::size_t capitalSize = spell(word, Case::CapitalFirst, form);
        lookupSpelled({form, capitalSize}, out);
    }
}

std::size_t Morphology::lookupSpelled(std::string_view form, LexemeList& out) const
{
    const Parts& p = *parts_;
    const std::uint32_t node = p.walk(p.root, form);
    return node == 0 ? 0 : readEntries(node, form, out);
}

// The entries after "form+": every path from the separator's target to a final arc spells an
// encoded lemma, the separator and the tags. The tags that follow a lemma are summed up once
// per node (tagSummary), so a look-up reads only the lemmas' few bytes.
std::size_t Morphology::readEntries(std::uint32_t node, std::string_view form,
                                    LexemeList& out) const
{
    const Parts& p = *parts_;
    const std::uint32_t separator = p.find(node, p.separator);
    if (separator == kNoArc || p.final(separator))
        return 0;
    const std::uint32_t entries = p.target(separator);
    if (entries == 0)
        return 0;
    const std::size_t codes = p.encoder == Encoder::Infix    ? 3
                              : p.encoder == Encoder::Prefix ? 2
                              : p.encoder == Encoder::Suffix ? 1
                                                             : 0;
    std::size_t kept = 0;
    p.walkPaths(entries, [&](std::uint32_t arc, std::string_view path) {
        const std::size_t depth = path.size() - 1;
        if (depth < codes || p.label(arc) != p.separator)
            return true;
        if (const std::uint32_t next = p.target(arc); next != 0)
            kept += addLexemes(form, path.substr(0, depth), tagSummary(next), out);
        return false;
    });
    return kept;
}

// The classes of the tags below a node (every path to a final arc is a list of tags joined by
// the separator), as bits: bit c for a class kept, bit 8 + c when every tag of that class is a
// minor reading, and bit 31 always.
std::uint32_t Morphology::tagSummary(std::uint32_t node) const
{
    const Parts& p = *parts_;
    std::atomic<std::uint64_t>& cached = p.tagCache[(node * 2654435761u) >> (32 - kTagCacheBits)];
    const std::uint64_t entry = cached.load(std::memory_order_relaxed);
    if (entry >> 32 == node)
        return static_cast<std::uint32_t>(entry);

    std::uint32_t summary = 1u << 31;
    const auto addTags = [&](std::string_view tags) {
        for (std::size_t at = 0; at <= tags.size();) {
            std::size_t end = tags.find(static_cast<char>(p.separator), at);
            if (end == std::string_view::npos)
                end = tags.size();
            const std::string_view tag = tags.substr(at, end - at);
            const std::string_view part = tag.substr(0, tag.find(':'));
            if (!tag.empty() && !leftOut(part, tag)) {
                const unsigned c = static_cast<unsigned>(classOf(part));
                if ((summary & (1u << c)) == 0)
                    summary |= (1u << c) | (1u << (8 + c));
                if (!minorReading(part, tag))
                    summary &= ~(1u << (8 + c));
            }
            at = end + 1;
        }
    };
    p.walkPaths(node, [&](std::uint32_t arc, std::string_view path) {
        if (p.final(arc))
            addTags(path);
        return true;
    });
    cached.store((std::uint64_t{node} << 32) | summary, std::memory_order_relaxed);
    return summary;
}

// Decodes the lemma of one entry ("head": the codes and the bytes appended) and adds it once for
// each class the summary of its tags holds.
std::size_t Morphology::addLexemes(std::string_view form, std::string_view head,
                                   std::uint32_t summary, LexemeList& out) const
{
    const Parts& p = *parts_;
    const std::size_t codes = p.encoder == Encoder::Infix    ? 3
                              : p.encoder == Encoder::Prefix ? 2
                              : p.encoder == Encoder::Suffix ? 1
                                                             : 0;
    if (head.size() < codes)
        p.fail();
    const std::string_view appended = head.substr(codes);
    const auto code = [&](std::size_t k) {
        return static_cast<unsigned>(static_cast<unsigned char>(head[k]) - 'A') & 0xFFu;
    };

    // The lemma: what is kept of the form, then the bytes appended.
    char lemma[kMaxWordBytes * 3 + kMaxEntry];
    std::size_t size = 0;
    const auto keep = [&](std::size_t from, std::size_t count) {
        if (from > form.size() || count > form.size() - from)
            p.fail();
        std::copy_n(form.data() + from, count, lemma + size);
        size += count;
    };
    switch (p.encoder) {
    case Encoder::None:
        break;
    case Encoder::Suffix: {
        const std::size_t cut = code(0) == kRemoveEverything ? form.size() : code(0);
        if (cut > form.size())
            p.fail();
        keep(0, form.size() - cut);
        break;
    }
    case Encoder::Prefix: {
        std::size_t front = code(0);
        std::size_t back = code(1);
        if (front == kRemoveEverything || back == kRemoveEverything) {
            front = form.size();
            back = 0;
        }
        if (front + back > form.size())
            p.fail();
        keep(front, form.size() - front - back);
        break;
    }
    case Encoder::Infix: {
        std::size_t at = code(0);
        std::size_t length = code(1);
        std::size_t back = code(2);
        if (length == kRemoveEverything || back == kRemoveEverything) {
            at = 0;
            length = form.size();
            back = 0;
        }
        if (at + length + back > form.size())
            p.fail();
        keep(0, at);
        keep(at + length, form.size() - at - length - back);
        break;
    }
    }
    std::copy(appended.begin(), appended.end(), lemma + size);
    size += appended.size();
    const std::string_view lemmaText(lemma, size);

    std::size_t kept = 0;
    for (unsigned c = 0; c <= static_cast<unsigned>(WordClass::Other); ++c) {
        if ((summary & (1u << c)) != 0) {
            out.add(lemmaText, static_cast<WordClass>(c), (summary & (1u << (8 + c))) != 0);
            ++kept;
        }
    }
    return kept;
}

void Morphology::lookupWithoutDiacritics(std::string_view word, LexemeList& out) const
{
    if (word.empty() || word.size() > kMaxWordBytes)
        return;
    if (lookupVariants(word, Case::Small, out) == 0)
        lookupVariants(word, Case::CapitalFirst, out);
}

// Walks every spelling of the word at once, letter by letter, keeping only the branches the
// automaton has.
std::size_t Morphology::lookupVariants(std::string_view word, Case letterCase,
                                       LexemeList& out) const
{
    const Parts& p = *parts_;
    struct Step
    {
        std::uint32_t node;
        std::uint32_t formSize;
        std::uint32_t letter;  // of the word
        std::uint32_t variant; // the next spelling of that letter to try
    };
    Step steps[kMaxWordBytes + 1];
    char form[kMaxWordBytes * 3];
    std::size_t depth = 0;
    std::size_t found = 0;
    std::size_t kept = 0;
    std::size_t visits = 0;
    steps[0] = {p.root, 0, 0, 0};
    while (true) {
        Step& step = steps[depth];
        if (step.letter == word.size()) {
            kept += readEntries(step.node, {form, step.formSize}, out);
            if (++found == kMaxSpellings)
                return kept;
        } else {
            const auto& spellings = p.spellings[static_cast<unsigned char>(word[step.letter])];
            if (step.variant < spellings.size()) {
                unsigned char b = spellings[step.variant++];
                if (step.letter == 0 && letterCase == Case::CapitalFirst)
                    b = (*p.capital)[b];
                if (++visits > kMaxSteps)
                    p.fail();
                const std::string_view bytes(p.utf8[b].data(), p.utf8Size[b]);
                const std::uint32_t node = p.walk(step.node, bytes);
                if (node != 0) {
                    std::copy(bytes.begin(), bytes.end(), form + step.formSize);
                    steps[depth + 1] = {node,
                                        step.formSize + static_cast<std::uint32_t>(bytes.size()),
                                        step.letter + 1, 0};
                    ++depth;
                }
                continue;
            }
        }
        if (depth == 0)
            return kept;
        --depth;
    }
}

} // namespace tavir

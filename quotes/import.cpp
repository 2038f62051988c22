#include "quotes/import.h"

#include "base/codec.h"
#include "base/errors.h"
#include "quotes/import_letters.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <iterator>
#include <utility>

namespace tavir {

namespace {

constexpr char32_t kEnDash = 0x2013;
constexpr char32_t kEmDash = 0x2014;
constexpr char32_t kByteOrderMark = 0xFEFF;

// Blanks that break a line: they trim and collapse into one space.
bool isBlank(char32_t c)
{
    return c == U' ' || c == U'\t' || c == U'\v' || c == U'\f' || c == U'\r' || c == 0x1680 ||
           (c >= 0x2000 && c <= 0x200A) || c == 0x205F || c == 0x3000;
}

// No-break spaces are meant where they stand inside a line, but not at its ends.
bool isNoBreakSpace(char32_t c)
{
    return c == 0x00A0 || c == 0x2007 || c == 0x202F;
}

bool isControl(char32_t c)
{
    return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

struct Substitute
{
    char32_t from;
    std::string_view to; // Windows-1250 bytes
};

// Characters whose closest Windows-1250 form is not a letter with fewer marks. Sorted.
constexpr Substitute kSubstitutes[] = {
    {0x00C6, "AE"},   {0x00D0, "\xD0"}, {0x00D8, "O"},    {0x00DE, "Th"},   {0x00E6, "ae"},
    {0x00F0, "d"},    {0x00F8, "o"},    {0x00FE, "th"},   {0x0126, "H"},    {0x0127, "h"},
    {0x0131, "i"},    {0x0132, "IJ"},   {0x0133, "ij"},   {0x0138, "k"},    {0x013F, "L"},
    {0x0140, "l"},    {0x0149, "'n"},   {0x0152, "OE"},   {0x0153, "oe"},   {0x0166, "T"},
    {0x0167, "t"},    {0x017F, "s"},    {0x0192, "f"},    {0x0218, "\xAA"}, {0x0219, "\xBA"},
    {0x021A, "\xDE"}, {0x021B, "\xFE"}, {0x02B9, "'"},    {0x02BA, "\""},   {0x02BC, "'"},
    {0x2007, "\xA0"}, {0x200B, ""},     {0x200C, ""},     {0x200D, ""},     {0x2010, "-"},
    {0x2011, "-"},    {0x2012, "\x96"}, {0x2015, "\x97"}, {0x201B, "'"},    {0x201F, "\""},
    {0x2025, ".."},   {0x2027, "\xB7"}, {0x202F, "\xA0"}, {0x2032, "'"},    {0x2033, "\""},
    {0x2035, "'"},    {0x2036, "\""},   {0x2043, "-"},    {0x2044, "/"},    {0x2060, ""},
    {0x2116, "No"},   {0x2212, "-"},    {0x22EF, "\x85"}, {0x2E3A, "\x97"}, {0x2E3B, "\x97"},
    {0xFB00, "ff"},   {0xFB01, "fi"},   {0xFB02, "fl"},   {0xFB03, "ffi"},  {0xFB04, "ffl"},
    {0xFEFF, ""},
};

const Substitute* findSubstitute(char32_t c)
{
    const auto* it = std::lower_bound(std::begin(kSubstitutes), std::end(kSubstitutes), c,
                                      [](const Substitute& s, char32_t v) { return s.from < v; });
    return it != std::end(kSubstitutes) && it->from == c ? it : nullptr;
}

// What a byte from 0x80 on says of a single-byte file: see ImportScan.
enum class ByteEvidence : char
{
    Same,    // read alike in ISO-8859-2 and Windows-1250
    Windows, // a control in ISO-8859-2, a character in Windows-1250
    Latin,   // a letter in ISO-8859-2, a sign no text is written with in Windows-1250
    Differ,  // read as different characters, neither unlikely
};

ByteEvidence evidenceOf(unsigned char byte)
{
    if (byte >= 0x80 && byte <= 0x9F) {
        // Undefined in Windows-1250 too.
        const bool undefined =
            byte == 0x81 || byte == 0x83 || byte == 0x88 || byte == 0x90 || byte == 0x98;
        return undefined ? ByteEvidence::Same : ByteEvidence::Windows;
    }
    switch (byte) {
    case 0xA1: // Ą, ˇ
    case 0xA6: // Ś, ¦
    case 0xAC: // Ź, ¬
    case 0xB1: // ą, ±
    case 0xB6: // ś, ¶
        return ByteEvidence::Latin;
    case 0xA5: // Ľ, Ą
    case 0xA9: // Š, ©
    case 0xAB: // Ť, «
    case 0xAE: // Ž, ®
    case 0xB5: // ľ, µ
    case 0xB7: // ˇ, ·
    case 0xB9: // š, ą
    case 0xBB: // ť, »
    case 0xBC: // ź, Ľ
    case 0xBE: // ž, ľ
        return ByteEvidence::Differ;
    default:
        return ByteEvidence::Same;
    }
}

// The length of the front of `bytes` that holds whole UTF-8 sequences: a sequence cut by the
// end of the block waits for the next one.
std::size_t wholeUtf8Prefix(std::string_view bytes)
{
    const std::size_t size = bytes.size();
    for (std::size_t back = 1; back <= 3 && back <= size; ++back) {
        const auto lead = static_cast<unsigned char>(bytes[size - back]);
        const std::size_t length = lead >= 0xC2 && lead < 0xE0   ? 2
                                   : lead >= 0xE0 && lead < 0xF0 ? 3
                                   : lead >= 0xF0 && lead < 0xF5 ? 4
                                                                 : 0;
        if (length > back) {
            // Only when every byte after the lead continues it; otherwise it is broken here.
            bool continued = true;
            for (std::size_t k = size - back + 1; k < size; ++k)
                continued = continued && (static_cast<unsigned char>(bytes[k]) & 0xC0) == 0x80;
            return continued ? size - back : size;
        }
        if (lead < 0x80 || lead >= 0xC0)
            return size;
    }
    return size;
}

} // namespace

std::optional<ImportFormat> importFormatFromName(std::string_view name)
{
    if (name == "fortune")
        return ImportFormat::Fortune;
    if (name == "lines")
        return ImportFormat::Lines;
    return std::nullopt;
}

std::optional<ImportEncoding> importEncodingFromName(std::string_view name)
{
    if (name == "utf-8")
        return ImportEncoding::Utf8;
    if (name == "iso-8859-2")
        return ImportEncoding::Iso88592;
    if (name == "windows-1250")
        return ImportEncoding::Windows1250;
    return std::nullopt;
}

std::string_view importEncodingName(ImportEncoding encoding)
{
    switch (encoding) {
    case ImportEncoding::Utf8:
        return "utf-8";
    case ImportEncoding::Iso88592:
        return "iso-8859-2";
    case ImportEncoding::Windows1250:
        break;
    }
    return "windows-1250";
}

std::string_view importFormatName(ImportFormat format)
{
    return format == ImportFormat::Fortune ? "fortune" : "lines";
}

void ImportScan::add(std::string_view block)
{
    for (const char ch : block) {
        const auto byte = static_cast<unsigned char>(ch);
        // Lines and the format.
        if (byte == '\n' && afterCr_) {
            afterCr_ = false;
            continue;
        }
        afterCr_ = byte == '\r';
        if (byte == '\n' || byte == '\r') {
            fortune_ = fortune_ || lineShape_ == 1;
            lineShape_ = 0;
            if (need_ > 0 && firstInvalid_ == 0)
                firstInvalid_ = line_;
            need_ = 0;
            ++line_;
            continue;
        }
        lineShape_ = lineShape_ == 0 && byte == '%' ? 1 : 2;
        if (byte < 0x80) {
            if (need_ > 0 && firstInvalid_ == 0)
                firstInvalid_ = line_;
            need_ = 0;
            continue;
        }
        high_ = true;
        // Single-byte evidence.
        switch (evidenceOf(byte)) {
        case ByteEvidence::Windows:
            windows_ = windows_ != 0 ? windows_ : line_;
            break;
        case ByteEvidence::Latin:
            latin_ = latin_ != 0 ? latin_ : line_;
            break;
        case ByteEvidence::Differ:
            differ_ = differ_ != 0 ? differ_ : line_;
            break;
        case ByteEvidence::Same:
            break;
        }
        // UTF-8.
        if (need_ > 0 && (byte & 0xC0) == 0x80) {
            point_ = (point_ << 6) | (byte & 0x3Fu);
            if (--need_ == 0) {
                const bool overlong =
                    (length_ == 3 && point_ < 0x800) || (length_ == 4 && point_ < 0x10000);
                if (overlong || point_ > 0x10FFFF || (point_ >= 0xD800 && point_ < 0xE000)) {
                    firstInvalid_ = firstInvalid_ != 0 ? firstInvalid_ : line_;
                } else if (firstMultiByte_ == 0) {
                    firstMultiByte_ = line_;
                }
            }
            continue;
        }
        if (need_ > 0 && firstInvalid_ == 0)
            firstInvalid_ = line_;
        length_ = byte >= 0xC2 && byte < 0xE0   ? 2
                  : byte >= 0xE0 && byte < 0xF0 ? 3
                  : byte >= 0xF0 && byte < 0xF5 ? 4
                                                : 0;
        if (length_ == 0) {
            need_ = 0;
            firstInvalid_ = firstInvalid_ != 0 ? firstInvalid_ : line_;
            continue;
        }
        need_ = length_ - 1;
        point_ = byte & (0x7Fu >> length_);
    }
}

ImportFormat ImportScan::format() const
{
    return fortune_ || lineShape_ == 1 ? ImportFormat::Fortune : ImportFormat::Lines;
}

DetectedEncoding ImportScan::encoding() const
{
    if (!high_)
        return {ImportEncoding::Utf8, "ascii"};
    const std::uint64_t invalid = firstInvalid_ != 0 ? firstInvalid_ : (need_ > 0 ? line_ : 0);
    if (invalid == 0)
        return {ImportEncoding::Utf8, "utf-8"};
    if (firstMultiByte_ != 0)
        return {std::nullopt, "UTF-8 mixed with bytes that are not UTF-8",
                std::max(invalid, firstMultiByte_)};
    if (windows_ != 0 && latin_ != 0)
        return {std::nullopt, "letters of both Windows-1250 and ISO-8859-2",
                std::max(windows_, latin_)};
    if (windows_ != 0)
        return {ImportEncoding::Windows1250, "windows-1250"};
    if (latin_ != 0)
        return {ImportEncoding::Iso88592, "iso-8859-2"};
    if (differ_ != 0)
        return {std::nullopt,
                "a byte that Windows-1250 and ISO-8859-2 read as different characters, and "
                "nothing to tell which",
                differ_};
    return {ImportEncoding::Iso88592, "iso-8859-2/windows-1250"};
}

ImportFormat detectImportFormat(std::string_view bytes)
{
    ImportScan scan;
    scan.add(bytes);
    return scan.format();
}

DetectedEncoding detectImportEncoding(std::string_view bytes)
{
    ImportScan scan;
    scan.add(bytes);
    return scan.encoding();
}

namespace {

// Cuts decoded text into lines (ended by LF, CR LF or CR) and, in a fortune file, into entries
// at lines of only "%"; in a file of lines every line is an entry. The consumer is told
// lineChar(c), lineEnd() and entryEnd().
template <typename Consumer> class EntrySplitter
{
public:
    EntrySplitter(Consumer& consumer, ImportFormat format) : consumer_(consumer), format_(format) {}

    void put(char32_t c)
    {
        if (afterCr_) {
            afterCr_ = false;
            if (c == U'\n')
                return;
        }
        if (c == U'\r' || c == U'\n') {
            afterCr_ = c == U'\r';
            endLine();
            return;
        }
        if (shape_ == Shape::Nothing) {
            if (format_ == ImportFormat::Fortune && c == U'%') {
                shape_ = Shape::Percent;
                return;
            }
            entryHasLines_ = true;
        } else if (shape_ == Shape::Percent) {
            entryHasLines_ = true;
            consumer_.lineChar(U'%');
        }
        shape_ = Shape::Text;
        consumer_.lineChar(c);
    }

    // The end of the text: a last line without its line end is a line all the same.
    void end()
    {
        if (shape_ != Shape::Nothing)
            endLine();
        if (format_ == ImportFormat::Fortune && entryHasLines_)
            consumer_.entryEnd();
        entryHasLines_ = false;
    }

private:
    enum class Shape
    {
        Nothing,
        Percent,
        Text
    };

    void endLine()
    {
        const Shape shape = std::exchange(shape_, Shape::Nothing);
        if (shape == Shape::Percent) {
            // Nothing before a leading separator is an entry; every stretch after one is.
            if (separatorSeen_ || entryHasLines_)
                consumer_.entryEnd();
            entryHasLines_ = false;
            separatorSeen_ = true;
            return;
        }
        entryHasLines_ = true;
        consumer_.lineEnd();
        if (format_ == ImportFormat::Lines) {
            consumer_.entryEnd();
            entryHasLines_ = false;
        }
    }

    Consumer& consumer_;
    ImportFormat format_;
    bool afterCr_ = false;
    Shape shape_ = Shape::Nothing;
    bool entryHasLines_ = false;
    bool separatorSeen_ = false;
};

// Makes an entry's lines one line, character by character (see normaliseImportEntry): the
// characters go to out.put(c). Blanks at a line's end are held until a character follows them,
// and the dashes opening a line until it shows whether they name an author.
template <typename Out> class EntryNormaliser
{
public:
    explicit EntryNormaliser(Out& out) : out_(out) {}

    void lineChar(char32_t c)
    {
        if (isBlank(c) || isNoBreakSpace(c)) {
            if (!started_)
                return;
            if (!isBlank(c))
                pending_ += c == 0x00A0 ? 'a' : c == 0x2007 ? 'b' : 'c';
            else if (pending_.empty() || pending_.back() != ' ')
                pending_ += ' ';
            return;
        }
        if (!started_) {
            started_ = true;
            if (c == U'-' || c == kEmDash) {
                dash_ = c;
                dashes_ = 1;
                return;
            }
            startLine(false);
        } else if (dashes_ > 0) {
            if (c == dash_ && pending_.empty()) {
                ++dashes_;
                return;
            }
            const bool author = dash_ == kEmDash || dashes_ >= 2;
            if (author) {
                pending_.clear();
                dashes_ = 0;
                startLine(true);
            } else {
                startLine(false);
                putDashes();
            }
        }
        putPending();
        out_.put(c);
    }

    void lineEnd()
    {
        // A line of dashes alone names nobody.
        if (dashes_ > 0) {
            startLine(false);
            putDashes();
        }
        pending_.clear();
        started_ = false;
    }

    bool joined() const { return joined_; }

    void reset()
    {
        lineEnd();
        hasText_ = false;
        authorSeen_ = false;
        joined_ = false;
        if (pending_.capacity() > (1u << 16))
            std::string().swap(pending_);
    }

private:
    void startLine(bool author)
    {
        if (hasText_) {
            if (!author && !authorSeen_) {
                out_.put(U' ');
                out_.put(U'/');
                joined_ = true;
            }
            out_.put(U' ');
        }
        if (author) {
            out_.put(kEnDash);
            out_.put(U' ');
            authorSeen_ = true;
        }
        hasText_ = true;
    }

    void putDashes()
    {
        for (; dashes_ > 0; --dashes_)
            out_.put(dash_);
    }

    void putPending()
    {
        for (const char token : pending_)
            out_.put(token == ' ' ? U' ' : token == 'a' ? 0x00A0 : token == 'b' ? 0x2007 : 0x202F);
        pending_.clear();
    }

    Out& out_;
    bool hasText_ = false;
    bool authorSeen_ = false;
    bool joined_ = false;
    bool started_ = false; // the line has shown a character that is no blank
    char32_t dash_ = 0;
    std::size_t dashes_ = 0; // dashes opening the line, not yet known to name an author
    // Blanks since the line's last character: ' ' for a run of blanks, 'a' 'b' 'c' for the
    // no-break spaces U+00A0, U+2007, U+202F.
    std::string pending_;
};

// Writes characters in Windows-1250, each in its closest form where it has none (see
// toCp1250Closest). Tidy, it also leaves no space doubled or at either end, where a character
// that vanished would have left one.
class EntryEncoder
{
public:
    explicit EntryEncoder(bool tidy) : tidy_(tidy) {}

    void put(char32_t c)
    {
        if (holding_) {
            // Letters written as a base and a combining mark are joined where Windows-1250 has
            // the whole letter.
            if (isCombiningMark(c)) {
                if (const char32_t whole = composeCp1250(held_, c)) {
                    holding_ = false;
                    encode(whole);
                    return;
                }
            }
            encode(held_);
        }
        held_ = c;
        holding_ = true;
    }

    void finish()
    {
        if (holding_)
            encode(held_);
        holding_ = false;
        if (tidy_) {
            while (!text_.bytes.empty() &&
                   (text_.bytes.back() == ' ' || text_.bytes.back() == '\xA0'))
                text_.bytes.pop_back();
        }
    }

    Cp1250Text& text() { return text_; }

    void clear()
    {
        text_.closest = 0;
        text_.unknown = 0;
        if (text_.bytes.capacity() > (1u << 20))
            std::string().swap(text_.bytes);
        text_.bytes.clear();
    }

private:
    void append(char byte)
    {
        if (tidy_ && (byte == ' ' || byte == '\xA0') &&
            (text_.bytes.empty() || (byte == ' ' && text_.bytes.back() == ' ')))
            return;
        text_.bytes += byte;
    }

    void encode(char32_t c)
    {
        if (isControl(c)) {
            append('?');
            ++text_.unknown;
        } else if (const auto byte = unicodeToCp1250(c)) {
            append(*byte);
        } else if (const Substitute* s = findSubstitute(c)) {
            for (const char b : s->to)
                append(b);
            ++text_.closest;
        } else if (const char32_t letter = closestLetter(c)) {
            append(unicodeToCp1250(letter).value_or('?'));
            ++text_.closest;
        } else if (isCombiningMark(c)) {
            // A mark Windows-1250 cannot put on its letter: the bare letter stays.
            ++text_.closest;
        } else {
            append('?');
            ++text_.unknown;
        }
    }

    bool tidy_;
    bool holding_ = false;
    char32_t held_ = 0;
    Cp1250Text text_;
};

std::u32string decodeBytes(std::string_view bytes, ImportEncoding encoding)
{
    switch (encoding) {
    case ImportEncoding::Utf8:
        return utf8ToUtf32(bytes);
    case ImportEncoding::Iso88592:
        return iso88592ToUtf32(bytes);
    case ImportEncoding::Windows1250:
        break;
    }
    return cp1250ToUtf32(bytes);
}

struct TextCollector
{
    void put(char32_t c) { text += c; }
    std::u32string text;
};

struct LineCollector
{
    void lineChar(char32_t c) { line += c; }
    void lineEnd()
    {
        entry.push_back(std::move(line));
        line.clear();
    }
    void entryEnd()
    {
        entries.push_back(std::move(entry));
        entry.clear();
    }
    std::u32string line;
    std::vector<std::u32string> entry;
    std::vector<std::vector<std::u32string>> entries;
};

} // namespace

std::u32string decodeImportText(std::string_view bytes, ImportEncoding encoding)
{
    std::u32string text = decodeBytes(bytes, encoding);
    // A byte order mark says how the file is written, not what it holds.
    if (text.starts_with(kByteOrderMark))
        text.erase(0, 1);
    return text;
}

std::vector<std::vector<std::u32string>> splitImportEntries(std::u32string_view text,
                                                            ImportFormat format)
{
    LineCollector lines;
    EntrySplitter<LineCollector> splitter(lines, format);
    for (const char32_t c : text)
        splitter.put(c);
    splitter.end();
    return std::move(lines.entries);
}

std::u32string normaliseImportEntry(const std::vector<std::u32string>& lines, bool* joined)
{
    TextCollector out;
    EntryNormaliser<TextCollector> normaliser(out);
    for (const auto& line : lines) {
        for (const char32_t c : line)
            normaliser.lineChar(c);
        normaliser.lineEnd();
    }
    if (joined)
        *joined = normaliser.joined();
    return std::move(out.text);
}

Cp1250Text toCp1250Closest(std::u32string_view text)
{
    EntryEncoder encoder(false);
    for (const char32_t c : text)
        encoder.put(c);
    encoder.finish();
    return std::move(encoder.text());
}

bool StringImportSink::wrote(std::uint64_t offset, std::string_view bytes)
{
    return offset <= bytes_.size() && std::string_view(bytes_).substr(offset).starts_with(bytes);
}

class ImportStream::Impl
{
public:
    explicit Impl(ImportSink& sink) : sink_(sink) {}

    void beginFile(ImportFormat format, ImportEncoding encoding)
    {
        encoding_ = encoding;
        splitter_.emplace(*this, format);
        fileStart_ = true;
        carry_.clear();
    }

    void add(std::string_view block)
    {
        if (encoding_ == ImportEncoding::Utf8) {
            // A sequence cut by the block's end waits for the rest.
            carry_ += block;
            const std::size_t whole = wholeUtf8Prefix(carry_);
            decodeAndSplit(std::string_view(carry_).substr(0, whole));
            carry_.erase(0, whole);
        } else {
            decodeAndSplit(block);
        }
    }

    void endFile()
    {
        decodeAndSplit(carry_);
        carry_.clear();
        splitter_->end();
        splitter_.reset();
        // The collection's closing line, last in a file, is not one of its quotations.
        held_.reset();
    }

    void finish()
    {
        sink_.write(kImportClosingLine);
        sink_.write("\r\n");
    }

    // The splitter's consumer.
    void lineChar(char32_t c) { normaliser_.lineChar(c); }
    void lineEnd() { normaliser_.lineEnd(); }
    void entryEnd()
    {
        encoder_.finish();
        Cp1250Text& text = encoder_.text();
        const bool joined = normaliser_.joined();
        normaliser_.reset();
        if (held_) {
            commit(held_->bytes, held_->closest, held_->unknown, held_joined_);
            held_.reset();
        }
        const std::string_view bytes = text.bytes;
        if (bytes == kImportClosingLine ||
            (bytes.size() == kImportClosingLine.size() + 1 &&
             bytes.starts_with(kImportClosingLine) && bytes.back() == '.')) {
            held_ = text;
            held_joined_ = joined;
        } else {
            commit(text.bytes, text.closest, text.unknown, joined);
        }
        encoder_.clear();
    }

    ImportCounts counts;

private:
    void decodeAndSplit(std::string_view bytes)
    {
        if (bytes.empty())
            return;
        decoded_ = decodeBytes(bytes, encoding_);
        std::u32string_view text = decoded_;
        // A byte order mark says how the file is written, not what it holds.
        if (std::exchange(fileStart_, false) && text.starts_with(kByteOrderMark))
            text.remove_prefix(1);
        for (const char32_t c : text)
            splitter_->put(c);
        if (decoded_.capacity() > (1u << 20))
            std::u32string().swap(decoded_);
    }

    void commit(std::string_view bytes, std::size_t closest, std::size_t unknown, bool joined)
    {
        ++counts.read;
        if (bytes.empty()) {
            ++counts.empty;
            return;
        }
        if (!insert(bytes)) {
            ++counts.duplicates;
            return;
        }
        sink_.write(bytes);
        sink_.write("\r\n");
        written_ += bytes.size() + 2;
        ++counts.written;
        counts.joined += joined ? 1 : 0;
        counts.closest += closest;
        counts.unknown += unknown;
    }

    // Whether the entry is new; then it is kept as written next. Entries are told apart by
    // their hash and, where two hashes agree, by the bytes written before.
    bool insert(std::string_view bytes)
    {
        if ((used_ + 1) * 10 > slots_.size() * 7)
            grow();
        const std::uint64_t hash = std::hash<std::string_view>{}(bytes);
        const std::size_t mask = slots_.size() - 1;
        std::size_t i = hash & mask;
        for (; slots_[i].offset != 0; i = (i + 1) & mask) {
            const std::uint64_t at = slots_[i].offset - 1;
            if (slots_[i].hash == hash && sink_.wrote(at, bytes) &&
                sink_.wrote(at + bytes.size(), "\r\n"))
                return false;
        }
        slots_[i] = {hash, written_ + 1};
        ++used_;
        return true;
    }

    void grow()
    {
        std::vector<Slot> old(std::max<std::size_t>(1024, slots_.size() * 2));
        old.swap(slots_);
        const std::size_t mask = slots_.size() - 1;
        for (const Slot& slot : old) {
            if (slot.offset == 0)
                continue;
            std::size_t i = slot.hash & mask;
            while (slots_[i].offset != 0)
                i = (i + 1) & mask;
            slots_[i] = slot;
        }
    }

    struct Slot
    {
        std::uint64_t hash = 0;
        std::uint64_t offset = 0; // where the entry was written, plus one; 0 for none
    };

    ImportSink& sink_;
    ImportEncoding encoding_ = ImportEncoding::Utf8;
    std::optional<EntrySplitter<Impl>> splitter_;
    EntryEncoder encoder_{true};
    EntryNormaliser<EntryEncoder> normaliser_{encoder_};
    bool fileStart_ = true;
    std::string carry_;
    std::u32string decoded_;
    std::optional<Cp1250Text> held_; // a closing line, dropped when its file ends next
    bool held_joined_ = false;
    std::uint64_t written_ = 0;
    std::vector<Slot> slots_;
    std::size_t used_ = 0;
};

ImportStream::ImportStream(ImportSink& sink) : impl_(std::make_unique<Impl>(sink)) {}

ImportStream::~ImportStream() = default;

void ImportStream::beginFile(ImportFormat format, ImportEncoding encoding)
{
    impl_->beginFile(format, encoding);
}

void ImportStream::add(std::string_view block)
{
    impl_->add(block);
}

void ImportStream::endFile()
{
    impl_->endFile();
}

void ImportStream::finish()
{
    impl_->finish();
}

const ImportCounts& ImportStream::counts() const
{
    return impl_->counts;
}

std::string ImportStream::summary() const
{
    const ImportCounts& counts = impl_->counts;
    const auto line = [](std::string_view label, std::size_t n) {
        return std::string(label) + ": " + std::to_string(n) + "\n";
    };
    return line("entries read", counts.read) + line("entries written", counts.written) +
           line("empty entries dropped", counts.empty) +
           line("duplicates dropped", counts.duplicates) +
           line("characters replaced by the closest form", counts.closest) +
           line("characters replaced by ?", counts.unknown) +
           line("entries joined from several lines", counts.joined);
}

QuoteImport::QuoteImport() : stream_(sink_) {}

void QuoteImport::addFile(std::string_view bytes, std::optional<ImportFormat> format,
                          std::optional<ImportEncoding> encoding)
{
    ImportScan scan;
    scan.add(bytes);
    const DetectedEncoding detected = scan.encoding();
    if (!encoding && !detected.encoding)
        throw Error("Cannot tell the encoding, line " + std::to_string(detected.line) + ": " +
                    std::string(detected.name));
    stream_.beginFile(format.value_or(scan.format()), encoding.value_or(*detected.encoding));
    stream_.add(bytes);
    stream_.endFile();
}

std::string QuoteImport::collection()
{
    if (!finished_)
        stream_.finish();
    finished_ = true;
    return sink_.bytes();
}

} // namespace tavir

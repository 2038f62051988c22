#include "quotes/import.h"

#include "base/codec.h"
#include "quotes/import_letters.h"

#include <algorithm>
#include <iterator>

namespace tavir {

namespace {

constexpr char32_t kEnDash = 0x2013;
constexpr char32_t kEmDash = 0x2014;

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

bool isEdgeBlank(char32_t c)
{
    return isBlank(c) || isNoBreakSpace(c);
}

std::u32string_view trim(std::u32string_view text)
{
    while (!text.empty() && isEdgeBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isEdgeBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

bool isCombiningMark(char32_t c)
{
    return c >= 0x0300 && c <= 0x036F;
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

// A line opening with "--" (or more hyphens) or an em dash names the author: the author, or
// nothing when the line is no such line.
std::u32string_view authorOf(std::u32string_view line)
{
    std::size_t dashes = 0;
    if (line.starts_with(U"--")) {
        dashes = line.find_first_not_of(U'-');
    } else if (line.front() == kEmDash) {
        dashes = line.find_first_not_of(kEmDash);
    }
    if (dashes == 0 || dashes == std::u32string_view::npos)
        return {};
    return trim(line.substr(dashes));
}

// A character that vanished in Windows-1250 (a zero-width space, a mark with nothing to
// sit on) may leave two spaces side by side or one at an end.
void tidySpaces(std::string& bytes)
{
    std::size_t out = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == ' ' && out > 0 && bytes[out - 1] == ' ')
            continue;
        bytes[out++] = bytes[i];
    }
    bytes.resize(out);
    const auto isEdge = [](char c) { return c == ' ' || c == '\xA0'; };
    while (!bytes.empty() && isEdge(bytes.back()))
        bytes.pop_back();
    std::size_t front = 0;
    while (front < bytes.size() && isEdge(bytes[front]))
        ++front;
    bytes.erase(0, front);
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

ImportFormat detectImportFormat(std::string_view bytes)
{
    std::size_t start = 0;
    while (start <= bytes.size()) {
        std::size_t end = bytes.find('\n', start);
        if (end == std::string_view::npos)
            end = bytes.size();
        std::string_view line = bytes.substr(start, end - start);
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        if (line == "%")
            return ImportFormat::Fortune;
        start = end + 1;
    }
    return ImportFormat::Lines;
}

ImportEncoding detectImportEncoding(std::string_view bytes)
{
    return isValidUtf8(bytes) ? ImportEncoding::Utf8 : ImportEncoding::Iso88592;
}

std::u32string decodeImportText(std::string_view bytes, ImportEncoding encoding)
{
    std::u32string text;
    switch (encoding) {
    case ImportEncoding::Utf8:
        text = utf8ToUtf32(bytes);
        break;
    case ImportEncoding::Iso88592:
        text = iso88592ToUtf32(bytes);
        break;
    case ImportEncoding::Windows1250:
        text = cp1250ToUtf32(bytes);
        break;
    }
    // A byte order mark says how the file is written, not what it holds.
    if (text.starts_with(U'\uFEFF'))
        text.erase(0, 1);
    return text;
}

std::vector<std::vector<std::u32string>> splitImportEntries(std::u32string_view text,
                                                            ImportFormat format)
{
    std::vector<std::u32string_view> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find(U'\n', start);
        if (end == std::u32string_view::npos)
            end = text.size();
        std::u32string_view line = text.substr(start, end - start);
        if (line.ends_with(U'\r'))
            line.remove_suffix(1);
        lines.push_back(line);
        start = end + 1;
    }

    std::vector<std::vector<std::u32string>> entries;
    if (format == ImportFormat::Lines) {
        for (const auto line : lines)
            entries.push_back({std::u32string(line)});
        return entries;
    }
    std::vector<std::u32string> entry;
    bool separatorSeen = false;
    for (const auto line : lines) {
        if (line == U"%") {
            if (separatorSeen || !entry.empty())
                entries.push_back(std::move(entry));
            entry.clear();
            separatorSeen = true;
        } else {
            entry.emplace_back(line);
        }
    }
    if (!entry.empty())
        entries.push_back(std::move(entry));
    return entries;
}

std::u32string normaliseImportEntry(const std::vector<std::u32string>& lines, bool* slashes)
{
    std::u32string joined;
    bool authorSeen = false;
    bool slashed = false;
    for (const auto& raw : lines) {
        const std::u32string_view line = trim(raw);
        if (line.empty())
            continue;
        const std::u32string_view author = authorOf(line);
        if (!joined.empty()) {
            slashed = slashed || (author.empty() && !authorSeen);
            joined += author.empty() && !authorSeen ? U" / " : U" ";
        }
        if (author.empty()) {
            joined += line;
        } else {
            joined += kEnDash;
            joined += U' ';
            joined += author;
            authorSeen = true;
        }
    }
    if (slashes)
        *slashes = slashed;
    std::u32string text;
    text.reserve(joined.size());
    bool blank = false;
    for (const char32_t c : joined) {
        if (isBlank(c)) {
            blank = true;
            continue;
        }
        if (blank)
            text += U' ';
        blank = false;
        text += c;
    }
    return text;
}

Cp1250Text toCp1250Closest(std::u32string_view text)
{
    Cp1250Text out;
    out.bytes.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        // Letters written as a base and a combining mark are joined where Windows-1250 has
        // the whole letter.
        if (i + 1 < text.size() && isCombiningMark(text[i + 1])) {
            if (const char32_t whole = composeCp1250(c, text[i + 1])) {
                c = whole;
                ++i;
            }
        }
        if (isControl(c)) {
            out.bytes += '?';
            ++out.unknown;
        } else if (const auto byte = unicodeToCp1250(c)) {
            out.bytes += *byte;
        } else if (const Substitute* s = findSubstitute(c)) {
            out.bytes += s->to;
            ++out.closest;
        } else if (const char32_t letter = closestLetter(c)) {
            out.bytes += unicodeToCp1250(letter).value_or('?');
            ++out.closest;
        } else if (isCombiningMark(c)) {
            // A mark Windows-1250 cannot put on its letter: the bare letter stays.
            ++out.closest;
        } else {
            out.bytes += '?';
            ++out.unknown;
        }
    }
    return out;
}

void QuoteImport::addFile(std::string_view bytes, std::optional<ImportFormat> format,
                          std::optional<ImportEncoding> encoding)
{
    const std::u32string text =
        decodeImportText(bytes, encoding.value_or(detectImportEncoding(bytes)));
    for (const auto& entry : splitImportEntries(text, format.value_or(detectImportFormat(bytes))))
        addEntry(entry);
}

void QuoteImport::addEntry(const std::vector<std::u32string>& lines)
{
    ++counts_.read;
    bool joined = false;
    Cp1250Text line = toCp1250Closest(normaliseImportEntry(lines, &joined));
    tidySpaces(line.bytes);
    if (line.bytes.empty()) {
        ++counts_.empty;
        return;
    }
    if (!seen_.insert(line.bytes).second) {
        ++counts_.duplicates;
        return;
    }
    ++counts_.written;
    counts_.joined += joined ? 1 : 0;
    counts_.closest += line.closest;
    counts_.unknown += line.unknown;
    body_ += line.bytes;
    body_ += "\r\n";
}

std::string QuoteImport::collection() const
{
    std::string file = body_;
    file += kImportClosingLine;
    file += "\r\n";
    return file;
}

std::string QuoteImport::summary() const
{
    const auto line = [](std::string_view label, std::size_t n) {
        return std::string(label) + ": " + std::to_string(n) + "\n";
    };
    return line("entries read", counts_.read) + line("entries written", counts_.written) +
           line("empty entries dropped", counts_.empty) +
           line("duplicates dropped", counts_.duplicates) +
           line("characters replaced by the closest form", counts_.closest) +
           line("characters replaced by ?", counts_.unknown) +
           line("entries joined from several lines", counts_.joined);
}

} // namespace tavir

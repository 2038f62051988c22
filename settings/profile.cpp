#include "settings/profile.h"

#include "base/atomic_file.h"
#include "base/errors.h"
#include "base/file_io.h"

#include <algorithm>
#include <cerrno>
#include <vector>

namespace tavir::profile {

namespace {

constexpr std::string_view kLineBreak = "\r\n";
constexpr std::string_view kLineBreakChars = "\r\n";

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\r' || c == '\n';
}

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

char asciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool sameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (asciiLower(a[i]) != asciiLower(b[i]))
            return false;
    return true;
}

enum class LineKind
{
    Header,
    Entry,
    Other
};

// One line of the file. Offsets let a write splice the text without touching other bytes.
struct Line
{
    LineKind kind = LineKind::Other;
    std::string_view name;  // the section of a header, the key of an entry; trimmed
    std::string_view value; // an entry's value, trimmed, quotes still on
    std::size_t begin = 0;
    std::size_t end = 0;  // where the line's text stops and its line break starts
    std::size_t next = 0; // where the following line starts
};

void classify(std::string_view text, Line& line)
{
    const std::size_t first = text.find_first_not_of(" \t\v\f");
    if (first == std::string_view::npos)
        return;
    if (text[first] == '[') {
        const std::size_t close = text.rfind(']');
        if (close != std::string_view::npos && close > first) {
            line.kind = LineKind::Header;
            line.name = trimmed(text.substr(first + 1, close - first - 1));
            return;
        }
    }
    if (text[first] == ';')
        return;
    const std::size_t equals = text.find('=');
    if (equals == std::string_view::npos)
        return;
    line.kind = LineKind::Entry;
    line.name = trimmed(text.substr(0, equals));
    line.value = trimmed(text.substr(equals + 1));
}

// Any run of CR and LF ends a line, so blank lines belong to the break before them.
std::vector<Line> splitIntoLines(std::string_view text)
{
    std::vector<Line> lines;
    std::size_t begin = 0;
    while (begin < text.size()) {
        Line line;
        line.begin = begin;
        line.end = std::min(text.find_first_of(kLineBreakChars, begin), text.size());
        line.next = std::min(text.find_first_not_of(kLineBreakChars, line.end), text.size());
        classify(text.substr(begin, line.end - begin), line);
        lines.push_back(line);
        begin = line.next;
    }
    return lines;
}

struct Location
{
    std::size_t header = 0;               // index of the section's header line
    std::optional<std::size_t> entry;     // index of the key's line, when present
    std::optional<std::size_t> lastEntry; // the section's last entry line, when any
};

// Only the first section of a name counts, and in it the first entry of the key.
std::optional<Location> locate(const std::vector<Line>& lines, std::string_view section,
                               std::string_view key)
{
    std::size_t i = 0;
    while (i < lines.size() &&
           !(lines[i].kind == LineKind::Header && sameName(lines[i].name, section)))
        ++i;
    if (i == lines.size())
        return std::nullopt;
    Location found;
    found.header = i;
    for (++i; i < lines.size() && lines[i].kind != LineKind::Header; ++i) {
        if (lines[i].kind != LineKind::Entry)
            continue;
        found.lastEntry = i;
        if (!found.entry && sameName(lines[i].name, key))
            found.entry = i;
    }
    return found;
}

// A settings file is a regular file of at most 16 MiB. Anything else (a larger file, a FIFO, a
// device, a folder) reads as missing and is never replaced.
constexpr std::size_t kMaxFileSize = std::size_t(16) << 20;

// A UTF-8 byte-order mark some editors put first; it is no part of the first line.
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

std::string_view withoutByteOrderMark(std::string_view text)
{
    if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark)
        text.remove_prefix(kByteOrderMark.size());
    return text;
}

// A stored value as a read returns it: up to its first NUL, without one pair of enclosing
// quotes, at most kMaxValueLength bytes; earlier versions of the program read values so.
std::string valueText(std::string_view raw)
{
    raw = raw.substr(0, raw.find('\0'));
    if (raw.size() >= 2 && (raw.front() == '"' || raw.front() == '\'') && raw.back() == raw.front())
        raw = raw.substr(1, raw.size() - 2);
    return std::string(raw.substr(0, kMaxValueLength));
}

// Length of the first line break at `pos`: CR LF counts as one, otherwise a lone CR or LF.
std::size_t firstBreakLength(std::string_view text, std::size_t pos)
{
    if (pos >= text.size())
        return 0;
    return text.compare(pos, 2, kLineBreak) == 0 ? 2 : 1;
}

} // namespace

std::string readStringIn(std::string_view text, std::string_view section, std::string_view key,
                         std::string_view fallback)
{
    const auto lines = splitIntoLines(withoutByteOrderMark(text));
    if (const auto found = locate(lines, section, key); found && found->entry)
        return valueText(lines[*found->entry].value);
    return std::string(fallback);
}

std::string readString(const std::string& path, std::string_view section, std::string_view key,
                       std::string_view fallback)
{
    return readStringIn(readRegularFile(path, kMaxFileSize).bytes, section, key, fallback);
}

namespace {

// Sets one value in the text in memory, changing only the line it concerns (or adding one).
void setValue(std::string& text, std::string_view section, std::string_view key,
              std::string_view value)
{
    value = value.substr(0, value.find_first_of(std::string_view("\r\n\0", 3)));
    const auto lines = splitIntoLines(text);
    const auto found = locate(lines, section, key);

    if (found && found->entry) {
        const Line& line = lines[*found->entry];
        if (line.value == value)
            return;
        std::string replacement(line.name);
        replacement.append("=").append(value);
        text.replace(line.begin, line.end - line.begin, replacement);
    } else if (found) {
        const Line& anchor = lines[found->lastEntry.value_or(found->header)];
        std::string entry = anchor.end == text.size() ? std::string(kLineBreak) : std::string();
        entry.append(key).append("=").append(value).append(kLineBreak);
        text.insert(anchor.end + firstBreakLength(text, anchor.end), entry);
    } else {
        if (!text.empty() && kLineBreakChars.find(text.back()) == std::string_view::npos)
            text.append(kLineBreak);
        text.append("[").append(section).append("]").append(kLineBreak);
        text.append(key).append("=").append(value).append(kLineBreak);
    }
}

} // namespace

void Batch::writeString(std::string_view section, std::string_view key, std::string_view value)
{
    edits_.push_back({std::string(section), std::string(key), std::string(value)});
}

void Batch::writeInteger(std::string_view section, std::string_view key, std::int32_t value)
{
    writeString(section, key, std::to_string(value));
}

void Batch::commit()
{
    std::vector<Edit> edits;
    edits.swap(edits_);
    if (edits.empty())
        return;
    FileReplacement replacement(path_);
    FileBytes file = readRegularFile(replacement.target(), kMaxFileSize);
    // Rewriting a file we could not read would lose it; a missing one is simply created, from
    // the starting values when there are any.
    const bool existed = file.ok();
    if (!existed && file.error != ENOENT)
        throw unableToWriteTo(path_);
    if (!existed && !startingValues_.empty()) {
        FileBytes start = readRegularFile(startingValues_, kMaxFileSize);
        if (start.ok())
            file.bytes = std::move(start.bytes);
    }
    const std::size_t mark =
        withoutByteOrderMark(file.bytes).size() == file.bytes.size() ? 0 : kByteOrderMark.size();
    std::string text = file.bytes.substr(mark);
    for (const Edit& edit : edits)
        setValue(text, edit.section, edit.key, edit.value);
    if (existed && text.size() + mark == file.bytes.size() &&
        std::string_view(file.bytes).substr(mark) == text)
        return;
    text.insert(0, file.bytes, 0, mark);
    if (!replacement.replace(text))
        throw unableToWriteTo(path_);
}

void writeString(const std::string& path, std::string_view section, std::string_view key,
                 std::string_view value)
{
    Batch batch(path);
    batch.writeString(section, key, value);
    batch.commit();
}

std::optional<std::int32_t> parseInteger(std::string_view text)
{
    std::string respelled;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        respelled.append("$").append(text.substr(2));
        text = respelled;
    }
    text.remove_prefix(std::min(text.find_first_not_of(' '), text.size()));
    if (text.empty())
        return std::nullopt;

    if (text[0] == '$' || text[0] == 'x' || text[0] == 'X') {
        text.remove_prefix(1);
        if (text.empty())
            return std::nullopt;
        std::uint64_t pattern = 0;
        for (const char c : text) {
            int digit = -1;
            if (c >= '0' && c <= '9')
                digit = c - '0';
            else if (asciiLower(c) >= 'a' && asciiLower(c) <= 'f')
                digit = asciiLower(c) - 'a' + 10;
            if (digit < 0)
                return std::nullopt;
            pattern = pattern * 16 + static_cast<std::uint64_t>(digit);
            if (pattern > 0xFFFFFFFFu)
                return std::nullopt;
        }
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(pattern));
    }

    const bool negative = text[0] == '-';
    if (text[0] == '-' || text[0] == '+')
        text.remove_prefix(1);
    if (text.empty())
        return std::nullopt;
    std::int64_t magnitude = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        magnitude = magnitude * 10 + (c - '0');
        if (magnitude > 2147483648LL)
            return std::nullopt;
    }
    const std::int64_t number = negative ? -magnitude : magnitude;
    if (number > 2147483647LL)
        return std::nullopt;
    return static_cast<std::int32_t>(number);
}

std::int32_t readInteger(const std::string& path, std::string_view section, std::string_view key,
                         std::int32_t fallback)
{
    return parseInteger(readString(path, section, key, "")).value_or(fallback);
}

void writeInteger(const std::string& path, std::string_view section, std::string_view key,
                  std::int32_t value)
{
    writeString(path, section, key, std::to_string(value));
}

} // namespace tavir::profile

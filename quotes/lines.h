#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace tavir {

struct LineSpan
{
    std::size_t begin = 0;
    std::size_t length = 0;
};

// Every line rule of the program lives in this file: the window's collection, the command
// line's stream, the counter and the HTML template all split text here.
//
// A line runs up to the next CR, LF or NUL; after it one CR and then one LF are skipped, so
// CR LF, CR and LF each end one line while LF CR ends two. A terminator at the very end adds
// no empty line, and the first NUL ends the text.

// Whether byte `c` after byte `previous` ends a line: a CR does, and an LF unless it completes
// a CR LF pair, whose line the CR ended already.
constexpr bool endsLine(char previous, char c)
{
    return c == '\r' || (c == '\n' && previous != '\r');
}

// Just past the terminator that begins at `p`: one CR, then one LF, each where present.
inline const char* skipLineBreak(const char* p, const char* end)
{
    if (p < end && *p == '\r')
        ++p;
    if (p < end && *p == '\n')
        ++p;
    return p;
}

// The first CR, LF or NUL in [p, end), or end.
const char* findLineEnd(const char* p, const char* end);
// Just after the last CR or LF in [begin, p), or begin.
const char* findLineStart(const char* begin, const char* p);

// Walks the lines of a text one by one, up to its end or its first NUL.
class LineStepper
{
public:
    LineStepper(const char* begin, const char* end) : p_(begin), end_(end) {}
    explicit LineStepper(std::string_view text)
        : LineStepper(text.data(), text.data() + text.size())
    {
    }

    // The next line, without its terminator; false once the text has ended.
    bool next(std::string_view& line)
    {
        if (p_ == end_ || *p_ == '\0') {
            end_ = p_;
            return false;
        }
        const char* const t = findLineEnd(p_, end_);
        line = {p_, static_cast<std::size_t>(t - p_)};
        p_ = t != end_ && *t == '\0' ? (end_ = t) : skipLineBreak(t, end_);
        return true;
    }
    // Where the text ends: its end, or its first NUL once the stepper has met it.
    const char* textEnd() const { return end_; }

private:
    const char* p_;
    const char* end_;
};

// The lines of a text as spans. When `textLength` is given, it receives the number of bytes
// before the first NUL.
std::vector<LineSpan> splitLines(std::string_view bytes, std::size_t* textLength = nullptr);

// Where lines start, in 4 bytes a line: the low 32 bits of each start, and, in a text past
// 4 GiB, the lines from which the high part grows by one. Starts never go down.
class LineTable
{
public:
    std::size_t size() const { return low_.size(); }
    bool empty() const { return low_.empty(); }
    std::size_t operator[](std::size_t i) const
    {
        std::size_t high = 0;
        if (!wraps_.empty()) [[unlikely]]
            high = static_cast<std::size_t>(std::upper_bound(wraps_.begin(), wraps_.end(), i) -
                                            wraps_.begin());
        return high << 32 | low_[i];
    }
    std::size_t back() const { return (*this)[size() - 1]; }
    void reserve(std::size_t lines) { low_.reserve(lines); }
    void push_back(std::size_t start)
    {
        while (wraps_.size() < start >> 32) // only in a text past 4 GiB
            wraps_.push_back(low_.size());
        low_.push_back(static_cast<std::uint32_t>(start));
    }
    void setBack(std::size_t start)
    {
        while (wraps_.size() < start >> 32)
            wraps_.push_back(low_.size() - 1);
        low_.back() = static_cast<std::uint32_t>(start);
    }

private:
    std::vector<std::uint32_t> low_;
    std::vector<std::size_t> wraps_;
};

// The start of every line of `bytes`, by the rules of splitLines, followed by one more entry:
// where the text after the last line's terminator begins (its end, or the first NUL). A line's
// length follows from its start and the next entry (see lineEnd), so the table costs 4 bytes
// a line. When `textLength` is given, it receives the number of bytes before the first NUL.
LineTable lineStarts(std::string_view bytes, std::size_t* textLength = nullptr);

// The end of the line that starts at `begin` when the next one starts at `next` (or the text
// ends there): `next` less the CR, LF or CR LF that ended the line.
inline std::size_t lineEnd(const char* text, std::size_t begin, std::size_t next)
{
    if (next > begin && text[next - 1] == '\n')
        --next;
    if (next > begin && text[next - 1] == '\r')
        --next;
    return next;
}

// Where the last line of a text of `size` bytes begins: after the last terminator other than
// the one that ends the text. The text is read a piece at a time where the last line is never
// a quotation.
std::size_t lastLineStart(const char* text, std::size_t size);

// Of a text of `size` bytes that more bytes may follow, how many hold lines known to be whole
// and not the text's last: those whose terminator lies before the last two bytes, so that a
// CR LF pair is never cut between two pieces.
std::size_t wholeLinesEnd(const char* text, std::size_t size);

// Where a text of `size` bytes is cut into ranges that threads take apart: at the first line
// start at or after `at` (just past a terminator, a CR LF pair never cut), at the first NUL from
// `at` on, where the text ends, or at `size`. Each range then holds whole lines; the range
// before a cut holds the text's last line when the text ends at the cut (see textGoesOnAt).
std::size_t cutAtLineStart(const char* text, std::size_t size, std::size_t at);

// Whether the text goes on at `at`, a cut of a text of `size` bytes: not at its end or a NUL.
inline bool textGoesOnAt(const char* text, std::size_t size, std::size_t at)
{
    return at < size && text[at] != '\0';
}

// Counts the lines of a text fed in pieces without keeping them: each byte for which endsLine
// holds ends one, and a last line without a terminator still counts.
class LineCounter
{
public:
    // Returns false once the text has ended at a NUL; later pieces are not looked at.
    bool feed(std::string_view piece);
    std::size_t lines() const;

private:
    std::size_t terminators_ = 0;
    bool ended_ = false;
    bool previousWasCr_ = false;
    bool openLine_ = false; // text since the last terminator
};

// Convenience for small files (the HTML template): the lines as views into `bytes`.
std::vector<std::string_view> lineViews(std::string_view bytes);

} // namespace tavir

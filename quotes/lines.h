#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

namespace tavir {

struct LineSpan
{
    std::size_t begin = 0;
    std::size_t length = 0;
};

// Splits text into lines: a line runs up to the next CR, LF or NUL; after it one CR and then
// one LF are skipped, so CR LF, CR and LF each end one line while LF CR ends two. A
// terminator at the very end adds no empty line, and the first NUL ends the text.
// When `textLength` is given, it receives the number of bytes before the first NUL.
std::vector<LineSpan> splitLines(std::string_view bytes, std::size_t* textLength = nullptr);

// Counts the lines of a text fed in pieces, by the same rules as splitLines, without
// keeping them: CR and LF each end a line except the LF of a CR LF pair, and a last line
// without a terminator still counts.
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

#include "cli/display.h"

#include "base/codec.h"
#include "quotes/wrap.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <sys/ioctl.h>
#include <unistd.h>

namespace tavir::cli {

void appendDisplayed(std::string& out, std::string_view line, const Display& display)
{
    const std::vector<ByteRange> marks =
        display.marks ? display.marks(line) : std::vector<ByteRange>();
    for (const ByteRange& piece : wrapLine(line, display.columns)) {
        std::size_t at = piece.begin;
        for (const ByteRange& mark : marks) {
            const std::size_t from = std::max(mark.begin, piece.begin);
            const std::size_t to = std::min(mark.end, piece.end);
            if (from >= to)
                continue;
            out += cp1250ToUtf8(line.substr(at, from - at));
            out += kMatchStart;
            out += cp1250ToUtf8(line.substr(from, to - from));
            out += kMatchEnd;
            at = to;
        }
        out += cp1250ToUtf8(line.substr(at, piece.end - at));
        out += '\n';
    }
}

std::size_t terminalColumns()
{
    if (::isatty(STDOUT_FILENO) == 0)
        return 0;
    winsize size{};
    if (::ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        return size.ws_col;
    if (const char* columns = std::getenv("COLUMNS")) {
        const std::string_view text = columns;
        std::size_t value = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (error == std::errc() && end == text.data() + text.size() && value > 0)
            return value;
    }
    return 80;
}

bool colourByDefault()
{
    if (::isatty(STDOUT_FILENO) == 0)
        return false;
    if (const char* noColour = std::getenv("NO_COLOR"); noColour && noColour[0] != '\0')
        return false;
    const char* term = std::getenv("TERM");
    return !(term && std::string_view(term) == "dumb");
}

} // namespace tavir::cli

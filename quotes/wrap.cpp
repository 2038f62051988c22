#include "quotes/wrap.h"

namespace tavir {

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

} // namespace

std::vector<ByteRange> wrapLine(std::string_view line, std::size_t columns)
{
    std::vector<ByteRange> pieces;
    const std::size_t size = line.size();
    std::size_t begin = 0;
    while (columns != 0 && size - begin > columns) {
        // The last blank that leaves the piece before it no wider than `columns`.
        std::size_t cut = begin + columns;
        while (cut > begin && !isBlank(line[cut]))
            --cut;
        if (cut == begin) {
            // No blank in reach: the word runs on to the next blank.
            cut = begin + columns;
            while (cut < size && !isBlank(line[cut]))
                ++cut;
            if (cut == size)
                break;
        }
        std::size_t end = cut;
        while (end > begin && isBlank(line[end - 1]))
            --end;
        if (end > begin) // not for blanks that open the line
            pieces.push_back({begin, end});
        begin = cut;
        while (begin < size && isBlank(line[begin]))
            ++begin;
        if (begin == size)
            return pieces;
    }
    pieces.push_back({begin, size});
    return pieces;
}

} // namespace tavir

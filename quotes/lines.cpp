#include "lines.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tavir {

namespace {

bool isTerminator(char c) { return c == '\r' || c == '\n' || c == '\0'; }

// First CR, LF or NUL in [p, end), or end.
const char* findTerminator(const char* p, const char* end)
{
#if defined(__SSE2__)
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i nul = _mm_setzero_si128();
    while (end - p >= 16) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i hits = _mm_or_si128(
            _mm_or_si128(_mm_cmpeq_epi8(block, cr), _mm_cmpeq_epi8(block, lf)),
            _mm_cmpeq_epi8(block, nul));
        if (const int mask = _mm_movemask_epi8(hits))
            return p + __builtin_ctz(static_cast<unsigned>(mask));
        p += 16;
    }
#endif
    while (p < end && !isTerminator(*p))
        ++p;
    return p;
}

} // namespace

std::vector<LineSpan> splitLines(std::string_view bytes, std::size_t* textLength)
{
    std::vector<LineSpan> lines;
    const char* const start = bytes.data();
    const char* end = start + bytes.size();
    const char* p = start;
    while (p < end) {
        if (*p == '\0') {
            end = p;
            break;
        }
        const char* t = findTerminator(p, end);
        lines.push_back({static_cast<std::size_t>(p - start), static_cast<std::size_t>(t - p)});
        if (t == end || *t == '\0') {
            end = t;
            break;
        }
        p = t;
        if (*p == '\r')
            ++p;
        if (p < end && *p == '\n')
            ++p;
    }
    if (textLength)
        *textLength = static_cast<std::size_t>(end - start);
    return lines;
}

std::vector<std::string_view> lineViews(std::string_view bytes)
{
    std::vector<std::string_view> views;
    for (const LineSpan& span : splitLines(bytes))
        views.push_back(bytes.substr(span.begin, span.length));
    return views;
}

} // namespace tavir

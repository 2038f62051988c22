#include "quotes/lines.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tavir {

namespace {

bool isTerminator(char c)
{
    return c == '\r' || c == '\n' || c == '\0';
}

} // namespace

const char* findLineEnd(const char* p, const char* end)
{
#if defined(__SSE2__)
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i nul = _mm_setzero_si128();
    while (end - p >= 16) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i hits =
            _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(block, cr), _mm_cmpeq_epi8(block, lf)),
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

const char* findLineStart(const char* begin, const char* p)
{
#if defined(__SSE2__)
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    while (p - begin >= 16) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p - 16));
        const __m128i hits = _mm_or_si128(_mm_cmpeq_epi8(block, cr), _mm_cmpeq_epi8(block, lf));
        if (const int mask = _mm_movemask_epi8(hits))
            return p - 16 + (32 - __builtin_clz(static_cast<unsigned>(mask)));
        p -= 16;
    }
#endif
    while (p > begin && p[-1] != '\r' && p[-1] != '\n')
        --p;
    return p;
}

LineTable lineStarts(std::string_view bytes, std::size_t* textLength)
{
    const char* const s = bytes.data();
    std::size_t end = bytes.size();
    LineTable starts;
    // Generous: pages of the table that are never filled are never touched.
    starts.reserve(end / 48 + 2);
    starts.push_back(0);
    // The LF of a CR LF pair only moves the next start on.
    const auto terminator = [&](std::size_t t) {
        if (endsLine(t > 0 ? s[t - 1] : '\0', s[t]))
            starts.push_back(t + 1);
        else
            starts.setBack(t + 1);
    };
    std::size_t i = 0;
#if defined(__SSE2__)
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i nul = _mm_setzero_si128();
    for (; i + 16 <= end; i += 16) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
        if (_mm_movemask_epi8(_mm_cmpeq_epi8(block, nul)) != 0)
            break; // the text ends in this block: finish it byte by byte
        auto mask = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(block, cr), _mm_cmpeq_epi8(block, lf))));
        while (mask != 0) {
            terminator(i + static_cast<std::size_t>(__builtin_ctz(mask)));
            mask &= mask - 1;
        }
    }
#endif
    for (; i < end; ++i) {
        if (s[i] == '\0') {
            end = i;
            break;
        }
        if (s[i] == '\r' || s[i] == '\n')
            terminator(i);
    }
    if (starts.back() != end)
        starts.push_back(end);
    if (textLength)
        *textLength = end;
    return starts;
}

std::vector<LineSpan> splitLines(std::string_view bytes, std::size_t* textLength)
{
    std::vector<LineSpan> lines;
    // Generous: pages of the table that are never filled are never touched.
    lines.reserve(bytes.size() / 32 + 1);
    LineStepper stepper(bytes);
    for (std::string_view line; stepper.next(line);)
        lines.push_back({static_cast<std::size_t>(line.data() - bytes.data()), line.size()});
    if (textLength)
        *textLength = static_cast<std::size_t>(stepper.textEnd() - bytes.data());
    return lines;
}

std::size_t lastLineStart(const char* text, std::size_t size)
{
    if (size >= 2 && text[size - 2] == '\r' && text[size - 1] == '\n')
        size -= 2;
    else if (size >= 1 && (text[size - 1] == '\r' || text[size - 1] == '\n'))
        size -= 1;
    return static_cast<std::size_t>(findLineStart(text, text + size) - text);
}

std::size_t wholeLinesEnd(const char* text, std::size_t size)
{
    if (size < 3)
        return 0;
    const char* cut = findLineStart(text, text + size - 2);
    if (cut != text && cut[-1] == '\r' && *cut == '\n')
        ++cut;
    return static_cast<std::size_t>(cut - text);
}

std::size_t cutAtLineStart(const char* text, std::size_t size, std::size_t at)
{
    if (at == 0 || at >= size)
        return std::min(at, size);
    const char* const end = text + size;
    const char* const p = text + at;
    // Just past a terminator already, or between the CR and the LF of a pair.
    if (p[-1] == '\r' || p[-1] == '\n')
        return p[-1] == '\r' && *p == '\n' ? at + 1 : at;
    return static_cast<std::size_t>(skipLineBreak(findLineEnd(p, end), end) - text);
}

bool LineCounter::feed(std::string_view piece)
{
    if (ended_)
        return false;
    const char* p = piece.data();
    const char* const end = p + piece.size();
#if defined(__SSE2__)
    // Per byte: +1 for a CR, +1 for an LF not right after a CR. The byte counters are summed
    // before they can overflow.
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i zero = _mm_setzero_si128();
    __m128i previousCrs = _mm_insert_epi16(zero, previousWasCr_ ? -256 : 0, 7); // byte 15
    __m128i counts = zero;
    int blocksCounted = 0;
    const auto addCounts = [&] {
        const __m128i sums = _mm_sad_epu8(counts, zero);
        terminators_ +=
            static_cast<std::size_t>(_mm_cvtsi128_si32(sums) + _mm_extract_epi16(sums, 4));
        counts = zero;
        blocksCounted = 0;
    };
    while (end - p >= 16) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        if (_mm_movemask_epi8(_mm_cmpeq_epi8(block, zero)) != 0)
            break; // the text ends in this block: finish it byte by byte
        const __m128i crs = _mm_cmpeq_epi8(block, cr);
        const __m128i lfs = _mm_cmpeq_epi8(block, lf);
        const __m128i crBefore =
            _mm_or_si128(_mm_slli_si128(crs, 1), _mm_srli_si128(previousCrs, 15));
        const __m128i lonelyLfs = _mm_andnot_si128(crBefore, lfs);
        counts = _mm_sub_epi8(_mm_sub_epi8(counts, crs), lonelyLfs);
        previousCrs = crs;
        if (++blocksCounted == 255)
            addCounts();
        const char last = p[15];
        previousWasCr_ = last == '\r';
        openLine_ = last != '\r' && last != '\n';
        p += 16;
    }
    addCounts();
#endif
    for (; p < end; ++p) {
        const char c = *p;
        if (c == '\0') {
            ended_ = true;
            return false;
        }
        if (endsLine(previousWasCr_ ? '\r' : '\0', c))
            ++terminators_;
        previousWasCr_ = c == '\r';
        openLine_ = c != '\r' && c != '\n';
    }
    return true;
}

std::size_t LineCounter::lines() const
{
    return terminators_ + (openLine_ ? 1 : 0);
}

std::vector<std::string_view> lineViews(std::string_view bytes)
{
    std::vector<std::string_view> views;
    for (const LineSpan& span : splitLines(bytes))
        views.push_back(bytes.substr(span.begin, span.length));
    return views;
}

} // namespace tavir

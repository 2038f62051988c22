#include "quotes/finder.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tavir {

namespace {
constexpr char lowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 0x20) : c;
}
} // namespace

std::string foldAscii(std::string_view text)
{
    std::string folded(text);
    for (char& c : folded)
        c = foldAscii(c);
    return folded;
}

FoldedFinder::FoldedFinder(std::string_view needle) : needle_(foldAscii(needle)) {}

bool FoldedFinder::matchesAt(const char* p) const
{
    for (std::size_t k = 0; k < needle_.size(); ++k) {
        if (foldAscii(p[k]) != needle_[k])
            return false;
    }
    return true;
}

std::size_t FoldedFinder::find(std::string_view text, std::size_t from) const
{
    const std::size_t n = needle_.size();
    if (n == 0)
        return from <= text.size() ? from : npos;
    if (from > text.size() || text.size() - from < n)
        return npos;
    const std::size_t lastStart = text.size() - n;
    const char* const s = text.data();
    std::size_t i = from;

#if defined(__SSE2__)
    // Candidates are the places where the first and the last byte of the needle both match
    // (either case); only those are compared in full.
    const char first = needle_.front();
    const char last = needle_.back();
    const __m128i first1 = _mm_set1_epi8(first);
    const __m128i first2 = _mm_set1_epi8(lowerAscii(first));
    const __m128i last1 = _mm_set1_epi8(last);
    const __m128i last2 = _mm_set1_epi8(lowerAscii(last));
    while (i + 15 <= lastStart) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i + n - 1));
        const __m128i hits =
            _mm_and_si128(_mm_or_si128(_mm_cmpeq_epi8(a, first1), _mm_cmpeq_epi8(a, first2)),
                          _mm_or_si128(_mm_cmpeq_epi8(b, last1), _mm_cmpeq_epi8(b, last2)));
        auto mask = static_cast<unsigned>(_mm_movemask_epi8(hits));
        while (mask != 0) {
            const std::size_t at = i + static_cast<std::size_t>(__builtin_ctz(mask));
            if (matchesAt(s + at))
                return at;
            mask &= mask - 1;
        }
        i += 16;
    }
#endif
    for (; i <= lastStart; ++i) {
        if (matchesAt(s + i))
            return i;
    }
    return npos;
}

} // namespace tavir

#pragma once

// The 16-byte kernel for x86-64, whose every processor has SSE2, and the steps the AVX2
// kernel shares with it. Included by the finder's dispatch only.

#include "quotes/finder_scalar.h"

#include <bit>
#include <immintrin.h>

namespace tavir::finder {

// A candidate checked 16 bytes at a time when the folding is A-Z only, which SIMD does with
// one range test; other foldings go byte by byte through their table.
[[gnu::always_inline]] inline bool verify(const FinderPlan& p, const char* at, const char* end,
                                          CheckWork& work)
{
    if (!p.asciiFold)
        return verifyScalar(p, at, work);
    const __m128i shift = _mm_set1_epi8(static_cast<char>(0x80 - 'a'));
    const __m128i below = _mm_set1_epi8(static_cast<char>(0x80 + 26));
    const __m128i caseBit = _mm_set1_epi8(0x20);
    for (std::size_t k = 0; k < p.size; k += 16) {
        const std::size_t piece = std::min<std::size_t>(16, p.size - k);
        if (end - (at + k) < 16) {
            for (std::size_t j = k; j < p.size; ++j) {
                if (foldAscii(at[j]) != p.needle[j]) {
                    work.compared += j + 1;
                    return false;
                }
            }
            work.compared += p.size;
            return true;
        }
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + k));
        const __m128i lower = _mm_cmplt_epi8(_mm_add_epi8(x, shift), below);
        const __m128i folded = _mm_sub_epi8(x, _mm_and_si128(lower, caseBit));
        const __m128i want = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p.needle.data() + k));
        const auto equal = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(folded, want)));
        const unsigned needed = piece == 16 ? 0xFFFFu : (1u << piece) - 1;
        if ((equal & needed) != needed) {
            work.compared += k + piece;
            return false;
        }
    }
    work.compared += p.size;
    return true;
}

// Takes the candidates of one mask (bit k: a candidate at `base` + k) that the needle
// really starts at. Returns where the scan goes on: `base` + Width, or further when the sink
// skips ahead; npos when the sink stopped it; or the next candidate not taken once the checks
// have cost more than the plan allows.
template <bool Single, std::size_t Width, class Sink, class Mask>
[[gnu::always_inline]] inline std::size_t takeCandidates(const FinderPlan& p, const char* s,
                                                         const char* end, std::size_t base,
                                                         Mask mask, Sink& sink)
{
    while (mask != 0) {
        const std::size_t at = base + static_cast<std::size_t>(std::countr_zero(mask));
        std::size_t next = at + 1;
        if (Sink::kTakesCandidates || (Single && p.exact) || verify(p, s + at, end, sink.work)) {
            next = sink.take(at);
            if (next == FoldedFinder::npos || next >= base + Width)
                return next;
            mask &= static_cast<Mask>(~Mask{0} << (next - base));
        } else {
            mask &= mask - 1;
        }
        if constexpr (!Sink::kTakesCandidates) {
            if (overBudget(p, sink.work, next))
                return next;
        }
    }
    return base + Width;
}

// A step whose bytes at the first rare position (bit k: `base` + rare[0] + k) hold a NUL:
// the candidates before the first one are taken, then the text ends there.
template <bool Single, std::size_t Width, class Sink, class Mask>
bool endAtNul(FoldedFinder::Path path, const FinderPlan& p, const char* s, const char* end,
              std::size_t base, Mask mask, Mask nuls, Sink& sink)
{
    const auto first = static_cast<std::size_t>(std::countr_zero(nuls));
    // A candidate at or after the NUL's own position would take it in; none is a hit.
    mask &= static_cast<Mask>((Mask{1} << first) - 1);
    const std::size_t next = takeCandidates<Single, Width>(p, s, end, base, mask, sink);
    if (next == FoldedFinder::npos)
        return false;
    if (next < base + Width) // the checks cost too much: the rest up to the NUL goes linear
        return scanLinear(path, p, s, static_cast<std::size_t>(end - s), next, sink);
    sink.endAt(base + p.rare[0] + first);
    return false;
}

// The bytes of one rare position: its variants padded to N by repeating the last one, so
// that the compares are unrolled.
template <int N> struct Sse2Variants
{
    __m128i caseBit;
    __m128i v[N];
};

template <int N> Sse2Variants<N> sse2Variants(const FinderPlan& p, int r)
{
    Sse2Variants<N> out;
    out.caseBit = _mm_set1_epi8(static_cast<char>(p.caseBit[r]));
    for (int k = 0; k < N; ++k)
        out.v[k] =
            _mm_set1_epi8(static_cast<char>(p.variants[r][std::min(k, p.variantCount[r] - 1)]));
    return out;
}

inline __m128i loadSse2(const char* at)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
}

template <int N>
[[gnu::always_inline]] inline __m128i matchSse2(__m128i x, const Sse2Variants<N>& v)
{
    x = _mm_or_si128(x, v.caseBit);
    __m128i hits = _mm_cmpeq_epi8(x, v.v[0]);
    for (int k = 1; k < N; ++k)
        hits = _mm_or_si128(hits, _mm_cmpeq_epi8(x, v.v[k]));
    return hits;
}

// NA and NB: how many compares each rare byte takes. Single: a one-byte needle, whose
// candidates need no second byte and no check.
template <int NA, int NB, bool Single, class Sink>
bool scanSse2(const FinderPlan& p, const char* s, std::size_t size, std::size_t i, Sink& sink)
{
    const std::size_t lastStart = size - p.size;
    const char* const a = s + p.rare[0];
    const char* const b = s + p.rare[1];
    const char* const end = s + size;
    const auto va = sse2Variants<NA>(p, 0);
    const auto vb = sse2Variants<NB>(p, 1);
    while (i + 16 <= lastStart + 1) {
        const __m128i x = loadSse2(a + i);
        __m128i hits = matchSse2(x, va);
        if constexpr (!Single)
            hits = _mm_and_si128(hits, matchSse2(loadSse2(b + i), vb));
        auto mask = static_cast<unsigned>(_mm_movemask_epi8(hits));
        if constexpr (Sink::kEndsAtNul) {
            const auto nuls =
                static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(x, _mm_setzero_si128())));
            if (nuls != 0)
                return endAtNul<Single, 16>(FoldedFinder::Path::Sse2, p, s, end, i, mask, nuls,
                                            sink);
        }
        if (mask == 0) {
            i += 16;
            continue;
        }
        if ((i = takeCandidates<Single, 16>(p, s, end, i, mask, sink)) == FoldedFinder::npos)
            return false;
        if constexpr (!Sink::kTakesCandidates) {
            if (overBudget(p, sink.work, i))
                return scanLinear(FoldedFinder::Path::Sse2, p, s, size, i, sink);
        }
    }
    return scanScalar(p, s, size, i, sink);
}

} // namespace tavir::finder

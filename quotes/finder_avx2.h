#pragma once

// The 64-byte kernels for processors with AVX2: the search, and the marking of every hit
// where most lines hold one. Included by the finder's dispatch only.

#include "quotes/finder_sse2.h"

#include <cstdint>

namespace tavir::finder {

template <int N> struct Avx2Variants
{
    __m256i caseBit;
    __m256i v[N > kMostCompares ? 1 : N]; // one compare each
    __m256i low, high;                    // or nibbleTables, for more than kMostCompares
};

// nibbleTables in both halves of two registers.
inline __attribute__((target("avx2"))) void nibbleTablesAvx2(const unsigned char* bytes, int count,
                                                             __m256i& low, __m256i& high)
{
    alignas(16) unsigned char lowTable[16], highTable[16];
    nibbleTables(bytes, count, lowTable, highTable);
    low = _mm256_broadcastsi128_si256(_mm_load_si128(reinterpret_cast<const __m128i*>(lowTable)));
    high = _mm256_broadcastsi128_si256(_mm_load_si128(reinterpret_cast<const __m128i*>(highTable)));
}

// 0xFF where a byte is in the set of the tables, 0 elsewhere: a few steps for any number of
// variants, where compares take one each.
[[gnu::always_inline]] inline __attribute__((target("avx2"))) __m256i
inNibbleTables(__m256i x, __m256i low, __m256i high)
{
    const __m256i nibble = _mm256_set1_epi8(0x0F);
    const __m256i bits = _mm256_and_si256(
        _mm256_shuffle_epi8(low, _mm256_and_si256(x, nibble)),
        _mm256_shuffle_epi8(high, _mm256_and_si256(_mm256_srli_epi16(x, 4), nibble)));
    return _mm256_xor_si256(_mm256_cmpeq_epi8(bits, _mm256_setzero_si256()), _mm256_set1_epi8(-1));
}

template <int N>
__attribute__((target("avx2"))) Avx2Variants<N> avx2Variants(const FinderPlan& p, int r)
{
    Avx2Variants<N> out;
    out.caseBit = _mm256_set1_epi8(static_cast<char>(p.caseBit[r]));
    if constexpr (N > kMostCompares)
        nibbleTablesAvx2(p.variants[r], p.variantCount[r], out.low, out.high);
    else
        for (int k = 0; k < N; ++k)
            out.v[k] = _mm256_set1_epi8(
                static_cast<char>(p.variants[r][std::min(k, p.variantCount[r] - 1)]));
    return out;
}

[[gnu::always_inline]] inline __attribute__((target("avx2"))) __m256i loadAvx2(const char* at)
{
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
}

template <int N>
[[gnu::always_inline]] inline __attribute__((target("avx2"))) __m256i
matchAvx2(__m256i x, const Avx2Variants<N>& v)
{
    x = _mm256_or_si256(x, v.caseBit);
    if constexpr (N > kMostCompares) {
        return inNibbleTables(x, v.low, v.high);
    } else {
        __m256i hits = _mm256_cmpeq_epi8(x, v.v[0]);
        for (int k = 1; k < N; ++k)
            hits = _mm256_or_si256(hits, _mm256_cmpeq_epi8(x, v.v[k]));
        return hits;
    }
}

// The candidates of a step of 64 places from i: where the bytes at both rare positions match
// (bit k: place i + k). The bytes at the first rare position are handed back too.
template <int NA, int NB, bool Single> struct Avx2Rare
{
    const char* a;
    const char* b;
    Avx2Variants<NA> va;
    Avx2Variants<NB> vb;

    __attribute__((target("avx2"))) Avx2Rare(const FinderPlan& p, const char* s)
        : a(s + p.rare[0]), b(s + p.rare[1]), va(avx2Variants<NA>(p, 0)), vb(avx2Variants<NB>(p, 1))
    {
    }

    [[gnu::always_inline]] inline __attribute__((target("avx2"))) void
    match(std::size_t i, __m256i& x0, __m256i& x1, __m256i& low, __m256i& high) const
    {
        x0 = loadAvx2(a + i);
        x1 = loadAvx2(a + i + 32);
        low = matchAvx2(x0, va);
        high = matchAvx2(x1, va);
        if constexpr (!Single) {
            low = _mm256_and_si256(low, matchAvx2(loadAvx2(b + i), vb));
            high = _mm256_and_si256(high, matchAvx2(loadAvx2(b + i + 32), vb));
        }
    }
};

[[gnu::always_inline]] inline __attribute__((target("avx2"))) std::uint64_t movemask64(__m256i low,
                                                                                       __m256i high)
{
    return static_cast<std::uint32_t>(_mm256_movemask_epi8(low)) |
           std::uint64_t{static_cast<std::uint32_t>(_mm256_movemask_epi8(high))} << 32;
}

// Asks for the bytes a few pages ahead of a scan. The processor's own prefetcher stops at every
// 4 KiB page, so a scan of a file that is not in cache waits for memory at each page it
// enters; asked early, the bytes are there when the scan comes. A prefetch never faults, so
// the address may lie past the text (computed as a number: it is no pointer into the text).
[[gnu::always_inline]] inline void prefetchAhead(const char* text, std::size_t i)
{
    constexpr std::size_t kAhead = 4096;
    _mm_prefetch(reinterpret_cast<const char*>(reinterpret_cast<std::uintptr_t>(text) + i + kAhead),
                 _MM_HINT_T0);
}

// The needle's other positions (FinderPlan::others): every one of a short needle, the third rarest
// of a longer one. filter() keeps the candidates of a step whose bytes there match too.
struct Avx2Others
{
    int count;
    const char* at[2];
    __m256i caseBit[2];
    int variants[2];
    __m256i v[2][16];
    __m256i lowTable[2], highTable[2]; // nibbleTables, for more than kMostCompares

    __attribute__((target("avx2"))) Avx2Others(const FinderPlan& p, const char* s)
        : count(p.otherCount)
    {
        for (int o = 0; o < count; ++o) {
            at[o] = s + p.others[o];
            caseBit[o] = _mm256_set1_epi8(static_cast<char>(p.otherCaseBit[o]));
            variants[o] = p.otherVariantCount[o];
            for (int k = 0; k < variants[o]; ++k)
                v[o][k] = _mm256_set1_epi8(static_cast<char>(p.otherVariants[o][k]));
            if (variants[o] > kMostCompares)
                nibbleTablesAvx2(p.otherVariants[o], variants[o], lowTable[o], highTable[o]);
        }
    }

    [[gnu::always_inline]] inline __attribute__((target("avx2"))) void
    filter(std::size_t i, __m256i& low, __m256i& high) const
    {
        for (int o = 0; o < count; ++o) {
            const __m256i y0 = _mm256_or_si256(loadAvx2(at[o] + i), caseBit[o]);
            const __m256i y1 = _mm256_or_si256(loadAvx2(at[o] + i + 32), caseBit[o]);
            if (variants[o] > kMostCompares) {
                low = _mm256_and_si256(low, inNibbleTables(y0, lowTable[o], highTable[o]));
                high = _mm256_and_si256(high, inNibbleTables(y1, lowTable[o], highTable[o]));
                continue;
            }
            __m256i m0 = _mm256_cmpeq_epi8(y0, v[o][0]);
            __m256i m1 = _mm256_cmpeq_epi8(y1, v[o][0]);
            for (int k = 1; k < variants[o]; ++k) {
                m0 = _mm256_or_si256(m0, _mm256_cmpeq_epi8(y0, v[o][k]));
                m1 = _mm256_or_si256(m1, _mm256_cmpeq_epi8(y1, v[o][k]));
            }
            low = _mm256_and_si256(low, m0);
            high = _mm256_and_si256(high, m1);
        }
    }
};

// 64 bytes a step, tested together, so that a text without candidates costs one branch per
// step; a step with candidates has them filtered by the other positions before any is
// checked. The rest goes to the narrower kernel.
template <int NA, int NB, bool Single, class Sink>
__attribute__((target("avx2"))) bool scanAvx2(const FinderPlan& p, const char* s, std::size_t size,
                                              std::size_t i, Sink& sink)
{
    const std::size_t lastStart = size - p.size;
    const char* const end = s + size;
    const Avx2Rare<NA, NB, Single> rare(p, s);
    const Avx2Others others(p, s);
    bool clean = false; // the step before held no candidate
    while (i + 64 <= lastStart + 1) {
        __m256i x0, x1, low, high;
        prefetchAhead(rare.a, i);
        rare.match(i, x0, x1, low, high);
        __m256i any = _mm256_or_si256(low, high);
        __m256i nul0, nul1;
        if constexpr (Sink::kEndsAtNul) {
            nul0 = _mm256_cmpeq_epi8(x0, _mm256_setzero_si256());
            nul1 = _mm256_cmpeq_epi8(x1, _mm256_setzero_si256());
            any = _mm256_or_si256(any, _mm256_or_si256(nul0, nul1));
        }
        if (_mm256_testz_si256(any, any)) {
            // Past a second step without candidates the next begins at the last 32-byte
            // boundary of the first rare position's bytes before i + 64, so that its loads split
            // no cache line: the bytes it looks at again hold neither a candidate nor a NUL.
            // (Where candidates are many, a step back after each would cost more.)
            const auto first = reinterpret_cast<std::uintptr_t>(rare.a);
            i = clean ? ((first + i + 64) & ~std::uintptr_t{31}) - first : i + 64;
            clean = true;
            continue;
        }
        clean = false;
        others.filter(i, low, high);
        const std::uint64_t mask = movemask64(low, high);
        if constexpr (Sink::kEndsAtNul) {
            if (const std::uint64_t nuls = movemask64(nul0, nul1))
                return endAtNul<Single, 64>(FoldedFinder::Path::Avx2, p, s, end, i, mask, nuls,
                                            sink);
        }
        if ((i = takeCandidates<Single, 64>(p, s, end, i, mask, sink)) == FoldedFinder::npos)
            return false;
        if constexpr (!Sink::kTakesCandidates) {
            if (overBudget(p, sink.work, i))
                return scanLinear(FoldedFinder::Path::Avx2, p, s, size, i, sink);
        }
    }
    return scanSse2<NA, NB, Single>(p, s, size, i, sink);
}

// Marks hits 64 places a step (see markHits), without a branch on what a step holds: where
// most lines hold a hit, whether a step has a candidate is anyone's guess. A needle of up to
// four bytes has all its bytes compared; a longer one has each candidate checked. Returns
// where the marking stopped: where the steps end, or where checking candidates has cost more
// than the plan allows (then past `work.from`'s budget).
template <int NA, int NB, bool Single>
__attribute__((target("avx2"))) std::size_t
markAvx2(const FinderPlan& p, const char* s, std::size_t size, std::size_t from, std::size_t to,
         std::uint64_t* words, CheckWork& work)
{
    const char* const end = s + size;
    const Avx2Rare<NA, NB, Single> rare(p, s);
    const Avx2Others others(p, s);
    const bool checked = p.exact;
    std::size_t i = from;
    // Every load of a step, and the check of a candidate at its last place, stays in the text.
    for (; i < to && size - i >= 64 + p.size; i += 64, ++words) {
        __m256i x0, x1, low, high;
        rare.match(i, x0, x1, low, high);
        others.filter(i, low, high);
        std::uint64_t mask = movemask64(low, high);
        if (to - i < 64)
            mask &= (std::uint64_t{1} << (to - i)) - 1;
        if (!checked) {
            for (std::uint64_t c = mask; c != 0; c &= c - 1) {
                const int k = std::countr_zero(c);
                if (!verify(p, s + i + static_cast<std::size_t>(k), end, work))
                    mask &= ~(std::uint64_t{1} << k);
                const std::size_t next = i + static_cast<std::size_t>(k) + 1;
                if (overBudget(p, work, next)) {
                    // The places after this one are left to the linear search.
                    *words = mask & ((std::uint64_t{2} << k) - 1); // 0 - 1 for k = 63
                    return next;
                }
            }
        }
        *words = mask;
    }
    return i;
}

} // namespace tavir::finder

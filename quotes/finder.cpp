#include "quotes/finder.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <utility>

#if defined(__x86_64__) && defined(__SSE2__)
#define TAVIR_FINDER_X86 1
#include <immintrin.h>
#endif

namespace tavir {

namespace {

using Plan = FoldedFinder::Plan;

unsigned char byteAt(const char* p)
{
    return static_cast<unsigned char>(*p);
}

// How often each byte occurs in Polish text in Windows-1250, in parts per ten thousand,
// roughly; letters and signs missing here are rarer than any listed. The needle's rarest
// bytes make the fewest false candidates.
struct Frequency
{
    unsigned char byte;
    unsigned short weight;
};
constexpr Frequency kPolishFrequencies[] = {
    {' ', 1500}, {'a', 760}, {'i', 700}, {'o', 660}, {'e', 650}, {'z', 480}, {'n', 470},
    {'r', 400},  {'w', 400}, {'s', 370}, {'t', 340}, {'c', 340}, {'y', 320}, {'k', 300},
    {'d', 280},  {'p', 260}, {'m', 240}, {'u', 210}, {'j', 200}, {'l', 180}, {0xB3, 150},
    {'b', 130},  {'g', 120}, {0xEA, 95}, {'h', 95},  {0xB9, 85}, {0xF3, 75}, {0xBF, 70},
    {0x9C, 60},  {',', 120}, {'.', 100}, {'\r', 90}, {'\n', 90}, {0xE6, 35}, {'f', 25},
    {0xF1, 17},  {0x9F, 8},  {'-', 20},  {'"', 10},  {'!', 8},   {'?', 8},   {':', 6},
    {'v', 3},    {'x', 2},   {'q', 1},   {'P', 12},  {'W', 10},  {'N', 10},  {'S', 10},
    {'K', 8},    {'Z', 8},   {'A', 8},   {'T', 8},   {'M', 8},   {'D', 8},   {'J', 6},
    {'C', 6},    {'B', 6},   {'G', 5},   {'L', 5},   {'R', 5},   {'O', 5},   {'I', 5},
    {'E', 4},    {'U', 3},   {'H', 3},   {'F', 2},   {0xA3, 3},  {0xAF, 2},  {0x8C, 2},
};

std::array<unsigned, 256> byteFrequencies()
{
    std::array<unsigned, 256> weights{};
    for (const Frequency& f : kPolishFrequencies)
        weights[f.byte] = f.weight;
    return weights;
}

// Every byte that folds to `folded`.
int variantsOf(const FoldTable& fold, unsigned char folded, unsigned char* out)
{
    int count = 0;
    for (unsigned b = 0; b < 256; ++b)
        if (fold[b] == folded && count < 16)
            out[count++] = static_cast<unsigned char>(b);
    return count;
}

// Where every variant's other case (the byte 0x20 away) is a variant too, keeps only those
// with 0x20 set, to be compared with bytes that have it set: half the compares. Returns how
// many are kept and sets the case bit (0x20, or 0 where nothing changed).
int caselessVariants(unsigned char* variants, int count, unsigned char& caseBit)
{
    caseBit = 0;
    for (int k = 0; k < count; ++k)
        if (std::find(variants, variants + count, variants[k] ^ 0x20) == variants + count)
            return count;
    int kept = 0;
    for (int k = 0; k < count; ++k)
        if ((variants[k] & 0x20) != 0)
            variants[kept++] = variants[k];
    caseBit = 0x20;
    return kept;
}

// A set of bytes as two tables of 16, for a byte shuffle: byte b is in the set when
// low[b & 15] & high[b >> 4] is not 0. The bytes of one high half share a bit; a set with more
// than eight high halves has halves share bits, and takes in bytes outside it (false then).
bool nibbleTables(const unsigned char* bytes, int count, unsigned char* low, unsigned char* high)
{
    std::fill_n(low, 16, 0);
    std::fill_n(high, 16, 0);
    int halves = 0;
    for (int k = 0; k < count; ++k) {
        const int h = bytes[k] >> 4;
        if (high[h] == 0)
            high[h] = static_cast<unsigned char>(1u << (halves++ % 8));
        low[bytes[k] & 15] |= high[h];
    }
    return halves <= 8;
}

// A position with more variants than this is matched through nibbleTables in AVX2.
constexpr int kMostCompares = 4;

bool verifyScalar(const Plan& p, const char* at)
{
    const FoldTable& fold = *p.fold;
    for (std::size_t k = 0; k < p.size; ++k)
        if (fold[byteAt(at + k)] != static_cast<unsigned char>(p.needle[k]))
            return false;
    return true;
}

// Where the kernels put what they find. take() returns where the scan goes on, past the
// hit, or npos when it must stop.
struct FirstHit
{
    static constexpr bool kEndsAtNul = false;
    std::size_t at = FoldedFinder::npos;
    std::size_t take(std::size_t hit)
    {
        at = hit;
        return FoldedFinder::npos;
    }
};

struct CallbackSink
{
    static constexpr bool kEndsAtNul = false;
    const FoldedFinder::HitCallback& callback;
    std::size_t take(std::size_t hit) const { return std::max(callback(hit), hit + 1); }
};

// For a text that ends at its first NUL. The kernels stop at a NUL among the bytes at the
// first rare position of each place they look at, and note it here. A jump past a hit skips
// such places, so the bytes it passes over are looked at here.
struct CallbackBeforeNulSink
{
    static constexpr bool kEndsAtNul = true;
    const FoldedFinder::HitCallback& callback;
    std::string_view text;
    std::size_t reach; // the first rare position
    std::size_t nul = FoldedFinder::npos;

    std::size_t take(std::size_t hit)
    {
        const std::size_t next = std::max(callback(hit), hit + 1);
        if (next == FoldedFinder::npos)
            return next;
        const std::size_t passed = std::min(next, text.size() - reach) + reach - (hit + 1);
        if (const void* at = std::memchr(text.data() + hit + 1, '\0', passed)) {
            endAt(static_cast<std::size_t>(static_cast<const char*>(at) - text.data()));
            return FoldedFinder::npos;
        }
        return next;
    }
    void endAt(std::size_t at) { nul = at; }
};

// Every kernel returns false when the sink stopped it, true when the text was scanned to
// its end.
template <class Sink>
bool scanScalar(const Plan& p, const char* s, std::size_t size, std::size_t i, Sink& sink)
{
    const FoldTable& fold = *p.fold;
    const std::size_t lastStart = size - p.size;
    const auto rare = static_cast<unsigned char>(p.needle[p.rare[0]]);
    while (i <= lastStart) {
        if constexpr (Sink::kEndsAtNul) {
            if (s[i + p.rare[0]] == '\0') {
                sink.endAt(i + p.rare[0]);
                return false;
            }
        }
        if (fold[byteAt(s + i + p.rare[0])] == rare && verifyScalar(p, s + i)) {
            i = sink.take(i);
            if (i == FoldedFinder::npos)
                return false;
        } else {
            ++i;
        }
    }
    return true;
}

#if defined(TAVIR_FINDER_X86)

// A candidate checked 16 bytes at a time when the folding is A-Z only, which SIMD does with
// one range test; other foldings go byte by byte through their table.
[[gnu::always_inline]] inline bool verify(const Plan& p, const char* at, const char* end)
{
    if (!p.asciiFold)
        return verifyScalar(p, at);
    const __m128i shift = _mm_set1_epi8(static_cast<char>(0x80 - 'a'));
    const __m128i below = _mm_set1_epi8(static_cast<char>(0x80 + 26));
    const __m128i caseBit = _mm_set1_epi8(0x20);
    for (std::size_t k = 0; k < p.size; k += 16) {
        const std::size_t piece = std::min<std::size_t>(16, p.size - k);
        if (end - (at + k) < 16) {
            for (std::size_t j = k; j < p.size; ++j)
                if (foldAscii(at[j]) != p.needle[j])
                    return false;
            return true;
        }
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + k));
        const __m128i lower = _mm_cmplt_epi8(_mm_add_epi8(x, shift), below);
        const __m128i folded = _mm_sub_epi8(x, _mm_and_si128(lower, caseBit));
        const __m128i want = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p.needle.data() + k));
        const auto equal = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(folded, want)));
        const unsigned needed = piece == 16 ? 0xFFFFu : (1u << piece) - 1;
        if ((equal & needed) != needed)
            return false;
    }
    return true;
}

// Takes the candidates of one mask (bit k: a candidate at `base` + k) that the needle
// really starts at. Returns where the scan goes on: `base` + Width, or further when the sink
// skips ahead; npos when the sink stopped it.
template <bool Single, std::size_t Width, class Sink, class Mask>
[[gnu::always_inline]] inline std::size_t takeCandidates(const Plan& p, const char* s,
                                                         const char* end, std::size_t base,
                                                         Mask mask, Sink& sink)
{
    while (mask != 0) {
        const std::size_t at = base + static_cast<std::size_t>(std::countr_zero(mask));
        if ((Single && p.exact) || verify(p, s + at, end)) {
            const std::size_t next = sink.take(at);
            if (next == FoldedFinder::npos || next >= base + Width)
                return next;
            mask &= static_cast<Mask>(~Mask{0} << (next - base));
        } else {
            mask &= mask - 1;
        }
    }
    return base + Width;
}

// A step whose bytes at the first rare position (bit k: `base` + rare[0] + k) hold a NUL:
// the candidates before the first one are taken, then the text ends there.
template <bool Single, std::size_t Width, class Sink, class Mask>
bool endAtNul(const Plan& p, const char* s, const char* end, std::size_t base, Mask mask, Mask nuls,
              Sink& sink)
{
    const auto first = static_cast<std::size_t>(std::countr_zero(nuls));
    // A candidate at or after the NUL's own position would take it in; none is a hit.
    mask &= static_cast<Mask>((Mask{1} << first) - 1);
    if (takeCandidates<Single, Width>(p, s, end, base, mask, sink) == FoldedFinder::npos)
        return false;
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
template <int N> struct Avx2Variants
{
    __m256i caseBit;
    __m256i v[N > kMostCompares ? 1 : N]; // one compare each
    __m256i low, high;                    // or nibbleTables, for more than kMostCompares
};

template <int N> Sse2Variants<N> sse2Variants(const Plan& p, int r)
{
    Sse2Variants<N> out;
    out.caseBit = _mm_set1_epi8(static_cast<char>(p.caseBit[r]));
    for (int k = 0; k < N; ++k)
        out.v[k] =
            _mm_set1_epi8(static_cast<char>(p.variants[r][std::min(k, p.variantCount[r] - 1)]));
    return out;
}

__m128i loadSse2(const char* at)
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
bool scanSse2(const Plan& p, const char* s, std::size_t size, std::size_t i, Sink& sink)
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
                return endAtNul<Single, 16>(p, s, end, i, mask, nuls, sink);
        }
        if (mask == 0)
            i += 16;
        else if ((i = takeCandidates<Single, 16>(p, s, end, i, mask, sink)) == FoldedFinder::npos)
            return false;
    }
    return scanScalar(p, s, size, i, sink);
}

// nibbleTables in both halves of two registers.
__attribute__((target("avx2"))) void nibbleTablesAvx2(const unsigned char* bytes, int count,
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

template <int N> __attribute__((target("avx2"))) Avx2Variants<N> avx2Variants(const Plan& p, int r)
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

    __attribute__((target("avx2"))) Avx2Rare(const Plan& p, const char* s)
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

// The needle's other positions (Plan::others): every one of a short needle, the third rarest
// of a longer one. filter() keeps the candidates of a step whose bytes there match too.
struct Avx2Others
{
    int count;
    const char* at[2];
    __m256i caseBit[2];
    int variants[2];
    __m256i v[2][16];
    __m256i lowTable[2], highTable[2]; // nibbleTables, for more than kMostCompares

    __attribute__((target("avx2"))) Avx2Others(const Plan& p, const char* s) : count(p.otherCount)
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
__attribute__((target("avx2"))) bool scanAvx2(const Plan& p, const char* s, std::size_t size,
                                              std::size_t i, Sink& sink)
{
    const std::size_t lastStart = size - p.size;
    const char* const end = s + size;
    const Avx2Rare<NA, NB, Single> rare(p, s);
    const Avx2Others others(p, s);
    while (i + 64 <= lastStart + 1) {
        __m256i x0, x1, low, high;
        rare.match(i, x0, x1, low, high);
        __m256i any = _mm256_or_si256(low, high);
        __m256i nul0, nul1;
        if constexpr (Sink::kEndsAtNul) {
            nul0 = _mm256_cmpeq_epi8(x0, _mm256_setzero_si256());
            nul1 = _mm256_cmpeq_epi8(x1, _mm256_setzero_si256());
            any = _mm256_or_si256(any, _mm256_or_si256(nul0, nul1));
        }
        if (_mm256_testz_si256(any, any)) {
            i += 64;
            continue;
        }
        others.filter(i, low, high);
        const std::uint64_t mask = movemask64(low, high);
        if constexpr (Sink::kEndsAtNul) {
            if (const std::uint64_t nuls = movemask64(nul0, nul1))
                return endAtNul<Single, 64>(p, s, end, i, mask, nuls, sink);
        }
        if ((i = takeCandidates<Single, 64>(p, s, end, i, mask, sink)) == FoldedFinder::npos)
            return false;
    }
    return scanSse2<NA, NB, Single>(p, s, size, i, sink);
}

template <class Sink>
using Kernel = bool (*)(const Plan&, const char*, std::size_t, std::size_t, Sink&);

// The kernels come in instances for 1, 2, 4, 8 and 16 variants a rare position; a
// position's variants are padded to the next of them (compared one by one, or in AVX2 looked
// up in tables past kMostCompares).
constexpr std::size_t kPaddings = 5;
std::size_t paddedIndex(int variants)
{
    std::size_t index = 0;
    while ((1 << index) < variants)
        ++index;
    return index;
}

// A kernel's instances by the paddings of the two rare positions; `Of<NA, NB>::kernel` names
// an instance. A one-byte needle's kernels take the first position's only.
template <class Fn, template <int, int> class Of, std::size_t A, std::size_t... B>
constexpr std::array<Fn, kPaddings> kernelRow(std::index_sequence<B...>)
{
    return {Of<(1 << A), (1 << B)>::kernel...};
}
template <class Fn, template <int, int> class Of, std::size_t... A>
constexpr auto kernelTable(std::index_sequence<A...>)
{
    return std::array<std::array<Fn, kPaddings>, kPaddings>{
        kernelRow<Fn, Of, A>(std::make_index_sequence<kPaddings>{})...};
}
template <class Fn, template <int, int> class Of, std::size_t... A>
constexpr auto kernelColumn(std::index_sequence<A...>)
{
    return std::array<Fn, kPaddings>{Of<(1 << A), 1>::kernel...};
}
template <class Fn, template <int, int> class Of> constexpr auto kernelTable()
{
    return kernelTable<Fn, Of>(std::make_index_sequence<kPaddings>{});
}
template <class Fn, template <int, int> class Of> constexpr auto kernelColumn()
{
    return kernelColumn<Fn, Of>(std::make_index_sequence<kPaddings>{});
}

template <class Sink, bool Avx2, bool Single> struct ScanKernel
{
    template <int NA, int NB> struct Of
    {
        static constexpr Kernel<Sink> kernel =
            Avx2 ? &scanAvx2<NA, NB, Single, Sink> : &scanSse2<NA, NB, Single, Sink>;
    };
};

// Marks hits 64 places a step (see markHits), without a branch on what a step holds: where
// most lines hold a hit, whether a step has a candidate is anyone's guess. A needle of up to
// four bytes has all its bytes compared; a longer one has each candidate checked.
template <int NA, int NB, bool Single>
__attribute__((target("avx2"))) std::size_t markAvx2(const Plan& p, const char* s, std::size_t size,
                                                     std::size_t from, std::size_t to,
                                                     std::uint64_t* words)
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
                if (!verify(p, s + i + static_cast<std::size_t>(k), end))
                    mask &= ~(std::uint64_t{1} << k);
            }
        }
        *words = mask;
    }
    return i;
}

template <bool Single> struct MarkKernel
{
    template <int NA, int NB> struct Of
    {
        static constexpr auto kernel = &markAvx2<NA, NB, Single>;
    };
};

template <class Sink>
bool runKernelAt(FoldedFinder::Path path, const Plan& p, std::string_view text, std::size_t from,
                 Sink& sink)
{
    const std::size_t a = paddedIndex(p.variantCount[0]);
    const std::size_t b = paddedIndex(p.variantCount[1]);
    const bool single = p.size == 1;
    static constexpr auto avx2 =
        kernelTable<Kernel<Sink>, ScanKernel<Sink, true, false>::template Of>();
    static constexpr auto avx2Single =
        kernelColumn<Kernel<Sink>, ScanKernel<Sink, true, true>::template Of>();
    static constexpr auto sse2 =
        kernelTable<Kernel<Sink>, ScanKernel<Sink, false, false>::template Of>();
    static constexpr auto sse2Single =
        kernelColumn<Kernel<Sink>, ScanKernel<Sink, false, true>::template Of>();
    if (path == FoldedFinder::Path::Avx2 && FoldedFinder::supported(path))
        return (single ? avx2Single[a] : avx2[a][b])(p, text.data(), text.size(), from, sink);
    if (path != FoldedFinder::Path::Scalar)
        return (single ? sse2Single[a] : sse2[a][b])(p, text.data(), text.size(), from, sink);
    return scanScalar(p, text.data(), text.size(), from, sink);
}

#else

template <class Sink>
bool runKernelAt(FoldedFinder::Path, const Plan& p, std::string_view text, std::size_t from,
                 Sink& sink)
{
    return scanScalar(p, text.data(), text.size(), from, sink);
}

#endif

// The kernels look for a NUL among the bytes at the first rare position of every place the
// needle could start: all but the few before it at the beginning and after it at the end,
// which are looked at here.
template <class Sink>
bool runKernel(FoldedFinder::Path path, const Plan& p, std::string_view text, std::size_t from,
               Sink& sink)
{
    if constexpr (Sink::kEndsAtNul) {
        const std::size_t head = std::min(p.rare[0], text.size() - from);
        if (const void* nul = std::memchr(text.data() + from, '\0', head)) {
            sink.endAt(static_cast<std::size_t>(static_cast<const char*>(nul) - text.data()));
            return false;
        }
    }
    if (!runKernelAt(path, p, text, from, sink))
        return false;
    if constexpr (Sink::kEndsAtNul) {
        const std::size_t tail = text.size() - p.size + p.rare[0] + 1;
        if (const void* nul = std::memchr(text.data() + tail, '\0', text.size() - tail)) {
            sink.endAt(static_cast<std::size_t>(static_cast<const char*>(nul) - text.data()));
            return false;
        }
    }
    return true;
}

} // namespace

const FoldTable& asciiFoldTable()
{
    static const FoldTable table = [] {
        FoldTable t{};
        for (unsigned b = 0; b < 256; ++b)
            t[b] = static_cast<unsigned char>(foldAscii(static_cast<char>(b)));
        return t;
    }();
    return table;
}

std::string foldAscii(std::string_view text)
{
    std::string folded(text);
    for (char& c : folded)
        c = foldAscii(c);
    return folded;
}

FoldedFinder::FoldedFinder(std::string_view needle, const FoldTable& fold)
{
    plan_.fold = &fold;
    plan_.asciiFold = &fold == &asciiFoldTable();
    plan_.size = needle.size();
    plan_.needle.assign(needle.size() + 32, '\0');
    for (std::size_t k = 0; k < needle.size(); ++k)
        plan_.needle[k] = static_cast<char>(fold[byteAt(needle.data() + k)]);
    if (needle.empty())
        return;

    // The rarest position first, then the rarest other one; a byte's weight is the sum of
    // the weights of every byte that folds to it.
    static const std::array<unsigned, 256> frequencies = byteFrequencies();
    std::array<unsigned, 256> foldedWeight{};
    for (unsigned b = 0; b < 256; ++b)
        foldedWeight[fold[b]] += frequencies[b];
    const auto weightAt = [&](std::size_t k) {
        return foldedWeight[static_cast<unsigned char>(plan_.needle[k])];
    };
    std::size_t best = 0;
    for (std::size_t k = 1; k < needle.size(); ++k)
        if (weightAt(k) < weightAt(best))
            best = k;
    std::size_t second = best == 0 && needle.size() > 1 ? 1 : 0;
    for (std::size_t k = 0; k < needle.size(); ++k)
        if (k != best && weightAt(k) < weightAt(second))
            second = k;
    plan_.rare[0] = best;
    plan_.rare[1] = needle.size() > 1 ? second : best;
    for (int r = 0; r < 2; ++r)
        plan_.variantCount[r] = caselessVariants(
            plan_.variants[r],
            variantsOf(fold, static_cast<unsigned char>(plan_.needle[plan_.rare[r]]),
                       plan_.variants[r]),
            plan_.caseBit[r]);
    // A short needle's other positions are all compared; a longer one's third rarest is, to
    // cut down its candidates before they are checked.
    plan_.exact = needle.size() <= 4;
    std::size_t third = 0;
    while (third == plan_.rare[0] || third == plan_.rare[1])
        ++third;
    for (std::size_t k = third + 1; k < needle.size(); ++k)
        if (k != plan_.rare[0] && k != plan_.rare[1] && weightAt(k) < weightAt(third))
            third = k;
    for (std::size_t k = 0; k < needle.size(); ++k) {
        if (k == plan_.rare[0] || k == plan_.rare[1] || (!plan_.exact && k != third))
            continue;
        const int o = plan_.otherCount++;
        plan_.others[o] = k;
        plan_.otherVariantCount[o] = caselessVariants(
            plan_.otherVariants[o],
            variantsOf(fold, static_cast<unsigned char>(plan_.needle[k]), plan_.otherVariants[o]),
            plan_.otherCaseBit[o]);
    }
    // A position matched through tables that take in other bytes too leaves hits to check.
    const auto loose = [](const unsigned char* variants, int count) {
        unsigned char low[16], high[16];
        return count > kMostCompares && !nibbleTables(variants, count, low, high);
    };
    for (int r = 0; r < 2; ++r)
        if (loose(plan_.variants[r], plan_.variantCount[r]))
            plan_.exact = false;
    for (int o = 0; o < plan_.otherCount; ++o)
        if (loose(plan_.otherVariants[o], plan_.otherVariantCount[o]))
            plan_.exact = false;
}

bool FoldedFinder::supported(Path path)
{
#if defined(TAVIR_FINDER_X86)
    if (path == Path::Avx2)
        return __builtin_cpu_supports("avx2");
    return true;
#else
    return path == Path::Scalar;
#endif
}

FoldedFinder::Path FoldedFinder::bestPath()
{
    static const Path best = supported(Path::Avx2)   ? Path::Avx2
                             : supported(Path::Sse2) ? Path::Sse2
                                                     : Path::Scalar;
    return best;
}

std::size_t FoldedFinder::find(std::string_view text, std::size_t from) const
{
    return find(bestPath(), text, from);
}

std::size_t FoldedFinder::find(Path path, std::string_view text, std::size_t from) const
{
    const std::size_t n = plan_.size;
    if (n == 0)
        return from <= text.size() ? from : npos;
    if (from > text.size() || text.size() - from < n)
        return npos;
    FirstHit hit;
    runKernel(path, plan_, text, from, hit);
    return hit.at;
}

void FoldedFinder::findEach(Path path, std::string_view text, std::size_t from,
                            const HitCallback& onHit) const
{
    const std::size_t n = plan_.size;
    if (from > text.size() || text.size() - from < n)
        return;
    if (n == 0) {
        while (from <= text.size() && (from = onHit(from)) != npos)
            ;
        return;
    }
    CallbackSink sink{onHit};
    runKernel(path, plan_, text, from, sink);
}

std::size_t FoldedFinder::findEachBeforeNul(Path path, std::string_view text, std::size_t from,
                                            const HitCallback& onHit) const
{
    if (from > text.size())
        return npos;
    if (plan_.size == 0 || text.size() - from < plan_.size) {
        const std::size_t nul = text.find('\0', from);
        findEach(path, text.substr(0, nul), from, onHit);
        return nul;
    }
    CallbackBeforeNulSink sink{onHit, text, plan_.rare[0]};
    runKernel(path, plan_, text, from, sink);
    return sink.nul;
}

void FoldedFinder::markHits(Path path, std::string_view text, std::size_t from, std::size_t to,
                            std::uint64_t* words) const
{
    to = std::min(to, text.size());
    if (from >= to)
        return;
    std::fill_n(words, (to - from + 63) / 64, std::uint64_t{0});
    const std::size_t n = plan_.size;
    std::size_t done = from; // whole steps marked so far
#if defined(TAVIR_FINDER_X86)
    if (n > 0 && path == Path::Avx2 && supported(path)) {
        static constexpr auto table =
            kernelTable<decltype(&markAvx2<2, 2, false>), MarkKernel<false>::Of>();
        static constexpr auto single =
            kernelColumn<decltype(&markAvx2<2, 2, true>), MarkKernel<true>::Of>();
        const std::size_t a = paddedIndex(plan_.variantCount[0]);
        const std::size_t b = paddedIndex(plan_.variantCount[1]);
        done = (n == 1 ? single[a] : table[a][b])(plan_, text.data(), text.size(), from, to, words);
    }
#endif
    // The rest hit by hit.
    const std::size_t reach = std::min(text.size(), to - 1 + n);
    findEach(path, text.substr(0, reach), done, [&](std::size_t at) {
        words[(at - from) / 64] |= std::uint64_t{1} << ((at - from) % 64);
        return at + 1;
    });
}

} // namespace tavir

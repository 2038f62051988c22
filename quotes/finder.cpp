#include "quotes/finder.h"

#include <algorithm>
#include <cstring>

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

bool verifyScalar(const Plan& p, const char* at)
{
    const FoldTable& fold = *p.fold;
    for (std::size_t k = 0; k < p.size; ++k)
        if (fold[byteAt(at + k)] != static_cast<unsigned char>(p.needle[k]))
            return false;
    return true;
}

std::size_t scanScalar(const Plan& p, const char* s, std::size_t size, std::size_t i)
{
    const FoldTable& fold = *p.fold;
    const std::size_t lastStart = size - p.size;
    const auto rare = static_cast<unsigned char>(p.needle[p.rare[0]]);
    for (; i <= lastStart; ++i)
        if (fold[byteAt(s + i + p.rare[0])] == rare && verifyScalar(p, s + i))
            return i;
    return FoldedFinder::npos;
}

#if defined(TAVIR_FINDER_X86)

// A candidate checked 16 bytes at a time when the folding is A-Z only, which SIMD does with
// one range test; other foldings go byte by byte through their table.
bool verify(const Plan& p, const char* at, const char* end)
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

// NA and NB: how many compares each rare byte takes, its variants padded to 2, 4, 8 or 16 by
// repeating the last one, so that the compares are unrolled.
template <int NA, int NB>
std::size_t scanSse2(const Plan& p, const char* s, std::size_t size, std::size_t i)
{
    const std::size_t lastStart = size - p.size;
    const char* const a = s + p.rare[0];
    const char* const b = s + p.rare[1];
    const char* const end = s + size;
    constexpr int na = NA;
    constexpr int nb = NB;
    __m128i va[16], vb[16];
    for (int k = 0; k < na; ++k)
        va[k] = _mm_set1_epi8(static_cast<char>(p.variants[0][std::min(k, p.variantCount[0] - 1)]));
    for (int k = 0; k < nb; ++k)
        vb[k] = _mm_set1_epi8(static_cast<char>(p.variants[1][std::min(k, p.variantCount[1] - 1)]));
    const bool single = p.size == 1;
    while (i + 16 <= lastStart + 1) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + i));
        __m128i hits = _mm_cmpeq_epi8(x, va[0]);
        for (int k = 1; k < na; ++k)
            hits = _mm_or_si128(hits, _mm_cmpeq_epi8(x, va[k]));
        if (!single) {
            const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i));
            __m128i second = _mm_cmpeq_epi8(y, vb[0]);
            for (int k = 1; k < nb; ++k)
                second = _mm_or_si128(second, _mm_cmpeq_epi8(y, vb[k]));
            hits = _mm_and_si128(hits, second);
        }
        auto mask = static_cast<unsigned>(_mm_movemask_epi8(hits));
        while (mask != 0) {
            const std::size_t at = i + static_cast<std::size_t>(__builtin_ctz(mask));
            if (single || verify(p, s + at, end))
                return at;
            mask &= mask - 1;
        }
        i += 16;
    }
    return scanScalar(p, s, size, i);
}

template <int NA, int NB>
__attribute__((target("avx2"))) std::size_t scanAvx2(const Plan& p, const char* s, std::size_t size,
                                                     std::size_t i)
{
    const std::size_t lastStart = size - p.size;
    const char* const a = s + p.rare[0];
    const char* const b = s + p.rare[1];
    const char* const end = s + size;
    constexpr int na = NA;
    constexpr int nb = NB;
    __m256i va[16], vb[16];
    for (int k = 0; k < na; ++k)
        va[k] =
            _mm256_set1_epi8(static_cast<char>(p.variants[0][std::min(k, p.variantCount[0] - 1)]));
    for (int k = 0; k < nb; ++k)
        vb[k] =
            _mm256_set1_epi8(static_cast<char>(p.variants[1][std::min(k, p.variantCount[1] - 1)]));
    const bool single = p.size == 1;
    while (i + 32 <= lastStart + 1) {
        const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(a + i));
        __m256i hits = _mm256_cmpeq_epi8(x, va[0]);
        for (int k = 1; k < na; ++k)
            hits = _mm256_or_si256(hits, _mm256_cmpeq_epi8(x, va[k]));
        if (!single) {
            const __m256i y = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(b + i));
            __m256i second = _mm256_cmpeq_epi8(y, vb[0]);
            for (int k = 1; k < nb; ++k)
                second = _mm256_or_si256(second, _mm256_cmpeq_epi8(y, vb[k]));
            hits = _mm256_and_si256(hits, second);
        }
        auto mask = static_cast<unsigned>(_mm256_movemask_epi8(hits));
        while (mask != 0) {
            const std::size_t at = i + static_cast<std::size_t>(__builtin_ctz(mask));
            if (single || verify(p, s + at, end))
                return at;
            mask &= mask - 1;
        }
        i += 32;
    }
    return scanSse2<NA, NB>(p, s, size, i);
}

using Kernel = std::size_t (*)(const Plan&, const char*, std::size_t, std::size_t);

template <int NA> constexpr std::array<Kernel, 4> sse2Kernels()
{
    return {&scanSse2<NA, 2>, &scanSse2<NA, 4>, &scanSse2<NA, 8>, &scanSse2<NA, 16>};
}
template <int NA> constexpr std::array<Kernel, 4> avx2Kernels()
{
    return {&scanAvx2<NA, 2>, &scanAvx2<NA, 4>, &scanAvx2<NA, 8>, &scanAvx2<NA, 16>};
}
constexpr std::array<std::array<Kernel, 4>, 4> kSse2Kernels = {sse2Kernels<2>(), sse2Kernels<4>(),
                                                               sse2Kernels<8>(), sse2Kernels<16>()};
constexpr std::array<std::array<Kernel, 4>, 4> kAvx2Kernels = {avx2Kernels<2>(), avx2Kernels<4>(),
                                                               avx2Kernels<8>(), avx2Kernels<16>()};

std::size_t paddedIndex(int variants)
{
    return variants <= 2 ? 0 : variants <= 4 ? 1 : variants <= 8 ? 2 : 3;
}

#endif

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
        plan_.variantCount[r] = variantsOf(
            fold, static_cast<unsigned char>(plan_.needle[plan_.rare[r]]), plan_.variants[r]);
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
#if defined(TAVIR_FINDER_X86)
    const std::size_t a = paddedIndex(plan_.variantCount[0]);
    const std::size_t b = paddedIndex(plan_.variantCount[1]);
    if (path == Path::Avx2 && supported(Path::Avx2))
        return kAvx2Kernels[a][b](plan_, text.data(), text.size(), from);
    if (path != Path::Scalar)
        return kSse2Kernels[a][b](plan_, text.data(), text.size(), from);
#else
    (void)path;
#endif
    return scanScalar(plan_, text.data(), text.size(), from);
}

} // namespace tavir

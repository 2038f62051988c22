#include "quotes/finder_plan.h"

#include <algorithm>
#include <array>

namespace tavir {

namespace {

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

} // namespace

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

namespace {

// The rest of a plan whose needle is folded already: the positions compared first, by rarity
// or `forced`, their variants, and the other positions compared in SIMD.
void choosePositions(FinderPlan& plan, std::optional<FinderPositions> forced)
{
    const std::size_t size = plan.size;
    const FoldTable& fold = *plan.fold;
    // The rarest position first, then the rarest other one; a byte's weight is the sum of
    // the weights of every byte that folds to it.
    static const std::array<unsigned, 256> frequencies = byteFrequencies();
    std::array<unsigned, 256> foldedWeight{};
    for (unsigned b = 0; b < 256; ++b)
        foldedWeight[fold[b]] += frequencies[b];
    const auto weightAt = [&](std::size_t k) {
        return foldedWeight[static_cast<unsigned char>(plan.needle[k])];
    };
    std::size_t best = 0;
    for (std::size_t k = 1; k < size; ++k)
        if (weightAt(k) < weightAt(best))
            best = k;
    std::size_t second = best == 0 && size > 1 ? 1 : 0;
    for (std::size_t k = 0; k < size; ++k)
        if (k != best && weightAt(k) < weightAt(second))
            second = k;
    plan.rare[0] = forced ? std::min(forced->rare[0], size - 1) : best;
    plan.rare[1] = forced ? std::min(forced->rare[1], size - 1) : size > 1 ? second : best;
    for (int r = 0; r < 2; ++r)
        plan.variantCount[r] =
            caselessVariants(plan.variants[r],
                             variantsOf(fold, static_cast<unsigned char>(plan.needle[plan.rare[r]]),
                                        plan.variants[r]),
                             plan.caseBit[r]);
    // A short needle's other positions are all compared; a longer one's third rarest is, to
    // cut down its candidates before they are checked.
    plan.exact = size <= 4;
    plan.otherCount = 0;
    std::size_t third = 0;
    while (third == plan.rare[0] || third == plan.rare[1])
        ++third;
    for (std::size_t k = third + 1; k < size; ++k)
        if (k != plan.rare[0] && k != plan.rare[1] && weightAt(k) < weightAt(third))
            third = k;
    for (std::size_t k = 0; k < size; ++k) {
        if (k == plan.rare[0] || k == plan.rare[1] || (!plan.exact && k != third))
            continue;
        const int o = plan.otherCount++;
        plan.others[o] = k;
        plan.otherVariantCount[o] = caselessVariants(
            plan.otherVariants[o],
            variantsOf(fold, static_cast<unsigned char>(plan.needle[k]), plan.otherVariants[o]),
            plan.otherCaseBit[o]);
    }
    // A position matched through tables that take in other bytes too leaves hits to check.
    const auto loose = [](const unsigned char* variants, int count) {
        unsigned char low[16], high[16];
        return count > kMostCompares && !nibbleTables(variants, count, low, high);
    };
    for (int r = 0; r < 2; ++r)
        if (loose(plan.variants[r], plan.variantCount[r]))
            plan.exact = false;
    for (int o = 0; o < plan.otherCount; ++o)
        if (loose(plan.otherVariants[o], plan.otherVariantCount[o]))
            plan.exact = false;
}

// The start of the greatest suffix of `x` by the byte order (`reversed`: by the opposite
// order), and that suffix's period.
std::size_t greatestSuffix(const unsigned char* x, std::size_t n, bool reversed,
                           std::size_t& period)
{
    std::size_t start = 0; // of the greatest suffix so far
    std::size_t j = 1;     // of the suffix compared with it
    std::size_t k = 0;     // bytes of it matched
    period = 1;
    while (j + k < n) {
        const unsigned char a = x[j + k];
        const unsigned char b = x[start + k];
        if (a == b) {
            if (++k == period) {
                j += period;
                k = 0;
            }
        } else if ((a < b) != reversed) {
            // The suffix at j is smaller: every start up to j + k is passed.
            j += k + 1;
            k = 0;
            period = j - start;
        } else {
            // The suffix at j is greater: it is the greatest so far.
            start = j;
            j = start + 1;
            k = 0;
            period = 1;
        }
    }
    return start;
}

} // namespace

FinderPlan makeFinderPlan(std::string_view needle, const FoldTable& fold,
                          std::optional<FinderPositions> forced)
{
    FinderPlan plan;
    plan.fold = &fold;
    plan.asciiFold = &fold == &asciiFoldTable();
    plan.size = needle.size();
    plan.checkSlack = 2 * needle.size() + 256;
    plan.needle.assign(needle.size() + 32, '\0');
    for (std::size_t k = 0; k < needle.size(); ++k)
        plan.needle[k] = static_cast<char>(fold[byteAt(needle.data() + k)]);
    if (needle.empty())
        return plan;
    choosePositions(plan, forced);
    plan.linear = std::make_shared<const FinderPlan>(makeLinearPlan(plan));
    return plan;
}

FinderPlan makeLinearPlan(const FinderPlan& plan)
{
    FinderPlan linear = plan;
    linear.linear.reset();
    const std::size_t n = plan.size;
    const auto* x = reinterpret_cast<const unsigned char*>(linear.needle.data());
    // The later of the two greatest suffixes starts a critical factorisation.
    std::size_t period = 1, periodReversed = 1;
    const std::size_t forward = greatestSuffix(x, n, false, period);
    const std::size_t backward = greatestSuffix(x, n, true, periodReversed);
    const std::size_t cut = std::max(forward, backward);
    if (backward >= forward)
        period = periodReversed;
    linear.critical = cut;
    // Periodic: the left part recurs a period on, so the needle's period is that of its
    // right part. Else no two matches are closer than the longer part plus one.
    linear.periodic = cut <= n - period && std::equal(x, x + cut, x + period);
    linear.shift = linear.periodic ? period : std::max(cut, n - cut) + 1;
    // Candidates where the bytes at the cut and the one after it (or before it) match.
    const std::size_t next = cut + 1 < n ? cut + 1 : (cut > 0 ? cut - 1 : cut);
    choosePositions(linear, FinderPositions{{cut, next}});
    return linear;
}

} // namespace tavir

#include "quotes/finder.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>

#if defined(__x86_64__) && defined(__SSE2__)
#define TAVIR_FINDER_X86 1
#include "quotes/finder_avx2.h"
#else
#include "quotes/finder_scalar.h"
#endif

// Which kernel runs: chosen once per processor, and per needle by how many variants its rare
// bytes have.

namespace tavir {

namespace {

using namespace finder;

#if defined(TAVIR_FINDER_X86)

template <class Sink>
using Kernel = bool (*)(const FinderPlan&, const char*, std::size_t, std::size_t, Sink&);

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

template <bool Single> struct MarkKernel
{
    template <int NA, int NB> struct Of
    {
        static constexpr auto kernel = &markAvx2<NA, NB, Single>;
    };
};

template <class Sink>
bool runKernelAt(FoldedFinder::Path path, const FinderPlan& p, std::string_view text,
                 std::size_t from, Sink& sink)
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
bool runKernelAt(FoldedFinder::Path, const FinderPlan& p, std::string_view text, std::size_t from,
                 Sink& sink)
{
    return scanScalar(p, text.data(), text.size(), from, sink);
}

#endif

// The kernels look for a NUL among the bytes at the first rare position of every place the
// needle could start: all but the few before it at the beginning and after it at the end,
// which are looked at here. The sink's work counts from where its scan began
// (CheckWork::from); a scan whose budget is spent already, as a plan's for tests that allows
// nothing, is linear from its first byte.
template <class Sink>
bool runKernel(FoldedFinder::Path path, const FinderPlan& p, std::string_view text,
               std::size_t from, Sink& sink)
{
    if (overBudget(p, sink.work, from))
        return scanLinear(path, p, text.data(), text.size(), from, sink);
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

namespace finder {

// The linear search of text[i, size) (before its first NUL, for a sink that ends there): the
// kernels take the candidates of the linear plan, which LinearSink checks and hands on to
// `sink`.
template <class Sink>
bool scanLinear(FoldedFinder::Path path, const FinderPlan& p, const char* s, std::size_t size,
                std::size_t i, Sink& sink)
{
    if (i >= size)
        return true;
    std::size_t end = size;
    std::size_t nul = FoldedFinder::npos;
    if constexpr (Sink::kEndsAtNul) {
        if (const void* at = std::memchr(s + i, '\0', size - i)) {
            nul = static_cast<std::size_t>(static_cast<const char*>(at) - s);
            end = nul;
        }
    }
    bool finished = true;
    if (end - i >= p.size) {
        const FinderPlan& linear = *p.linear;
        const auto take = [&](std::size_t hit) { return sink.take(hit); };
        LinearSink checks{linear, s, take, {i, 0}};
        finished = runKernelAt(path, linear, {s, end}, i, checks);
        sink.work.compared += checks.work.compared;
    }
    if (!finished)
        return false;
    if constexpr (Sink::kEndsAtNul) {
        if (nul != FoldedFinder::npos) {
            sink.endAt(nul);
            return false;
        }
    }
    return true;
}

} // namespace finder

FoldedFinder::FoldedFinder(std::string_view needle, const FoldTable& fold)
    : plan_(makeFinderPlan(needle, fold))
{
}

FoldedFinder::FoldedFinder(std::string_view needle, const FoldTable& fold, FinderBudget budget)
    : plan_(makeFinderPlan(needle, fold))
{
    plan_.checkPerByte = budget.perByte;
    plan_.checkSlack = budget.slack;
}

FoldedFinder::FoldedFinder(std::string_view needle, const FoldTable& fold,
                           FinderPositions positions)
    : plan_(makeFinderPlan(needle, fold, positions))
{
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
    hit.work.from = from;
    runKernel(path, plan_, text, from, hit);
    return hit.at;
}

void FoldedFinder::findEach(Path path, std::string_view text, std::size_t from,
                            const HitCallback& onHit, std::size_t* compared) const
{
    CheckWork work{from, 0};
    findEach(path, text, from, onHit, work);
    if (compared)
        *compared += work.compared;
}

void FoldedFinder::findEach(Path path, std::string_view text, std::size_t from,
                            const HitCallback& onHit, CheckWork& work) const
{
    const std::size_t n = plan_.size;
    if (from > text.size() || text.size() - from < n)
        return;
    if (n == 0) {
        while (from <= text.size() && (from = onHit(from)) != npos)
            ;
        return;
    }
    CallbackSink sink{onHit, work};
    runKernel(path, plan_, text, from, sink);
    work = sink.work;
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
    CallbackBeforeNulSink sink{onHit, text, plan_.rare[0], {from, 0}};
    runKernel(path, plan_, text, from, sink);
    return sink.nul;
}

void FoldedFinder::markHits(Path path, std::string_view text, std::size_t from, std::size_t to,
                            std::uint64_t* words, std::size_t* compared) const
{
    to = std::min(to, text.size());
    if (from >= to)
        return;
    std::fill_n(words, (to - from + 63) / 64, std::uint64_t{0});
    const std::size_t n = plan_.size;
    std::size_t done = from; // whole steps marked so far
    CheckWork work{from, 0};
#if defined(TAVIR_FINDER_X86)
    if (n > 0 && path == Path::Avx2 && supported(path)) {
        static constexpr auto table =
            kernelTable<decltype(&markAvx2<2, 2, false>), MarkKernel<false>::Of>();
        static constexpr auto single =
            kernelColumn<decltype(&markAvx2<2, 2, true>), MarkKernel<true>::Of>();
        const std::size_t a = paddedIndex(plan_.variantCount[0]);
        const std::size_t b = paddedIndex(plan_.variantCount[1]);
        done = (n == 1 ? single[a] : table[a][b])(plan_, text.data(), text.size(), from, to, words,
                                                  work);
    }
#endif
    // The rest hit by hit, in linear time at once where the steps' checks cost too much.
    const std::size_t reach = std::min(text.size(), to - 1 + n);
    findEach(
        path, text.substr(0, reach), done,
        [&](std::size_t at) {
            words[(at - from) / 64] |= std::uint64_t{1} << ((at - from) % 64);
            return at + 1;
        },
        work);
    if (compared)
        *compared += work.compared;
}

} // namespace tavir

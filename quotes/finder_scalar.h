#pragma once

// The kernel every processor has, the sinks every kernel writes to, and the check of a
// candidate against the whole needle. Included by the finder's dispatch only.

#include "quotes/finder.h"

#include <algorithm>
#include <cstring>

namespace tavir::finder {

inline unsigned char byteAt(const char* p)
{
    return static_cast<unsigned char>(*p);
}

// What checking candidates has cost a scan: bytes compared with the needle, against the bytes
// passed since `from`.
struct CheckWork
{
    std::size_t from = 0;
    std::size_t compared = 0;
};

// Whether the checks have cost more than the plan allows for a scan that has reached `at`:
// the rest then goes to the linear search.
inline bool overBudget(const FinderPlan& p, const CheckWork& work, std::size_t at)
{
    return work.compared >= p.checkPerByte * (at - work.from) + p.checkSlack;
}

inline bool verifyScalar(const FinderPlan& p, const char* at, CheckWork& work)
{
    const FoldTable& fold = *p.fold;
    for (std::size_t k = 0; k < p.size; ++k) {
        if (fold[byteAt(at + k)] != static_cast<unsigned char>(p.needle[k])) {
            work.compared += k + 1;
            return false;
        }
    }
    work.compared += p.size;
    return true;
}

// Where the kernels put what they find. take() returns where the scan goes on, past the
// hit, or npos when it must stop.
struct FirstHit
{
    static constexpr bool kEndsAtNul = false;
    static constexpr bool kTakesCandidates = false;
    CheckWork work;
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
    static constexpr bool kTakesCandidates = false;
    const FoldedFinder::HitCallback& callback;
    CheckWork work;
    std::size_t take(std::size_t hit) const { return std::max(callback(hit), hit + 1); }
};

// For a text that ends at its first NUL. The kernels stop at a NUL among the bytes at the
// first rare position of each place they look at, and note it here. A jump past a hit skips
// such places, so the bytes it passes over are looked at here.
struct CallbackBeforeNulSink
{
    static constexpr bool kEndsAtNul = true;
    static constexpr bool kTakesCandidates = false;
    const FoldedFinder::HitCallback& callback;
    std::string_view text;
    std::size_t reach; // the first rare position
    CheckWork work;
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

// The linear search: takes every candidate of a plan of makeLinearPlan (the kernels check
// none) and checks it with the Two-Way algorithm, the needle's right part from the cut on
// compared left to right, then its left part right to left. A mismatch in the right part
// shifts the needle past the bytes matched there; one in the left part, or a hit, shifts it by
// the plan's shift; after that shift a periodic needle's prefix that is known to match is not
// compared again. So every byte of the text is compared a bounded number of times, whatever
// the text and the needle. take() returns the next place to look at, as a sink does.
struct LinearSink
{
    static constexpr bool kEndsAtNul = false;
    static constexpr bool kTakesCandidates = true;
    const FinderPlan& p;
    const char* s;
    FunctionRef<std::size_t(std::size_t)> onHit; // the caller's sink: where to go on, or npos
    CheckWork work;
    std::size_t memory = 0; // bytes of the needle known to match at `memoryAt`
    std::size_t memoryAt = FoldedFinder::npos;

    std::size_t take(std::size_t j)
    {
        const FoldTable& fold = *p.fold;
        const auto* x = reinterpret_cast<const unsigned char*>(p.needle.data());
        const char* const at = s + j;
        const std::size_t known = j == memoryAt ? memory : 0;
        const std::size_t first = std::max(p.critical, known);
        std::size_t i = first;
        while (i < p.size && fold[byteAt(at + i)] == x[i])
            ++i;
        work.compared += i - first + 1;
        if (i < p.size) {
            memoryAt = FoldedFinder::npos;
            return j + i - p.critical + 1;
        }
        std::size_t k = p.critical;
        while (k > known && fold[byteAt(at + k - 1)] == x[k - 1])
            --k;
        work.compared += p.critical - std::min(k, p.critical) + 1;
        if (k <= known) {
            const std::size_t next = onHit(j);
            if (next == FoldedFinder::npos)
                return next;
            // A periodic needle's next match begins a whole number of periods on while it
            // overlaps this one by a period or more: it would have a shorter period else.
            const std::size_t n = p.size;
            const std::size_t on = next - j;
            if (p.periodic && on <= n - p.shift) {
                const std::size_t whole = (on + p.shift - 1) / p.shift * p.shift;
                if (whole <= n - p.shift) {
                    memory = n - whole;
                    memoryAt = j + whole;
                    return memoryAt;
                }
            }
            if (on > p.shift) {
                memoryAt = FoldedFinder::npos;
                return next;
            }
        }
        // No match begins before j + shift; one that begins there matches the needle's
        // first size - shift bytes at least, when it is periodic.
        memory = p.periodic ? p.size - p.shift : 0;
        memoryAt = j + p.shift;
        return memoryAt;
    }
};

// Searches text[i, size) with the linear plan of `p`, for any sink; defined with the
// dispatch.
template <class Sink>
bool scanLinear(FoldedFinder::Path path, const FinderPlan& p, const char* s, std::size_t size,
                std::size_t i, Sink& sink);

// Every kernel returns false when the sink stopped it, true when the text was scanned to
// its end. Where checking candidates costs more than the plan allows, the rest of the text
// goes to the linear search.
template <class Sink>
bool scanScalar(const FinderPlan& p, const char* s, std::size_t size, std::size_t i, Sink& sink)
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
        if (fold[byteAt(s + i + p.rare[0])] != rare) {
            ++i;
            continue;
        }
        if (Sink::kTakesCandidates || verifyScalar(p, s + i, sink.work)) {
            i = sink.take(i);
            if (i == FoldedFinder::npos)
                return false;
        } else {
            ++i;
        }
        if constexpr (!Sink::kTakesCandidates) {
            if (overBudget(p, sink.work, i))
                return scanLinear(FoldedFinder::Path::Scalar, p, s, size, i, sink);
        }
    }
    return true;
}

} // namespace tavir::finder

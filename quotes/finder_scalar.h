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

inline bool verifyScalar(const FinderPlan& p, const char* at)
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

} // namespace tavir::finder

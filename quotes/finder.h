#pragma once

#include "base/function_ref.h"
#include "quotes/finder_plan.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tavir {

namespace finder {
struct CheckWork;
}

// Finds a needle in text with bytes compared through a folding (by default a-z and A-Z taken
// as equal). Candidates are the places where the needle's two rarest bytes both match; the
// scan runs 64 or 16 bytes at a time, the width chosen once for the processor. Every search
// takes time linear in the text and the needle: where checking candidates costs more than a
// few compares for each byte passed (a periodic text and needle, "abab..." and "abab...b"),
// the rest of the text is searched with the Two-Way algorithm, still through the kernels.
class FoldedFinder
{
public:
    enum class Path
    {
        Scalar,
        Sse2,
        Avx2
    };

    explicit FoldedFinder(std::string_view needle, const FoldTable& fold = asciiFoldTable());
    // For tests: the kernels start from the positions given instead of the rarest ones.
    FoldedFinder(std::string_view needle, const FoldTable& fold, FinderPositions positions);
    // For tests: the linear search begins once checks cost what `budget` allows.
    FoldedFinder(std::string_view needle, const FoldTable& fold, FinderBudget budget);

    // Position of the first occurrence at or after `from`, or npos. An empty needle is
    // found at `from`.
    std::size_t find(std::string_view text, std::size_t from = 0) const;
    // The same through one path; a path the processor lacks falls back to a narrower one.
    std::size_t find(Path path, std::string_view text, std::size_t from = 0) const;
    // Calls `onHit` with the position of each occurrence at or after `from`, in order. It
    // returns where the search goes on (at least just past the hit: any smaller position is
    // taken as that), or npos to stop. Cheaper than a find() per hit where hits are many.
    using HitCallback = FunctionRef<std::size_t(std::size_t)>;
    void findEach(std::string_view text, std::size_t from, const HitCallback& onHit) const
    {
        findEach(bestPath(), text, from, onHit);
    }
    // `compared`, for tests: the bytes of the text compared with the needle are added to it.
    void findEach(Path path, std::string_view text, std::size_t from, const HitCallback& onHit,
                  std::size_t* compared = nullptr) const;
    // The same, where the text ends at its first NUL: no hit is looked for after it. Returns
    // the NUL's position, or npos when there is none (or onHit stopped the search first).
    // The needle must hold no NUL.
    std::size_t findEachBeforeNul(std::string_view text, std::size_t from,
                                  const HitCallback& onHit) const
    {
        return findEachBeforeNul(bestPath(), text, from, onHit);
    }
    std::size_t findEachBeforeNul(Path path, std::string_view text, std::size_t from,
                                  const HitCallback& onHit) const;

    // Marks every occurrence that begins in text[from, to): bit k of words[j] is set when
    // one begins at from + 64 j + k, and clear otherwise (bits past `to` too). `words` must
    // have room for (to - from + 63) / 64 words. Cheaper than findEach where most lines hold
    // a hit, as it never leaves its loop for one.
    void markHits(std::string_view text, std::size_t from, std::size_t to,
                  std::uint64_t* words) const
    {
        markHits(bestPath(), text, from, to, words);
    }
    void markHits(Path path, std::string_view text, std::size_t from, std::size_t to,
                  std::uint64_t* words, std::size_t* compared = nullptr) const;

    static Path bestPath();
    static bool supported(Path path);

    static constexpr std::size_t npos = std::string_view::npos;

private:
    void findEach(Path path, std::string_view text, std::size_t from, const HitCallback& onHit,
                  finder::CheckWork& work) const;

    FinderPlan plan_;
};

} // namespace tavir

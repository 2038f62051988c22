#pragma once

#include "base/function_ref.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tavir {

// Folds a-z to A-Z; every other byte, Polish letters included, stays as it is.
constexpr char foldAscii(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 0x20) : c;
}
std::string foldAscii(std::string_view text);

// A folding: every byte mapped to the byte it is compared as.
using FoldTable = std::array<unsigned char, 256>;

// a-z to A-Z, every other byte to itself.
const FoldTable& asciiFoldTable();

// Finds a needle in text with bytes compared through a folding (by default a-z and A-Z taken
// as equal). Candidates are the places where the needle's two rarest bytes both match; the
// scan runs 64 or 16 bytes at a time, the width chosen once for the processor.
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
    void findEach(Path path, std::string_view text, std::size_t from,
                  const HitCallback& onHit) const;
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
                  std::uint64_t* words) const;

    static Path bestPath();
    static bool supported(Path path);

    static constexpr std::size_t npos = std::string_view::npos;

    // What the scan kernels need, public so that they can live apart from the class.
    struct Plan
    {
        std::string needle; // folded, with 32 spare bytes after it
        std::size_t size = 0;
        const FoldTable* fold = nullptr;
        bool asciiFold = false;
        // The two rarest positions and every byte that folds to the needle's byte there. Where
        // each of those bytes has its other case (0x20 away) among them too, only the ones
        // with 0x20 set are kept, and the case bit is 0x20: bytes are compared with it set.
        std::size_t rare[2] = {0, 0};
        unsigned char variants[2][16] = {};
        int variantCount[2] = {0, 0};
        unsigned char caseBit[2] = {0, 0};
        // Other positions compared in SIMD too: for a needle of up to four bytes every one, so
        // that its candidates are hits (exact, unless a position's many variants could only be
        // looked up loosely); for a longer one the third rarest, which cuts down the
        // candidates to check.
        bool exact = false;
        int otherCount = 0;
        std::size_t others[2] = {0, 0};
        unsigned char otherVariants[2][16] = {};
        int otherVariantCount[2] = {0, 0};
        unsigned char otherCaseBit[2] = {0, 0};
    };

private:
    Plan plan_;
};

} // namespace tavir

#pragma once

#include "quotes/folding.h"

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace tavir {

// How a needle is looked for: the scan kernels take candidates where the bytes at the two
// rarest positions of the needle match, filter them by the other positions compared in SIMD,
// and check what is left against the whole needle.
struct FinderPlan
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
    // How much checking candidates may cost: once the bytes compared reach checkPerByte for
    // every byte the scan has passed, plus checkSlack, the rest of the text is searched in
    // linear time (makeLinearPlan).
    std::size_t checkPerByte = 8;
    std::size_t checkSlack = 0;
    // In a plan of makeLinearPlan: the needle cut at a critical factorisation, its right part
    // from `critical` on, and the shift after a whole match or a mismatch in the left part:
    // the needle's period when `periodic`, else a lower bound of it.
    std::size_t critical = 0;
    std::size_t shift = 1;
    bool periodic = false;
    // The plan of the linear search, made with this one (none for an empty needle).
    std::shared_ptr<const FinderPlan> linear;
};

// The positions a plan compares first, where a test wants them rather than the rarest ones
// (each below the needle's size; the two may be the same only for a one-byte needle).
struct FinderPositions
{
    std::size_t rare[2] = {0, 0};
};

// For tests: a bound on checks other than the default (FinderPlan::checkPerByte and
// checkSlack); {0, 0} searches in linear time from the first byte.
struct FinderBudget
{
    std::size_t perByte = 0;
    std::size_t slack = 0;
};

// Chooses the positions by how rare their bytes are in Polish text, or takes `forced`.
FinderPlan makeFinderPlan(std::string_view needle, const FoldTable& fold,
                          std::optional<FinderPositions> forced = std::nullopt);

// The plan of the linear search of the same needle (FinderPlan::linear) (Two-Way, after Crochemore
// and Perrin): its critical factorisation and shift, with the candidates taken where the two bytes
// at the cut match, so that a text that matches the needle's rare bytes everywhere still is scanned
// by the kernels wherever it does not match it at the cut.
FinderPlan makeLinearPlan(const FinderPlan& plan);

// A position with more variants than this is matched through nibbleTables in AVX2.
inline constexpr int kMostCompares = 4;

// A set of bytes as two tables of 16, for a byte shuffle: byte b is in the set when
// low[b & 15] & high[b >> 4] is not 0. The bytes of one high half share a bit; a set with more
// than eight high halves has halves share bits, and takes in bytes outside it (false then).
bool nibbleTables(const unsigned char* bytes, int count, unsigned char* low, unsigned char* high);

} // namespace tavir

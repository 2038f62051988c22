#pragma once

#include "quotes/collection.h"
#include "quotes/queries.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace tavir {

// Quotations by length, as fortune's -s and -l take them: short ones have at most `limit`
// characters, long ones more. Windows-1250 gives every character one byte, so a line's length
// in characters is its size in bytes, Polish letters included.
enum class QuotationLength
{
    Any,
    Short,
    Long
};
inline constexpr std::size_t kShortQuotationLimit = 160;

bool hasLength(std::string_view line, QuotationLength length,
               std::size_t limit = kShortQuotationLimit);
// The collection's quotations of that length, in order.
std::vector<std::size_t> quotationsOfLength(const QuoteCollection& quotes, QuotationLength length,
                                            std::size_t limit = kShortQuotationLimit);

// Empties the list and appends n quotations drawn from `lines` with the draw's own numbers
// (RuntimeRandom) from `seed`: number r takes lines[r % lines.size()]. Over every quotation in
// order it draws what LosujDane draws for the seed. Nothing when `lines` is empty.
void LosujSposrod(const QuoteCollection& quotes, std::span<const std::size_t> lines, int n,
                  std::uint32_t seed, ResultList& list);

// The same with each quotation drawn evenly from the system's random source
// (std::random_device), so that two draws in the same second differ: from every quotation, or
// from `lines`.
void drawFromSystem(const QuoteCollection& quotes, int n, ResultList& list);
void drawFromSystem(const QuoteCollection& quotes, std::span<const std::size_t> lines, int n,
                    ResultList& list);

} // namespace tavir

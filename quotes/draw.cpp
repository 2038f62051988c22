#include "quotes/draw.h"

#include <random>

namespace tavir {

namespace {

// n numbers below `size` from the system's random source, each handed to `take`.
template <class Take> void drawEvenly(std::size_t size, int n, Take&& take)
{
    if (size == 0)
        return;
    std::random_device source;
    std::uniform_int_distribution<std::size_t> number(0, size - 1);
    for (int k = 0; k < n; ++k)
        take(number(source));
}

} // namespace

bool hasLength(std::string_view line, QuotationLength length, std::size_t limit)
{
    switch (length) {
    case QuotationLength::Short:
        return line.size() <= limit;
    case QuotationLength::Long:
        return line.size() > limit;
    case QuotationLength::Any:
        break;
    }
    return true;
}

std::vector<std::size_t> quotationsOfLength(const QuoteCollection& quotes, QuotationLength length,
                                            std::size_t limit)
{
    std::vector<std::size_t> lines;
    const std::size_t quotations = quotes.quotationCount();
    for (std::size_t i = 0; i < quotations; ++i) {
        if (hasLength(quotes.line(i), length, limit))
            lines.push_back(i);
    }
    return lines;
}

void LosujSposrod(const QuoteCollection& quotes, std::span<const std::size_t> lines, int n,
                  std::uint32_t seed, ResultList& list)
{
    RuntimeRandom random(seed);
    list.clear();
    if (lines.empty())
        return;
    for (int k = 0; k < n; ++k)
        AddListItem(quotes, lines[static_cast<std::size_t>(random.draw()) % lines.size()], list);
}

void drawFromSystem(const QuoteCollection& quotes, int n, ResultList& list)
{
    list.clear();
    drawEvenly(quotes.quotationCount(), n, [&](std::size_t i) { AddListItem(quotes, i, list); });
}

void drawFromSystem(const QuoteCollection& quotes, std::span<const std::size_t> lines, int n,
                    ResultList& list)
{
    list.clear();
    drawEvenly(lines.size(), n, [&](std::size_t i) { AddListItem(quotes, lines[i], list); });
}

} // namespace tavir

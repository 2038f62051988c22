#include "quotes/day_quotation.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <utility>

namespace tavir {

namespace {

// The SplitMix64 finaliser: every bit of the day number reaches every bit of the result.
std::uint64_t mixDay(std::int64_t day)
{
    std::uint64_t z = static_cast<std::uint64_t>(day) + 0x9E3779B97F4A7C15u;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
    return z ^ (z >> 31);
}

std::size_t evenDayQuotation(std::size_t count, std::int64_t day)
{
    return static_cast<std::size_t>(mixDay(day) % count);
}

std::optional<unsigned> digits(std::string_view text)
{
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

} // namespace

CalendarDate localDate(std::time_t time)
{
    std::tm local{};
    ::localtime_r(&time, &local);
    return {local.tm_year + 1900, static_cast<unsigned>(local.tm_mon + 1),
            static_cast<unsigned>(local.tm_mday)};
}

std::optional<CalendarDate> parseIsoDate(std::string_view text)
{
    if (text.size() != 10 || text[4] != '-' || text[7] != '-' ||
        !std::all_of(text.begin(), text.end(),
                     [](char c) { return c == '-' || (c >= '0' && c <= '9'); }))
        return std::nullopt;
    const auto year = digits(text.substr(0, 4));
    const auto month = digits(text.substr(5, 2));
    const auto day = digits(text.substr(8, 2));
    if (!year || !month || !day || *year == 0)
        return std::nullopt;
    const std::chrono::year_month_day date{std::chrono::year(static_cast<int>(*year)),
                                           std::chrono::month(*month), std::chrono::day(*day)};
    if (!date.ok())
        return std::nullopt;
    return CalendarDate{static_cast<int>(*year), *month, *day};
}

std::int64_t dayNumber(int year, unsigned month, unsigned day)
{
    const std::chrono::sys_days date = std::chrono::year_month_day{
        std::chrono::year(year), std::chrono::month(month), std::chrono::day(day)};
    return date.time_since_epoch().count();
}

std::size_t dayQuotation(std::size_t quotationCount, int year, unsigned month, unsigned day)
{
    const std::int64_t number = dayNumber(year, month, day);
    if (quotationCount < 2)
        return 0;
    if (quotationCount == 2)
        return static_cast<std::size_t>(number & 1);
    if ((number & 1) == 0)
        return evenDayQuotation(quotationCount, number);
    // An odd day: the choice among the quotations left when both neighbours' are taken out,
    // counted in order, skipping those two.
    std::size_t taken[2] = {evenDayQuotation(quotationCount, number - 1),
                            evenDayQuotation(quotationCount, number + 1)};
    if (taken[0] > taken[1])
        std::swap(taken[0], taken[1]);
    const std::size_t left = quotationCount - (taken[0] == taken[1] ? 1 : 2);
    std::size_t chosen = static_cast<std::size_t>(mixDay(number) % left);
    if (chosen >= taken[0])
        ++chosen;
    if (taken[1] != taken[0] && chosen >= taken[1])
        ++chosen;
    return chosen;
}

} // namespace tavir

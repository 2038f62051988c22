#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <optional>
#include <string_view>

namespace tavir {

// A date of the calendar (proleptic Gregorian).
struct CalendarDate
{
    int year = 1970;
    unsigned month = 1; // 1-12
    unsigned day = 1;   // 1-31
    friend bool operator==(const CalendarDate&, const CalendarDate&) = default;
};

// The local calendar date at a time.
CalendarDate localDate(std::time_t time);
// "YYYY-MM-DD" with a valid date of the years 0001-9999; nothing otherwise.
std::optional<CalendarDate> parseIsoDate(std::string_view text);

// Days from 1970-01-01 to the date, negative before it. The date must be valid.
std::int64_t dayNumber(int year, unsigned month, unsigned day);

// The quotation of the day: a line index below `quotationCount` chosen from the date alone, by a
// fixed integer hash of its day number, so it is the same all day on every machine with the same
// collection. With two quotations or more, two consecutive days never give the same one: an
// even day takes hash % count, an odd day the hash's choice among the quotations its two even
// neighbours did not take (with exactly two quotations the days alternate). 0 for a collection
// of one quotation or none.
std::size_t dayQuotation(std::size_t quotationCount, int year, unsigned month, unsigned day);

} // namespace tavir

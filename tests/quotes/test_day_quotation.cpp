#include "quotes/collection.h"
#include "quotes/day_quotation.h"

#include <gtest/gtest.h>

#include <chrono>
#include <set>
#include <string>

using tavir::CalendarDate;

namespace {

TEST(DayQuotation, DayNumbersCountFrom1970)
{
    EXPECT_EQ(tavir::dayNumber(1970, 1, 1), 0);
    EXPECT_EQ(tavir::dayNumber(1970, 1, 2), 1);
    EXPECT_EQ(tavir::dayNumber(1969, 12, 31), -1);
    EXPECT_EQ(tavir::dayNumber(2000, 3, 1), 11017);
    EXPECT_EQ(tavir::dayNumber(2026, 12, 24), 20811);
}

TEST(DayQuotation, AKnownDateGivesItsPinnedLine)
{
    // A ten-line collection; the lines of these days are fixed by the hash and must never move,
    // or every user's quotation of the day would change.
    const auto quotes = tavir::QuoteCollection::fromBytes(
        "zero\r\njeden\r\ndwa\r\ntrzy\r\ncztery\r\npi\xEA\xE6\r\nsze\x9C\xE6\r\nsiedem\r\n"
        "osiem\r\ndziewi\xEA\xE6\r\nkoniec\r\n");
    ASSERT_EQ(quotes.quotationCount(), 10u);
    EXPECT_EQ(quotes.line(tavir::dayQuotation(10, 2026, 12, 24)), "dwa");
    EXPECT_EQ(quotes.line(tavir::dayQuotation(10, 2026, 12, 25)), "trzy");
    EXPECT_EQ(tavir::dayQuotation(2030, 2026, 12, 24), 666u);
    EXPECT_EQ(tavir::dayQuotation(2030, 1970, 1, 1), 1325u);
}

TEST(DayQuotation, ConsecutiveDaysNeverRepeatAndDaysSpread)
{
    for (const std::size_t count : {2u, 3u, 4u, 7u, 2030u, 10000000u}) {
        std::chrono::sys_days day = std::chrono::year(2019) / 12 / 1;
        std::size_t previous = count;
        std::set<std::size_t> seen;
        for (int i = 0; i < 800; ++i, day += std::chrono::days(1)) {
            const std::chrono::year_month_day date(day);
            const std::size_t line = tavir::dayQuotation(count, static_cast<int>(date.year()),
                                                         static_cast<unsigned>(date.month()),
                                                         static_cast<unsigned>(date.day()));
            ASSERT_LT(line, count);
            ASSERT_NE(line, previous) << count << " quotations, " << i << " days on";
            // The same date gives the same line whenever it is asked.
            ASSERT_EQ(line, tavir::dayQuotation(count, static_cast<int>(date.year()),
                                                static_cast<unsigned>(date.month()),
                                                static_cast<unsigned>(date.day())));
            previous = line;
            seen.insert(line);
        }
        // Over 800 days a hash that spreads shows all of a small collection, about 660 of
        // 2030 quotations (2030 (1 - e^(-800/2030))), and hardly repeats in a large one.
        EXPECT_GE(seen.size(), count <= 7 ? count : count <= 2030 ? 620 : 795) << count;
    }
    EXPECT_EQ(tavir::dayQuotation(1, 2026, 12, 24), 0u);
    EXPECT_EQ(tavir::dayQuotation(0, 2026, 12, 24), 0u);
}

TEST(DayQuotation, IsoDatesAndTheLocalDate)
{
    EXPECT_EQ(tavir::parseIsoDate("2026-12-24"), (CalendarDate{2026, 12, 24}));
    EXPECT_EQ(tavir::parseIsoDate("2024-02-29"), (CalendarDate{2024, 2, 29}));
    EXPECT_EQ(tavir::parseIsoDate("0001-01-01"), (CalendarDate{1, 1, 1}));
    for (const char* wrong :
         {"", "2026-12-32", "2025-02-29", "2026-13-01", "2026-00-10", "0000-01-01", "2026-1-24",
          "2026/12/24", "26-12-24", "2026-12-24x", "+026-12-24", "2026--2-24", " 2026-12-2"})
        EXPECT_EQ(tavir::parseIsoDate(wrong), std::nullopt) << wrong;

    // 2026-12-24 12:00 UTC is that day in every time zone within twelve hours of it.
    const CalendarDate local = tavir::localDate(1798113600);
    EXPECT_EQ(local, (CalendarDate{2026, 12, 24}));
}

} // namespace

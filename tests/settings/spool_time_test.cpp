// The spool-time text: names, day and zone forms, and the current time in the TZ zone.
#include "settings/spool_time.h"
#include "support/test_host.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <ctime>
#include <string>

using testing_support::ScopedEnv;

namespace {

std::tm brokenDown(int year, int month, int day, int hour, int minute, int second, int weekday)
{
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    t.tm_wday = weekday;
    return t;
}

std::string format(const std::tm& t, long gmtoff)
{
    char text[64];
    const std::size_t length = formatSpoolTime(text, sizeof text, t, gmtoff);
    EXPECT_EQ(length, std::string(text).size());
    return text;
}

// The English abbreviation the C library gives for a strftime conversion of t.
std::string cName(const std::tm& t, const char* conversion)
{
    char text[16] = {};
    std::strftime(text, sizeof text, conversion, &t);
    return text;
}

}  // namespace

TEST(SpoolTime, DayWithoutLeadingZeroAndZoneAsHundredthsOfHours)
{
    const std::tm t = brokenDown(2024, 9, 5, 7, 8, 9, 4);
    EXPECT_EQ(format(t, 19800), "Thu, 5 Sep 2024 07:08:09 +0550");  // +5:30
    EXPECT_EQ(format(t, 32400), "Thu, 5 Sep 2024 07:08:09 +0900");
    EXPECT_EQ(format(t, 0), "Thu, 5 Sep 2024 07:08:09 +0000");
    EXPECT_EQ(format(t, -12600), "Thu, 5 Sep 2024 07:08:09 -0350");  // -3:30, truncated toward zero
    EXPECT_EQ(format(t, 20700), "Thu, 5 Sep 2024 07:08:09 +0575");   // +5:45
    EXPECT_EQ(format(brokenDown(987, 12, 31, 23, 59, 59, 0), -43200), "Sun, 31 Dec 0987 23:59:59 -1200");
}

TEST(SpoolTime, EveryWeekdayAndMonthHasItsEnglishName)
{
    // The C locale's abbreviations are the published English ones the job expects.
    const char* saved = std::setlocale(LC_TIME, nullptr);
    const std::string savedLocale = saved ? saved : "C";
    std::setlocale(LC_TIME, "C");
    for (int weekday = 0; weekday < 7; ++weekday)
        for (int month = 1; month <= 12; ++month) {
            const std::tm t = brokenDown(2023, month, 10, 0, 0, 0, weekday);
            EXPECT_EQ(format(t, 0), cName(t, "%a") + ", 10 " + cName(t, "%b") + " 2023 00:00:00 +0000");
        }
    std::setlocale(LC_TIME, savedLocale.c_str());
}

TEST(SpoolTime, NamesOutOfRangeFallBackToMondayAndJanuary)
{
    std::tm t = brokenDown(2024, 1, 1, 0, 0, 0, 9);
    t.tm_mon = 12;
    EXPECT_EQ(format(t, 0), "Mon, 1 Jan 2024 00:00:00 +0000");
}

TEST(SpoolTime, TextThatDoesNotFitLeavesAnEmptyBuffer)
{
    char text[31];  // the longest text has 31 characters and its zero byte
    EXPECT_EQ(formatSpoolTime(text, sizeof text, brokenDown(2024, 12, 31, 23, 59, 59, 2), -43200), 0u);
    EXPECT_STREQ(text, "");
    char fits[32];
    EXPECT_EQ(formatSpoolTime(fits, sizeof fits, brokenDown(2024, 12, 31, 23, 59, 59, 2), -43200), 31u);
}

TEST(SpoolTime, CurrentTimeInTheZoneOfTZ)
{
    for (const auto& [zone, suffix] :
         {std::pair{"Asia/Kolkata", " +0550"}, std::pair{"Asia/Tokyo", " +0900"}, std::pair{"UTC", " +0000"}}) {
        ScopedEnv tz("TZ", zone);
        const std::time_t before = std::time(nullptr);
        char text[64];
        const std::size_t length = GetSpoolTime(text, sizeof text);
        const std::time_t after = std::time(nullptr);
        const std::string spoolTime(text, length);
        const std::string zoneText = suffix;
        ASSERT_GE(spoolTime.size(), zoneText.size()) << zone;
        EXPECT_EQ(spoolTime.substr(spoolTime.size() - zoneText.size()), zoneText) << zone;

        // The clock part is the wall-clock time of that zone.
        std::tm parsed{};
        ASSERT_NE(strptime(text, "%a, %d %b %Y %H:%M:%S", &parsed), nullptr) << spoolTime;
        parsed.tm_isdst = -1;
        tzset();
        const std::time_t stamped = std::mktime(&parsed);
        EXPECT_GE(stamped, before) << spoolTime;
        EXPECT_LE(stamped, after) << spoolTime;
    }
    tzset();
}

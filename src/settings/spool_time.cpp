#include "settings/spool_time.h"

#include <cstdio>

namespace {

// The weekday name of tm_wday (0 Sunday); "Mon" for a value out of range, as the job's
// later stages expect some name in every text.
const char* weekdayName(int weekday)
{
    static constexpr const char* kNames[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    return weekday >= 0 && weekday < 7 ? kNames[weekday] : "Mon";
}

// The month name of tm_mon (0 January); "Jan" for a value out of range.
const char* monthName(int month)
{
    static constexpr const char* kNames[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                             "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    return month >= 0 && month < 12 ? kNames[month] : "Jan";
}

}  // namespace

std::size_t formatSpoolTime(char* dest, std::size_t destSize, const std::tm& local, long secondsFromGMT)
{
    if (!dest || destSize == 0)
        return 0;
    // Hours times 100 plus minutes / 0.6: the form the job's later stages were written against.
    const long zone = secondsFromGMT / 36;
    const int written =
        std::snprintf(dest, destSize, "%s, %d %s %04d %02d:%02d:%02d %+05ld", weekdayName(local.tm_wday), local.tm_mday,
                      monthName(local.tm_mon), local.tm_year + 1900, local.tm_hour, local.tm_min, local.tm_sec, zone);
    if (written < 0 || static_cast<std::size_t>(written) >= destSize) {
        dest[0] = '\0';
        return 0;
    }
    return static_cast<std::size_t>(written);
}

std::size_t GetSpoolTime(char* dest, std::size_t destSize)
{
    if (!dest || destSize == 0)
        return 0;
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    tzset();
    if (!localtime_r(&now, &local)) {
        dest[0] = '\0';
        return 0;
    }
    return formatSpoolTime(dest, destSize, local, local.tm_gmtoff);
}

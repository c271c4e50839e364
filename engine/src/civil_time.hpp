// Calendar arithmetic and the date-time spellings found in telemetry files. Times are held as
// milliseconds since 1970-01-01T00:00:00 of whatever clock the file used (local or UTC).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace trakvia::engine {

std::int64_t days_from_civil(int year, unsigned month, unsigned day);

// The date `days` days after 1970-01-01: the inverse of days_from_civil.
struct CivilDate {
    std::int64_t year;
    unsigned month, day;
};
CivilDate civil_from_days(std::int64_t days);

// Milliseconds since the epoch as whole days and the milliseconds into the last of them
// (floor division: a time before 1970 falls on its own day, not the day after).
struct DayAndTime {
    std::int64_t day;
    std::int64_t ms_of_day;
};
inline DayAndTime split_day(std::int64_t ms) {
    DayAndTime out{ms / 86400000, ms % 86400000};
    if (out.ms_of_day < 0) {
        out.ms_of_day += 86400000;
        --out.day;
    }
    return out;
}

// Milliseconds since the epoch for a calendar date and time; nullopt when a field is out of
// range (seconds may read 60, as some devices write a leap-like 60).
std::optional<std::int64_t> civil_to_ms(int year, int month, int day, int hour, int minute, int second,
                                        int millisecond);

// "2021-12-25 12:27:52.373", "2019-09-27 10:28:08,438,904", "2022.06.21 16:06:17",
// "2017.8.5 14:11:51" at s[i]. On success advances i past the text it used.
std::optional<std::int64_t> parse_device_datetime(std::string_view s, std::size_t& i);

namespace detail {
// parse_device_datetime without its shortcut for full-width fields; the tests hold the two
// to the same answers.
std::optional<std::int64_t> parse_any_device_datetime(std::string_view s, std::size_t& i);
}  // namespace detail

// ISO 8601 as GPX writes it: "2021-09-06T02:23:21.100Z", with an optional "+03:00" style
// offset (converted to UTC) or no zone (taken as UTC).
std::optional<std::int64_t> parse_iso8601_utc(std::string_view s);

// Minutes to add to UTC to get this computer's local time at the given naive local time
// (DST-aware); nullopt when the system cannot tell.
std::optional<int> local_utc_offset_minutes(std::int64_t local_ms);

}  // namespace trakvia::engine

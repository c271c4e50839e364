// Calendar arithmetic, date-time parsing and the local zone's offset.
#include "civil_time.hpp"

#include <ctime>

#include "numbers.hpp"

namespace trakvia::engine {

using num::is_digit;
using num::parse_digits;

std::int64_t days_from_civil(int year, unsigned month, unsigned day) {
    // Howard Hinnant's algorithm: proleptic Gregorian calendar, any year.
    const std::int64_t y = std::int64_t(year) - (month <= 2);
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = unsigned(y - era * 400);
    const unsigned doy = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + std::int64_t(doe) - 719468;
}

CivilDate civil_from_days(std::int64_t days) {
    // The inverse of the algorithm above (Hinnant's civil_from_days).
    const std::int64_t z = days + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = unsigned(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned day = doy - (153 * mp + 2) / 5 + 1;
    const unsigned month = mp < 10 ? mp + 3 : mp - 9;
    return CivilDate{std::int64_t(yoe) + era * 400 + (month <= 2), month, day};
}

std::optional<std::int64_t> civil_to_ms(int year, int month, int day, int hour, int minute, int second,
                                        int millisecond) {
    if (year < 1900 || year > 2999 || month < 1 || month > 12 || day < 1 || day > 31) return std::nullopt;
    if (hour > 23 || minute > 59 || second > 60 || hour < 0 || minute < 0 || second < 0) return std::nullopt;
    if (millisecond < 0 || millisecond > 999) return std::nullopt;
    std::int64_t days = days_from_civil(year, unsigned(month), unsigned(day));
    return ((days * 24 + hour) * 60 + minute) * 60000 + std::int64_t(second) * 1000 + millisecond;
}

namespace {

// ".373", ",438,904", ".5": the first fraction group as milliseconds.
int parse_fraction_ms(std::string_view s, std::size_t& i) {
    if (i + 1 >= s.size() || (s[i] != '.' && s[i] != ',') || !is_digit(s[i + 1])) return 0;
    ++i;
    int ms = 0;
    int digits = 0;
    while (i < s.size() && is_digit(s[i])) {
        if (digits < 3) ms = ms * 10 + (s[i] - '0');
        ++digits;
        ++i;
    }
    for (int d = digits; d < 3; ++d) ms *= 10;
    // Further ",uuu" groups (microseconds, sometimes repeated) carry nothing we keep.
    while (i + 1 < s.size() && s[i] == ',' && is_digit(s[i + 1])) {
        ++i;
        while (i < s.size() && is_digit(s[i])) ++i;
    }
    return ms;
}

// Two digits at c as a number, or -1.
int two_digits(const char* c) {
    return is_digit(c[0]) && is_digit(c[1]) ? (c[0] - '0') * 10 + (c[1] - '0') : -1;
}

// "2021-12-25 12:27:52" with every field at full width (also '.' in the date, 'T' before the
// time), the spelling nearly every record uses, read at fixed offsets. Whatever it accepts,
// the general parser reads to the same fields; anything else is left to the general parser.
bool parse_full_width(std::string_view s, std::size_t p, int& year, int& month, int& day, int& hour, int& minute,
                      int& second) {
    if (s.size() - p < 19) return false;
    const char* c = s.data() + p;
    const char sep = c[4];
    if ((sep != '-' && sep != '.') || c[7] != sep || (c[10] != ' ' && c[10] != 'T') || c[13] != ':' ||
        c[16] != ':')
        return false;
    if (s.size() - p > 19 && is_digit(c[19])) return false;  // a third seconds digit: not a date-time
    const int century = two_digits(c), year_in_century = two_digits(c + 2);
    month = two_digits(c + 5);
    day = two_digits(c + 8);
    hour = two_digits(c + 11);
    minute = two_digits(c + 14);
    second = two_digits(c + 17);
    if ((century | year_in_century | month | day | hour | minute | second) < 0) return false;
    year = century * 100 + year_in_century;
    return true;
}

}  // namespace

std::optional<std::int64_t> parse_device_datetime(std::string_view s, std::size_t& i) {
    std::size_t p = i;
    int year, month, day, hour, minute, second;
    if (!parse_full_width(s, p, year, month, day, hour, minute, second)) return detail::parse_any_device_datetime(s, i);
    p += 19;
    const int ms = parse_fraction_ms(s, p);
    auto value = civil_to_ms(year, month, day, hour, minute, second, ms);
    if (value) i = p;
    return value;
}

std::optional<std::int64_t> detail::parse_any_device_datetime(std::string_view s, std::size_t& i) {
    std::size_t p = i;
    int year, month, day, hour, minute, second;
    if (!parse_digits(s, p, 4, 4, year)) return std::nullopt;
    if (p >= s.size() || (s[p] != '-' && s[p] != '.')) return std::nullopt;
    const char sep = s[p++];
    if (!parse_digits(s, p, 1, 2, month)) return std::nullopt;
    if (p >= s.size() || s[p] != sep) return std::nullopt;
    ++p;
    if (!parse_digits(s, p, 1, 2, day)) return std::nullopt;
    if (p >= s.size() || (s[p] != ' ' && s[p] != 'T')) return std::nullopt;
    while (p < s.size() && (s[p] == ' ' || s[p] == 'T')) ++p;
    if (!parse_digits(s, p, 1, 2, hour)) return std::nullopt;
    if (p >= s.size() || s[p++] != ':') return std::nullopt;
    if (!parse_digits(s, p, 2, 2, minute)) return std::nullopt;
    if (p >= s.size() || s[p++] != ':') return std::nullopt;
    if (!parse_digits(s, p, 2, 2, second)) return std::nullopt;
    int ms = parse_fraction_ms(s, p);
    auto value = civil_to_ms(year, month, day, hour, minute, second, ms);
    if (value) i = p;
    return value;
}

std::optional<std::int64_t> parse_iso8601_utc(std::string_view s) {
    std::size_t p = num::skip_spaces(s, 0);
    int year, month, day, hour, minute, second;
    if (!parse_digits(s, p, 4, 4, year)) return std::nullopt;
    if (p >= s.size() || s[p++] != '-') return std::nullopt;
    if (!parse_digits(s, p, 2, 2, month)) return std::nullopt;
    if (p >= s.size() || s[p++] != '-') return std::nullopt;
    if (!parse_digits(s, p, 2, 2, day)) return std::nullopt;
    if (p >= s.size() || (s[p] != 'T' && s[p] != 't' && s[p] != ' ')) return std::nullopt;
    ++p;
    if (!parse_digits(s, p, 2, 2, hour)) return std::nullopt;
    if (p >= s.size() || s[p++] != ':') return std::nullopt;
    if (!parse_digits(s, p, 2, 2, minute)) return std::nullopt;
    if (p >= s.size() || s[p++] != ':') return std::nullopt;
    if (!parse_digits(s, p, 2, 2, second)) return std::nullopt;
    int ms = (p < s.size() && s[p] == '.') ? parse_fraction_ms(s, p) : 0;
    auto value = civil_to_ms(year, month, day, hour, minute, second, ms);
    if (!value) return std::nullopt;
    if (p < s.size() && (s[p] == '+' || s[p] == '-')) {
        const int sign = s[p] == '+' ? 1 : -1;
        ++p;
        int oh = 0, om = 0;
        if (!parse_digits(s, p, 2, 2, oh)) return std::nullopt;
        if (p < s.size() && s[p] == ':') ++p;
        if (p < s.size() && is_digit(s[p]) && !parse_digits(s, p, 2, 2, om)) return std::nullopt;
        if (oh > 14 || om > 59) return std::nullopt;
        *value -= sign * (std::int64_t(oh) * 60 + om) * 60000;
    }
    return value;
}

std::optional<int> local_utc_offset_minutes(std::int64_t local_ms) {
    std::int64_t secs = local_ms >= 0 ? local_ms / 1000 : -((-local_ms + 999) / 1000);
    std::int64_t days = secs >= 0 ? secs / 86400 : -((-secs + 86399) / 86400);
    std::int64_t rem = secs - days * 86400;
    const CivilDate date = civil_from_days(days);

    std::tm tm{};
    tm.tm_year = int(date.year - 1900);
    tm.tm_mon = int(date.month - 1);
    tm.tm_mday = int(date.day);
    tm.tm_hour = int(rem / 3600);
    tm.tm_min = int(rem / 60 % 60);
    tm.tm_sec = int(rem % 60);
    tm.tm_isdst = -1;  // let the zone rules decide whether DST was in force
    std::time_t utc = std::mktime(&tm);
    if (utc == std::time_t(-1)) return std::nullopt;
    std::int64_t offset_s = secs - std::int64_t(utc);
    if (offset_s < -16 * 3600 || offset_s > 16 * 3600) return std::nullopt;
    return int((offset_s >= 0 ? offset_s + 30 : offset_s - 30) / 60);
}

}  // namespace trakvia::engine

// Line-level reading of SRT text: trimming and cue times.
#include "srt_lines.hpp"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "numbers.hpp"

namespace trakvia::engine {

namespace {

// Hours, minutes or seconds of a cue time above this are no time: the line is no cue.
constexpr std::int64_t kMaxCueTimeField = 1000000;

// A cue time's fraction: up to this many digits are read; the first three are milliseconds.
constexpr int kMaxCueFractionDigits = 9;
constexpr int kMillisecondDigits = 3;

}  // namespace

std::string_view trim_line(std::string_view s) {
    std::size_t b = 0;
    for (;;) {
        while (b < s.size() && (num::is_space(s[b]) || s[b] == '\0')) ++b;
        if (s.size() - b >= 3 && std::memcmp(s.data() + b, "\xEF\xBB\xBF", 3) == 0) {
            b += 3;  // a BOM at the start of a file that was joined onto another
            continue;
        }
        break;
    }
    std::size_t e = s.size();
    while (e > b && (num::is_space(s[e - 1]) || s[e - 1] == '\0')) --e;
    return s.substr(b, e - b);
}

bool parse_cue_time(std::string_view s, std::size_t& p, double& seconds) {
    std::int64_t h = 0, m = 0, sec = 0;
    if (!num::parse_int(s, p, h) || p >= s.size() || s[p++] != ':') return false;
    if (!num::parse_int(s, p, m) || p >= s.size() || s[p++] != ':') return false;
    if (!num::parse_int(s, p, sec)) return false;
    if (h < 0 || m < 0 || sec < 0 || h > kMaxCueTimeField || m > kMaxCueTimeField || sec > kMaxCueTimeField)
        return false;
    double frac = 0.0;
    if (p < s.size() && (s[p] == ',' || s[p] == '.')) {
        ++p;
        std::int64_t v = 0;
        int digits = 0;
        while (p < s.size() && num::is_digit(s[p]) && digits < kMaxCueFractionDigits) {
            v = v * 10 + (s[p] - '0');
            ++digits;
            ++p;
        }
        frac = double(v) / num::detail::kExactPow10[std::min(digits, kMillisecondDigits)];
    }
    seconds = double(h) * 3600.0 + double(m) * 60.0 + double(sec) + frac;
    return true;
}

}  // namespace trakvia::engine

// Locale-independent number scanning over string views (std::from_chars underneath).
#pragma once

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace trakvia::engine::num {

inline bool is_digit(char c) { return c >= '0' && c <= '9'; }
inline bool is_space(char c) { return c == ' ' || c == '\t'; }

inline std::size_t skip_spaces(std::string_view s, std::size_t i) {
    while (i < s.size() && is_space(s[i])) ++i;
    return i;
}

// Parses a decimal number at s[i] (an optional '+' is accepted, which from_chars refuses).
// On success stores it, advances i past it and, when `decimals` is given, counts the digits
// after the decimal point.
inline bool parse_double(std::string_view s, std::size_t& i, double& value, int* decimals = nullptr) {
    std::size_t start = i;
    if (start < s.size() && s[start] == '+') ++start;
    if (start >= s.size()) return false;
    const char* first = s.data() + start;
    const char* last = s.data() + s.size();
    auto [ptr, ec] = std::from_chars(first, last, value, std::chars_format::fixed);
    if (ec != std::errc() || ptr == first) return false;
    if (decimals) {
        const char* dot = first;
        while (dot < ptr && *dot != '.') ++dot;
        *decimals = dot < ptr ? int(ptr - dot - 1) : 0;
    }
    i = std::size_t(ptr - s.data());
    return true;
}

inline bool parse_int(std::string_view s, std::size_t& i, std::int64_t& value) {
    const char* first = s.data() + i;
    const char* last = s.data() + s.size();
    auto [ptr, ec] = std::from_chars(first, last, value);
    if (ec != std::errc() || ptr == first) return false;
    i = std::size_t(ptr - s.data());
    return true;
}

// Exactly `min_digits`..`max_digits` decimal digits at s[i] as an unsigned value.
inline bool parse_digits(std::string_view s, std::size_t& i, int min_digits, int max_digits, int& value) {
    int n = 0;
    int v = 0;
    while (i + std::size_t(n) < s.size() && n < max_digits && is_digit(s[i + std::size_t(n)])) {
        v = v * 10 + (s[i + std::size_t(n)] - '0');
        ++n;
    }
    if (n < min_digits) return false;
    if (i + std::size_t(n) < s.size() && is_digit(s[i + std::size_t(n)])) return false;  // too many
    i += std::size_t(n);
    value = v;
    return true;
}

}  // namespace trakvia::engine::num

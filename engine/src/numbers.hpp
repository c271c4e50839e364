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

namespace detail {

inline constexpr double kExactPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                         1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// The common "-12.345678" shape without calling from_chars: at most 15 digits, so the digits
// and the power of ten are exact doubles and one division rounds correctly, giving the same
// double as from_chars. Anything else (more digits, an exponent, "5.", inf, hex) returns
// false and is left to from_chars.
inline bool parse_simple_decimal(const char* first, const char* last, double& value, const char*& end,
                                 int& fraction_digits) {
    const char* p = first;
    const bool negative = p < last && *p == '-';
    if (negative) ++p;
    const char* digits_begin = p;
    std::uint64_t mantissa = 0;
    while (p < last && is_digit(*p)) mantissa = mantissa * 10 + std::uint64_t(*p++ - '0');
    const char* int_end = p;
    if (int_end == digits_begin) return false;
    int frac = 0;
    if (p < last && *p == '.') {
        ++p;
        while (p < last && is_digit(*p)) mantissa = mantissa * 10 + std::uint64_t(*p++ - '0');
        frac = int(p - int_end - 1);
        if (frac == 0) return false;
    }
    if (p - digits_begin - (frac > 0 ? 1 : 0) > 15) return false;
    if (p < last && (*p == '.' || *p == 'e' || *p == 'E' || *p == 'x' || *p == 'X' || *p == 'p' || *p == 'P'))
        return false;
    const double magnitude = double(mantissa) / kExactPow10[frac];
    value = negative ? -magnitude : magnitude;
    end = p;
    fraction_digits = frac;
    return true;
}

// True when the text after a number shows that it was not a plain decimal at all: a second
// point ("1.2.3"), an exponent ("1e308", "1e-320") or a hex prefix ("0x1"). Units ("45.60m",
// "0.0M", "33ms") and separators may follow.
inline bool malformed_tail(const char* p, const char* last) {
    if (p >= last) return false;
    if (*p == '.' || *p == 'x' || *p == 'X') return true;
    if (*p == 'e' || *p == 'E') {
        const char* q = p + 1;
        if (q < last && (*q == '+' || *q == '-')) ++q;
        return q < last && is_digit(*q);
    }
    return false;
}

}  // namespace detail

// Parses a decimal number at s[i] (an optional '+' is accepted, which from_chars refuses).
// On success stores it, advances i past it and, when `decimals` is given, counts the digits
// after the decimal point. A number in another form (an exponent, a second point, hex) is no
// number: reading only its first part would make up a value.
inline bool parse_double(std::string_view s, std::size_t& i, double& value, int* decimals = nullptr) {
    std::size_t start = i;
    if (start < s.size() && s[start] == '+') ++start;
    if (start >= s.size()) return false;
    const char* first = s.data() + start;
    const char* last = s.data() + s.size();
    const char* end;
    int fraction_digits;
    if (detail::parse_simple_decimal(first, last, value, end, fraction_digits)) {
        if (decimals) *decimals = fraction_digits;
        i = std::size_t(end - s.data());
        return true;
    }
    auto [ptr, ec] = std::from_chars(first, last, value, std::chars_format::fixed);
    if (ec != std::errc() || ptr == first || detail::malformed_tail(ptr, last)) return false;
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

// Fixed-point number text for TextBuffer: integer digits from a value scaled and rounded
// once, so the output never depends on the locale or on printf.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>

namespace trakvia::engine::writers::fixed_point {

inline constexpr double kPow10[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9};
inline constexpr std::uint64_t kIntPow10[] = {
    1ull,           10ull,           100ull,           1000ull,           10000ull,
    100000ull,      1000000ull,      10000000ull,      100000000ull,      1000000000ull,
    10000000000ull, 100000000000ull, 1000000000000ull, 10000000000000ull, 100000000000000ull,
    1000000000000000ull, 10000000000000000ull, 100000000000000000ull, 1000000000000000000ull,
    10000000000000000000ull};
// Below 2^53 a scaled value is an exact integer after rounding; beyond it use to_chars.
inline constexpr double kExactLimit = 9.0e15;

inline constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// `v` in decimal at `p`, with leading zeros up to `min_width` digits.
inline char* put_unsigned(char* p, std::uint64_t v, int min_width = 1) {
    int n = 1;
    while (n < 20 && v >= kIntPow10[n]) ++n;
    if (n < min_width) n = min_width;
    char* end = p + n;
    char* q = end;
    while (v >= 100) {
        q -= 2;
        std::memcpy(q, kDigitPairs + 2 * (v % 100), 2);
        v /= 100;
    }
    if (v >= 10) {
        q -= 2;
        std::memcpy(q, kDigitPairs + 2 * v, 2);
    } else {
        *--q = char('0' + v);
    }
    while (q > p) *--q = '0';
    return end;
}

// Exactly D digits of `v` (< 10^D) at `p`, leading zeros included. D is a constant so the
// divisions become multiplications and the loop unrolls.
template <int D>
void put_exact_digits(char* p, std::uint64_t v) {
    char* q = p + D;
    for (int k = 0; k < D / 2; ++k) {
        q -= 2;
        std::memcpy(q, kDigitPairs + 2 * (v % 100), 2);
        v /= 100;
    }
    if constexpr (D % 2 == 1) q[-1] = char('0' + v);
}

// `units` / 10^D with its D decimals, e.g. 1234 and D = 3 as "1.234".
template <int D>
char* put_scaled(char* p, std::uint64_t units) {
    constexpr std::uint64_t unit = kIntPow10[D];
    p = put_unsigned(p, units / unit);
    if constexpr (D > 0) {
        *p++ = '.';
        put_exact_digits<D>(p, units % unit);
        p += D;
    }
    return p;
}

// |x| rounded half away from zero, as std::llround does, for finite |x| < 2^53; inline, as
// the library call costs more than the rest of the formatting. x - trunc(x) is exact there.
inline std::uint64_t round_magnitude(double x) {
    const double a = std::fabs(x);
    auto t = std::uint64_t(a);
    if (a - double(t) >= 0.5) ++t;
    return t;
}

// Any finite or non-finite value through std::to_chars; needs 400 characters.
char* put_fixed_general(char* p, double value, int decimals);

// The fixed-point text of `value` (see TextBuffer::fixed) at `p`; needs 400 characters.
// Inline so that call sites with constant decimals lose the dispatch.
inline char* put_fixed(char* p, double value, int decimals) {
    const double scaled = value * kPow10[decimals];
    if (std::isfinite(scaled) && std::fabs(scaled) < kExactLimit) {
        const std::uint64_t u = round_magnitude(scaled);
        if (scaled < 0 && u != 0) *p++ = '-';  // nothing rounds to "-0"
        switch (decimals) {
            case 0: return put_scaled<0>(p, u);
            case 1: return put_scaled<1>(p, u);
            case 2: return put_scaled<2>(p, u);
            case 3: return put_scaled<3>(p, u);
            case 4: return put_scaled<4>(p, u);
            case 5: return put_scaled<5>(p, u);
            case 6: return put_scaled<6>(p, u);
            case 7: return put_scaled<7>(p, u);
            case 8: return put_scaled<8>(p, u);
            default: return put_scaled<9>(p, u);
        }
    }
    return put_fixed_general(p, value, decimals);
}

}  // namespace trakvia::engine::writers::fixed_point

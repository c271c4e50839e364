// Locale-free number scanning: the shortcut for plain decimals must agree with from_chars.
#include <gtest/gtest.h>

#include <bit>
#include <random>
#include <string>

#include "numbers.hpp"

namespace trakvia::engine::num {
namespace {

struct Parsed {
    bool ok = false;
    std::size_t end = 0;
    std::uint64_t bits = 0;
    int decimals = -7;
    bool operator==(const Parsed&) const = default;
};

// parse_double's contract stated with from_chars alone.
Parsed reference_parse(std::string_view s, std::size_t i) {
    Parsed out;
    std::size_t start = i;
    if (start < s.size() && s[start] == '+') ++start;
    if (start >= s.size()) return out;
    double value;
    auto [ptr, ec] = std::from_chars(s.data() + start, s.data() + s.size(), value, std::chars_format::fixed);
    if (ec != std::errc() || ptr == s.data() + start) return out;
    // Not a plain decimal: a second point, an exponent or a hex prefix right after it.
    const std::string_view tail(ptr, std::size_t(s.data() + s.size() - ptr));
    if (!tail.empty() && (tail[0] == '.' || tail[0] == 'x' || tail[0] == 'X')) return out;
    if (!tail.empty() && (tail[0] == 'e' || tail[0] == 'E')) {
        std::size_t k = 1;
        if (k < tail.size() && (tail[k] == '+' || tail[k] == '-')) ++k;
        if (k < tail.size() && is_digit(tail[k])) return out;
    }
    const char* dot = s.data() + start;
    while (dot < ptr && *dot != '.') ++dot;
    out = Parsed{true, std::size_t(ptr - s.data()), std::bit_cast<std::uint64_t>(value),
                 dot < ptr ? int(ptr - dot - 1) : 0};
    return out;
}

Parsed parse(std::string_view s, std::size_t i) {
    Parsed out;
    double value = 0;
    int decimals = -7;
    out.ok = parse_double(s, i, value, &decimals);
    if (!out.ok) return Parsed{};
    return Parsed{true, i, std::bit_cast<std::uint64_t>(value), decimals};
}

void expect_same(const std::string& text) {
    EXPECT_EQ(parse(text, 0), reference_parse(text, 0)) << '"' << text << '"';
}

TEST(ParseDouble, AgreesWithFromCharsOnTelemetryShapes) {
    for (const char* text :
         {"38.643580", "-70.6483", "+41.5", "0", "-0", "-0.0", "007.50", "5.", ".5", "-.5", "+-5", "1e5", "1E-3",
          "0x1p3", "inf", "-nan", "45.60m", "0.0M)", "12,5", "1.2.3", "123456789012345", "1234567890123456",
          "0.1234567890123456789", "99999999999999.9", "1.0000000000000000000000001", "-", "+", "", "abc",
          "179.9999999]", "3.14159265358979", "9007199254740993", "0.30000000000000004"})
        expect_same(text);
}

TEST(ParseDouble, AgreesWithFromCharsOnRandomText) {
    std::mt19937_64 rng(7);
    const std::string alphabet = "0123456789012345678901234567890123456789..--+eExpm ,)]\xFA\xFF/:";
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1), length(1, 26);
    for (int n = 0; n < 200000; ++n) {
        std::string text;
        for (std::size_t k = length(rng); k > 0; --k) text += alphabet[pick(rng)];
        expect_same(text);
        if (HasFailure()) return;
    }
}

TEST(ParseDouble, AgreesWithFromCharsOnPrintedCoordinates) {
    // Values as devices print them: every width of fraction, near powers of ten and ties.
    std::mt19937_64 rng(11);
    std::uniform_real_distribution<double> value(-200.0, 2000.0);
    char buf[64];
    for (int n = 0; n < 200000; ++n) {
        const int decimals = int(rng() % 17);
        const auto end = std::to_chars(buf, buf + sizeof buf, value(rng), std::chars_format::fixed, decimals).ptr;
        expect_same(std::string(buf, end) + "]");
        if (HasFailure()) return;
    }
}

TEST(ParseDouble, NumbersInAnotherFormAreNoNumbers) {
    // Each of these used to read as its first part (1, 1, 1.2, 0) and make bogus points.
    for (const char* text : {"1e308", "1e-320", "1.2.3", "0x1A", "5E+2]", "-1.5e3,"}) {
        std::size_t i = 0;
        double v = 0;
        EXPECT_FALSE(parse_double(text, i, v)) << text;
    }
    for (const char* text : {"45.60m", "0.0M)", "33ms", "2.5e", "7.5 ", "1,2"}) {
        std::size_t i = 0;
        double v = 0;
        EXPECT_TRUE(parse_double(text, i, v)) << text;
    }
}

TEST(ParseDouble, StartsAtTheGivenOffset) {
    std::size_t i = 5;
    double v = 0;
    int decimals = 0;
    ASSERT_TRUE(parse_double("[ev: -0.7]", i, v, &decimals));
    EXPECT_EQ(v, -0.7);
    EXPECT_EQ(i, 9u);
    EXPECT_EQ(decimals, 1);
}

}  // namespace
}  // namespace trakvia::engine::num

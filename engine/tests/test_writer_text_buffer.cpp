// Number, time and text formatting shared by the track writers.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <random>
#include <sstream>

#include "writers/text_buffer.hpp"

namespace trakvia::engine::writers {
namespace {

template <class Fill>
std::string formatted(Fill fill) {
    std::ostringstream s;
    TextBuffer out(s);
    fill(out);
    out.flush();
    return s.str();
}

struct FixedCase {
    double value;
    int decimals;
    const char* expected;
};

class FixedTest : public ::testing::TestWithParam<FixedCase> {};

TEST_P(FixedTest, PrintsExactDecimals) {
    const auto& c = GetParam();
    EXPECT_EQ(formatted([&](TextBuffer& b) { b.fixed(c.value, c.decimals); }), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Values, FixedTest, ::testing::Values(
    FixedCase{0.0, 2, "0.00"},
    FixedCase{-0.0, 2, "0.00"},
    FixedCase{-0.0001, 2, "0.00"},         // rounds to zero: no "-0.00"
    FixedCase{41.0001, 7, "41.0001000"},
    FixedCase{-70.6483, 7, "-70.6483000"},
    FixedCase{-0.0000001, 7, "-0.0000001"},
    FixedCase{2.5, 0, "3"},
    FixedCase{-2.5, 0, "-3"},
    FixedCase{0.999999996, 8, "1.00000000"},
    FixedCase{123456789.125, 3, "123456789.125"},
    FixedCase{1e20, 1, "100000000000000000000.0"}));  // beyond the integer path

// The rule fixed() follows, stated the plain way: value × 10^decimals rounded half away from
// zero by std::llround, its digits with the point `decimals` places from the right; values
// whose scaled magnitude reaches 9e15 (or is not finite) go to std::to_chars.
std::string reference_fixed(double value, int decimals) {
    const double scaled = value * std::pow(10.0, decimals);
    if (!std::isfinite(scaled) || std::fabs(scaled) >= 9.0e15) {
        char buf[400];
        return std::string(buf, std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals).ptr);
    }
    const long long n = std::llround(scaled);
    std::string digits = std::to_string(n < 0 ? -n : n);
    if (int(digits.size()) <= decimals) digits.insert(0, std::size_t(decimals + 1) - digits.size(), '0');
    if (decimals > 0) digits.insert(digits.size() - std::size_t(decimals), ".");
    return (n < 0 ? "-" : "") + digits;
}

// Values that stress the rounding: exact and near ties, both sides of every power of ten, the
// integer-path limit, and arbitrary bit patterns.
std::vector<double> rounding_probes(int decimals, std::mt19937_64& rng) {
    std::vector<double> out;
    const double unit = std::pow(10.0, -decimals);
    std::uniform_real_distribution<double> coordinate(-180.0, 180.0);
    std::uniform_int_distribution<long long> whole(-2000000000LL, 2000000000LL);
    for (int i = 0; i < 20000; ++i) {
        const double c = coordinate(rng);
        out.push_back(c);
        const double tie = (double(whole(rng)) + 0.5) * unit;
        out.push_back(tie);
        out.push_back(std::nextafter(tie, 0.0));
        out.push_back(std::nextafter(tie, tie * 2));
        out.push_back(std::bit_cast<double>(rng()));
        out.push_back(std::ldexp(double(rng() >> 11), int(rng() % 80) - 60) * (i % 2 ? 1 : -1));
    }
    for (int e = -12; e <= 17; ++e) {
        const double p = std::pow(10.0, e);
        for (double v : {p, -p, std::nextafter(p, 0.0), std::nextafter(p, 1e300), p - unit / 2, p + unit / 2})
            out.push_back(v);
    }
    const double limit = 9.0e15 * unit;
    for (double v : {limit, std::nextafter(limit, 0.0), -limit, std::nextafter(-limit, 0.0), 0.5 * unit,
                     -0.5 * unit, std::nextafter(0.5 * unit, 0.0), -std::nextafter(0.5 * unit, 0.0), 0.0, -0.0})
        out.push_back(v);
    return out;
}

TEST(Fixed, MatchesTheRoundingRuleOnRandomAndEdgeValues) {
    std::mt19937_64 rng(20240501);
    for (int decimals = 0; decimals <= 9; ++decimals) {
        std::ostringstream stream;
        TextBuffer out(stream);
        std::string expected;
        for (double v : rounding_probes(decimals, rng)) {
            out.fixed(v, decimals);
            out << '\n';
            expected += reference_fixed(v, decimals) + '\n';
        }
        out.flush();
        const std::string got = stream.str();
        if (got == expected) continue;
        // Name the first differing value rather than dumping megabytes.
        std::size_t at = std::mismatch(got.begin(), got.end(), expected.begin()).second - expected.begin();
        std::size_t line_begin = expected.rfind('\n', at);
        line_begin = line_begin == std::string::npos ? 0 : line_begin + 1;
        ADD_FAILURE() << "decimals " << decimals << ": expected "
                      << expected.substr(line_begin, expected.find('\n', at) - line_begin);
    }
}

struct PaddedCase {
    double value;
    int width, decimals;
    const char* expected;
};

class SignedPaddedTest : public ::testing::TestWithParam<PaddedCase> {};

TEST_P(SignedPaddedTest, SignsAndPads) {
    const auto& c = GetParam();
    EXPECT_EQ(formatted([&](TextBuffer& b) { b.signed_padded(c.value, c.width, c.decimals); }), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Values, SignedPaddedTest, ::testing::Values(
    PaddedCase{41.0001, 3, 4, "+041.0001"},
    PaddedCase{-8.5, 2, 1, "-08.5"},
    PaddedCase{-0.001, 1, 2, "+0.00"},
    PaddedCase{1234.5, 2, 0, "+1235"},  // wider than the pattern: never truncated
    PaddedCase{7.0, 1, 0, "+7"}));

struct TimeCase {
    std::int64_t ms;
    bool utc;
    const char* expected;
};

class IsoTimeTest : public ::testing::TestWithParam<TimeCase> {};

TEST_P(IsoTimeTest, PrintsCalendarTime) {
    const auto& c = GetParam();
    EXPECT_EQ(formatted([&](TextBuffer& b) { b.iso_time(c.ms, c.utc); }), c.expected);
}

TEST(IsoTime, SameDayTwiceAndBack) {
    // The second and third stamps reuse the remembered date; the fourth must not.
    EXPECT_EQ(formatted([](TextBuffer& b) {
                  b.iso_time(1714546800000, true);
                  b << ' ';
                  b.iso_time(1714546800000 + 3600000, true);
                  b << ' ';
                  b.iso_time(1714546800000 - 7 * 3600000, true);
                  b << ' ';
                  b.iso_time(1714546800000 - 7 * 3600000 - 1, true);
              }),
              "2024-05-01T07:00:00.000Z 2024-05-01T08:00:00.000Z 2024-05-01T00:00:00.000Z 2024-04-30T23:59:59.999Z");
}

INSTANTIATE_TEST_SUITE_P(Values, IsoTimeTest, ::testing::Values(
    TimeCase{0, true, "1970-01-01T00:00:00.000Z"},
    TimeCase{1714546800033, true, "2024-05-01T07:00:00.033Z"},
    TimeCase{1709251199999, true, "2024-02-29T23:59:59.999Z"},
    TimeCase{951868800000, false, "2000-03-01T00:00:00.000"},
    TimeCase{-1, true, "1969-12-31T23:59:59.999Z"},
    TimeCase{-2208988800000, true, "1900-01-01T00:00:00.000Z"},
    TimeCase{253402300800000, true, "10000-01-01T00:00:00.000Z"}));

struct EscapeCase {
    const char* name;
    std::string input;
    const char* xml;
    const char* json;
};

class EscapeTest : public ::testing::TestWithParam<EscapeCase> {};

TEST_P(EscapeTest, XmlText) {
    const auto& c = GetParam();
    EXPECT_EQ(formatted([&](TextBuffer& b) { b.xml_text(c.input); }), c.xml);
}

TEST_P(EscapeTest, JsonString) {
    const auto& c = GetParam();
    EXPECT_EQ(formatted([&](TextBuffer& b) { b.json_string(c.input); }), c.json);
}

#define FFFD "\xEF\xBF\xBD"
INSTANTIATE_TEST_SUITE_P(Texts, EscapeTest, ::testing::Values(
    EscapeCase{"markup", "A&B <C> \"q\" 'a'", "A&amp;B &lt;C&gt; &quot;q&quot; &apos;a&apos;",
               "\"A&B <C> \\\"q\\\" 'a'\""},
    EscapeCase{"turkish", "Çığ Şükrü İÖ", "Çığ Şükrü İÖ", "\"Çığ Şükrü İÖ\""},
    EscapeCase{"whitespace", "a\tb\nc\rd", "a&#9;b&#10;c&#13;d", "\"a\\tb\\nc\\rd\""},
    EscapeCase{"control", std::string("x\x01y\x1f", 4), "x" FFFD "y" FFFD, "\"x\\u0001y\\u001f\""},
    EscapeCase{"nul", std::string("a\0b", 3), "a" FFFD "b", "\"a\\u0000b\""},
    EscapeCase{"backslash", "C:\\DJI\\", "C:\\DJI\\", "\"C:\\\\DJI\\\\\""},
    EscapeCase{"bad_byte", "a\xff" "b", "a" FFFD "b", "\"a" FFFD "b\""},
    EscapeCase{"overlong", "\xC0\xAF", FFFD FFFD, "\"" FFFD FFFD "\""},
    EscapeCase{"truncated", "\xE2\x82", FFFD FFFD, "\"" FFFD FFFD "\""},
    EscapeCase{"surrogate", "\xED\xA0\x80", FFFD FFFD FFFD, "\"" FFFD FFFD FFFD "\""},
    EscapeCase{"four_bytes", "\xF0\x9F\x9A\x81", "\xF0\x9F\x9A\x81", "\"\xF0\x9F\x9A\x81\""}),
    [](const auto& info) { return std::string(info.param.name); });
#undef FFFD

TEST(IntegerDigits, CountsDigitsAfterRounding) {
    EXPECT_EQ(integer_digits(0.4, 0), 1);
    EXPECT_EQ(integer_digits(9.9999999, 7), 1);
    EXPECT_EQ(integer_digits(9.99999999, 7), 2);  // prints as 10.0000000
    EXPECT_EQ(integer_digits(-123.4, 1), 3);
}

TEST(TextBufferChunks, LongRecordsGrowTheBuffer) {
    const std::string name(300000, 'a');
    EXPECT_EQ(formatted([&](TextBuffer& b) {
                  b.json_string(name);
                  b.xml_text(name);
              }).size(),
              2 * name.size() + 2);
}

TEST(TextBufferChunks, HandsOverOnlyFullChunks) {
    std::ostringstream s;
    TextBuffer out(s, 8);
    out << "1234567";
    out.flush_if_full();
    EXPECT_EQ(s.str(), "");
    out << "89";
    out.flush_if_full();
    EXPECT_EQ(s.str(), "123456789");
    out << "x";
    out.flush();
    EXPECT_EQ(s.str(), "123456789x");
}

}  // namespace
}  // namespace trakvia::engine::writers

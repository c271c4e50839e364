// Device date-times: the shortcut for full-width fields must read exactly what the general
// parser reads.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "civil_time.hpp"

namespace trakvia::engine {
namespace {

struct Parsed {
    std::optional<std::int64_t> ms;
    std::size_t end;
};

Parsed with_shortcut(std::string_view s, std::size_t at) {
    std::size_t i = at;
    auto ms = parse_device_datetime(s, i);
    return {ms, i};
}

Parsed general(std::string_view s, std::size_t at) {
    std::size_t i = at;
    auto ms = detail::parse_any_device_datetime(s, i);
    return {ms, i};
}

void expect_same(const std::string& s, std::size_t at = 0) {
    const Parsed a = with_shortcut(s, at), b = general(s, at);
    EXPECT_EQ(a.ms, b.ms) << '"' << s << '"';
    EXPECT_EQ(a.end, b.end) << '"' << s << '"';
}

TEST(DeviceDateTime, ReadsTheSpellingsDevicesWrite) {
    std::size_t i = 1;
    EXPECT_EQ(parse_device_datetime(">2021-12-25 12:27:52.373 x", i), civil_to_ms(2021, 12, 25, 12, 27, 52, 373));
    EXPECT_EQ(i, 24u);
    i = 0;
    EXPECT_EQ(parse_device_datetime("2019-09-27 10:28:08,438,904", i), civil_to_ms(2019, 9, 27, 10, 28, 8, 438));
    i = 0;
    EXPECT_EQ(parse_device_datetime("2017.8.5 14:11:51", i), civil_to_ms(2017, 8, 5, 14, 11, 51, 0));
    i = 0;
    EXPECT_EQ(parse_device_datetime("2022-06-21 16:06:171", i), std::nullopt);  // three seconds digits
    EXPECT_EQ(i, 0u);
}

TEST(DeviceDateTime, ShortcutAgreesWithTheGeneralParser) {
    const std::string seeds[] = {"2021-12-25 12:27:52.373", "2022.06.21T16:06:17", "2019-09-27 10:28:08,438,904",
                                 "2024-02-29 23:59:60.999", "1899-12-31 00:00:00", "2024-13-01 24:61:00"};
    const std::string noise = "0123456789-.: T,x";
    std::mt19937 rng(13);
    for (const std::string& seed : seeds) {
        expect_same(seed);
        for (int n = 0; n < 4000; ++n) {
            std::string s = seed;
            for (int edits = 1 + int(rng() % 3); edits > 0; --edits) {
                const std::size_t at = rng() % (s.size() + 1);
                const char c = noise[rng() % noise.size()];
                switch (rng() % 3) {
                    case 0: if (at < s.size()) s[at] = c; break;
                    case 1: s.insert(at, 1, c); break;
                    default: if (at < s.size()) s.erase(at, 1); break;
                }
            }
            expect_same(s);
            expect_same("x" + s, 1);
            if (HasFailure()) return;
        }
    }
}

}  // namespace
}  // namespace trakvia::engine

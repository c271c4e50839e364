// The pipeline on memory input: time line, validation, speed, altitude choice.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <utility>
#include <vector>

#include "civil_time.hpp"
#include "geodesy.hpp"
#include "pipeline.hpp"
#include "srt_fixture.hpp"

namespace trakvia::engine {
namespace {

using testing::l4_block;

BuiltTrack build(const std::string& text, ConvertOptions options = {}, InputKind kind = InputKind::srt) {
    options.sample_mode = SampleMode::all;
    TextSource source = TextSource::from_memory(text);
    return build_track(source, kind, options);
}

ConvertOptions utc_plus(int minutes) {
    ConvertOptions o;
    o.utc_offset_minutes = minutes;
    return o;
}

char wall_text_buf[64];
std::string wall(int h, int m, int s, int ms) {
    std::snprintf(wall_text_buf, sizeof wall_text_buf, "2024-05-23 %02d:%02d:%02d.%03d", h, m, s, ms);
    return wall_text_buf;
}

TEST(Pipeline, BunchedWallClockStampsFollowTheCueTimes) {
    // Mavic 3T: .877, .158, .158, .159, .183 against cues 33 ms apart.
    const int ms[] = {877, 1158, 1158, 1159, 1183};
    std::string text;
    for (int i = 0; i < 5; ++i)
        text += l4_block(i + 1, i * 0.033, wall(17, 36, 1 + ms[i] / 1000, ms[i] % 1000), 50.106373, 14.495168);
    auto b = build(text, utc_plus(120));
    ASSERT_EQ(b.track.points.size(), 5u);
    const std::int64_t first = *civil_to_ms(2024, 5, 23, 15, 36, 1, 877);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(*b.track.points[i].time_ms, first + i * 33);
    EXPECT_EQ(b.report.time_source, "wall_clock_given_offset");
    EXPECT_EQ(b.report.utc_offset_minutes, 120);
    EXPECT_TRUE(b.track.has_wall_clock);
}

#ifndef _WIN32
TEST(Pipeline, DefaultOffsetIsTheComputersZoneWithDaylightSaving) {
    const char* old = std::getenv("TZ");
    std::string saved = old ? old : "";
    setenv("TZ", "Europe/Berlin", 1);
    tzset();
    auto summer = build(l4_block(1, 0, "2024-07-01 12:00:00.000", 52.5, 13.4));
    auto winter = build(l4_block(1, 0, "2024-01-15 12:00:00.000", 52.5, 13.4));
    if (old) setenv("TZ", saved.c_str(), 1);
    else unsetenv("TZ");
    tzset();
    EXPECT_EQ(summer.report.utc_offset_minutes, 120);
    EXPECT_EQ(*summer.track.points[0].time_ms, *civil_to_ms(2024, 7, 1, 10, 0, 0, 0));
    EXPECT_EQ(winter.report.utc_offset_minutes, 60);
}
#endif

// A stand-in for the binding's lookup: east of 20° is UTC+3 ("Europe/Istanbul"), west of it
// UTC-3 in July and UTC-4 otherwise ("Test/West"), so that daylight saving shows.
struct FakeZones {
    std::vector<std::pair<double, double>> asked;
    ZoneResolver resolver() {
        return [this](double lat, double lon, std::int64_t ms, bool) -> std::optional<ZoneOffset> {
            asked.emplace_back(lat, lon);
            if (lon > 20) return ZoneOffset{"Europe/Istanbul", 180};
            const bool july = civil_from_days(split_day(ms).day).month == 7;
            return ZoneOffset{"Test/West", july ? -180 : -240};
        };
    }
};

BuiltTrack build_with_zones(const std::string& text, FakeZones& zones) {
    ConvertOptions options;
    options.sample_mode = SampleMode::all;
    TextSource source = TextSource::from_memory(text);
    return build_track(source, InputKind::srt, options, zones.resolver());
}

TEST(Pipeline, LocalStampsTakeTheZoneOfEachRecordingsFirstFix) {
    // A block without a fix before the first one, and a second recording (cue restarts) far west.
    std::string text = "1\n00:00:00,000 --> 00:00:00,033\n2024-07-01 12:00:00.000\n"
                       "[latitude: 0.000000] [longitude: 0.000000] [rel_alt: 1.000 abs_alt: 1.000]\n\n";
    text += l4_block(2, 1, "2024-07-01 12:00:01.000", 41.0, 29.0);
    text += l4_block(3, 2, "2024-07-01 12:00:02.000", 41.0001, 29.0);
    text += l4_block(1, 0, "2024-01-10 08:00:00.000", -34.6, -58.4);
    text += l4_block(2, 1, "2024-01-10 08:00:01.000", -34.6001, -58.4);
    FakeZones zones;
    auto b = build_with_zones(text, zones);
    ASSERT_EQ(b.track.points.size(), 4u);
    ASSERT_EQ(zones.asked.size(), 2u);  // once per recording, at its first fix
    EXPECT_EQ(zones.asked[0], std::make_pair(41.0, 29.0));
    // The offset is the zone's at the recording's first stamp (12:00:00), not the computer's.
    EXPECT_EQ(*b.track.points[0].time_ms, *civil_to_ms(2024, 7, 1, 9, 0, 1, 0));
    EXPECT_EQ(*b.track.points[0].local_offset_min, 180);
    EXPECT_EQ(*b.track.points[2].time_ms, *civil_to_ms(2024, 1, 10, 12, 0, 0, 0));
    EXPECT_EQ(*b.track.points[2].local_offset_min, -240);
    EXPECT_EQ(b.report.time_source, "wall_clock_position_zone");
    EXPECT_EQ(b.report.time_zone, "Europe/Istanbul");
    EXPECT_EQ(b.report.utc_offset_minutes, 180);
    EXPECT_TRUE(b.report.warnings.empty() || b.report.warnings[0].code != WarningCode::zone_lookup_failed);
}

TEST(Pipeline, AGivenOffsetOverridesThePositionsZone) {
    FakeZones zones;
    ConvertOptions options = utc_plus(60);
    options.sample_mode = SampleMode::all;
    TextSource source = TextSource::from_memory(l4_block(1, 0, "2024-07-01 12:00:00.000", 41.0, 29.0));
    auto b = build_track(source, InputKind::srt, options, zones.resolver());
    EXPECT_EQ(*b.track.points[0].time_ms, *civil_to_ms(2024, 7, 1, 11, 0, 0, 0));
    EXPECT_EQ(b.report.time_source, "wall_clock_given_offset");
}

TEST(Pipeline, BlocksCutOffBeforeTheirPositionAreDroppedFixesThatBreakTheSegment) {
    // Mavic 2 style: one block cut inside "[latitude", one with the latitude only.
    auto block = [](int i, const std::string& body) {
        return std::to_string(i) + "\n00:00:0" + std::to_string(i) + ",000 --> 00:00:0" + std::to_string(i) +
               ",500\n<font size=\"28\">SrtCnt : " + std::to_string(i) + ", DiffTime : 33ms\n" + body + "\n\n";
    };
    auto fix = [](double lat) {
        char buf[96];
        std::snprintf(buf, sizeof buf, "[latitude : %.6f] [longtitude : 29.000000] [altitude: 10.0] </font>", lat);
        return std::string(buf);
    };
    std::string text = block(1, fix(41.0)) + block(2, fix(41.00001)) + block(3, "[iso : 100] [latit") +
                       block(4, "[latitude : 41.00005] [lo") + block(5, fix(41.00006)) + block(6, fix(41.00007));
    auto b = build(text);
    ASSERT_EQ(b.track.points.size(), 4u);
    EXPECT_TRUE(b.track.points[2].segment_start);
    EXPECT_NEAR(b.report.total_distance_m, 2 * geodesy::distance_m(41.0, 29.0, 41.00001, 29.0), 1e-6);
    ASSERT_GE(b.report.warnings.size(), 1u);
    EXPECT_EQ(b.report.warnings[0].code, WarningCode::invalid_positions);
    EXPECT_EQ(b.report.warnings[0].count, 2u);
    EXPECT_EQ(b.report.warnings[0].first_line, 12u);  // block 3's cue line
}

TEST(Pipeline, AClipTooShortForASpeedWindowGetsItsOverallSpeedAndRecordedTime) {
    std::string text;
    for (int i = 0; i < 5; ++i) text += l4_block(i + 1, i * 0.1, "", 41.0 + i * 1e-5, 29.0);
    auto b = build(text);
    const double metres = geodesy::distance_m(41.0, 29.0, 41.00004, 29.0);
    EXPECT_NEAR(b.report.max_speed_kmh, metres / 0.4 * 3.6, 1e-6);
    EXPECT_NEAR(b.report.duration_s, 0.4, 1e-9);
}

TEST(Pipeline, FilesWithoutDateTimesGetNoDates) {
    auto b = build(
        "1\n00:00:00,000 --> 00:00:01,000\nF/3.2, SS 160, ISO 100, EV 0, GPS (8.2090, 47.4692, 18), D 49.21m, H 45.60m, "
        "H.S 2.00m/s, V.S 0.00m/s\n\n2\n00:00:01,000 --> 00:00:02,000\nF/3.2, GPS (8.2091, 47.4692, 18), H 46.00m, "
        "H.S 7.50m/s, V.S 0.00m/s\n");
    ASSERT_EQ(b.track.points.size(), 2u);
    EXPECT_FALSE(b.track.points[0].time_ms);
    EXPECT_FALSE(b.track.has_wall_clock);
    EXPECT_EQ(b.report.time_source, "cue");
    EXPECT_NEAR(b.report.max_speed_kmh, 27.0, 1e-9);  // the device's H.S, not the 7.5 m/s step
    EXPECT_NEAR(b.report.duration_s, 1.0, 1e-12);
}

TEST(Pipeline, ConcatenatedRecordingsStartANewSegmentWithoutCountingTheJoin) {
    std::string text;
    for (int i = 0; i < 5; ++i)
        text += l4_block(i + 1, i, wall(10, 0, i, 0), 41.0 + i * 0.0001, 29.0);
    for (int i = 0; i < 5; ++i)  // cue and counter start again, the clock goes on, 300 m away
        text += l4_block(i + 1, i, wall(10, 0, 5 + i, 0), 41.003 + i * 0.0001, 29.0);
    auto b = build(text, utc_plus(0));
    ASSERT_EQ(b.track.points.size(), 10u);
    EXPECT_TRUE(b.track.points[0].segment_start);
    EXPECT_TRUE(b.track.points[5].segment_start);
    EXPECT_EQ(*b.track.points[5].time_ms - *b.track.points[4].time_ms, 1000);
    const double step = geodesy::distance_m(41.0, 29.0, 41.0001, 29.0);
    EXPECT_NEAR(b.report.total_distance_m, 8 * step, 0.01);
    EXPECT_NEAR(b.report.duration_s, 8.0, 1e-9);  // recorded: 4 s each, the 1 s between them left out
    EXPECT_NEAR(b.report.elapsed_s, 9.0, 1e-9);
    EXPECT_LT(b.report.max_speed_kmh, 12 * 3.6);
}

TEST(Pipeline, InvalidFixesAreDroppedAndBreakTheSegment) {
    std::string text = l4_block(1, 0, "", 41.0, 29.0) + l4_block(2, 1, "", 41.0001, 29.0);
    text += "3\n00:00:02,000 --> 00:00:03,000\nHOME(29.0,41.0) 2017.08.05 14:11:51\nGPS(N/A,N/A,4) BAROMETER:0.0\n\n";
    text += l4_block(4, 3, "", 0.0, 0.0);
    text += l4_block(5, 4, "", 41.0003, 29.0) + l4_block(6, 5, "", 41.0004, 29.0);
    auto b = build(text);
    EXPECT_EQ(b.report.raw_point_count, 6u);
    ASSERT_EQ(b.report.valid_point_count, 4u);
    EXPECT_FALSE(b.track.points[1].segment_start);
    EXPECT_TRUE(b.track.points[2].segment_start);  // no invented point across the gap
    EXPECT_NEAR(b.track.points[2].lat_deg, 41.0003, 1e-12);
}

TEST(Pipeline, ALoneImpossibleJumpIsDroppedAndARealRelocationStartsASegment) {
    std::string text;
    for (int i = 0; i < 4; ++i) text += l4_block(i + 1, i * 0.1, "", 41.0 + i * 1e-5, 29.0);
    text += l4_block(5, 0.4, "", 41.05, 29.0);  // 5.5 km in 0.1 s, then back
    for (int i = 5; i < 8; ++i) text += l4_block(i + 1, i * 0.1, "", 41.0 + i * 1e-5, 29.0);
    text += l4_block(9, 0.8, "", 41.02, 29.0);  // 2.2 km away and staying there
    for (int i = 9; i < 12; ++i) text += l4_block(i + 1, i * 0.1, "", 41.02 + (i - 8) * 1e-5, 29.0);
    auto b = build(text);
    EXPECT_EQ(b.report.valid_point_count, 11u);
    ASSERT_EQ(b.track.points.size(), 11u);
    EXPECT_TRUE(b.track.points[4].segment_start);   // after the dropped outlier
    EXPECT_TRUE(b.track.points[7].segment_start);   // the relocation
    EXPECT_NEAR(b.track.points[7].lat_deg, 41.02, 1e-12);
    // Every kept step counts, the one across the dropped outlier too; the relocation does not.
    auto d = [](double lat1, double lat2) { return geodesy::distance_m(lat1, 29.0, lat2, 29.0); };
    double expected = 0;
    for (int i = 1; i < 8; ++i)
        if (i != 4 && i != 5) expected += d(41.0 + (i - 1) * 1e-5, 41.0 + i * 1e-5);
    expected += d(41.0 + 3e-5, 41.0 + 5e-5);
    for (int i = 9; i < 12; ++i) expected += d(41.02 + (i - 9) * 1e-5, 41.02 + (i - 8) * 1e-5);
    EXPECT_NEAR(b.report.total_distance_m, expected, 1e-6);
    EXPECT_LT(b.report.max_speed_kmh, 50.0);
}

TEST(Pipeline, AnInputOfKnownSizeKeepsItsPointsWithoutDoubling) {
    // The point list is sized from the share of the file read after a few thousand points,
    // read here in small pieces as from a file.
    std::string text;
    const int n = 20000;
    for (int i = 0; i < n; ++i) text += l4_block(i + 1, i * 0.033, "", 41.0 + i * 1e-6, 29.0);
    struct Case {
        std::uint64_t expected_size;
        std::size_t most_capacity;
    };
    const Case cases[] = {
        {text.size(), std::size_t(n * 1.1)},  // one step to the whole file
        {0, SIZE_MAX},                        // size unknown: ordinary growth
        {text.size() * 1000, 8 * 8192 + 1},   // the rest of the file unlike its start: bounded step
    };
    for (const Case& c : cases) {
        TextSource source = TextSource::from_memory(text, 4096);
        source.set_expected_size(c.expected_size);
        ConvertOptions options;
        options.sample_mode = SampleMode::all;
        const BuiltTrack b = build_track(source, InputKind::srt, options);
        ASSERT_EQ(b.track.points.size(), std::size_t(n));
        EXPECT_NEAR(b.track.points.back().lat_deg, 41.0 + (n - 1) * 1e-6, 1e-9);
        EXPECT_LE(b.track.points.capacity(), c.most_capacity) << c.expected_size;
    }
}

TEST(Pipeline, QuantisedHoveringGivesNoSpeedSpike) {
    // 50 fps, 5-decimal positions flickering by one step (1.1 m) while hovering.
    std::string text;
    for (int i = 0; i < 500; ++i) {
        double lat = 3.41531 + ((i / 7) % 2 ? 1e-5 : 0.0);
        text += l4_block(i + 1, i * 0.02, "", lat, -3.3744);
    }
    auto b = build(text);
    EXPECT_LT(b.report.max_speed_kmh, 5.0);
    EXPECT_GT(b.report.total_distance_m, 50.0);  // the raw sum keeps every step; it is not smoothed
}

TEST(Pipeline, DroppedFramesUseTheCueGapForSpeed) {
    // 10 m/s for 3 s at 25 fps with every other frame of the second second missing.
    std::string text;
    int n = 0;
    for (int i = 0; i < 75; ++i) {
        if (i > 25 && i < 50 && i % 2) continue;
        double t = i * 0.04;
        text += l4_block(++n, t, "", 41.0 + 10.0 * t / 111034.0, 29.0);
    }
    auto b = build(text);
    EXPECT_NEAR(b.report.max_speed_kmh, 36.0, 1.0);
}

struct ElevationCase {
    const char* name;
    std::size_t points;
    std::size_t relative, absolute, gps, ultrasonic;
    double min_absolute;
    std::optional<AltitudeKind> requested;
    std::optional<AltitudeKind> expected;
};

class ElevationChoice : public ::testing::TestWithParam<ElevationCase> {};

TEST_P(ElevationChoice, PicksExplicitly) {
    const auto& c = GetParam();
    AltitudeCoverage cov;
    cov.points = c.points;
    cov.count[std::size_t(AltitudeKind::relative)] = c.relative;
    cov.count[std::size_t(AltitudeKind::absolute)] = c.absolute;
    cov.count[std::size_t(AltitudeKind::gps)] = c.gps;
    cov.count[std::size_t(AltitudeKind::ultrasonic)] = c.ultrasonic;
    cov.minimum[std::size_t(AltitudeKind::absolute)] = c.min_absolute;
    EXPECT_EQ(choose_elevation(cov, c.requested), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ElevationChoice,
    ::testing::Values(
        ElevationCase{"gpx_ele", 10, 0, 0, 10, 0, 0, std::nullopt, AltitudeKind::gps},
        ElevationCase{"plausible_abs_alt", 10, 10, 10, 0, 0, 0.4, std::nullopt, AltitudeKind::absolute},
        ElevationCase{"abs_alt_below_sea", 10, 10, 10, 0, 0, -122.8, std::nullopt, AltitudeKind::relative},
        ElevationCase{"only_negative_absolute", 10, 0, 10, 0, 0, -84.0, std::nullopt, AltitudeKind::absolute},
        ElevationCase{"barometer_only", 10, 10, 0, 0, 10, 0, std::nullopt, AltitudeKind::relative},
        ElevationCase{"mostly_relative", 10, 8, 2, 0, 0, 100, std::nullopt, AltitudeKind::relative},
        ElevationCase{"requested_relative", 10, 10, 10, 0, 0, 300, AltitudeKind::relative, AltitudeKind::relative},
        ElevationCase{"requested_missing", 10, 10, 0, 0, 0, 0, AltitudeKind::gps, AltitudeKind::relative},
        ElevationCase{"none", 10, 0, 0, 0, 0, 0, std::nullopt, std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Pipeline, ReportsTheChosenElevation) {
    auto b = build(l4_block(1, 0, "", 53.365108, 6.460719, 6.0, -122.769) + l4_block(2, 1, "", 53.36511, 6.46072, 7.0, -121.0));
    EXPECT_EQ(b.track.elevation_kind, AltitudeKind::relative);
    EXPECT_EQ(b.report.elevation_source, "relative");
    EXPECT_NEAR(b.track.points[0].altitude(AltitudeKind::absolute), -122.769, 1e-9);  // kept all the same
}

}  // namespace
}  // namespace trakvia::engine

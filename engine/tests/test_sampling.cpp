// Sampling modes: what is kept, and that the report numbers do not depend on the mode.
#include <gtest/gtest.h>

#include <cmath>

#include "geodesy.hpp"
#include "pipeline.hpp"
#include "srt_fixture.hpp"

namespace trakvia::engine {
namespace {

// 10 Hz for 12.35 s, moving north at 1.5 m/s, with a pause (no movement) from 4 s to 6 s.
std::string moving_track() {
    std::string text;
    double lat = 41.0;
    for (int i = 0; i <= 123; ++i) {
        double t = i * 0.1 + 0.05;
        if (i > 0 && !(t > 4.0 && t < 6.0)) lat += 0.15 / 111034.0;
        text += testing::l4_block(i + 1, t, "", lat, 29.0);
    }
    return text;
}

BuiltTrack build(SampleMode mode) {
    std::string text = moving_track();
    TextSource source = TextSource::from_memory(text);
    ConvertOptions options;
    options.sample_mode = mode;
    return build_track(source, InputKind::srt, options);
}

struct ModeCase {
    const char* name;
    SampleMode mode;
    std::size_t kept;
};

class SamplingModes : public ::testing::TestWithParam<ModeCase> {};

TEST_P(SamplingModes, KeepFirstAndLastAndLeaveTheReportAlone) {
    const auto& c = GetParam();
    BuiltTrack reference = build(SampleMode::all);
    BuiltTrack b = build(c.mode);
    const auto& pts = b.track.points;
    ASSERT_EQ(pts.size(), c.kept);
    EXPECT_EQ(b.report.filtered_point_count, c.kept);
    EXPECT_DOUBLE_EQ(pts.front().lat_deg, reference.track.points.front().lat_deg);
    EXPECT_DOUBLE_EQ(pts.back().cue_s, reference.track.points.back().cue_s);
    EXPECT_TRUE(pts.front().segment_start);
    EXPECT_EQ(b.report.valid_point_count, 124u);
    EXPECT_DOUBLE_EQ(b.report.total_distance_m, reference.report.total_distance_m);
    EXPECT_DOUBLE_EQ(b.report.max_speed_kmh, reference.report.max_speed_kmh);
    for (std::size_t i = 1; i < pts.size(); ++i) EXPECT_GT(pts[i].cue_s, pts[i - 1].cue_s);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, SamplingModes,
    ::testing::Values(ModeCase{"all", SampleMode::all, 124},
                      // whole seconds 0..12 of track time, plus the last point
                      ModeCase{"one_hertz", SampleMode::hz1, 14},
                      ModeCase{"five_seconds", SampleMode::s5, 4},
                      // 104 moving steps of 0.15 m: a point every 14 steps, plus the last
                      ModeCase{"two_metres", SampleMode::dist2m, 9}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Sampling, OneHertzKeepsOnePointPerWholeSecond) {
    BuiltTrack b = build(SampleMode::hz1);
    const auto& pts = b.track.points;
    for (std::size_t i = 1; i + 1 < pts.size(); ++i) {
        EXPECT_NE(std::floor(pts[i].cue_s - 0.05), std::floor(pts[i - 1].cue_s - 0.05));
    }
}

TEST(Sampling, TwoMetresKeepsPointsAtLeastTwoMetresApart) {
    BuiltTrack b = build(SampleMode::dist2m);
    const auto& pts = b.track.points;
    for (std::size_t i = 1; i + 1 < pts.size(); ++i)
        EXPECT_GE(geodesy::distance_m(pts[i - 1].lat_deg, pts[i - 1].lon_deg, pts[i].lat_deg, pts[i].lon_deg), 2.0);
}

TEST(Sampling, SegmentStartMovesToTheNextKeptPoint) {
    std::string text;
    for (int i = 0; i < 30; ++i) text += testing::l4_block(i + 1, i * 0.1, "", 41.0 + i * 1e-6, 29.0);
    for (int i = 0; i < 30; ++i) text += testing::l4_block(i + 1, i * 0.1, "", 41.01 + i * 1e-6, 29.0);  // restart
    TextSource source = TextSource::from_memory(text);
    ConvertOptions options;
    options.sample_mode = SampleMode::s5;
    auto b = build_track(source, InputKind::srt, options);
    int starts = 0;
    for (const auto& p : b.track.points) starts += p.segment_start;
    EXPECT_EQ(starts, 2);
}

}  // namespace
}  // namespace trakvia::engine

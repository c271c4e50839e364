// GPX reader: versions, point kinds, extensions, segments.
#include <gtest/gtest.h>

#include <vector>

#include "civil_time.hpp"
#include "gpx_reader.hpp"

namespace trakvia::engine {
namespace {

std::vector<Record> read_all(std::string_view text, GpxReadSummary* summary = nullptr) {
    std::vector<Record> out;
    auto s = read_gpx_bytes(text, [&](Record& r) { out.push_back(r); });
    if (summary) *summary = s;
    return out;
}

TEST(GpxReader, Gpx11TrackWithExtensionsAndSegments) {
    auto recs = read_all(R"(<?xml version="1.0" encoding="UTF-8"?>
<gpx version="1.1" creator="x" xmlns="http://www.topografix.com/GPX/1/1"
     xmlns:gpxtpx="http://www.garmin.com/xmlschemas/TrackPointExtension/v2"
     xmlns:gpxpx="http://www.garmin.com/xmlschemas/PowerExtension/v1">
  <metadata><time>2020-01-01T00:00:00Z</time></metadata>
  <!-- a comment with <trkpt lat="1" lon="1"> inside -->
  <trk><name>ride</name><trkseg>
    <trkpt lat="41.0150000" lon='28.9790000'>
      <ele>12.5</ele><time>2021-09-06T02:23:48.100Z</time>
      <extensions><power>250</power>
        <gpxtpx:TrackPointExtension><gpxtpx:hr>141</gpxtpx:hr><gpxtpx:cad>88</gpxtpx:cad>
        <gpxtpx:speed>8.5</gpxtpx:speed></gpxtpx:TrackPointExtension></extensions>
    </trkpt>
    <trkpt
       lat="41.0151" lon="28.9791"><time>2021-09-06T05:23:49+03:00</time>
       <extensions><gpxpx:PowerInWatts>310</gpxpx:PowerInWatts></extensions></trkpt>
  </trkseg><trkseg>
    <trkpt lat="41.0152" lon="28.9792"/>
  </trkseg></trk>
</gpx>)");
    ASSERT_EQ(recs.size(), 3u);
    const TrackPoint& p = recs[0].point;
    EXPECT_DOUBLE_EQ(p.lat_deg, 41.015);
    EXPECT_DOUBLE_EQ(p.lon_deg, 28.979);
    EXPECT_DOUBLE_EQ(p.altitude(AltitudeKind::gps), 12.5);
    EXPECT_EQ(*recs[0].wall_ms, *civil_to_ms(2021, 9, 6, 2, 23, 48, 100));
    EXPECT_TRUE(recs[0].wall_is_utc);
    EXPECT_DOUBLE_EQ(*p.power_w, 250);
    EXPECT_DOUBLE_EQ(*p.heart_rate_bpm, 141);
    EXPECT_DOUBLE_EQ(*p.cadence_rpm, 88);
    EXPECT_DOUBLE_EQ(*p.speed_mps, 8.5);
    EXPECT_EQ(*recs[1].wall_ms, *civil_to_ms(2021, 9, 6, 2, 23, 49, 0));  // +03:00 to UTC
    EXPECT_DOUBLE_EQ(*recs[1].point.power_w, 310);
    EXPECT_TRUE(recs[0].new_segment);
    EXPECT_FALSE(recs[1].new_segment);
    EXPECT_TRUE(recs[2].new_segment);
    EXPECT_TRUE(recs[2].has_fix);
    EXPECT_EQ(recs[0].coord_decimals, 7);
}

TEST(GpxReader, Gpx10SpeedRoutesAndWaypoints) {
    GpxReadSummary summary;
    auto route = read_all(R"(<gpx version="1.0"><wpt lat="1.5" lon="2.5"><name>home</name></wpt>
      <rte><rtept lat="10" lon="20"><ele>5</ele><speed>3.2</speed></rtept><rtept lat="10.1" lon="20"/></rte></gpx>)",
                          &summary);
    ASSERT_EQ(route.size(), 2u);  // the waypoint is not part of the route
    EXPECT_DOUBLE_EQ(*route[0].point.speed_mps, 3.2);
    EXPECT_EQ(summary.waypoints, 1u);

    auto wpts = read_all(R"(<gpx><wpt lat="1.5" lon="2.5"/><wpt lat="1.6" lon="2.6"><ele>3</ele></wpt></gpx>)");
    ASSERT_EQ(wpts.size(), 2u);
    EXPECT_DOUBLE_EQ(wpts[1].point.lat_deg, 1.6);
}

TEST(GpxReader, BadPointsAreNotPositions) {
    auto recs = read_all(R"(<gpx><trk><trkseg>
      <trkpt lat="0" lon="0"/><trkpt lat="95" lon="10"/><trkpt lat="abc" lon="10"/><trkpt lon="10"/>
      <trkpt lat="41,5" lon="29"/></trkseg></trk></gpx>)");
    ASSERT_EQ(recs.size(), 5u);
    for (const Record& r : recs) EXPECT_FALSE(r.has_fix && r.point.lat_deg != 41.0) << r.point.lat_deg;
    EXPECT_FALSE(recs[0].has_fix);
    EXPECT_FALSE(recs[1].has_fix);
    EXPECT_FALSE(recs[2].has_fix);
    EXPECT_FALSE(recs[3].has_fix);
}

}  // namespace
}  // namespace trakvia::engine

// The six track writers: exact text of a small track, variants, escaping, locale independence.
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <locale>
#include <random>

#include "writer_test_tracks.hpp"
#include "writers/track_shape.hpp"

namespace trakvia::engine {
namespace {

using test::render;

Track two_point_track() {
    Track t = test::three_point_track();
    t.points.resize(2);
    return t;
}

std::size_t count_of(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++n;
    return n;
}

// ---------------------------------------------------------------- exact text

struct GoldenCase {
    OutputFormat format;
    const char* expected;
};

class GoldenTest : public ::testing::TestWithParam<GoldenCase> {};

TEST_P(GoldenTest, TwoPointTrack) {
    EXPECT_EQ(render(GetParam().format, two_point_track()), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Formats, GoldenTest, ::testing::Values(
GoldenCase{format_gpx, R"(<?xml version="1.0" encoding="UTF-8"?>
<gpx version="1.1" creator="Trakvia"
 xmlns="http://www.topografix.com/GPX/1/1"
 xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance"
 xmlns:gpxtpx="http://www.garmin.com/xmlschemas/TrackPointExtension/v2"
 xmlns:gpxpx="http://www.garmin.com/xmlschemas/PowerExtension/v1"
 xsi:schemaLocation="http://www.topografix.com/GPX/1/1 http://www.topografix.com/GPX/1/1/gpx.xsd http://www.garmin.com/xmlschemas/TrackPointExtension/v2 https://www8.garmin.com/xmlschemas/TrackPointExtensionv2.xsd http://www.garmin.com/xmlschemas/PowerExtension/v1 https://www8.garmin.com/xmlschemas/PowerExtensionv1.xsd">
 <metadata>
  <name>DJI_0001</name>
  <desc>DJI_0001.SRT</desc>
  <time>2024-05-01T07:00:00.000Z</time>
 </metadata>
 <trk>
  <name>DJI_0001</name>
  <trkseg>
   <trkpt lat="41.0000000" lon="29.0000000"><ele>60.000</ele><time>2024-05-01T07:00:00.000Z</time><extensions><gpxtpx:TrackPointExtension><gpxtpx:speed>0.00</gpxtpx:speed></gpxtpx:TrackPointExtension></extensions></trkpt>
   <trkpt lat="41.0001000" lon="29.0000000"><ele>61.000</ele><time>2024-05-01T07:00:01.000Z</time><extensions><gpxtpx:TrackPointExtension><gpxtpx:speed>11.12</gpxtpx:speed></gpxtpx:TrackPointExtension></extensions></trkpt>
  </trkseg>
 </trk>
</gpx>
)"},
GoldenCase{format_kml, R"(<?xml version="1.0" encoding="UTF-8"?>
<kml xmlns="http://www.opengis.net/kml/2.2" xmlns:gx="http://www.google.com/kml/ext/2.2">
<Document>
 <name>DJI_0001</name>
 <Schema id="trakvia_point">
  <gx:SimpleArrayField name="speed" type="float"><displayName>Hız (m/s)</displayName></gx:SimpleArrayField>
 </Schema>
 <Placemark>
  <name>DJI_0001</name>
  <description>DJI_0001.SRT</description>
  <gx:Track>
   <altitudeMode>absolute</altitudeMode>
   <when>2024-05-01T07:00:00.000Z</when>
   <when>2024-05-01T07:00:01.000Z</when>
   <gx:coord>29.0000000 41.0000000 60.000</gx:coord>
   <gx:coord>29.0000000 41.0001000 61.000</gx:coord>
   <ExtendedData><SchemaData schemaUrl="#trakvia_point">
    <gx:SimpleArrayData name="speed"><gx:value>0.00</gx:value><gx:value>11.12</gx:value></gx:SimpleArrayData>
   </SchemaData></ExtendedData>
  </gx:Track>
 </Placemark>
</Document>
</kml>
)"},
GoldenCase{format_geojson, R"({"type": "FeatureCollection", "features": [
{"type": "Feature",
"properties": {"name": "DJI_0001", "source": "DJI_0001.SRT", "elevation": "absolute",
 "coordinateProperties": {
  "times": ["2024-05-01T07:00:00.000Z",
"2024-05-01T07:00:01.000Z"],
  "speeds": [0.00,
11.12]}},
"geometry": {"type": "LineString", "coordinates": [[29.0000000, 41.0000000, 60.000],
[29.0000000, 41.0001000, 61.000]]}}
]}
)"},
GoldenCase{format_csv, R"(GPSDateStamp,GPSTimeStamp,GPSLatitude,GPSLongitude,GPSAltitude,speed_mps,h_takeoff_m,video_s
2024-05-01,07:00:00.000,41.0000000,29.0000000,60.000,0.00,0.000,0.000
2024-05-01,07:00:01.000,41.0001000,29.0000000,61.000,11.12,0.500,1.000
)"},
GoldenCase{format_nmea,
"$GPGGA,070000.000,4100.00000,N,02900.00000,E,1,,,60.0,M,,M,,*53\r\n"
"$GPRMC,070000.000,A,4100.00000,N,02900.00000,E,0.000,,010524,,,A*4B\r\n"
"$GPGGA,070001.000,4100.00600,N,02900.00000,E,1,,,61.0,M,,M,,*55\r\n"
"$GPRMC,070001.000,A,4100.00600,N,02900.00000,E,21.616,,010524,,,A*7E\r\n"}),
[](const auto& info) { return std::string(writer_for(info.param.format).extension().substr(1)); });

// ---------------------------------------------------------------- variants

struct VariantCase {
    const char* name;
    Track (*make)();
    OutputFormat format;
    std::vector<std::string> present;
    std::vector<std::string> absent;
};

Track no_clock() { return test::without_clock(test::three_point_track()); }
Track no_elevation() { return test::without_elevation(test::three_point_track()); }
Track relative_elevation() {
    Track t = test::three_point_track();
    t.elevation_kind = AltitudeKind::relative;
    return t;
}
Track one_point() {
    Track t = test::three_point_track();
    t.points.resize(1);
    return t;
}
Track one_point_no_clock() { return test::without_clock(one_point()); }
Track empty_track() {
    Track t = test::three_point_track();
    t.points.clear();
    return t;
}
Track unusable_values() {
    Track t = two_point_track();
    t.points[0].speed_mps = NAN;
    t.points[1].speed_mps = -1.0;  // not a speed a reader accepts in gpxtpx
    t.points[0].set_altitude(AltitudeKind::absolute, INFINITY);
    t.points[1].power_w = 250.4;
    t.points[1].heart_rate_bpm = 300;  // beyond gpxtpx:hr's unsignedByte
    return t;
}
Track estimated_speeds() {
    // Device speed where reported, the pipeline's estimate elsewhere.
    Track t = two_point_track();
    t.points[0].speed_mps.reset();
    t.points[0].estimated_speed_mps = 5.5;
    t.points[1].estimated_speed_mps = 99.0;
    return t;
}
Track antimeridian() {
    Track t = two_point_track();
    t.points[0].lon_deg = 180.0;
    t.points[1].lon_deg = -180.0;
    return t;
}
Track single_point_spans() {
    // Spans of 1, 2 and 2 points: line formats join the lone point to the span after it.
    Track t = test::two_segment_track();
    t.points[1].segment_start = true;
    return t;
}

class VariantTest : public ::testing::TestWithParam<VariantCase> {};

TEST_P(VariantTest, WritesWhatTheTrackHas) {
    const auto& c = GetParam();
    const std::string text = render(c.format, c.make());
    for (const auto& s : c.present) EXPECT_NE(text.find(s), std::string::npos) << "missing: " << s << "\n" << text;
    for (const auto& s : c.absent) EXPECT_EQ(text.find(s), std::string::npos) << "unexpected: " << s << "\n" << text;
}

INSTANTIATE_TEST_SUITE_P(Tracks, VariantTest, ::testing::Values(
    // No wall clock: no dates anywhere.
    VariantCase{"no_clock_gpx", no_clock, format_gpx, {"<trkpt lat=\"41.0002000\" lon=\"29.0000000\"><ele>62.000</ele><extensions>"}, {"<time>", "1970"}},
    VariantCase{"no_clock_kml", no_clock, format_kml, {"<LineString>", "29.0000000,41.0000000,60.000\n29.0000000,41.0001000,61.000"}, {"<when>", "gx:Track", "<Schema"}},
    VariantCase{"no_clock_geojson", no_clock, format_geojson, {"\"speeds\": [0.00"}, {"times", "1970"}},
    VariantCase{"no_clock_csv", no_clock, format_csv, {"GPSLatitude,GPSLongitude,GPSAltitude,speed_mps,h_takeoff_m,video_s\n41.0000000,"}, {"GPSDateStamp", "date_local"}},
    VariantCase{"no_clock_nmea", no_clock, format_nmea, {"$GPGGA,000002.000,4100.01200,N,", "$GPRMC,000001.000,A,4100.00600,N,02900.00000,E,21.616,,,,,A*"}, {"010524", "700"}},
    VariantCase{"no_clock_mgjson", no_clock, format_mgjson, {"\"time\": \"1970-01-01T00:00:02.000Z\"", "\"isGMT\": true"}, {"streamDate", "2024"}},
    // No elevation: no altitude at all, positions are 2-D.
    VariantCase{"no_ele_gpx", no_elevation, format_gpx, {"lon=\"29.0000000\"><time>"}, {"<ele>"}},
    VariantCase{"no_ele_kml", no_elevation, format_kml, {"<gx:coord>29.0000000 41.0000000 0</gx:coord>"}, {"altitudeMode"}},
    VariantCase{"no_ele_geojson", no_elevation, format_geojson, {"[29.0000000, 41.0000000]"}, {"elevation"}},
    VariantCase{"no_ele_csv", no_elevation, format_csv, {"GPSLatitude,GPSLongitude,speed_mps,h_takeoff_m,h_abs_m,video_s\n"}, {"GPSAltitude"}},
    VariantCase{"no_ele_nmea", no_elevation, format_nmea, {",E,1,,,,M,,M,,*"}, {"60.0"}},
    VariantCase{"no_ele_mgjson", no_elevation, format_mgjson, {"\"arraySize\": 2", "[\"+41.0000000\", \"+29.0000000\"]"}, {"streamAltitude"}},
    // Take-off height: KML draws it above the terrain; CSV names the other kinds.
    VariantCase{"relative_kml", relative_elevation, format_kml, {"<altitudeMode>relativeToGround</altitudeMode>", "41.0002000 1.000<"}, {}},
    VariantCase{"relative_csv", relative_elevation, format_csv, {"GPSAltitude,speed_mps,h_abs_m,video_s\n", ",1.000,11.13,62.000,2.000\n"}, {"h_takeoff_m"}},
    VariantCase{"estimated_speed_gpx", estimated_speeds, format_gpx, {"<gpxtpx:speed>5.50</gpxtpx:speed>", "<gpxtpx:speed>11.12</gpxtpx:speed>"}, {"99.00"}},
    VariantCase{"estimated_speed_csv", estimated_speeds, format_csv, {",60.000,5.50,", ",61.000,11.12,"}, {"99.00"}},
    VariantCase{"antimeridian_gpx", antimeridian, format_gpx, {"lat=\"41.0000000\" lon=\"-180.0000000\"", "lat=\"41.0001000\" lon=\"-180.0000000\""}, {"\"180.0"}},
    // Segments: a new trkseg / track part / line part per span.
    VariantCase{"spans_gpx", test::two_segment_track, format_gpx, {"</trkseg>\n  <trkseg>\n   <trkpt lat=\"-33.8568000\" lon=\"-70.6483000\">"}, {}},
    VariantCase{"spans_kml", test::two_segment_track, format_kml, {"<gx:MultiTrack>", "<gx:coord>-70.6483000 -33.8568000 60.000</gx:coord>"}, {"<LineString>"}},
    VariantCase{"spans_geojson", test::two_segment_track, format_geojson, {"\"MultiLineString\"", "\"times\": [[\"2024-05-01T07:00:00.000Z\"", "[[-70.6483000, -33.8568000, 60.000]"}, {"\"LineString\""}},
    VariantCase{"spans_nmea", test::two_segment_track, format_nmea, {"3351.40800,S,07038.89800,W"}, {}},
    VariantCase{"lone_points_geojson", single_point_spans, format_geojson, {"\"MultiLineString\"", "61.000],\n[29.0000000, 41.0002000"}, {}},
    VariantCase{"lone_points_kml_no_clock", [] { return test::without_clock(single_point_spans()); }, format_kml, {"<MultiGeometry>"}, {"<Point>"}},
    // One fix: a Point where lines need two positions.
    VariantCase{"one_point_geojson", one_point, format_geojson, {"{\"type\": \"Point\", \"coordinates\": [29.0000000, 41.0000000, 60.000]}", "\"time\": \"2024-05-01T07:00:00.000Z\"", "\"speed\": 0.00"}, {"LineString", "coordinateProperties"}},
    VariantCase{"one_point_kml", one_point_no_clock, format_kml, {"<Point>"}, {"LineString"}},
    // Nothing to write: still a well-formed file.
    VariantCase{"empty_gpx", empty_track, format_gpx, {"<trk>\n  <name>DJI_0001</name>\n </trk>\n</gpx>\n"}, {"<trkseg>"}},
    VariantCase{"empty_geojson", empty_track, format_geojson, {"\"geometry\": null"}, {}},
    VariantCase{"empty_mgjson", empty_track, format_mgjson, {"\"dynamicSamplesPresentB\": false"}, {"dataDynamicSamples", "dynamicDataInfo"}},
    // NaN, infinity and out-of-range values are left out, never printed as "nan".
    VariantCase{"unusable_gpx", unusable_values, format_gpx, {"<trkpt lat=\"41.0000000\" lon=\"29.0000000\"><time>", "<gpxpx:PowerInWatts>250<"}, {"nan", "inf", "<gpxtpx:hr>", "<gpxtpx:speed>"}},
    VariantCase{"unusable_geojson", unusable_values, format_geojson, {"\"speeds\": [null,\n-1.00]", "[29.0000000, 41.0000000],"}, {"nan", "inf"}},
    VariantCase{"unusable_csv", unusable_values, format_csv, {"41.0000000,29.0000000,,,,"}, {"nan", "inf"}}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------- escaping

class NameEscapingTest : public ::testing::TestWithParam<std::tuple<OutputFormat, std::string>> {};

TEST_P(NameEscapingTest, NameIsEscaped) {
    Track t = two_point_track();
    t.name = "Uçuş & <Çığ> \"1\"\x01";
    const auto [format, expected] = GetParam();
    const std::string text = render(format, t);
    EXPECT_NE(text.find(expected), std::string::npos) << text;
    EXPECT_EQ(text.find('\x01'), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Formats, NameEscapingTest, ::testing::Values(
    std::make_tuple(format_gpx, std::string("<name>Uçuş &amp; &lt;Çığ&gt; &quot;1&quot;\xEF\xBF\xBD</name>")),
    std::make_tuple(format_kml, std::string("<name>Uçuş &amp; &lt;Çığ&gt; &quot;1&quot;\xEF\xBF\xBD</name>")),
    std::make_tuple(format_geojson, std::string("\"name\": \"Uçuş & <Çığ> \\\"1\\\"\\u0001\"")),
    std::make_tuple(format_mgjson, std::string("\"value\": \"Uçuş & <Çığ> \\\"1\\\"\\u0001\""))));

// ---------------------------------------------------------------- locale

// Under a Turkish locale printf would write "1,5"; the writers must not change by a byte.
TEST(WriterLocale, TurkishLocaleGivesIdenticalBytes) {
    std::vector<std::string> in_c;
    const Track tracks[] = {test::three_point_track(), test::two_segment_track(), no_clock()};
    for (const Track& t : tracks)
        for (OutputFormat f : kAllOutputFormats) in_c.push_back(render(f, t));

    const std::string old_c_locale = std::setlocale(LC_ALL, nullptr);
    if (!std::setlocale(LC_ALL, "tr_TR.UTF-8")) GTEST_SKIP() << "tr_TR.UTF-8 locale not installed";
    const std::locale old_global = std::locale::global(std::locale("tr_TR.UTF-8"));
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.1f", 1.5);
    std::vector<std::string> in_tr;
    for (const Track& t : tracks)
        for (OutputFormat f : kAllOutputFormats) in_tr.push_back(render(f, t));
    std::locale::global(old_global);
    std::setlocale(LC_ALL, old_c_locale.c_str());

    EXPECT_STREQ(probe, "1,5") << "the Turkish locale did not take effect";
    ASSERT_EQ(in_c.size(), in_tr.size());
    for (std::size_t i = 0; i < in_c.size(); ++i) EXPECT_EQ(in_c[i], in_tr[i]) << "output " << i;
}

// ---------------------------------------------------------------- NMEA details

// The XOR of the characters between '$' and '*', computed independently of the writer.
bool nmea_line_ok(const std::string& line) {
    if (line.size() < 4 || line[0] != '$') return false;
    const auto star = line.rfind('*');
    if (star == std::string::npos || star + 3 != line.size()) return false;
    unsigned sum = 0;
    for (std::size_t i = 1; i < star; ++i) sum ^= static_cast<unsigned char>(line[i]);
    return std::stoul(line.substr(star + 1), nullptr, 16) == sum;
}

TEST(NmeaWriter, EverySentenceHasChecksumCrLfAndFitsInEightyTwo) {
    Track t = test::two_segment_track();
    TrackPoint extreme = t.points[0];
    extreme.lat_deg = -89.9999999;
    extreme.lon_deg = -179.9999999;
    extreme.set_altitude(AltitudeKind::absolute, -12345.67);
    extreme.speed_mps = 999.99;
    extreme.time_ms = test::kMay1st0700Utc - 7 * 3600000 + 86399999;  // 23:59:59.999
    t.points.push_back(extreme);
    for (int i = 0; i < 30000; ++i) t.points.push_back(t.points[std::size_t(i % 5)]);  // beyond one chunk

    const std::string text = render(format_nmea, t);
    std::size_t lines = 0, start = 0;
    for (auto end = text.find("\r\n"); end != std::string::npos; start = end + 2, end = text.find("\r\n", start)) {
        const std::string line = text.substr(start, end - start);
        ASSERT_TRUE(nmea_line_ok(line)) << line;
        ASSERT_LE(line.size() + 2, 82u) << line;
        ASSERT_EQ(line.substr(0, 6), lines % 2 ? "$GPRMC" : "$GPGGA") << line;
        ++lines;
    }
    EXPECT_EQ(start, text.size());
    EXPECT_EQ(lines, 2 * t.points.size());
    EXPECT_NE(text.find("$GPGGA,235959.999,8959.99999,S,17959.99999,W,1,,,-12345.7,M,"), std::string::npos);
}

TEST(NmeaWriter, MinutesRoundIntoTheNextDegree) {
    Track t = one_point();
    t.points[0].lat_deg = 40.9999999999;
    t.points[0].lon_deg = -0.0000000001;
    const std::string text = render(format_nmea, t);
    EXPECT_NE(text.find(",4100.00000,N,00000.00000,W,"), std::string::npos) << text;
}

// ---------------------------------------------------------------- MGJSON order

TEST(MgjsonWriter, SamplesAreSortedByTime) {
    Track t = test::three_point_track();
    std::swap(t.points[0].time_ms, t.points[2].time_ms);  // a clock jump backwards
    const std::string text = render(format_mgjson, t);
    const auto first = text.find("\"time\": \"2024-05-01T07:00:00.000Z\", \"value\": [\"+41.0002000\"");
    const auto last = text.find("\"time\": \"2024-05-01T07:00:02.033Z\", \"value\": [\"+41.0000000\"");
    ASSERT_NE(first, std::string::npos) << text;
    ASSERT_NE(last, std::string::npos) << text;
    EXPECT_LT(first, last);
}

// ---------------------------------------------------------------- spans and registry

TEST(LineSegments, LonePointsJoinANeighbour) {
    struct Case {
        std::vector<bool> starts;
        std::vector<std::pair<std::size_t, std::size_t>> spans, lines;
    };
    const Case cases[] = {
        {{false, false, false}, {{0, 3}}, {{0, 3}}},
        {{false, true, false}, {{0, 1}, {1, 3}}, {{0, 3}}},
        {{false, false, true}, {{0, 2}, {2, 3}}, {{0, 3}}},
        {{false, true, true, false, true, false}, {{0, 1}, {1, 2}, {2, 4}, {4, 6}}, {{0, 2}, {2, 4}, {4, 6}}},
        {{true}, {{0, 1}}, {{0, 1}}},
        {{}, {}, {}},
    };
    for (const Case& c : cases) {
        Track t;
        for (bool s : c.starts) {
            TrackPoint p;
            p.segment_start = s;
            t.points.push_back(p);
        }
        auto as_pairs = [](const std::vector<writers::Segment>& v) {
            std::vector<std::pair<std::size_t, std::size_t>> out;
            for (const auto& s : v) out.emplace_back(s.begin, s.end);
            return out;
        };
        EXPECT_EQ(as_pairs(writers::track_segments(t)), c.spans);
        EXPECT_EQ(as_pairs(writers::line_segments(t)), c.lines);
    }
}

TEST(TrackSurvey, AgreesWithTheSeparateQuestions) {
    std::mt19937 rng(9);
    auto coin = [&](int one_in) { return rng() % unsigned(one_in) == 0; };
    for (int n = 0; n < 400; ++n) {
        Track t;
        t.has_wall_clock = !coin(4);
        t.times_are_utc = coin(2);
        const int size = int(rng() % 12);
        for (int i = 0; i < size; ++i) {
            TrackPoint p;
            p.segment_start = coin(4);
            if (!coin(5)) p.time_ms = 1714546800000 + i * 1000;
            if (coin(3)) p.cue_s = i * 0.5;
            if (coin(3)) p.set_altitude(AltitudeKind(rng() % kAltitudeKindCount), 10.0);
            if (coin(4)) p.estimated_speed_mps = coin(3) ? std::nan("") : 2.0;
            if (coin(6)) p.power_w = 150.0;
            if (coin(6)) p.heart_rate_bpm = 120.0;
            t.points.push_back(p);
        }
        const writers::TrackSurvey survey = writers::survey_track(t);
        const writers::TrackContents contents(t);
        EXPECT_EQ(survey.clock, writers::track_clock(t));
        EXPECT_EQ(survey.every_point_timed, writers::every_point_timed(t));
        EXPECT_EQ(survey.contents.altitude_kinds(), contents.altitude_kinds());
        EXPECT_EQ(survey.contents.cues(), contents.cues());
        for (unsigned k = 0; k < writers::kPointValueCount; ++k)
            EXPECT_EQ(survey.contents.has(writers::PointValue(k)), contents.has(writers::PointValue(k)));
        const auto spans = writers::track_segments(t);
        ASSERT_EQ(survey.segments.size(), spans.size());
        for (std::size_t i = 0; i < spans.size(); ++i) {
            EXPECT_EQ(survey.segments[i].begin, spans[i].begin);
            EXPECT_EQ(survey.segments[i].end, spans[i].end);
        }
        if (HasFailure()) return;
    }
}

TEST(WriterRegistry, OneWriterPerFormat) {
    const std::pair<OutputFormat, std::string_view> expected[] = {
        {format_gpx, ".gpx"}, {format_kml, ".kml"}, {format_geojson, ".geojson"},
        {format_csv, ".csv"}, {format_nmea, ".nmea"}, {format_mgjson, ".mgjson"}};
    for (const auto& [format, ext] : expected) {
        EXPECT_EQ(writer_for(format).format(), format);
        EXPECT_EQ(writer_for(format).extension(), ext);
    }
    EXPECT_THROW(writer_for(OutputFormat(format_gpx | format_kml)), std::invalid_argument);
    EXPECT_THROW(writer_for(OutputFormat(0)), std::invalid_argument);
}

}  // namespace
}  // namespace trakvia::engine

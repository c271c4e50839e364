// Writer output read back by independent readers: GPSBabel for GPX, KML, GeoJSON, CSV and
// NMEA (same points, positions to 1e-6 degrees, times where the format has them), and
// Python's json module plus a structure check for MGJSON.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "writer_test_tracks.hpp"
#include "writers/text_buffer.hpp"

namespace trakvia::engine {
namespace {

namespace fs = std::filesystem;

struct ReadPoint {
    double lat = NAN, lon = NAN;
    std::string date, time;  // GPSBabel's unicsv: 2024/05/01 and 07:00:01.033
};

std::vector<std::string> split_csv_line(const std::string& line) {
    std::vector<std::string> out(1);
    bool quoted = false;
    for (char c : line) {
        if (c == '"') quoted = !quoted;
        else if (c == ',' && !quoted) out.emplace_back();
        else if (c != '\r') out.back().push_back(c);
    }
    return out;
}

// Every track point (and, for GeoJSON, whose lines GPSBabel reads as routes, every route
// point) GPSBabel reads from `file`; what it says on stderr goes to `messages`.
std::vector<ReadPoint> gpsbabel_points(const std::string& input_format, const fs::path& file,
                                       std::string* messages = nullptr) {
    std::vector<ReadPoint> points;
    const fs::path err = file.string() + ".stderr";
    const bool geojson = input_format.rfind("geojson", 0) == 0;
    for (const char* kind : {"-t", "-r"}) {
        if (!geojson && kind[1] == 'r') break;
        const std::string cmd = std::string("gpsbabel ") + kind + " -i " + input_format + " -f '" + file.string() +
                                "' -o unicsv -F - 2>'" + err.string() + "'";
        std::istringstream text(test::run_command(cmd));
        if (messages) *messages += test::read_file(err);
        std::string line;
        std::getline(text, line);
        const auto header = split_csv_line(line);
        auto column = [&](const char* name) {
            auto it = std::find(header.begin(), header.end(), name);
            return it == header.end() ? -1 : int(it - header.begin());
        };
        const int lat = column("Latitude"), lon = column("Longitude"), date = column("Date"), time = column("Time");
        while (std::getline(text, line)) {
            const auto f = split_csv_line(line);
            if (lat < 0 || lon < 0 || int(f.size()) != int(header.size())) {
                ADD_FAILURE() << "unexpected gpsbabel output: " << line;
                continue;
            }
            ReadPoint p;
            p.lat = std::stod(f[std::size_t(lat)]);
            p.lon = std::stod(f[std::size_t(lon)]);
            if (date >= 0) p.date = f[std::size_t(date)];
            if (time >= 0) p.time = f[std::size_t(time)];
            points.push_back(p);
        }
    }
    return points;
}

// How GPSBabel prints a time: seconds without ".000" when whole.
std::string unicsv_time(std::int64_t ms_of_day) {
    char buf[32];
    const auto ms = ms_of_day % 1000;
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", int(ms_of_day / 3600000), int(ms_of_day / 60000 % 60),
                  int(ms_of_day / 1000 % 60));
    std::string s = buf;
    if (ms) {
        std::snprintf(buf, sizeof buf, ".%03d", int(ms));
        s += buf;
    }
    return s;
}

struct ReadbackCase {
    const char* name;
    Track (*make)();
    OutputFormat format;
    const char* gpsbabel_format;
    enum { none, wall_clock, cue } times;
};

Track three() { return test::three_point_track(); }
Track spans() { return test::two_segment_track(); }
Track no_elevation() { return test::without_elevation(test::three_point_track()); }
Track no_clock() { return test::without_clock(test::two_segment_track()); }
Track many_points() {
    // Enough points to cross the writers' chunk size several times.
    Track t = test::two_segment_track();
    const auto base = t.points;
    t.points.clear();
    for (int i = 0; i < 6000; ++i) {
        TrackPoint p = base[std::size_t(i % 5)];
        p.lat_deg += i * 1.3e-6;
        p.lon_deg -= i * 0.7e-6;
        p.time_ms = test::kMay1st0700Utc + i * 33;
        p.segment_start = i % 1000 == 0 && i > 0;
        t.points.push_back(p);
    }
    return t;
}

class ReadbackTest : public ::testing::TestWithParam<ReadbackCase> {};

TEST_P(ReadbackTest, GpsbabelReadsTheSamePoints) {
    if (!test::have_program("gpsbabel")) GTEST_SKIP() << "gpsbabel not installed";
    const auto& c = GetParam();
    const Track track = c.make();
    test::TempFolder dir("readback");
    const TrackWriter& writer = writer_for(c.format);
    const fs::path file = dir.path() / (std::string(c.name) + std::string(writer.extension()));
    write_file_atomically(file, [&](std::ostream& out) { writer.write(out, track); });

    std::string messages;
    const auto read = gpsbabel_points(c.gpsbabel_format, file, &messages);
    EXPECT_EQ(messages, "");
    ASSERT_EQ(read.size(), track.points.size());
    for (std::size_t i = 0; i < read.size(); ++i) {
        const TrackPoint& p = track.points[i];
        EXPECT_NEAR(read[i].lat, p.lat_deg, 1e-6) << "point " << i;
        EXPECT_NEAR(read[i].lon, p.lon_deg, 1e-6) << "point " << i;
        if (c.times == ReadbackCase::wall_clock) {
            const auto t = writers::civil_time(*p.time_ms);
            char date[16];
            std::snprintf(date, sizeof date, "%04d/%02d/%02d", int(t.year), t.month, t.day);
            const std::int64_t ms_of_day = ((t.hour * 60LL + t.minute) * 60 + t.second) * 1000 + t.millisecond;
            EXPECT_EQ(read[i].date, date) << "point " << i;
            EXPECT_EQ(read[i].time, unicsv_time(ms_of_day)) << "point " << i;
        } else if (c.times == ReadbackCase::cue) {
            EXPECT_EQ(read[i].time, unicsv_time(std::llround(p.cue_s * 1000))) << "point " << i;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, ReadbackTest, ::testing::Values(
    ReadbackCase{"gpx", three, format_gpx, "gpx", ReadbackCase::wall_clock},
    ReadbackCase{"kml", three, format_kml, "kml", ReadbackCase::wall_clock},
    ReadbackCase{"geojson", three, format_geojson, "geojson", ReadbackCase::none},  // GPSBabel drops GeoJSON times
    ReadbackCase{"csv", three, format_csv, "unicsv", ReadbackCase::wall_clock},
    ReadbackCase{"nmea", three, format_nmea, "nmea", ReadbackCase::wall_clock},
    ReadbackCase{"gpx_spans", spans, format_gpx, "gpx", ReadbackCase::wall_clock},
    ReadbackCase{"kml_spans", spans, format_kml, "kml", ReadbackCase::wall_clock},
    ReadbackCase{"geojson_spans", spans, format_geojson, "geojson", ReadbackCase::none},
    ReadbackCase{"csv_spans", spans, format_csv, "unicsv", ReadbackCase::wall_clock},
    ReadbackCase{"nmea_spans", spans, format_nmea, "nmea", ReadbackCase::wall_clock},
    ReadbackCase{"kml_no_elevation", no_elevation, format_kml, "kml", ReadbackCase::wall_clock},
    ReadbackCase{"csv_no_elevation", no_elevation, format_csv, "unicsv", ReadbackCase::wall_clock},
    ReadbackCase{"gpx_no_clock", no_clock, format_gpx, "gpx", ReadbackCase::none},
    ReadbackCase{"kml_no_clock", no_clock, format_kml, "kml", ReadbackCase::none},
    ReadbackCase{"geojson_no_clock", no_clock, format_geojson, "geojson", ReadbackCase::none},
    ReadbackCase{"csv_no_clock", no_clock, format_csv, "unicsv", ReadbackCase::none},
    // No date in the file: GPSBabel needs one from the user; the times are the video's.
    ReadbackCase{"nmea_no_clock", no_clock, format_nmea, "nmea,date=20240501", ReadbackCase::cue},
    ReadbackCase{"gpx_many", many_points, format_gpx, "gpx", ReadbackCase::wall_clock},
    ReadbackCase{"kml_many", many_points, format_kml, "kml", ReadbackCase::wall_clock},
    ReadbackCase{"geojson_many", many_points, format_geojson, "geojson", ReadbackCase::none},
    ReadbackCase{"csv_many", many_points, format_csv, "unicsv", ReadbackCase::wall_clock},
    ReadbackCase{"nmea_many", many_points, format_nmea, "nmea", ReadbackCase::wall_clock}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Readback, NmeaWithoutDateIsNotGivenOne) {
    if (!test::have_program("gpsbabel")) GTEST_SKIP() << "gpsbabel not installed";
    test::TempFolder dir("readback");
    const fs::path file = dir.path() / "no_clock.nmea";
    write_file_atomically(file, [&](std::ostream& out) { writer_for(format_nmea).write(out, no_clock()); });
    std::string messages;
    EXPECT_TRUE(gpsbabel_points("nmea", file, &messages).empty());
    EXPECT_NE(messages.find("No date found"), std::string::npos) << messages;
}

// ---------------------------------------------------------------- MGJSON

// Checks what After Effects needs: member order, outline <-> sample sets, counts, value
// shapes, sorted times; prints the GPS samples' lat/lon so the test can compare them.
constexpr const char* kMgjsonCheck = R"PY(
import json, re, sys
from datetime import datetime
doc = json.load(open(sys.argv[1], encoding="utf-8"))
assert list(doc)[0] == "version" and doc["version"] == "MGJSON2.0.0", "version first"
allowed = ["version", "creator", "dynamicSamplesPresentB", "dynamicDataInfo", "dataOutline", "dataDynamicSamples"]
assert [k for k in allowed if k in doc] == list(doc), "members and their order"
outline = {n["sampleSetID"]: n for n in doc["dataOutline"] if n["objectType"] == "dataDynamic"}
for n in doc["dataOutline"]:
    assert re.match(r"^[A-Za-z][A-Za-z0-9]*$", n["matchName"]), n["matchName"]
    if n["objectType"] == "dataDynamic":
        assert n["matchName"] == n["sampleSetID"] and "hasExpectedFrequecyB" in n
sets = doc.get("dataDynamicSamples", [])
assert doc["dynamicSamplesPresentB"] == bool(sets)
assert sorted(outline) == sorted(s["sampleSetID"] for s in sets), "outline and sample sets"
num = re.compile(r"^[+-]\d+(\.\d+)?$")
for s in sets:
    node = outline[s["sampleSetID"]]
    kind = node["dataType"]["type"]
    assert node["sampleCount"] == len(s["samples"]) > 0
    times = [datetime.fromisoformat(x["time"].replace("Z", "+00:00")) for x in s["samples"]]
    assert times == sorted(times), "times sorted"
    for x in s["samples"]:
        v = x["value"]
        if kind == "numberString":
            p = node["dataType"]["numberStringProperties"]["pattern"]
            assert num.match(v) and len(v.split(".")[0]) - 1 == p["digitsInteger"], v
        elif kind == "numberStringArray":
            p = node["dataType"]["numberArrayProperties"]
            assert len(v) == p["arraySize"] and all(num.match(e) for e in v), v
        else:
            assert v["length"] == str(len(v["str"])), v
if "streamGPS" in outline:
    for x in next(s for s in sets if s["sampleSetID"] == "streamGPS")["samples"]:
        print(x["time"], x["value"][0], x["value"][1])
print("OK")
)PY";

class MgjsonReadbackTest : public ::testing::TestWithParam<std::pair<const char*, Track (*)()>> {};

TEST_P(MgjsonReadbackTest, ParsesWithTheStructureAfterEffectsNeeds) {
    if (!test::have_program("python3")) GTEST_SKIP() << "python3 not installed";
    const Track track = GetParam().second();
    test::TempFolder dir("mgjson");
    const fs::path file = dir.path() / "track.mgjson";
    const fs::path script = dir.path() / "check.py";
    std::ofstream(script) << kMgjsonCheck;
    write_file_atomically(file, [&](std::ostream& out) { writer_for(format_mgjson).write(out, track); });

    int status = 0;
    std::istringstream out(test::run_command("python3 '" + script.string() + "' '" + file.string() + "' 2>&1", &status));
    ASSERT_EQ(status, 0) << out.str();
    std::string time;
    double lat, lon;
    std::size_t n = 0;
    while (out >> time && time != "OK" && out >> lat >> lon) {
        ASSERT_LT(n, track.points.size());
        EXPECT_NEAR(lat, track.points[n].lat_deg, 1e-7);
        EXPECT_NEAR(lon, track.points[n].lon_deg, 1e-7);
        ++n;
    }
    EXPECT_EQ(time, "OK");
    EXPECT_EQ(n, track.points.size());
}

INSTANTIATE_TEST_SUITE_P(Tracks, MgjsonReadbackTest, ::testing::Values(
    std::make_pair("three", three), std::make_pair("spans", spans), std::make_pair("no_clock", no_clock),
    std::make_pair("no_elevation", no_elevation),
    std::make_pair("empty", +[] { Track t = three(); t.points.clear(); return t; })),
    [](const auto& info) { return std::string(info.param.first); });

}  // namespace
}  // namespace trakvia::engine

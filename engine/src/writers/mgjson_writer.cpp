// MGJSON 2.0.0 writer (After Effects data-driven animation): a static file name, a GPS
// stream (Lat, Long and, when every point has one, Alt), scalar streams for altitude,
// speed, climb, power, heart rate and cadence where the track has them, and a date/time
// text stream. Number strings are sign-prefixed and zero-padded per stream, never in
// exponent form, with legal ranges equal to the occurring ones, as After Effects wants.
//
// Sample times: with a wall-clock time on every point, those times (isGMT false when their
// zone is unknown). Otherwise no date is stated: samples are placed at
// 1970-01-01T00:00:00Z plus the seconds into the video (the SRT cue), or plus one second
// per point when there are no cues either, and the date/time text stream is left out.
// After Effects lines a layer up by the distance from its first sample, so the clip
// still plays in step with its video.
#include <algorithm>
#include <cmath>
#include <numeric>

#include "writers/format_writers.hpp"
#include "writers/text_buffer.hpp"
#include "writers/track_shape.hpp"

namespace trakvia::engine::writers {
namespace {

using ValueOf = std::optional<double> (*)(const Track&, const TrackPoint&);

struct ScalarStream {
    std::string_view match_name;  // also the sampleSetID: ASCII letters and digits
    std::string_view display_name;
    ValueOf value;
    int decimals;
};

constexpr ScalarStream kScalarStreams[] = {
    {"streamAltitude", "Yükseklik [m]",
     [](const Track& t, const TrackPoint& p) { return elevation(t, p); }, kMetreDecimals},
    {"streamSpeed", "Hız [km/s]",
     [](const Track&, const TrackPoint& p) -> std::optional<double> {
         const auto speed = point_value(p, PointValue::speed);
         if (!speed) return std::nullopt;
         return *speed * 3.6;
     },
     2},
    {"streamClimb", "Dikey hız [m/s]",
     [](const Track&, const TrackPoint& p) { return point_value(p, PointValue::climb); }, kSpeedDecimals},
    {"streamPower", "Güç [W]",
     [](const Track&, const TrackPoint& p) { return point_value(p, PointValue::power); }, 1},
    {"streamHeartRate", "Nabız [vuru/dk]",
     [](const Track&, const TrackPoint& p) { return point_value(p, PointValue::heart_rate); }, 0},
    {"streamCadence", "Kadans [dev/dk]",
     [](const Track&, const TrackPoint& p) { return point_value(p, PointValue::cadence); }, 0},
};

struct Range {
    double min = INFINITY;
    double max = -INFINITY;
    void add(double v) {
        min = std::min(min, v);
        max = std::max(max, v);
    }
};

// The values of one dynamic stream, in sample order, and what its outline entry states.
struct StreamData {
    std::vector<std::size_t> points;  // indices into track.points, in time order
    std::vector<double> values;       // `width` values per sample
    std::size_t width = 1;
    std::vector<Range> ranges;
    int digits_integer = 1;
    int decimals = 0;

    void add(std::size_t point, const double* v) {
        points.push_back(point);
        for (std::size_t k = 0; k < width; ++k) {
            values.push_back(v[k]);
            ranges[k].add(v[k]);
            digits_integer = std::max(digits_integer, integer_digits(v[k], decimals));
        }
    }
};

void write_range(TextBuffer& out, const Range& r, int decimals) {
    // "legal" repeats "occuring" (sic, the schema's spelling): After Effects otherwise
    // mixes up integer and float ranges.
    for (std::string_view key : {"occuring", "legal"}) {
        out << (key == "legal" ? ", \"" : "{\"") << key << "\": {\"min\": ";
        out.fixed(r.min, decimals);
        out << ", \"max\": ";
        out.fixed(r.max, decimals);
        out << '}';
    }
    out << '}';
}

void write_pattern(TextBuffer& out, const StreamData& s) {
    out << "\"pattern\": {\"isSigned\": true, \"digitsInteger\": ";
    out.integer(s.digits_integer);
    out << ", \"digitsDecimal\": ";
    out.integer(s.decimals);
    out << '}';
}

void write_dynamic_head(TextBuffer& out, std::string_view match_name, std::string_view display_name) {
    out << ",\n  {\"objectType\": \"dataDynamic\", \"displayName\": ";
    out.json_string(display_name);
    out << ", \"sampleSetID\": \"" << match_name << "\",\n   \"dataType\": ";
}

void write_dynamic_tail(TextBuffer& out, std::string_view match_name, std::string_view interpolation,
                        std::size_t count) {
    out << ",\n   \"interpolation\": \"" << interpolation
        << "\", \"hasExpectedFrequecyB\": false, \"sampleCount\": ";
    out.integer(std::int64_t(count));
    out << ", \"matchName\": \"" << match_name << "\"}";
}

// Characters (code points) of UTF-8 text, for padded-string lengths.
std::size_t code_points(std::string_view s) {
    return std::size_t(std::count_if(s.begin(), s.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

int decimal_digits(std::size_t n) {
    int d = 1;
    while (n >= 10) { n /= 10; ++d; }
    return d;
}

class MgjsonWriter final : public TrackWriter {
public:
    OutputFormat format() const override { return format_mgjson; }
    std::string_view extension() const override { return ".mgjson"; }

    void write(std::ostream& stream, const Track& track) const override {
        TextBuffer out(stream);
        const auto& pts = track.points;
        const bool wall_clock = every_point_timed(track);
        const bool utc = !wall_clock || track_clock(track) == Clock::utc;
        bool cues = !pts.empty();
        for (const auto& p : pts) cues = cues && std::isfinite(p.cue_s);

        // Sample times, then the point order that sorts them (After Effects wants samples
        // earliest first; a reader's order is kept where times tie).
        std::vector<std::int64_t> time_ms(pts.size());
        for (std::size_t i = 0; i < pts.size(); ++i) {
            time_ms[i] = wall_clock ? *pts[i].time_ms
                         : cues     ? std::llround(pts[i].cue_s * 1000.0)
                                    : std::int64_t(i) * 1000;
        }
        std::vector<std::size_t> order(pts.size());
        std::iota(order.begin(), order.end(), std::size_t(0));
        if (!std::is_sorted(time_ms.begin(), time_ms.end())) {
            std::stable_sort(order.begin(), order.end(),
                             [&](std::size_t a, std::size_t b) { return time_ms[a] < time_ms[b]; });
        }

        // GPS: Lat, Long (+ Alt when every point has an elevation), one shared pattern.
        bool all_elevations = track.elevation_kind.has_value();
        for (const auto& p : pts) all_elevations = all_elevations && elevation(track, p).has_value();
        StreamData gps;
        gps.width = all_elevations ? 3 : 2;
        gps.ranges.resize(gps.width);
        gps.decimals = kDegreeDecimals;
        for (std::size_t i : order) {
            const double v[3] = {pts[i].lat_deg, pts[i].lon_deg, all_elevations ? *elevation(track, pts[i]) : 0.0};
            gps.add(i, v);
        }
        std::vector<std::pair<const ScalarStream*, StreamData>> scalars;
        for (const ScalarStream& s : kScalarStreams) {
            StreamData data;
            data.ranges.resize(1);
            data.decimals = s.decimals;
            for (std::size_t i : order) {
                if (const auto v = s.value(track, pts[i])) data.add(i, &*v);
            }
            if (!data.points.empty()) scalars.emplace_back(&s, std::move(data));
        }
        const std::size_t date_len = utc ? 24 : 23;

        out << "{\"version\": \"MGJSON2.0.0\",\n \"creator\": \"Trakvia\",\n \"dynamicSamplesPresentB\": "
            << (pts.empty() ? "false" : "true") << ",\n";
        if (!pts.empty()) {
            out << " \"dynamicDataInfo\": {\"useTimecodeB\": false, \"utcInfo\": {\"precisionLength\": 3, \"isGMT\": "
                << (utc ? "true" : "false") << "}},\n";
        }
        out << " \"dataOutline\": [\n  {\"objectType\": \"dataStatic\", \"displayName\": \"Dosya adı\", "
               "\"dataType\": {\"type\": \"string\", \"paddedStringProperties\": {\"maxLen\": ";
        const std::size_t name_len = code_points(track.name);
        out.integer(std::int64_t(name_len));
        out << ", \"maxDigitsInStrLength\": ";
        out.integer(decimal_digits(name_len));
        out << ", \"eventMarkerB\": false}}, \"matchName\": \"filename\", \"value\": ";
        out.json_string(track.name);
        out << '}';

        if (!pts.empty()) {
            write_dynamic_head(out, "streamGPS", all_elevations ? "GPS (Enlem, Boylam, Yükseklik)" : "GPS (Enlem, Boylam)");
            out << "{\"type\": \"numberStringArray\", \"numberArrayProperties\": {";
            write_pattern(out, gps);
            out << ", \"arraySize\": ";
            out.integer(std::int64_t(gps.width));
            out << ", \"arrayDisplayNames\": [\"Enlem [derece]\", \"Boylam [derece]\""
                << (all_elevations ? ", \"Yükseklik [m]\"" : "") << "],\n    \"arrayRanges\": {\"ranges\": [";
            for (std::size_t k = 0; k < gps.width; ++k) {
                if (k) out << ", ";
                write_range(out, gps.ranges[k], gps.decimals);
            }
            out << "]}}}";
            write_dynamic_tail(out, "streamGPS", "linear", gps.points.size());

            for (const auto& [s, data] : scalars) {
                write_dynamic_head(out, s->match_name, s->display_name);
                out << "{\"type\": \"numberString\", \"numberStringProperties\": {";
                write_pattern(out, data);
                out << ", \"range\": ";
                write_range(out, data.ranges[0], data.decimals);
                out << "}}";
                write_dynamic_tail(out, s->match_name, "linear", data.points.size());
            }
            if (wall_clock) {
                write_dynamic_head(out, "streamDate", utc ? "Tarih/saat (UTC)" : "Tarih/saat (yerel)");
                out << "{\"type\": \"paddedString\", \"paddedStringProperties\": {\"maxLen\": ";
                out.integer(std::int64_t(date_len));
                out << ", \"maxDigitsInStrLength\": 2, \"eventMarkerB\": false}}";
                write_dynamic_tail(out, "streamDate", "hold", pts.size());
            }
        }
        out << "\n ]";

        if (!pts.empty()) {
            out << ",\n \"dataDynamicSamples\": [";
            bool first_set = true;
            auto write_samples = [&](std::string_view id, const std::size_t* idx, std::size_t count, auto&& value) {
                out << (first_set ? "\n  " : ",\n  ") << "{\"sampleSetID\": \"" << id << "\", \"samples\": [";
                first_set = false;
                for (std::size_t n = 0; n < count; ++n) {
                    out << (n ? ",\n   " : "\n   ") << "{\"time\": \"";
                    out.iso_time(time_ms[idx[n]], utc);
                    out << "\", \"value\": ";
                    value(n);
                    out << '}';
                    out.flush_if_full();
                }
                out << "]}";
            };
            write_samples("streamGPS", gps.points.data(), gps.points.size(), [&](std::size_t n) {
                out << '[';
                for (std::size_t k = 0; k < gps.width; ++k) {
                    out << (k ? ", \"" : "\"");
                    out.signed_padded(gps.values[n * gps.width + k], gps.digits_integer, gps.decimals);
                    out << '"';
                }
                out << ']';
            });
            for (const auto& entry : scalars) {
                // Plain references: clang before 16 cannot capture structured bindings.
                const auto& s = entry.first;
                const auto& data = entry.second;
                write_samples(s->match_name, data.points.data(), data.points.size(), [&](std::size_t n) {
                    out << '"';
                    out.signed_padded(data.values[n], data.digits_integer, data.decimals);
                    out << '"';
                });
            }
            if (wall_clock) {
                write_samples("streamDate", order.data(), order.size(), [&](std::size_t n) {
                    out << "{\"length\": \"";
                    out.integer(std::int64_t(date_len));
                    out << "\", \"str\": \"";
                    out.iso_time(*pts[order[n]].time_ms, utc);
                    out << "\"}";
                });
            }
            out << "\n ]";
        }
        out << "\n}\n";
        out.flush();
    }
};

}  // namespace

const TrackWriter& mgjson_writer() {
    static const MgjsonWriter writer;
    return writer;
}

}  // namespace trakvia::engine::writers

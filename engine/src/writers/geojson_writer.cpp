// GeoJSON (RFC 7946) writer: one Feature whose geometry is a LineString, a MultiLineString
// for several spans, or a Point for a single fix. Per-point times and values go in
// properties.coordinateProperties as arrays parallel to the positions (the convention
// of togeojson and its readers), null where a point has no value.
#include "writers/format_writers.hpp"
#include "writers/text_buffer.hpp"
#include "writers/track_shape.hpp"

namespace trakvia::engine::writers {
namespace {

struct PointArray {
    PointValue value;
    std::string_view name;         // the coordinateProperties array
    std::string_view single_name;  // the property of a one-point (Point) track
    int decimals;
};

constexpr PointArray kPointArrays[] = {
    {PointValue::speed, "speeds", "speed", kSpeedDecimals},  // m/s
    {PointValue::power, "powers", "power", 0},
    {PointValue::heart_rate, "heart", "heart_rate", 0},
    {PointValue::cadence, "cads", "cadence", 0},
};

// Writes `[a, b, …]` for each span (nested in one more array when there are several),
// calling `item` for every point.
template <class Item>
void write_parallel(TextBuffer& out, const std::vector<Segment>& segs, Item item) {
    const bool multi = segs.size() > 1;
    if (multi) out << '[';
    for (std::size_t s = 0; s < segs.size(); ++s) {
        if (s) out << ",\n";
        out << '[';
        for (std::size_t i = segs[s].begin; i < segs[s].end; ++i) {
            if (i != segs[s].begin) out << ",\n";
            item(i);
            out.flush_if_full();
        }
        out << ']';
    }
    if (multi) out << ']';
}

class GeoJsonWriter final : public TrackWriter {
public:
    OutputFormat format() const override { return format_geojson; }
    std::string_view extension() const override { return ".geojson"; }

    void write(std::ostream& stream, const Track& track) const override {
        TextBuffer out(stream);
        const TrackSurvey survey = survey_track(track);
        const Clock clock = survey.clock;
        const bool utc = clock == Clock::utc;
        const auto segs = line_segments(survey.segments);
        const bool single = track.points.size() == 1;
        const auto& pts = track.points;

        out << "{\"type\": \"FeatureCollection\", \"features\": [\n{\"type\": \"Feature\",\n"
               "\"properties\": {\"name\": ";
        out.json_string(track.name);
        const std::string_view source = file_name_of(track.source_file);
        if (!source.empty()) {
            out << ", \"source\": ";
            out.json_string(source);
        }
        if (track.elevation_kind) {
            out << ", \"elevation\": \"" << altitude_kind_name(*track.elevation_kind) << '"';
        }

        auto write_time = [&](std::size_t i) {
            if (pts[i].time_ms) {
                out << '"';
                out.iso_time(*pts[i].time_ms, utc);
                out << '"';
            } else {
                out << "null";
            }
        };
        auto write_value = [&](const PointArray& a, std::size_t i) {
            if (const auto v = point_value(pts[i], a.value)) out.fixed(*v, a.decimals);
            else out << "null";
        };

        if (single) {
            // A Point has no coordinate arrays: its values are plain properties.
            if (clock != Clock::none && pts[0].time_ms) {
                out << ", \"time\": ";
                write_time(0);
            }
            for (const PointArray& a : kPointArrays) {
                if (!point_value(pts[0], a.value)) continue;
                out << ", \"" << a.single_name << "\": ";
                write_value(a, 0);
            }
        } else if (!pts.empty()) {
            bool opened = false;
            auto open_member = [&](std::string_view name) {
                out << (opened ? ",\n  \"" : ",\n \"coordinateProperties\": {\n  \"") << name << "\": ";
                opened = true;
            };
            if (clock != Clock::none) {
                open_member("times");
                write_parallel(out, segs, write_time);
            }
            for (const PointArray& a : kPointArrays) {
                if (!survey.contents.has(a.value)) continue;
                open_member(a.name);
                write_parallel(out, segs, [&](std::size_t i) { write_value(a, i); });
            }
            if (opened) out << '}';
        }
        out << "},\n\"geometry\": ";

        auto write_position = [&](std::size_t i) {
            out << '[';
            out.fixed(pts[i].lon_deg, kDegreeDecimals);
            out << ", ";
            out.fixed(pts[i].lat_deg, kDegreeDecimals);
            if (const auto ele = elevation(track, pts[i])) {
                out << ", ";
                out.fixed(*ele, kMetreDecimals);
            }
            out << ']';
        };
        if (pts.empty()) {
            out << "null";
        } else if (single) {
            out << "{\"type\": \"Point\", \"coordinates\": ";
            write_position(0);
            out << '}';
        } else {
            out << "{\"type\": \"" << (segs.size() > 1 ? "MultiLineString" : "LineString")
                << "\", \"coordinates\": ";
            write_parallel(out, segs, write_position);
            out << '}';
        }
        out << "}\n]}\n";
        out.flush();
    }
};

}  // namespace

const TrackWriter& geojson_writer() {
    static const GeoJsonWriter writer;
    return writer;
}

}  // namespace trakvia::engine::writers

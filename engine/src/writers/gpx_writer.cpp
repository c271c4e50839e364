// GPX 1.1 writer: one trk, one trkseg per recording span; speed, heart rate and cadence in
// Garmin TrackPointExtension v2, power in Garmin PowerExtension v1 (schema-valid places).
#include <cmath>

#include "writers/format_writers.hpp"
#include "writers/text_buffer.hpp"
#include "writers/track_shape.hpp"

namespace trakvia::engine::writers {
namespace {

constexpr std::string_view kHeader =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<gpx version=\"1.1\" creator=\"Trakvia\"\n"
    " xmlns=\"http://www.topografix.com/GPX/1/1\"\n"
    " xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\"\n"
    " xmlns:gpxtpx=\"http://www.garmin.com/xmlschemas/TrackPointExtension/v2\"\n"
    " xmlns:gpxpx=\"http://www.garmin.com/xmlschemas/PowerExtension/v1\"\n"
    " xsi:schemaLocation=\"http://www.topografix.com/GPX/1/1 http://www.topografix.com/GPX/1/1/gpx.xsd"
    " http://www.garmin.com/xmlschemas/TrackPointExtension/v2"
    " https://www8.garmin.com/xmlschemas/TrackPointExtensionv2.xsd"
    " http://www.garmin.com/xmlschemas/PowerExtension/v1"
    " https://www8.garmin.com/xmlschemas/PowerExtensionv1.xsd\">\n";

// TrackPointExtension v2 types hr and cad as unsignedByte (cad up to 254) and
// PowerInWatts as unsignedShort: values outside are left out rather than made invalid.
std::optional<long long> whole_in_range(const std::optional<double>& v, long long max) {
    if (!v) return std::nullopt;
    const long long n = std::llround(*v);
    if (n < 0 || n > max) return std::nullopt;
    return n;
}

void write_extensions(TextBuffer& out, const TrackPoint& p) {
    const auto hr = whole_in_range(point_value(p, PointValue::heart_rate), 255);
    const auto cad = whole_in_range(point_value(p, PointValue::cadence), 254);
    // gpxtpx:speed is a non-negative speed: a missing one reads as -1 here.
    const double speed_mps = point_value(p, PointValue::speed).value_or(-1.0);
    const bool speed = speed_mps >= 0.0;
    const auto power = whole_in_range(point_value(p, PointValue::power), 65535);
    if (!hr && !cad && !speed && !power) return;
    out << "<extensions>";
    if (hr || cad || speed) {
        // Child order fixed by the schema: hr, cad, speed.
        out << "<gpxtpx:TrackPointExtension>";
        if (hr) { out << "<gpxtpx:hr>"; out.integer(*hr); out << "</gpxtpx:hr>"; }
        if (cad) { out << "<gpxtpx:cad>"; out.integer(*cad); out << "</gpxtpx:cad>"; }
        if (speed) {
            out << "<gpxtpx:speed>";
            out.fixed(speed_mps, kSpeedDecimals);
            out << "</gpxtpx:speed>";
        }
        out << "</gpxtpx:TrackPointExtension>";
    }
    if (power) {
        out << "<gpxpx:PowerExtension><gpxpx:PowerInWatts>";
        out.integer(*power);
        out << "</gpxpx:PowerInWatts></gpxpx:PowerExtension>";
    }
    out << "</extensions>";
}

class GpxWriter final : public TrackWriter {
public:
    OutputFormat format() const override { return format_gpx; }
    std::string_view extension() const override { return ".gpx"; }

    void write(std::ostream& stream, const Track& track) const override {
        TextBuffer out(stream);
        const Clock clock = track_clock(track);
        const bool utc = clock == Clock::utc;
        out << kHeader << " <metadata>\n  <name>";
        out.xml_text(track.name);
        out << "</name>\n";
        const std::string_view source = file_name_of(track.source_file);
        if (!source.empty()) {
            out << "  <desc>";
            out.xml_text(source);
            out << "</desc>\n";
        }
        // The metadata time is the first fix's, not the moment of writing: the same input
        // gives the same file.
        if (clock != Clock::none) {
            for (const auto& p : track.points) {
                if (!p.time_ms) continue;
                out << "  <time>";
                out.iso_time(*p.time_ms, utc);
                out << "</time>\n";
                break;
            }
        }
        out << " </metadata>\n <trk>\n  <name>";
        out.xml_text(track.name);
        out << "</name>\n";
        for (const Segment& seg : track_segments(track)) {
            out << "  <trkseg>\n";
            for (std::size_t i = seg.begin; i < seg.end; ++i) {
                const TrackPoint& p = track.points[i];
                out << "   <trkpt lat=\"";
                out.fixed(p.lat_deg, kDegreeDecimals);
                out << "\" lon=\"";
                // The schema's longitude range stops short of +180; the same meridian is -180.
                out.fixed(p.lon_deg >= 179.99999995 ? p.lon_deg - 360.0 : p.lon_deg, kDegreeDecimals);
                out << "\">";
                if (const auto ele = elevation(track, p)) {
                    out << "<ele>";
                    out.fixed(*ele, kMetreDecimals);
                    out << "</ele>";
                }
                if (clock != Clock::none && p.time_ms) {
                    out << "<time>";
                    out.iso_time(*p.time_ms, utc);
                    out << "</time>";
                }
                write_extensions(out, p);
                out << "</trkpt>\n";
                out.flush_if_full();
            }
            out << "  </trkseg>\n";
        }
        out << " </trk>\n</gpx>\n";
        out.flush();
    }
};

}  // namespace

const TrackWriter& gpx_writer() {
    static const GpxWriter writer;
    return writer;
}

}  // namespace trakvia::engine::writers

// CSV writer: one row per point under a header that both GPSBabel (unicsv) and ExifTool's
// geotagger read. GPSBabel maps a column to the first keyword its header contains (lat, alt,
// speed, time...), so the extra columns avoid those words: take-off height is h_takeoff_m,
// not relative_altitude (which GPSBabel would read as latitude).
#include <array>

#include "writers/format_writers.hpp"
#include "writers/text_buffer.hpp"
#include "writers/track_shape.hpp"

namespace trakvia::engine::writers {
namespace {

struct ValueColumn {
    PointValue value;
    std::string_view header;
    int decimals;
};

constexpr ValueColumn kValueColumns[] = {
    {PointValue::speed, "speed_mps", kSpeedDecimals},
    {PointValue::climb, "climb_mps", kSpeedDecimals},
    {PointValue::power, "power_w", 1},
    {PointValue::heart_rate, "heart_bpm", 0},
    {PointValue::cadence, "cadence_rpm", 0},
};

// Headers of the altitude kinds besides the one written as GPSAltitude.
constexpr std::array<std::string_view, kAltitudeKindCount> kAltitudeHeaders = {
    "h_takeoff_m",  // relative
    "h_abs_m",      // absolute
    "h_gps_m",      // gps
    "agl_m",        // ultrasonic
    "h_home_m",     // home
};

class CsvWriter final : public TrackWriter {
public:
    OutputFormat format() const override { return format_csv; }
    std::string_view extension() const override { return ".csv"; }

    void write(std::ostream& stream, const Track& track) const override {
        TextBuffer out(stream);
        const Clock clock = track_clock(track);
        const TrackContents contents(track);
        std::vector<const ValueColumn*> values;
        for (const ValueColumn& c : kValueColumns) {
            if (contents.has(c.value)) values.push_back(&c);
        }
        unsigned altitude_kinds = contents.altitude_kinds();
        if (track.elevation_kind) altitude_kinds &= ~(1u << unsigned(*track.elevation_kind));
        const bool any_cue = contents.cues();

        // ExifTool takes GPSDateStamp/GPSTimeStamp as UTC. Times of an unknown zone get
        // other names, so ExifTool skips them instead of geotagging hours off.
        if (clock == Clock::utc) out << "GPSDateStamp,GPSTimeStamp,";
        else if (clock == Clock::local) out << "date_local,time_local,";
        out << "GPSLatitude,GPSLongitude";
        if (track.elevation_kind) out << ",GPSAltitude";
        for (const ValueColumn* c : values) out << ',' << c->header;
        for (std::size_t k = 0; k < kAltitudeKindCount; ++k) {
            if (altitude_kinds & (1u << k)) out << ',' << kAltitudeHeaders[k];
        }
        if (any_cue) out << ",video_s";
        out << '\n';

        for (const TrackPoint& p : track.points) {
            if (clock != Clock::none) {
                if (p.time_ms) {
                    out.iso_time(*p.time_ms, false, ',');  // date and time columns
                } else {
                    out << ',';
                }
                out << ',';
            }
            out.fixed(p.lat_deg, kDegreeDecimals);
            out << ',';
            out.fixed(p.lon_deg, kDegreeDecimals);
            if (track.elevation_kind) {
                out << ',';
                if (const auto ele = elevation(track, p)) out.fixed(*ele, kMetreDecimals);
            }
            for (const ValueColumn* c : values) {
                out << ',';
                if (const auto v = point_value(p, c->value)) out.fixed(*v, c->decimals);
            }
            for (std::size_t k = 0; k < kAltitudeKindCount; ++k) {
                if (!(altitude_kinds & (1u << k))) continue;
                out << ',';
                const auto kind = AltitudeKind(k);
                if (p.has_altitude(kind) && std::isfinite(p.altitude(kind)))
                    out.fixed(p.altitude(kind), kMetreDecimals);
            }
            if (any_cue) {
                out << ',';
                if (std::isfinite(p.cue_s)) out.fixed(p.cue_s, 3);
            }
            out << '\n';
            out.flush_if_full();
        }
        out.flush();
    }
};

}  // namespace

const TrackWriter& csv_writer() {
    static const CsvWriter writer;
    return writer;
}

}  // namespace trakvia::engine::writers

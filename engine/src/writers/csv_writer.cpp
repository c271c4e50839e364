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
    std::optional<double> TrackPoint::*member;
    std::string_view header;
    int decimals;
};

constexpr ValueColumn kValueColumns[] = {
    {&TrackPoint::speed_mps, "speed_mps", kSpeedDecimals},
    {&TrackPoint::vertical_speed_mps, "climb_mps", kSpeedDecimals},
    {&TrackPoint::power_w, "power_w", 1},
    {&TrackPoint::heart_rate_bpm, "heart_bpm", 0},
    {&TrackPoint::cadence_rpm, "cadence_rpm", 0},
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
        std::vector<const ValueColumn*> values;
        for (const ValueColumn& c : kValueColumns) {
            if (any_point_has(track, c.member)) values.push_back(&c);
        }
        unsigned altitude_kinds = 0;
        for (const auto& p : track.points) altitude_kinds |= p.altitude_mask;
        if (track.elevation_kind) altitude_kinds &= ~(1u << unsigned(*track.elevation_kind));
        bool any_cue = false;
        for (const auto& p : track.points) any_cue = any_cue || std::isfinite(p.cue_s);

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
                    const CivilTime t = civil_time(*p.time_ms);
                    out.digits(t.year, 4); out << '-'; out.digits(t.month, 2); out << '-';
                    out.digits(t.day, 2); out << ',';
                    out.digits(t.hour, 2); out << ':'; out.digits(t.minute, 2); out << ':';
                    out.digits(t.second, 2); out << '.'; out.digits(t.millisecond, 3);
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
                if (const auto& v = p.*(c->member); usable(v)) out.fixed(*v, c->decimals);
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

// The in-memory track: what every reader produces and every writer consumes.
#pragma once

#include <array>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace trakvia::engine {

// The altitude kinds telemetry files carry. A point holds any subset of them; the
// pipeline chooses one explicitly for the writers' elevation (Track::elevation_kind).
enum class AltitudeKind : std::uint8_t {
    relative,    // above take-off: rel_alt, BAROMETER, H, Hb
    absolute,    // abs_alt / [altitude: ] (device's "absolute", can be negative)
    gps,         // GPX <ele>, or a GPS fix's own height
    ultrasonic,  // height above ground (ULTRASONIC, Hs)
    home,        // altitude of the home point
};
inline constexpr std::size_t kAltitudeKindCount = 5;

// Stable, lower-case names used in reports and CSV headers.
const char* altitude_kind_name(AltitudeKind kind);

// One position and what the device recorded with it. Every point of a Track is a valid fix;
// a reader's record, before the pipeline checks it, may hold one that is not.
struct TrackPoint {
    double lat_deg = 0.0;
    double lon_deg = 0.0;

    // Seconds into the video (SRT cue start). NaN when the source has no cue times (GPX).
    double cue_s = std::numeric_limits<double>::quiet_NaN();

    // Wall-clock time in milliseconds since 1970-01-01T00:00:00, UTC when Track::times_are_utc.
    // The pipeline sets it from the file's own date-time (naive local time for DJI SRT, UTC for
    // GPX), which the readers leave in the record, and the track clock.
    std::optional<std::int64_t> time_ms;

    std::array<double, kAltitudeKindCount> altitude_m{};
    std::uint8_t altitude_mask = 0;  // bit (1 << AltitudeKind) set when altitude_m[kind] holds a value

    std::optional<double> speed_mps;           // horizontal speed the device reported
    // Horizontal speed the pipeline estimated over a window of at least one second when the
    // device reported none (see TrackStats); writers may show speed_mps or, failing that, this.
    std::optional<double> estimated_speed_mps;
    std::optional<double> vertical_speed_mps;  // positive up
    std::optional<double> power_w;             // GPX extensions (cycling trackers)
    std::optional<double> heart_rate_bpm;
    std::optional<double> cadence_rpm;

    // True on the first point after a gap or a restart of the recording: writers open a new
    // segment (GPX trkseg, KML/GeoJSON line part) here.
    bool segment_start = false;

    // Flight-local time is time_ms + this many minutes (the zone of the recording's first fix);
    // set with time_ms.
    std::optional<std::int16_t> local_offset_min;

    // Distance travelled from the track's first fix up to this one, as the report counts it
    // (nothing across a gap): the last point's value is the report's total_distance_m.
    double distance_m = 0.0;

    bool has_altitude(AltitudeKind k) const { return altitude_mask & (1u << unsigned(k)); }
    double altitude(AltitudeKind k) const { return altitude_m[std::size_t(k)]; }
    void set_altitude(AltitudeKind k, double metres) {
        altitude_m[std::size_t(k)] = metres;
        altitude_mask |= std::uint8_t(1u << unsigned(k));
    }
};

// A finished track as the writers receive it: the kept points plus what they need to know.
struct Track {
    std::string name;                  // input base name without extension, e.g. "DJI_0007"
    std::string source_file;           // input path as UTF-8, for descriptions
    std::vector<TrackPoint> points;    // the kept (sampled) points, in order

    bool times_are_utc = false;        // true once the pipeline converted time_ms to UTC
    bool has_wall_clock = false;       // false: no point has time_ms; writers write no dates
    std::optional<AltitudeKind> elevation_kind;  // altitude written as elevation; none: no <ele>
};

}  // namespace trakvia::engine

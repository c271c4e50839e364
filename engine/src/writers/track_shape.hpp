// What every writer asks of a track: its segments, its clock, a point's elevation and values.
#pragma once

#include <cmath>
#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

#include "trakvia/engine/track.hpp"

namespace trakvia::engine::writers {

// Points [begin, end) of one continuous span of the recording.
struct Segment {
    std::size_t begin = 0;
    std::size_t end = 0;
    std::size_t size() const { return end - begin; }
};

// The spans that TrackPoint::segment_start opens; none for an empty track.
std::vector<Segment> track_segments(const Track& track);

// The same spans for line geometries, which need two points per line (GeoJSON, KML
// LineString): a one-point span is joined to the span after it (the last one to the span
// before it), so no point is dropped. A one-point track stays one span of one point.
std::vector<Segment> line_segments(const Track& track);
// line_segments() from the spans track_segments() returned.
std::vector<Segment> line_segments(const std::vector<Segment>& spans);

// Which times the writers may state.
enum class Clock {
    none,   // no wall clock: no dates at all
    local,  // wall-clock times of an unknown zone: written without a zone designator
    utc,    // UTC times: written with "Z"
};
Clock track_clock(const Track& track);

// True when every point carries time_ms (formats with one time per position need it).
bool every_point_timed(const Track& track);

// A value the writers can print: present and finite.
inline bool usable(const std::optional<double>& v) { return v && std::isfinite(*v); }

// The point's elevation in the kind the pipeline chose, if it has one.
inline std::optional<double> elevation(const Track& track, const TrackPoint& p) {
    if (!track.elevation_kind || !p.has_altitude(*track.elevation_kind)) return std::nullopt;
    const double m = p.altitude(*track.elevation_kind);
    if (!std::isfinite(m)) return std::nullopt;
    return m;
}

// The per-point values the writers print besides position, time and elevation.
enum class PointValue : unsigned {
    speed,       // m/s: the device's speed, or else the pipeline's estimate
    climb,       // vertical speed, m/s, positive up
    power,       // W
    heart_rate,  // beats per minute
    cadence,     // revolutions per minute
};
inline constexpr std::size_t kPointValueCount = 5;

// The value if the point has a usable (finite) one.
inline std::optional<double> point_value(const TrackPoint& p, PointValue v) {
    const std::optional<double>* value = nullptr;
    switch (v) {
        case PointValue::speed:
            value = usable(p.speed_mps) ? &p.speed_mps : &p.estimated_speed_mps;
            break;
        case PointValue::climb: value = &p.vertical_speed_mps; break;
        case PointValue::power: value = &p.power_w; break;
        case PointValue::heart_rate: value = &p.heart_rate_bpm; break;
        case PointValue::cadence: value = &p.cadence_rpm; break;
    }
    return usable(*value) ? *value : std::nullopt;
}

// Which values occur anywhere in a track, found in one pass over the points.
class TrackContents {
public:
    TrackContents() = default;
    explicit TrackContents(const Track& track);
    void add(const TrackPoint& p);
    bool has(PointValue v) const { return values_ & (1u << unsigned(v)); }
    unsigned altitude_kinds() const { return altitude_kinds_; }  // bits 1 << AltitudeKind
    bool cues() const { return cues_; }                           // some point has a cue time

private:
    unsigned values_ = 0;
    unsigned altitude_kinds_ = 0;
    bool cues_ = false;
};

// What a writer with several questions about a track learns in one pass over its points:
// a pass over a long track streams tens of megabytes through the cache.
struct TrackSurvey {
    Clock clock = Clock::none;       // track_clock()
    bool every_point_timed = false;  // every_point_timed()
    TrackContents contents;
    std::vector<Segment> segments;   // track_segments()
};
TrackSurvey survey_track(const Track& track);

// The last component of a path given as UTF-8 with '/' or '\\' separators.
std::string_view file_name_of(std::string_view path);

}  // namespace trakvia::engine::writers

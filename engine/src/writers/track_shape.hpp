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

// True when some point has a usable value of `member` (e.g. &TrackPoint::speed_mps).
bool any_point_has(const Track& track, std::optional<double> TrackPoint::*member);

// The last component of a path given as UTF-8 with '/' or '\\' separators.
std::string_view file_name_of(std::string_view path);

}  // namespace trakvia::engine::writers

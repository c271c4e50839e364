// What the readers hand to the pipeline: one telemetry record, valid or not.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>

#include "trakvia/engine/track.hpp"

namespace trakvia::engine {

struct Record {
    // Position, altitudes, speeds, power and the cue time; lat/lon mean something only when
    // has_fix. time_ms and segment_start are left for the pipeline to set.
    TrackPoint point;
    bool has_fix = false;        // a usable position
    bool position_seen = false;  // the record named a position (N/A and 0/0 included)
    std::optional<std::int64_t> wall_ms;  // date-time as the file states it
    bool wall_is_utc = false;             // GPX times are UTC; DJI SRT times are local
    std::optional<std::int64_t> counter;  // FrameCnt / SrtCnt
    bool new_segment = false;             // the file itself starts a new segment here (GPX trkseg)
    int coord_decimals = -1;              // digits after the point in the coordinates; -1 unknown
    std::size_t line = 0;                 // input line the record starts on; 0 unknown
};

using RecordSink = std::function<void(Record&)>;

// Closer than this to 0/0 in both coordinates (about 11 cm) is the 0/0 of no fix.
inline constexpr double kNoFixDegrees = 1e-6;

// A position is usable when both values are finite, in range and not the 0/0 that devices
// write before the first fix. Both readers decide with it.
inline bool is_usable_position(double lat, double lon) {
    if (!std::isfinite(lat) || !std::isfinite(lon)) return false;
    if (std::fabs(lat) > 90.0 || std::fabs(lon) > 180.0) return false;
    return !(std::fabs(lat) < kNoFixDegrees && std::fabs(lon) < kNoFixDegrees);
}

}  // namespace trakvia::engine

// Reader of GPX 1.0 and 1.1 tracks, routes and waypoints, streaming.
#pragma once

#include <cstddef>
#include <string_view>

#include "record.hpp"
#include "text_source.hpp"

namespace trakvia::engine {

struct GpxReadSummary {
    std::size_t track_points = 0;  // trkpt and rtept
    std::size_t waypoints = 0;     // wpt; used only when the file has no track or route
};

// Passes one Record per point to `sink`: track and route points in file order; the
// waypoints (in order) only when the file holds neither.
GpxReadSummary read_gpx(TextSource& source, const RecordSink& sink);
GpxReadSummary read_gpx_bytes(std::string_view bytes, const RecordSink& sink);

}  // namespace trakvia::engine

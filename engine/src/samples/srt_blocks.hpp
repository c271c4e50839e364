// Text of one SRT block in each sample layout, from the state of the aircraft at one frame.
#pragma once

#include <cstdint>
#include <string>

namespace trakvia::engine::samples {

enum class SrtLayout {
    mavic3,      // <font size="28">, FrameCnt, YYYY-MM-DD HH:MM:SS.mmm, [rel_alt: abs_alt:]
    mavic2pro,   // <font size="36">, FrameCnt : n, ,mmm,uuu date, [longtitude : ], [altitude: ]
    phantom4,    // one line: F/, SS, ISO, EV, GPS (lon, lat, sats), D, H, H.S, V.S; no date-time
    mavic_pro,   // HOME(lon,lat) date / GPS(lon,lat,sats) BAROMETER / ISO Shutter EV Fnum, 1 Hz
};

// Everything one block can show; each layout writes its own subset.
struct Frame {
    std::int64_t index = 1;            // block number, from 1
    std::int64_t cue_start_ms = 0;
    std::int64_t cue_end_ms = 0;
    std::int64_t wall_clock_us = 0;    // local wall-clock time, microseconds since 1970
    double lat = 0.0, lon = 0.0;
    double home_lat = 0.0, home_lon = 0.0;
    double rel_alt = 0.0, abs_alt = 0.0;
    double distance_home_m = 0.0;
    double horizontal_speed = 0.0, vertical_speed = 0.0;  // m/s
    int satellites = 0;
    int iso = 100;
    int shutter = 1000;                // denominator: 1/shutter s
    int colour_temperature = 5500;
};

// Appends the block for `frame` (ending with its blank separator line) to `out`.
void append_block(std::string& out, SrtLayout layout, const Frame& frame);

}  // namespace trakvia::engine::samples

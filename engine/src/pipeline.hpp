// Read → validate → place in time → measure → sample: a finished Track and its report,
// from any text source. convert_file adds the files around it.
#pragma once

#include "text_source.hpp"
#include "trakvia/engine/convert.hpp"
#include "trakvia/engine/track.hpp"

namespace trakvia::engine {

enum class InputKind { srt, gpx };

struct BuiltTrack {
    Track track;
    ConvertReport report;  // everything except track_name and output_files
};

BuiltTrack build_track(TextSource& source, InputKind kind, const ConvertOptions& options,
                       const ZoneResolver& zone_at = {});

// The altitude written as elevation: the requested kind when the track has it; otherwise GPS
// elevation, then the device's absolute altitude unless it reads below -100 m somewhere
// (abs_alt is not a trustworthy sea level on several models), then height above take-off,
// then ultrasonic height; the first of these that at least half of the points carry, else
// the one most points carry.
struct AltitudeCoverage {
    std::size_t points = 0;
    std::size_t count[kAltitudeKindCount] = {};
    double minimum[kAltitudeKindCount] = {};
};
std::optional<AltitudeKind> choose_elevation(const AltitudeCoverage& coverage, std::optional<AltitudeKind> requested);

}  // namespace trakvia::engine

// One call that turns a telemetry file into track files: read, validate, measure, sample, write.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "trakvia/engine/track.hpp"

namespace trakvia::engine {

enum class SampleMode { all, hz1, s5, dist2m };

// Output formats; a bit set of these chooses what convert_file writes.
enum OutputFormat : unsigned {
    format_gpx = 1u << 0,
    format_kml = 1u << 1,
    format_geojson = 1u << 2,
    format_csv = 1u << 3,
    format_nmea = 1u << 4,
    format_mgjson = 1u << 5,
};
inline constexpr unsigned kDefaultFormats = format_gpx | format_kml | format_geojson | format_csv;

struct ConvertOptions {
    SampleMode sample_mode = SampleMode::hz1;
    unsigned formats = kDefaultFormats;
    // Offset of the file's local wall-clock time from UTC, in minutes (local = UTC + offset).
    // Unset: the computer's local zone (DST-aware), taken at the first time stamp of each
    // recording so that times never jump inside one. GPX times are UTC already.
    std::optional<int> utc_offset_minutes;
    // Altitude written as elevation; unset: the best kind the file has (see report).
    std::optional<AltitudeKind> elevation_kind;
    // Files an output must never replace: the inputs of the run this conversion belongs to and
    // the outputs the run has already written. Such a name makes every output of the
    // conversion take the next free suffix (DJI_0001_2.gpx ...).
    std::vector<std::filesystem::path> keep_paths;
};

struct ConvertReport {
    std::string track_name;
    std::size_t raw_point_count = 0;       // telemetry records read, valid or not
    std::size_t valid_point_count = 0;     // records with a usable position
    std::size_t filtered_point_count = 0;  // points kept by the sampling mode and written
    double total_distance_m = 0.0;         // over all valid points, ellipsoidal, 2-D, unsmoothed;
                                           // not across a restart (two recordings joined)
    double max_speed_kmh = 0.0;            // device speed, else over windows of >= 1 s
    double max_power_w = 0.0;
    double duration_s = 0.0;               // first to last valid point on the track clock
    std::string time_source;               // e.g. "wall_clock_local", "utc", "cue", "none"
    std::optional<int> utc_offset_minutes; // the offset applied to the first point, if any
    std::string elevation_source;          // altitude_kind_name, or "" when none
    std::vector<std::filesystem::path> output_files;
    std::vector<std::string> warnings;
};

// The one domain error the engine throws for bad input it cannot read at all
// (the binding maps it to OSError); parse problems inside a file are warnings.
class InputError : public std::runtime_error {
public:
    InputError(const std::string& what, int errno_value) : std::runtime_error(what), errno_value(errno_value) {}
    int errno_value;
};

ConvertReport convert_file(const std::filesystem::path& input,
                           const std::filesystem::path& output_dir,
                           const ConvertOptions& options);

// Whether `file` is a track this program wrote, by the mark its writer puts near the start:
// GPX and MGJSON name "Trakvia" as their creator; KML and GeoJSON name their input file
// (`source_name`; an empty name matches none). CSV and NMEA carry no mark: false.
bool written_by_trakvia(const std::filesystem::path& file, const std::string& source_name = {});

// Endings the readers accept, lower case with the dot.
const std::vector<std::string>& supported_extensions();

}  // namespace trakvia::engine

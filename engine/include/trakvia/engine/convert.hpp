// One call that turns a telemetry file into track files: read, validate, measure, sample, write.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
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
    // Unset: the time zone at each recording's first fix (RunContext::zone_at), else the
    // computer's zone, either taken at the recording's first time stamp (DST-aware) so that
    // times never jump inside one. GPX times are UTC already.
    std::optional<int> utc_offset_minutes;
    // Altitude written as elevation; unset: the best kind the file has (see report).
    std::optional<AltitudeKind> elevation_kind;
    // Files an output must never replace: the inputs of the run this conversion belongs to and
    // the outputs the run has already written. Such a name makes every output of the
    // conversion take the next free suffix (DJI_0001_2.gpx ...).
    std::vector<std::filesystem::path> keep_paths;
};

// A time zone and its offset from UTC (local = UTC + offset) at one moment.
struct ZoneOffset {
    std::string zone_name;  // IANA name, e.g. "Europe/Istanbul"
    int offset_minutes = 0;
};

// Finds the time zone at a position and its offset at `ms` (milliseconds since 1970 on the
// local wall clock when `ms_is_utc` is false, else a UTC instant). nullopt: it cannot tell.
// Called once per recording, from the thread that runs the conversion.
using ZoneResolver = std::function<std::optional<ZoneOffset>(double lat_deg, double lon_deg, std::int64_t ms, bool ms_is_utc)>;

// What a run may be given besides the options: the time-zone lookup, and for long reads a
// progress report and a cancel check (both called every few megabytes of input).
struct RunContext {
    ZoneResolver zone_at;  // empty: local stamps use the computer's zone
    std::function<void(std::uint64_t bytes_read, std::uint64_t bytes_total)> progress;
    std::function<bool()> cancelled;  // true: the run stops with Cancelled
};

class Cancelled : public std::runtime_error {
public:
    Cancelled() : std::runtime_error("cancelled") {}
};

// What went wrong inside a file that could still be read, as a code the caller words.
enum class WarningCode {
    no_valid_position,       // nothing written
    invalid_positions,       // records without a usable position (N/A, 0/0, cut off): count
    jumps_dropped,           // positions dropped as impossible jumps: count
    track_split,             // the track has `count` segments
    zone_lookup_failed,      // the flight's zone could not be found; the computer's zone used
    computer_zone_unknown,   // nor the computer's: local stamps taken as UTC
    fpv_altitude_scaled,     // DJI FPV altitude multiplied by 10
    untimed_points_kept,     // points without a time a time-based sampling had to keep: count
    elevation_kind_missing,  // the requested altitude kind (detail) is not in the file
    format_skipped_no_dates, // the format (detail) cannot hold points without a date; not written
};
const char* warning_code_name(WarningCode code);

struct ConvertWarning {
    WarningCode code;
    std::size_t count = 0;       // how many records or points, where that means something
    std::size_t first_line = 0;  // input line of the first one; 0 when unknown
    std::string detail;          // e.g. the altitude kind or the format's extension
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
    double duration_s = 0.0;               // recorded time: each recording's first to last valid
                                           // point, summed (gaps between recordings left out)
    double elapsed_s = 0.0;                // first to last valid point, gaps included
    // "wall_clock_position_zone", "wall_clock_computer_zone", "wall_clock_given_offset",
    // "utc", "cue" or "none"
    std::string time_source;
    std::string time_zone;                 // zone of the first fix (IANA name), "" when not looked up
    std::optional<int> utc_offset_minutes; // the offset applied to the first point's local stamp
    std::string elevation_source;          // altitude_kind_name, or "" when none
    std::vector<std::filesystem::path> output_files;
    std::vector<ConvertWarning> warnings;
};

// The one domain error the engine throws for bad input it cannot read at all
// (the binding maps it to OSError); parse problems inside a file are warnings.
class InputError : public std::runtime_error {
public:
    InputError(const std::string& what, int errno_value, std::string reason = {})
        : std::runtime_error(what), errno_value(errno_value), reason(std::move(reason)) {}
    int errno_value;
    std::string reason;  // shown instead of the errno's text when set (Turkish)
};

ConvertReport convert_file(const std::filesystem::path& input,
                           const std::filesystem::path& output_dir,
                           const ConvertOptions& options,
                           const RunContext& context = {});

// The track convert_file would write (the same reading, checks and figures) without writing
// anything; report.output_files stays empty.
struct TrackReading {
    Track track;
    ConvertReport report;
};
TrackReading read_track(const std::filesystem::path& input, const ConvertOptions& options,
                        const RunContext& context = {});

// Whether `file` is a track this program wrote, by the mark its writer puts near the start:
// GPX and MGJSON name "Trakvia" as their creator; KML and GeoJSON name their input file
// (`source_name`; an empty name matches none). CSV and NMEA carry no mark: false.
bool written_by_trakvia(const std::filesystem::path& file, const std::string& source_name = {});

// Endings the readers accept, lower case with the dot.
const std::vector<std::string>& supported_extensions();

}  // namespace trakvia::engine

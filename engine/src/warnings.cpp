// Stable names of the warning codes, for callers that filter warnings or log them.
#include "trakvia/engine/convert.hpp"

namespace trakvia::engine {

const char* warning_code_name(WarningCode code) {
    switch (code) {
        case WarningCode::no_valid_position: return "no_valid_position";
        case WarningCode::invalid_positions: return "invalid_positions";
        case WarningCode::jumps_dropped: return "jumps_dropped";
        case WarningCode::track_split: return "track_split";
        case WarningCode::zone_lookup_failed: return "zone_lookup_failed";
        case WarningCode::computer_zone_unknown: return "computer_zone_unknown";
        case WarningCode::fpv_altitude_scaled: return "fpv_altitude_scaled";
        case WarningCode::untimed_points_kept: return "untimed_points_kept";
        case WarningCode::elevation_kind_missing: return "elevation_kind_missing";
        case WarningCode::format_skipped_no_dates: return "format_skipped_no_dates";
    }
    return "unknown";
}

}  // namespace trakvia::engine

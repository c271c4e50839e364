// Puts records on one time line: a monotonic track clock, recording restarts, and UTC.
//
// DJI date-times are local with no zone and can be bunched or repeated (Mavic 3T), so within
// a recording a record's time is the recording's first date-time plus its cue offset; only
// without cue times are the date-times used one by one (and never allowed to go back).
// A recording restarts where the cue time or the frame counter goes back, or where the
// date-time leaves the cue-based prediction by more than half a minute (clips joined in an
// editor); the file's local times are converted to UTC with one offset per recording: the
// offset of the time zone at the recording's first fix at its first stamp, so that the
// computer's own zone plays no part when the file has a position.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "record.hpp"
#include "trakvia/engine/convert.hpp"

namespace trakvia::engine {

struct TimePlacement {
    bool restart = false;                 // first record of a new recording (not the file's first)
    std::optional<double> track_s;        // seconds since the first record, never decreasing
    std::optional<std::int64_t> utc_ms;   // wall-clock time in UTC, when the file has one and
                                          // (for local stamps) the recording's offset is known
    std::optional<int> local_offset_min;  // flight-local time = utc_ms + this, with utc_ms
};

class Timeline {
public:
    // `utc_offset_minutes`: local = UTC + offset for the file's local times; unset: the zone
    // `zone_at` finds at each recording's first fix, else this computer's zone, at the first
    // time of each recording.
    Timeline(std::optional<int> utc_offset_minutes, ZoneResolver zone_at);

    // A record's times. Records before their recording's first fix get no UTC time (the zone
    // is not known yet); they carry no position either, so nothing is lost.
    TimePlacement place(const Record& r);
    // Settles a recording that ended without a fix (the computer's zone), for the report.
    void finish();

    // "wall_clock_position_zone", "wall_clock_computer_zone", "wall_clock_given_offset",
    // "utc", "cue" or "none"
    std::string time_source() const;
    std::optional<int> first_offset_minutes() const { return first_offset_ ? first_offset_ : fixless_offset_; }
    const std::string& time_zone() const { return time_zone_; }
    bool offset_unknown() const { return offset_unknown_; }
    bool zone_lookup_failed() const { return zone_lookup_failed_; }

private:
    // The recording's offset, once its first stamp and (when there is one) its first fix are known.
    void settle_offset(const std::optional<std::pair<double, double>>& fix);

    std::optional<int> fixed_offset_;
    ZoneResolver zone_at_;
    bool any_record_ = false;
    std::optional<double> prev_cue_;
    std::optional<std::int64_t> prev_counter_;
    std::optional<double> last_track_s_;
    std::optional<std::int64_t> last_wall_;

    double rec_base_s_ = 0;                // track_s at the recording's first cue
    std::optional<double> rec_cue0_;
    std::optional<std::int64_t> anchor_wall_;  // the recording's first date-time, as written
    std::int64_t anchor_utc_ms_ = 0;
    double anchor_track_s_ = 0;
    std::optional<double> anchor_cue_;
    bool anchor_is_utc_ = false;
    std::optional<int> rec_offset_;            // local = UTC + this, once settled
    std::optional<std::pair<double, double>> rec_first_fix_;  // lat, lon

    bool used_position_ = false, used_computer_ = false, used_given_ = false;
    bool used_utc_ = false, used_cue_ = false;
    bool offset_unknown_ = false, zone_lookup_failed_ = false;
    std::optional<int> first_offset_;    // of the first recording with a fix
    std::optional<int> fixless_offset_;  // of the first recording without one
    std::string time_zone_;
};

}  // namespace trakvia::engine

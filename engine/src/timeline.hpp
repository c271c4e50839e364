// Puts records on one time line: a monotonic track clock, recording restarts, and UTC.
//
// DJI date-times are local with no zone and can be bunched or repeated (Mavic 3T), so within
// a recording a record's time is the recording's first date-time plus its cue offset; only
// without cue times are the date-times used one by one (and never allowed to go back).
// A recording restarts where the cue time or the frame counter goes back, or where the
// date-time leaves the cue-based prediction by more than half a minute (clips joined in an
// editor); the file's local times are converted to UTC with one offset per recording.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "record.hpp"

namespace trakvia::engine {

struct TimePlacement {
    bool restart = false;                 // first record of a new recording (not the file's first)
    std::optional<double> track_s;        // seconds since the first record, never decreasing
    std::optional<std::int64_t> utc_ms;   // wall-clock time in UTC, when the file has one
};

class Timeline {
public:
    // `utc_offset_minutes`: local = UTC + offset for the file's local times; unset: this
    // computer's zone at the first time of each recording.
    explicit Timeline(std::optional<int> utc_offset_minutes);

    TimePlacement place(const Record& r);

    // "wall_clock_local", "utc", "cue" or "none"
    std::string time_source() const;
    std::optional<int> first_offset_minutes() const { return first_offset_; }
    bool offset_unknown() const { return offset_unknown_; }

private:
    std::optional<int> fixed_offset_;
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

    bool used_local_ = false, used_utc_ = false, used_cue_ = false;
    bool offset_unknown_ = false;
    std::optional<int> first_offset_;
};

}  // namespace trakvia::engine

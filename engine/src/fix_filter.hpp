// Decides which records are positions: drops invalid fixes and physically impossible jumps,
// and marks where a new segment starts (after dropped fixes, a restart, a file segment).
//
// A fix farther from the last accepted one than 50 m + 350 m/s × elapsed time is held back
// until the next fix shows what it was: when the next fix agrees with the old position the
// held one was an outlier and is dropped; when it agrees with the held one the track really
// moved there (two clips joined) and a new segment starts without counting the jump.
//
// A record that names no position at all in a file whose other records do (a block cut off
// before its coordinates) is a dropped fix too: it breaks the segment and is counted.
#pragma once

#include <cstddef>
#include <functional>
#include <limits>
#include <optional>

#include "record.hpp"
#include "timeline.hpp"

namespace trakvia::engine {

struct Fix {
    TrackPoint point;  // segment_start and time_ms (UTC) set
    double track_s = std::numeric_limits<double>::quiet_NaN();
    bool joins_previous = false;  // distance and speed continue from the previous fix
    bool restart = false;         // first fix of a new recording (not the file's first)
    double step_m = 0.0;          // distance from the previous accepted fix, when joins_previous
    int coord_decimals = -1;
    std::size_t line = 0;
};

class FixFilter {
public:
    using FixSink = std::function<void(Fix&)>;
    explicit FixFilter(FixSink sink) : sink_(std::move(sink)) {}

    void push(const Record& r, const TimePlacement& t);
    void finish();

    std::size_t accepted() const { return accepted_; }
    std::size_t invalid() const { return invalid_; }
    std::size_t jumps_dropped() const { return jumps_; }
    std::size_t segments() const { return segments_; }
    // Input lines of the first invalid record, dropped jump and second segment; 0 when none.
    std::size_t first_invalid_line() const { return first_invalid_line_; }
    std::size_t first_jump_line() const { return first_jump_line_; }
    std::size_t first_split_line() const { return first_split_line_; }

private:
    // Whether `to` may follow `from`, which lie `distance_m` apart.
    static bool plausible(const Fix& from, const Fix& to, double distance_m);
    // Passes `f` on; `step_m` is its distance from the last accepted fix when it `joins` it.
    void accept(Fix& f, bool joins, double step_m);
    void drop_invalid(const Record& r);
    void count_jump(const Fix& f);

    FixSink sink_;
    std::optional<Fix> last_;     // the last accepted fix
    std::optional<Fix> held_;     // a suspicious fix waiting for the next one
    bool pending_break_ = false;  // something was dropped since the last accepted fix
    bool pending_gap_ = false;    // a record without a usable position: no step across it
    bool pending_restart_ = false;
    std::size_t accepted_ = 0, invalid_ = 0, jumps_ = 0, segments_ = 0;
    bool positions_seen_ = false;       // some record named a position
    std::size_t unpositioned_ = 0;      // records without one before that
    std::size_t first_unpositioned_line_ = 0;
    std::size_t first_invalid_line_ = 0, first_jump_line_ = 0, first_split_line_ = 0;
};

}  // namespace trakvia::engine

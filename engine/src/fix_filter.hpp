// Decides which records are positions: drops invalid fixes and physically impossible jumps,
// and marks where a new segment starts (after dropped fixes, a restart, a file segment).
//
// A fix farther from the last accepted one than 50 m + 350 m/s × elapsed time is held back
// until the next fix shows what it was: when the next fix agrees with the old position the
// held one was an outlier and is dropped; when it agrees with the held one the track really
// moved there (two clips joined) and a new segment starts without counting the jump.
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
    double step_m = 0.0;          // distance from the previous accepted fix, when joins_previous
    int coord_decimals = -1;
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

private:
    // Whether `to` may follow `from`, which lie `distance_m` apart.
    static bool plausible(const Fix& from, const Fix& to, double distance_m);
    // Passes `f` on; `step_m` is its distance from the last accepted fix when it `joins` it.
    void accept(Fix& f, bool joins, double step_m);

    FixSink sink_;
    std::optional<Fix> last_;     // the last accepted fix
    std::optional<Fix> held_;     // a suspicious fix waiting for the next one
    bool pending_break_ = false;  // something was dropped since the last accepted fix
    bool pending_restart_ = false;
    std::size_t accepted_ = 0, invalid_ = 0, jumps_ = 0, segments_ = 0;
};

}  // namespace trakvia::engine

// Fix validation with one fix of look-ahead for suspicious jumps.
#include "fix_filter.hpp"

#include <cmath>

#include "geodesy.hpp"

namespace trakvia::engine {

namespace {
constexpr double kJumpSlack_m = 50.0;       // covers 4-decimal coordinates (11 m steps) and GPS noise
constexpr double kMaxSpeed_mps = 350.0;     // faster than anything these files record
constexpr double kUntimedJump_m = 1000.0;   // the limit when the records carry no time

double distance_between(const Fix& from, const Fix& to) {
    return geodesy::distance_m(from.point.lat_deg, from.point.lon_deg, to.point.lat_deg, to.point.lon_deg);
}

}  // namespace

bool FixFilter::plausible(const Fix& from, const Fix& to, double d) {
    if (std::isfinite(from.track_s) && std::isfinite(to.track_s)) {
        double dt = std::max(0.0, to.track_s - from.track_s);
        return d <= kJumpSlack_m + kMaxSpeed_mps * dt;
    }
    return d <= kUntimedJump_m;
}

void FixFilter::accept(Fix& f, bool joins, double step_m) {
    // Nothing is known of where the track went during a gap in the positions: no distance
    // and no speed across it (a dropped jump, by contrast, is bridged by the fixes around it).
    f.joins_previous = joins && last_.has_value() && !pending_gap_;
    f.step_m = f.joins_previous ? step_m : 0.0;
    f.point.segment_start = !last_ || !joins || pending_break_;
    if (f.point.segment_start && ++segments_ == 2) first_split_line_ = f.line;
    pending_break_ = false;
    pending_gap_ = false;
    ++accepted_;
    sink_(f);
    last_ = f;
}

void FixFilter::drop_invalid(const Record& r) {
    if (++invalid_ == 1) first_invalid_line_ = r.line;
    pending_break_ = true;
    pending_gap_ = true;
}

void FixFilter::count_jump(const Fix& f) {
    if (++jumps_ == 1) first_jump_line_ = f.line;
}

void FixFilter::push(const Record& r, const TimePlacement& t) {
    if (t.restart) pending_restart_ = true;
    if ((r.position_seen || r.has_fix) && !positions_seen_) {
        // The records before the first position turn out to lack theirs.
        positions_seen_ = true;
        invalid_ += unpositioned_;
        if (unpositioned_ > 0) first_invalid_line_ = first_unpositioned_line_;
    }
    if (!r.has_fix) {
        if (r.position_seen || positions_seen_) {
            drop_invalid(r);
        } else if (++unpositioned_ == 1) {
            first_unpositioned_line_ = r.line;
        }
        return;
    }
    Fix f;
    f.point = r.point;
    f.point.time_ms = t.utc_ms;
    if (t.utc_ms && t.local_offset_min) f.point.local_offset_min = std::int16_t(*t.local_offset_min);
    f.point.segment_start = false;
    f.track_s = t.track_s.value_or(std::numeric_limits<double>::quiet_NaN());
    f.coord_decimals = r.coord_decimals;
    f.line = r.line;
    if (r.new_segment) pending_break_ = true;

    if (pending_restart_ || !last_) {
        if (held_) {
            count_jump(*held_);
            held_.reset();
        }
        f.restart = pending_restart_ && last_.has_value();
        pending_restart_ = false;
        accept(f, false, 0.0);
        return;
    }
    // The distance that decides is also the step the statistics add up: computed once here.
    const double from_last = distance_between(*last_, f);
    if (held_) {
        if (plausible(*last_, f, from_last)) {
            count_jump(*held_);  // the held fix was a lone outlier
            held_.reset();
            pending_break_ = true;
            accept(f, true, from_last);
            return;
        }
        const double from_held = distance_between(*held_, f);
        if (plausible(*held_, f, from_held)) {
            Fix moved = *held_;
            held_.reset();
            accept(moved, false, 0.0);
            accept(f, true, from_held);
        } else {
            count_jump(*held_);
            held_ = f;
        }
        return;
    }
    if (plausible(*last_, f, from_last)) {
        accept(f, true, from_last);
    } else {
        held_ = f;
    }
}

void FixFilter::finish() {
    if (held_) {
        count_jump(*held_);  // nothing after it confirms it
        held_.reset();
    }
}

}  // namespace trakvia::engine

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
    f.joins_previous = joins && last_.has_value();
    f.step_m = f.joins_previous ? step_m : 0.0;
    f.point.segment_start = !last_ || !joins || pending_break_;
    if (f.point.segment_start) ++segments_;
    pending_break_ = false;
    ++accepted_;
    sink_(f);
    last_ = f;
}

void FixFilter::push(const Record& r, const TimePlacement& t) {
    if (t.restart) pending_restart_ = true;
    if (!r.has_fix) {
        if (r.position_seen) {
            ++invalid_;
            pending_break_ = true;
        }
        return;
    }
    Fix f;
    f.point = r.point;
    f.point.time_ms = t.utc_ms;
    f.point.segment_start = false;
    f.track_s = t.track_s.value_or(std::numeric_limits<double>::quiet_NaN());
    f.coord_decimals = r.coord_decimals;
    if (r.new_segment) pending_break_ = true;

    if (pending_restart_ || !last_) {
        if (held_) {
            ++jumps_;
            held_.reset();
        }
        pending_restart_ = false;
        accept(f, false, 0.0);
        return;
    }
    // The distance that decides is also the step the statistics add up: computed once here.
    const double from_last = distance_between(*last_, f);
    if (held_) {
        if (plausible(*last_, f, from_last)) {
            ++jumps_;  // the held fix was a lone outlier
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
            ++jumps_;
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
        ++jumps_;  // nothing after it confirms it
        held_.reset();
    }
}

}  // namespace trakvia::engine

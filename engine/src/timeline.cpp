// The track clock and UTC conversion.
#include "timeline.hpp"

#include <cmath>

#include "civil_time.hpp"

namespace trakvia::engine {

namespace {
constexpr double kCueBackTolerance_s = 0.0005;
constexpr double kWallDrift_s = 30.0;
}  // namespace

Timeline::Timeline(std::optional<int> utc_offset_minutes) : fixed_offset_(utc_offset_minutes) {}

TimePlacement Timeline::place(const Record& r) {
    TimePlacement out;
    const std::optional<double> cue =
        std::isfinite(r.point.cue_s) ? std::optional<double>(r.point.cue_s) : std::nullopt;

    if (any_record_) {
        bool restart = false;
        if (cue && prev_cue_ && *cue < *prev_cue_ - kCueBackTolerance_s) restart = true;
        if (r.counter && prev_counter_ && *r.counter < *prev_counter_) restart = true;
        if (r.wall_ms && anchor_wall_) {
            if (cue && anchor_cue_) {
                double predicted = double(*anchor_wall_) + (*cue - *anchor_cue_) * 1000.0;
                if (std::fabs(double(*r.wall_ms) - predicted) > kWallDrift_s * 1000.0) restart = true;
            } else if (!cue && last_wall_ && *r.wall_ms < *last_wall_ - 1000) {
                restart = true;
            }
        }
        if (restart) {
            out.restart = true;
            double gap = 0;
            if (r.wall_ms && last_wall_ && *r.wall_ms > *last_wall_ && *r.wall_ms - *last_wall_ < 86400000LL)
                gap = double(*r.wall_ms - *last_wall_) / 1000.0;
            rec_base_s_ = last_track_s_.value_or(0.0) + gap;
            rec_cue0_.reset();
            anchor_wall_.reset();
            anchor_cue_.reset();
        }
    }
    any_record_ = true;
    if (cue) prev_cue_ = cue;
    if (r.counter) prev_counter_ = r.counter;

    // Track clock.
    if (cue) {
        if (!rec_cue0_) rec_cue0_ = cue;
        out.track_s = rec_base_s_ + (*cue - *rec_cue0_);
        used_cue_ = true;
    } else if (r.wall_ms && anchor_wall_) {
        out.track_s = anchor_track_s_ + double(*r.wall_ms - *anchor_wall_) / 1000.0;
    } else if (r.wall_ms) {
        out.track_s = last_track_s_ ? *last_track_s_ : rec_base_s_;
    }
    if (out.track_s && last_track_s_ && *out.track_s < *last_track_s_) out.track_s = last_track_s_;

    // Wall clock: the recording's first date-time, then the track clock from there.
    if (r.wall_ms && !anchor_wall_) {
        anchor_wall_ = r.wall_ms;
        anchor_cue_ = cue;
        anchor_track_s_ = out.track_s.value_or(0.0);
        int offset = 0;
        if (r.wall_is_utc) {
            used_utc_ = true;
        } else {
            used_local_ = true;
            if (fixed_offset_) {
                offset = *fixed_offset_;
            } else if (auto local = local_utc_offset_minutes(*r.wall_ms)) {
                offset = *local;
            } else {
                offset_unknown_ = true;
            }
            if (!first_offset_) first_offset_ = offset;
        }
        anchor_utc_ms_ = *r.wall_ms - std::int64_t(offset) * 60000;
    }
    if (anchor_wall_ && out.track_s) {
        out.utc_ms = anchor_utc_ms_ + std::llround((*out.track_s - anchor_track_s_) * 1000.0);
    }

    if (out.track_s) last_track_s_ = out.track_s;
    if (r.wall_ms) last_wall_ = r.wall_ms;
    return out;
}

std::string Timeline::time_source() const {
    if (used_local_) return "wall_clock_local";
    if (used_utc_) return "utc";
    if (used_cue_) return "cue";
    return "none";
}

}  // namespace trakvia::engine

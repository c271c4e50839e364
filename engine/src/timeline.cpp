// The track clock and UTC conversion.
#include "timeline.hpp"

#include <cmath>
#include <utility>

#include "civil_time.hpp"

namespace trakvia::engine {

namespace {
constexpr double kCueBackTolerance_s = 0.0005;
constexpr double kWallDrift_s = 30.0;
}  // namespace

Timeline::Timeline(std::optional<int> utc_offset_minutes, ZoneResolver zone_at)
    : fixed_offset_(utc_offset_minutes), zone_at_(std::move(zone_at)) {}

void Timeline::settle_offset(const std::optional<std::pair<double, double>>& fix) {
    std::optional<ZoneOffset> zone;
    // A given offset settles local stamps without a lookup; UTC stamps still want the zone
    // for the flight's local time.
    if (fix && zone_at_ && (anchor_is_utc_ || !fixed_offset_)) {
        zone = zone_at_(fix->first, fix->second, *anchor_wall_, anchor_is_utc_);
        if (!zone) zone_lookup_failed_ = true;
    }
    if (zone && time_zone_.empty()) time_zone_ = zone->zone_name;
    int offset = 0;
    if (anchor_is_utc_) {
        used_utc_ = true;
        // The stamps are UTC already; the offset only gives the flight's local time.
        if (zone) {
            offset = zone->offset_minutes;
        } else if (auto local = local_utc_offset_minutes(*anchor_wall_)) {
            offset = *local;
        }
        anchor_utc_ms_ = *anchor_wall_;
    } else {
        if (fixed_offset_) {
            offset = *fixed_offset_;
            used_given_ = true;
        } else if (zone) {
            offset = zone->offset_minutes;
            used_position_ = true;
        } else if (auto local = local_utc_offset_minutes(*anchor_wall_)) {
            offset = *local;
            used_computer_ = true;
        } else {
            offset_unknown_ = true;
            used_computer_ = true;
        }
        std::optional<int>& first = fix ? first_offset_ : fixless_offset_;
        if (!first) first = offset;
        anchor_utc_ms_ = *anchor_wall_ - std::int64_t(offset) * 60000;
    }
    rec_offset_ = offset;
}

void Timeline::finish() {
    if (anchor_wall_ && !rec_offset_) settle_offset(std::nullopt);
}

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
            finish();
            double gap = 0;
            if (r.wall_ms && last_wall_ && *r.wall_ms > *last_wall_ && *r.wall_ms - *last_wall_ < 86400000LL)
                gap = double(*r.wall_ms - *last_wall_) / 1000.0;
            rec_base_s_ = last_track_s_.value_or(0.0) + gap;
            rec_cue0_.reset();
            anchor_wall_.reset();
            anchor_cue_.reset();
            rec_offset_.reset();
            rec_first_fix_.reset();
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

    // Wall clock: the recording's first date-time, then the track clock from there, once the
    // zone of the recording's first fix is known.
    if (r.has_fix && !rec_first_fix_) rec_first_fix_.emplace(r.point.lat_deg, r.point.lon_deg);
    if (r.wall_ms && !anchor_wall_) {
        anchor_wall_ = r.wall_ms;
        anchor_cue_ = cue;
        anchor_track_s_ = out.track_s.value_or(0.0);
        anchor_is_utc_ = r.wall_is_utc;
    }
    if (anchor_wall_ && !rec_offset_ && rec_first_fix_) settle_offset(rec_first_fix_);
    if (anchor_wall_ && rec_offset_ && out.track_s) {
        out.utc_ms = anchor_utc_ms_ + std::llround((*out.track_s - anchor_track_s_) * 1000.0);
        out.local_offset_min = rec_offset_;
    }

    if (out.track_s) last_track_s_ = out.track_s;
    if (r.wall_ms) last_wall_ = r.wall_ms;
    return out;
}

std::string Timeline::time_source() const {
    if (used_given_) return "wall_clock_given_offset";
    if (used_position_) return "wall_clock_position_zone";
    if (used_computer_) return "wall_clock_computer_zone";
    if (used_utc_) return "utc";
    if (used_cue_) return "cue";
    return "none";
}

}  // namespace trakvia::engine

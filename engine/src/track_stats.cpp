// Distance, speed and power over all accepted fixes.
#include "track_stats.hpp"

#include <algorithm>
#include <cmath>

#include "geodesy.hpp"

namespace trakvia::engine {

namespace {
constexpr double kMetresPerDegree = 111320.0;
constexpr double kQuantisationSpeed_mps = 2.0;
}  // namespace

double TrackStats::window_for(int decimals) {
    if (decimals != window_decimals_) {
        window_decimals_ = decimals;
        window_s_ = speed_window_s(decimals);
    }
    return window_s_;
}

double speed_window_s(int decimals) {
    if (decimals < 0) return 1.0;
    double quantum_m = kMetresPerDegree * std::pow(10.0, -std::min(decimals, 12));
    return std::max(1.0, quantum_m / kQuantisationSpeed_mps);
}

std::optional<double> TrackStats::add(const Fix& f) {
    const TrackPoint& p = f.point;
    ++count_;
    if (f.joins_previous) distance_m_ += f.step_m;  // the filter measured the step already

    std::optional<double> estimate;
    if (p.segment_start) {
        window_.clear();
        seg_first_t_.reset();
        seg_distance_m_ = 0;
    } else if (f.joins_previous) {
        seg_distance_m_ += f.step_m;
    }
    if (std::isfinite(f.track_s)) {
        if (!first_t_) first_t_ = f.track_s;
        if (!rec_first_t_ || f.restart) {
            if (rec_first_t_) recorded_s_ += *last_t_ - *rec_first_t_;
            rec_first_t_ = f.track_s;
        }
        last_t_ = f.track_s;
        if (!seg_first_t_) seg_first_t_ = f.track_s;
        const double seg_span = f.track_s - *seg_first_t_;
        if (seg_span > 0 && seg_span >= longest_span_s_) {
            longest_span_s_ = seg_span;
            longest_speed_mps_ = seg_distance_m_ / seg_span;
        }
        const double span = window_for(f.coord_decimals);
        window_.push_back({f.track_s, p.lat_deg, p.lon_deg});
        while (window_.size() > 2 && f.track_s - window_[1].t >= span) window_.pop_front();
        const WindowPoint& w = window_.front();
        const double dt = f.track_s - w.t;
        if (window_.size() >= 2 && dt >= span) {
            estimate = geodesy::distance_m(w.lat, w.lon, p.lat_deg, p.lon_deg) / dt;
        }
    }
    const std::optional<double> speed = p.speed_mps ? p.speed_mps : estimate;
    if (speed && std::isfinite(*speed)) {
        any_speed_ = true;
        max_speed_mps_ = std::max(max_speed_mps_, *speed);
    }
    if (p.power_w && std::isfinite(*p.power_w)) max_power_w_ = std::max(max_power_w_, *p.power_w);

    for (std::size_t k = 0; k < kAltitudeKindCount; ++k) {
        if (!p.has_altitude(AltitudeKind(k))) continue;
        altitude_min_[k] = altitude_count_[k] == 0 ? p.altitude_m[k] : std::min(altitude_min_[k], p.altitude_m[k]);
        ++altitude_count_[k];
    }
    return estimate;
}

double TrackStats::max_speed_mps() const {
    return any_speed_ ? max_speed_mps_ : longest_speed_mps_;
}

double TrackStats::duration_s() const {
    return rec_first_t_ ? recorded_s_ + (*last_t_ - *rec_first_t_) : 0.0;
}

double TrackStats::elapsed_s() const {
    return first_t_ && last_t_ ? *last_t_ - *first_t_ : 0.0;
}

std::optional<double> TrackStats::min_altitude(AltitudeKind k) const {
    if (altitude_count_[std::size_t(k)] == 0) return std::nullopt;
    return altitude_min_[std::size_t(k)];
}

}  // namespace trakvia::engine

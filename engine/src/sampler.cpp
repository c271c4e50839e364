// Sampling modes.
#include "sampler.hpp"

#include <cmath>

#include "geodesy.hpp"

namespace trakvia::engine {

namespace {
constexpr double kMinStep_m = 2.0;

double period_s(SampleMode mode) { return mode == SampleMode::s5 ? 5.0 : 1.0; }
}  // namespace

void Sampler::keep(const Fix& f) {
    kept_.push_back(f.point);
    if (carry_segment_start_) {
        kept_.back().segment_start = true;
        carry_segment_start_ = false;
    }
    last_lat_ = f.point.lat_deg;
    last_lon_ = f.point.lon_deg;
    pending_.reset();
}

void Sampler::add(const Fix& f) {
    std::optional<std::int64_t> bucket;
    if (std::isfinite(f.track_s)) bucket = std::int64_t(std::floor(f.track_s / period_s(mode_)));
    bool take = kept_.empty();
    if (!take) {
        switch (mode_) {
            case SampleMode::all:
                take = true;
                break;
            case SampleMode::hz1:
            case SampleMode::s5:
                if (!bucket) {
                    take = true;
                    ++untimed_kept_;
                } else {
                    take = !last_bucket_ || *bucket != *last_bucket_;
                }
                break;
            case SampleMode::dist2m:
                take = geodesy::distance_m(last_lat_, last_lon_, f.point.lat_deg, f.point.lon_deg) >= kMinStep_m;
                break;
        }
    }
    if (bucket && (take || !last_bucket_)) last_bucket_ = bucket;
    if (take) {
        keep(f);
    } else {
        if (f.point.segment_start) carry_segment_start_ = true;
        pending_ = f;
    }
}

std::vector<TrackPoint> Sampler::finish() {
    if (pending_) keep(*pending_);
    return std::move(kept_);
}

}  // namespace trakvia::engine

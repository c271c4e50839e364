// Chooses the points written: every fix, one per whole second or five seconds of track time,
// or one once it is 2 m from the last kept one. The first and the last fix are always kept;
// a segment start that falls on a dropped fix moves to the next kept one.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "fix_filter.hpp"
#include "trakvia/engine/convert.hpp"

namespace trakvia::engine {

class Sampler {
public:
    explicit Sampler(SampleMode mode) : mode_(mode) {}

    void add(const Fix& f);
    std::vector<TrackPoint> finish();

    std::size_t kept_count() const { return kept_.size(); }
    std::size_t capacity() const { return kept_.capacity(); }
    // Room for `points` kept points, so the list grows without copying itself.
    void reserve(std::size_t points) { kept_.reserve(points); }

    // Fixes without a time that a time-based mode had to keep.
    std::size_t untimed_kept() const { return untimed_kept_; }

private:
    void keep(const Fix& f);

    SampleMode mode_;
    std::vector<TrackPoint> kept_;
    std::optional<Fix> pending_;  // the latest fix not kept, in case it is the last
    std::optional<std::int64_t> last_bucket_;
    double last_lat_ = 0, last_lon_ = 0;
    bool carry_segment_start_ = false;
    std::size_t untimed_kept_ = 0;
};

}  // namespace trakvia::engine

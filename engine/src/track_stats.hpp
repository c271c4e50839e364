// Report numbers over every accepted fix (not only the kept ones): distance, top speed, top
// power, duration, and which altitude kinds the track has.
//
// Distance is 2-D on the WGS-84 ellipsoid, summed over consecutive unsmoothed fixes, except
// across a restart. Speed is the device's own horizontal speed where it gives one; otherwise
// the straight-line displacement over the last W seconds divided by W, where W is at least
// 1 s and long enough that the coordinates' last digit cannot fake more than 2 m/s
// (5.6 s for 4-decimal positions), restarted at every segment start. A track too short for
// any such window (a clip of half a second) gets the speed over its longest-lasting segment
// instead: distance over time, never a 0 for a track that moves.
//
// Duration is recorded time: each recording's first to last fix, summed, so the pauses between
// clips joined into one file do not count; the elapsed span includes them.
#pragma once

#include <array>
#include <cstddef>
#include <deque>
#include <optional>

#include "fix_filter.hpp"

namespace trakvia::engine {

class TrackStats {
public:
    // Returns the windowed speed estimate at this fix, when there is one.
    std::optional<double> add(const Fix& f);

    double distance_m() const { return distance_m_; }
    double max_speed_mps() const;
    double max_power_w() const { return max_power_w_; }
    double duration_s() const;
    double elapsed_s() const;
    std::size_t count() const { return count_; }
    std::size_t altitude_count(AltitudeKind k) const { return altitude_count_[std::size_t(k)]; }
    std::optional<double> min_altitude(AltitudeKind k) const;

private:
    struct WindowPoint {
        double t, lat, lon;
    };

    std::size_t count_ = 0;
    double distance_m_ = 0, max_speed_mps_ = 0, max_power_w_ = 0;
    std::optional<double> first_t_, last_t_;
    double recorded_s_ = 0;               // of the recordings before the current one
    std::optional<double> rec_first_t_;   // the current recording's first time
    bool any_speed_ = false;              // a device speed or a windowed estimate was seen
    // The current segment's start time and distance, and the best whole-segment speed so far
    // over the longest-lasting segment (the fallback for tracks without any window).
    std::optional<double> seg_first_t_;
    double seg_distance_m_ = 0, longest_span_s_ = 0, longest_speed_mps_ = 0;
    // speed_window_s() of the last decimals seen: they rarely change within a file.
    double window_for(int decimals);
    int window_decimals_ = -2;
    double window_s_ = 0.0;
    std::deque<WindowPoint> window_;
    std::array<std::size_t, kAltitudeKindCount> altitude_count_{};
    std::array<double, kAltitudeKindCount> altitude_min_{};
};

// Seconds of track a speed estimate must span for coordinates with `decimals` digits.
double speed_window_s(int decimals);

}  // namespace trakvia::engine

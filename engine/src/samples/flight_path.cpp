// The synthetic flight model: keyframes, Hermite smoothing and correlated noise.
#include "samples/flight_path.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace trakvia::engine::samples {

namespace {

double distance(Vec3 a, Vec3 b) { return std::sqrt((a.e - b.e) * (a.e - b.e) + (a.n - b.n) * (a.n - b.n) + (a.u - b.u) * (a.u - b.u)); }

}  // namespace

void FlightPlan::add(Vec3 p, double nominal_s, bool stop, bool hold) {
    if (keys_.empty()) keys_.push_back({Vec3{}, 0.0, true, false});
    keys_.push_back({p, nominal_s, stop, hold});
    retime();
}

// A segment that starts or ends at rest takes longer than distance / speed: from rest to
// full speed at constant acceleration (the Hermite curve with one zero tangent) takes twice
// as long, rest to rest with a peak at full speed one and a half times.
void FlightPlan::retime() {
    double t = 0.0;
    for (std::size_t i = 1; i < keys_.size(); ++i) {
        Key& k = keys_[i];
        const bool from_rest = keys_[i - 1].stop;
        double factor = 1.0;
        if (!k.hold) factor = from_rest && k.stop ? 1.5 : (from_rest || k.stop ? 2.0 : 1.0);
        t += k.nominal_s * factor;
        k.t = t;
    }
}

double FlightPlan::duration() const { return keys_.empty() ? 0.0 : keys_.back().t; }

void FlightPlan::hold(double seconds) {
    if (!keys_.empty()) keys_.back().stop = true;  // arrive at rest
    add(position(), seconds, true, true);
}

void FlightPlan::fly_to(Vec3 target, double speed) { add(target, distance(position(), target) / speed, false); }

void FlightPlan::circle(double centre_e, double centre_n, double turns, double speed, double climb) {
    const Vec3 start = position();
    const double radius = std::hypot(start.e - centre_e, start.n - centre_n);
    const double angle0 = std::atan2(start.n - centre_n, start.e - centre_e);
    const int steps = std::max(4, static_cast<int>(std::ceil(std::abs(turns) * 16)));
    const double step_angle = 2.0 * std::numbers::pi * turns / steps;
    const double step_time = std::hypot(step_angle * radius, climb / steps) / speed;
    for (int i = 1; i <= steps; ++i) {
        double a = angle0 + i * step_angle;
        add({centre_e + radius * std::cos(a), centre_n + radius * std::sin(a), start.u + climb * i / steps}, step_time,
            false);
    }
}

Vec3 FlightPlan::tangent(std::size_t i) const {
    if (keys_[i].stop || i == 0 || i + 1 == keys_.size()) return {};
    const Key& a = keys_[i - 1];
    const Key& b = keys_[i + 1];
    double dt = b.t - a.t;
    return {(b.p.e - a.p.e) / dt, (b.p.n - a.p.n) / dt, (b.p.u - a.p.u) / dt};
}

FlightState FlightPlan::at(double t) const {
    if (keys_.empty()) return {};
    if (t <= keys_.front().t) return {keys_.front().p, {}};
    if (t >= keys_.back().t) return {keys_.back().p, {}};
    auto it = std::upper_bound(keys_.begin(), keys_.end(), t, [](double v, const Key& k) { return v < k.t; });
    std::size_t i1 = static_cast<std::size_t>(it - keys_.begin());
    std::size_t i0 = i1 - 1;
    const Key& k0 = keys_[i0];
    const Key& k1 = keys_[i1];
    const double h = k1.t - k0.t;
    const double s = (t - k0.t) / h;
    const double s2 = s * s, s3 = s2 * s;
    const double h00 = 2 * s3 - 3 * s2 + 1, h10 = s3 - 2 * s2 + s, h01 = -2 * s3 + 3 * s2, h11 = s3 - s2;
    const double d00 = 6 * s2 - 6 * s, d10 = 3 * s2 - 4 * s + 1, d01 = -6 * s2 + 6 * s, d11 = 3 * s2 - 2 * s;
    const Vec3 m0 = tangent(i0), m1 = tangent(i1);
    auto blend = [&](double p0, double v0, double p1, double v1) {
        return std::pair{h00 * p0 + h10 * h * v0 + h01 * p1 + h11 * h * v1,
                         (d00 * p0 + d10 * h * v0 + d01 * p1 + d11 * h * v1) / h};
    };
    auto [e, ve] = blend(k0.p.e, m0.e, k1.p.e, m1.e);
    auto [n, vn] = blend(k0.p.n, m0.n, k1.p.n, m1.n);
    auto [u, vu] = blend(k0.p.u, m0.u, k1.p.u, m1.u);
    return {{e, n, u}, {ve, vn, vu}};
}

double Random::uniform() {
    state_ += 0x9E3779B97F4A7C15ull;
    std::uint64_t z = state_;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
    return static_cast<double>(z >> 11) * 0x1.0p-53;
}

double Random::gaussian() {
    double sum = 0.0;
    for (int i = 0; i < 12; ++i) sum += uniform();
    return sum - 6.0;
}

double Wander::step(Random& rng, double dt) {
    const double a = std::exp(-dt / tau_);
    value_ = a * value_ + sigma_ * std::sqrt(1.0 - a * a) * rng.gaussian();
    return value_;
}

}  // namespace trakvia::engine::samples

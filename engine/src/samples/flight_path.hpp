// A synthetic flight: keyframes in local east/north/up metres, smoothed into positions and
// velocities, plus the small correlated GPS wander a real receiver shows.
#pragma once

#include <cstdint>
#include <vector>

namespace trakvia::engine::samples {

struct Vec3 {
    double e = 0.0, n = 0.0, u = 0.0;
};

struct FlightState {
    Vec3 position;  // metres from home
    Vec3 velocity;  // m/s
};

// Builds the keyframes of a flight by moves and holds; times follow from the speeds.
class FlightPlan {
public:
    // Stays at the current position for `seconds` (on the ground or hovering).
    void hold(double seconds);
    // Flies in a straight line to `target` at `speed` m/s.
    void fly_to(Vec3 target, double speed);
    // Flies `turns` full circles around (centre_e, centre_n) starting from the current
    // position, at `speed` m/s, changing height by `climb` metres over the whole circle.
    // Positive turns are counter-clockwise seen from above.
    void circle(double centre_e, double centre_n, double turns, double speed, double climb = 0.0);

    double duration() const;
    Vec3 position() const { return keys_.empty() ? Vec3{} : keys_.back().p; }

    // Position and velocity at time `t` (clamped to the plan): piecewise cubic Hermite
    // through the keyframes, with zero velocity at holds, so speeds change smoothly.
    FlightState at(double t) const;

private:
    struct Key {
        Vec3 p;
        double nominal_s;  // time to reach p from the previous key at the asked speed
        bool stop;         // zero velocity here (start or end of a hold)
        bool hold;         // the segment ending here is a hold
        double t = 0.0;    // set by retime()
    };
    void add(Vec3 p, double nominal_s, bool stop, bool hold = false);
    void retime();
    Vec3 tangent(std::size_t i) const;
    std::vector<Key> keys_;
};

// splitmix64: a tiny, portable generator, so the same seed gives the same numbers on every
// compiler (the standard distributions are not specified bit-exactly).
class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}
    double uniform();   // [0, 1)
    double gaussian();  // mean 0, deviation 1 (Irwin-Hall of 12 uniforms)

private:
    std::uint64_t state_;
};

// Correlated wander (Ornstein-Uhlenbeck), one axis: deviation `sigma`, correlation time `tau`.
class Wander {
public:
    Wander(double sigma, double tau_s) : sigma_(sigma), tau_(tau_s) {}
    double step(Random& rng, double dt);

private:
    double sigma_, tau_;
    double value_ = 0.0;
};

}  // namespace trakvia::engine::samples

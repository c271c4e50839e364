// The sample telemetry files: four plausible flights over real-looking places in Türkiye,
// each in another DJI layout, generated deterministically and written only when changed.
#include "trakvia/engine/samples.hpp"

#include <chrono>
#include <cmath>
#include <fstream>
#include <functional>
#include <iterator>
#include <numbers>
#include <string>

#include "geodesy.hpp"
#include "samples/flight_path.hpp"
#include "samples/srt_blocks.hpp"
#include "trakvia/engine/writers.hpp"

namespace trakvia::engine {

namespace {

namespace fs = std::filesystem;
using samples::FlightPlan;
using samples::Frame;
using samples::SrtLayout;
using samples::Vec3;

struct ClipSpec {
    const char* file_name;
    SrtLayout layout;
    double frame_rate;            // blocks per second
    std::int64_t first_cue_ms;    // Mavic Pro cues start at 1 s
    double home_lat, home_lon;
    double ground_abs_alt;        // what the device calls absolute altitude at take-off
    std::chrono::sys_days date;   // local wall-clock date and time of the first block
    std::chrono::microseconds time_of_day;
    double sun_azimuth_deg;       // the shutter opens up when the camera faces away from the sun
    std::uint64_t seed;
    std::function<void(FlightPlan&)> plan;
};

using namespace std::chrono_literals;
using std::chrono::year;

// Göreme, Kapadokya at sunrise: climb, one loop over the valley, land. Mavic 3, 25 fps.
void plan_goreme(FlightPlan& p) {
    p.hold(2.0);
    p.fly_to({0, 0, 22}, 5.0);
    p.hold(1.0);
    p.circle(35, 42, 1.0, 12.0, 10.0);
    p.hold(1.5);
    p.fly_to({0, 0, 0}, 3.5);
    p.hold(1.5);
}

// Eymir Gölü, Ankara, in the evening: a lap along the shore and back. Mavic 2 Pro, 30 fps.
void plan_eymir(FlightPlan& p) {
    p.hold(1.5);
    p.fly_to({0, 0, 20}, 4.0);
    p.hold(1.0);
    p.fly_to({-60, 20, 24}, 11.0);
    p.fly_to({-85, 90, 28}, 11.0);
    p.fly_to({-25, 115, 28}, 11.0);
    p.fly_to({15, 55, 25}, 11.0);
    p.fly_to({0, 0, 20}, 9.0);
    p.hold(1.0);
    p.fly_to({0, 0, 0}, 3.5);
    p.hold(1.0);
}

// Salda Gölü, Burdur: out to the white shore, photo stop, a wide loop, a survey pass, home.
// Phantom 4 Pro, 1 Hz.
void plan_salda(FlightPlan& p) {
    p.hold(4.0);
    p.fly_to({0, 0, 50}, 4.0);
    p.fly_to({180, 120, 60}, 9.0);
    p.hold(10.0);
    p.circle(180, 210, 1.25, 8.0, 20.0);
    p.hold(2.0);
    p.fly_to({300, 40, 80}, 10.0);
    p.hold(12.0);
    p.fly_to({300, -100, 80}, 10.0);
    p.fly_to({240, -100, 80}, 8.0);
    p.fly_to({240, 40, 80}, 10.0);
    p.fly_to({20, 10, 40}, 12.0);
    p.fly_to({0, 0, 15}, 4.0);
    p.fly_to({0, 0, 0}, 1.5);
    p.hold(4.0);
}

// Ölüdeniz, Fethiye: over the lagoon, a climbing loop, hover, back to the beach. Mavic Pro, 1 Hz.
void plan_oludeniz(FlightPlan& p) {
    p.hold(5.0);
    p.fly_to({0, 0, 40}, 3.0);
    p.fly_to({-150, -200, 70}, 10.0);
    p.hold(3.0);
    p.circle(-150, -300, 1.0, 9.0, 30.0);
    p.hold(12.0);
    p.fly_to({-20, -20, 50}, 11.0);
    p.fly_to({0, 0, 15}, 4.0);
    p.fly_to({0, 0, 0}, 1.5);
    p.hold(4.0);
}

const std::vector<ClipSpec>& clip_specs() {
    static const std::vector<ClipSpec> specs{
        {"Mavic3_Goreme_Kapadokya.SRT", SrtLayout::mavic3, 25.0, 0, 38.643580, 34.839210, 1094.817,
         year(2024) / 6 / 15, 6h + 41min + 12s + 350ms, 75.0, 0x7A3C11D5u, plan_goreme},
        {"Mavic2Pro_Eymir_Ankara.SRT", SrtLayout::mavic2pro, 30.0, 0, 39.822450, 32.831870, 970.331,
         year(2023) / 9 / 23, 17h + 5min + 41s + 208331us, 255.0, 0x51E2A907u, plan_eymir},
        {"Phantom4Pro_Salda_Burdur.SRT", SrtLayout::phantom4, 1.0, 0, 37.548930, 29.674370, 0.0,
         year(2022) / 7 / 2, 11h + 2min + 30s, 160.0, 0x2B9D4E61u, plan_salda},
        {"MavicPro_Oludeniz_Fethiye.SRT", SrtLayout::mavic_pro, 1.0, 1000, 36.549870, 29.114420, 0.0,
         year(2017) / 8 / 12, 16h + 20min + 5s, 250.0, 0x0C44F3B8u, plan_oludeniz},
    };
    return specs;
}

// Local east/north metres → latitude/longitude on the WGS84 ellipsoid (radii of curvature at
// home; exact enough over a few hundred metres).
void offset_to_geo(double home_lat, double home_lon, double east, double north, double& lat, double& lon) {
    constexpr double a = geodesy::kSemiMajorAxis, f = geodesy::kFlattening, e2 = f * (2.0 - f);
    const double phi = home_lat * std::numbers::pi / 180.0;
    const double w = 1.0 - e2 * std::sin(phi) * std::sin(phi);
    const double meridian = a * (1.0 - e2) / (w * std::sqrt(w));
    const double normal = a / std::sqrt(w);
    lat = home_lat + north / meridian * 180.0 / std::numbers::pi;
    lon = home_lon + east / (normal * std::cos(phi)) * 180.0 / std::numbers::pi;
}

int shutter_for(double heading_deg, double sun_azimuth_deg) {
    static constexpr int kSteps[] = {640, 800, 1000, 1250, 1600};
    const double facing_sun = std::cos((heading_deg - sun_azimuth_deg) * std::numbers::pi / 180.0);
    const int i = static_cast<int>(std::lround((facing_sun + 1.0) * 2.0));
    return kSteps[i < 0 ? 0 : (i > 4 ? 4 : i)];
}

std::string clip_text(const ClipSpec& spec) {
    FlightPlan plan;
    spec.plan(plan);
    samples::Random rng(spec.seed);
    samples::Wander wander_e(0.35, 8.0), wander_n(0.35, 8.0), wander_u(0.08, 5.0);
    samples::Wander wander_sats(1.2, 40.0), wander_ct(35.0, 20.0);

    const auto blocks = static_cast<std::int64_t>(std::floor(plan.duration() * spec.frame_rate)) + 1;
    const std::int64_t start_us =
        std::chrono::duration_cast<std::chrono::microseconds>(spec.date.time_since_epoch()).count() +
        spec.time_of_day.count();
    const double dt = 1.0 / spec.frame_rate;
    double heading = spec.sun_azimuth_deg + 180.0;

    std::string out;
    out.reserve(static_cast<std::size_t>(blocks) * 360);
    for (std::int64_t i = 0; i < blocks; ++i) {
        const double t = static_cast<double>(i) * dt;
        const auto state = plan.at(t);
        const double ground_speed = std::hypot(state.velocity.e, state.velocity.n);
        if (ground_speed > 1.0) heading = std::atan2(state.velocity.e, state.velocity.n) * 180.0 / std::numbers::pi;

        const double e = state.position.e + wander_e.step(rng, dt);
        const double n = state.position.n + wander_n.step(rng, dt);
        const double height = state.position.u + (state.position.u > 0.3 ? wander_u.step(rng, dt) : 0.0);

        Frame f;
        f.index = i + 1;
        f.cue_start_ms = spec.first_cue_ms + i * 1000 / static_cast<std::int64_t>(spec.frame_rate);
        f.cue_end_ms = spec.first_cue_ms + (i + 1) * 1000 / static_cast<std::int64_t>(spec.frame_rate);
        f.wall_clock_us = start_us + i * 1000000 / static_cast<std::int64_t>(spec.frame_rate);
        f.home_lat = spec.home_lat;
        f.home_lon = spec.home_lon;
        offset_to_geo(spec.home_lat, spec.home_lon, e, n, f.lat, f.lon);
        f.rel_alt = height;
        f.abs_alt = spec.ground_abs_alt + height;
        f.distance_home_m = std::hypot(e, n);
        f.horizontal_speed = ground_speed;
        f.vertical_speed = state.velocity.u;
        f.satellites = 17 + static_cast<int>(std::lround(wander_sats.step(rng, dt)));
        f.iso = 100;
        f.shutter = shutter_for(heading, spec.sun_azimuth_deg);
        f.colour_temperature = 5400 + static_cast<int>(std::lround(wander_ct.step(rng, dt)));
        samples::append_block(out, spec.layout, f);
    }
    return out;
}

// Leaves a file that already holds the right bytes untouched (same modification time on
// every call); otherwise replaces it atomically.
void write_if_changed(const fs::path& target, const std::string& content) {
    std::error_code ec;
    if (fs::is_regular_file(target, ec) && fs::file_size(target, ec) == content.size() && !ec) {
        std::ifstream in(target, std::ios::binary);
        std::string existing((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (!in.bad() && existing == content) return;
    }
    write_file_atomically(target, [&](std::ostream& out) {
        out.write(content.data(), static_cast<std::streamsize>(content.size()));
    });
}

}  // namespace

std::vector<fs::path> create_sample_srt_files(const fs::path& folder) {
    const fs::path dir = folder / kSampleSrtFolderName;
    fs::create_directories(dir);
    std::vector<fs::path> written;
    for (const ClipSpec& spec : clip_specs()) {
        fs::path target = dir / spec.file_name;
        write_if_changed(target, clip_text(spec));
        written.push_back(std::move(target));
    }
    return written;
}

}  // namespace trakvia::engine

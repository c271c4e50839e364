// The conversion pipeline without files.
#include "pipeline.hpp"

#include <algorithm>
#include <new>
#include <string>

#include "fix_filter.hpp"
#include "gpx_reader.hpp"
#include "sampler.hpp"
#include "srt_reader.hpp"
#include "timeline.hpp"
#include "track_stats.hpp"

namespace trakvia::engine {

namespace {
constexpr double kLowestPlausibleAbsolute_m = -100.0;

// Before the point list grows, the share of the input read so far predicts how many points
// the whole file keeps: growing straight to that (5 % margin) spares the doubling copies and
// their page faults, a large share of the time on big files. Each step stays between the
// ordinary doubling and 8 times the points held, so a file whose start is unlike the rest
// cannot make it reserve far more than it holds; and a reservation the allocator refuses just
// leaves the ordinary growth. Room reserved but never filled is not touched, so it costs
// address space rather than memory.
constexpr std::size_t kEstimateFromPoints = 8192;  // below this, doubling is cheap
constexpr double kEstimateMargin = 1.05;
constexpr double kLargestStep = 8.0;

void grow_points_for_whole_input(Sampler& sampler, const TextSource& source) {
    const std::size_t kept = sampler.kept_count();
    const std::uint64_t consumed = source.bytes_consumed();
    const std::uint64_t expected = source.expected_size();
    if (kept < kEstimateFromPoints || consumed == 0 || consumed >= expected) return;
    const double estimate = double(kept) * double(expected) / double(consumed) * kEstimateMargin;
    const double points = std::clamp(estimate, 2.0 * double(kept), kLargestStep * double(kept));
    try {
        sampler.reserve(std::size_t(points) + 1);
    } catch (const std::bad_alloc&) {
        // The list keeps its ordinary growth.
    }
}
}  // namespace

std::optional<AltitudeKind> choose_elevation(const AltitudeCoverage& coverage, std::optional<AltitudeKind> requested) {
    auto count = [&](AltitudeKind k) { return coverage.count[std::size_t(k)]; };
    if (requested && count(*requested) > 0) return requested;
    const bool absolute_plausible = count(AltitudeKind::absolute) > 0 &&
                                    coverage.minimum[std::size_t(AltitudeKind::absolute)] >= kLowestPlausibleAbsolute_m;
    std::vector<AltitudeKind> order{AltitudeKind::gps};
    if (absolute_plausible) order.push_back(AltitudeKind::absolute);
    order.push_back(AltitudeKind::relative);
    order.push_back(AltitudeKind::ultrasonic);
    if (!absolute_plausible) order.push_back(AltitudeKind::absolute);
    for (AltitudeKind k : order)
        if (count(k) > 0 && 2 * count(k) >= coverage.points) return k;
    std::optional<AltitudeKind> best;
    for (AltitudeKind k : order)
        if (count(k) > 0 && (!best || count(k) > count(*best))) best = k;
    return best;
}

BuiltTrack build_track(TextSource& source, InputKind kind, const ConvertOptions& options,
                       const ZoneResolver& zone_at) {
    BuiltTrack out;
    ConvertReport& rep = out.report;
    Timeline timeline(options.utc_offset_minutes, zone_at);
    TrackStats stats;
    Sampler sampler(options.sample_mode);
    FixFilter filter([&](Fix& f) {
        f.point.estimated_speed_mps = stats.add(f);
        f.point.distance_m = stats.distance_m();
        sampler.add(f);
        if (sampler.kept_count() == sampler.capacity()) grow_points_for_whole_input(sampler, source);
    });
    std::size_t records = 0;
    const RecordSink sink = [&](Record& r) {
        ++records;
        filter.push(r, timeline.place(r));
    };

    bool fpv_scaled = false;
    if (kind == InputKind::srt) {
        fpv_scaled = read_srt(source, sink).fpv_altitude_scaled;
    } else {
        read_gpx(source, sink);
    }
    filter.finish();
    timeline.finish();

    Track& track = out.track;
    track.points = sampler.finish();
    rep.raw_point_count = records;
    rep.valid_point_count = filter.accepted();
    rep.filtered_point_count = track.points.size();
    rep.total_distance_m = stats.distance_m();
    rep.max_speed_kmh = stats.max_speed_mps() * 3.6;
    rep.max_power_w = stats.max_power_w();
    rep.duration_s = stats.duration_s();
    rep.elapsed_s = stats.elapsed_s();
    rep.time_source = timeline.time_source();
    rep.time_zone = timeline.time_zone();
    rep.utc_offset_minutes = timeline.first_offset_minutes();

    AltitudeCoverage coverage;
    coverage.points = stats.count();
    for (std::size_t k = 0; k < kAltitudeKindCount; ++k) {
        coverage.count[k] = stats.altitude_count(AltitudeKind(k));
        coverage.minimum[k] = stats.min_altitude(AltitudeKind(k)).value_or(0.0);
    }
    track.elevation_kind = choose_elevation(coverage, options.elevation_kind);
    rep.elevation_source = track.elevation_kind ? altitude_kind_name(*track.elevation_kind) : "";

    for (const TrackPoint& p : track.points) {
        if (p.time_ms) {
            track.has_wall_clock = true;
            break;
        }
    }
    track.times_are_utc = true;

    auto warn = [&](WarningCode code, std::size_t count = 0, std::size_t line = 0, std::string detail = {}) {
        rep.warnings.push_back({code, count, line, std::move(detail)});
    };
    if (rep.valid_point_count == 0) warn(WarningCode::no_valid_position);
    if (filter.invalid() > 0) warn(WarningCode::invalid_positions, filter.invalid(), filter.first_invalid_line());
    if (filter.jumps_dropped() > 0) warn(WarningCode::jumps_dropped, filter.jumps_dropped(), filter.first_jump_line());
    if (filter.segments() > 1) warn(WarningCode::track_split, filter.segments(), filter.first_split_line());
    if (timeline.zone_lookup_failed()) warn(WarningCode::zone_lookup_failed);
    if (timeline.offset_unknown()) warn(WarningCode::computer_zone_unknown);
    if (fpv_scaled) warn(WarningCode::fpv_altitude_scaled);
    if (sampler.untimed_kept() > 0) warn(WarningCode::untimed_points_kept, sampler.untimed_kept());
    if (options.elevation_kind && track.elevation_kind != options.elevation_kind)
        warn(WarningCode::elevation_kind_missing, 0, 0, altitude_kind_name(*options.elevation_kind));
    return out;
}

}  // namespace trakvia::engine

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

BuiltTrack build_track(TextSource& source, InputKind kind, const ConvertOptions& options) {
    BuiltTrack out;
    ConvertReport& rep = out.report;
    Timeline timeline(options.utc_offset_minutes);
    TrackStats stats;
    Sampler sampler(options.sample_mode);
    FixFilter filter([&](Fix& f) {
        f.point.estimated_speed_mps = stats.add(f);
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

    Track& track = out.track;
    track.points = sampler.finish();
    rep.raw_point_count = records;
    rep.valid_point_count = filter.accepted();
    rep.filtered_point_count = track.points.size();
    rep.total_distance_m = stats.distance_m();
    rep.max_speed_kmh = stats.max_speed_mps() * 3.6;
    rep.max_power_w = stats.max_power_w();
    rep.duration_s = stats.duration_s();
    rep.time_source = timeline.time_source();
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

    auto warn = [&](std::string text) { rep.warnings.push_back(std::move(text)); };
    if (rep.valid_point_count == 0) warn("Dosyada geçerli konum yok; iz dosyası yazılmadı.");
    if (filter.invalid() > 0)
        warn(std::to_string(filter.invalid()) + " kayıtta geçersiz konum vardı (N/A, 0/0 ya da eksik); atlandı.");
    if (filter.jumps_dropped() > 0)
        warn(std::to_string(filter.jumps_dropped()) + " konum, imkânsız bir sıçrama olduğu için atlandı.");
    if (filter.segments() > 1)
        warn("İz " + std::to_string(filter.segments()) + " parçaya bölündü (kayıt yeniden başlıyor ya da konum kesiliyor).");
    if (timeline.offset_unknown()) warn("Bilgisayarın saat dilimi belirlenemedi; yerel saatler UTC kabul edildi.");
    if (fpv_scaled) warn("DJI FPV yüksekliği 10 ile çarpıldı (cihaz onda birini yazıyor).");
    if (sampler.untimed_kept() > 0)
        warn(std::to_string(sampler.untimed_kept()) + " nokta zamanı olmadığı için örneklemeden geçirilmeden tutuldu.");
    if (options.elevation_kind && track.elevation_kind != options.elevation_kind)
        warn(std::string("İstenen yükseklik türü dosyada yok: ") + altitude_kind_name(*options.elevation_kind) + ".");
    return out;
}

}  // namespace trakvia::engine

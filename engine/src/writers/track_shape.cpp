// Segments, clock and per-point values of a track as the writers see them.
#include "writers/track_shape.hpp"

namespace trakvia::engine::writers {

std::vector<Segment> track_segments(const Track& track) {
    std::vector<Segment> out;
    const auto& pts = track.points;
    for (std::size_t i = 0; i < pts.size(); ++i) {
        if (i == 0 || pts[i].segment_start) out.push_back(Segment{i, i});
        out.back().end = i + 1;
    }
    return out;
}

std::vector<Segment> line_segments(const Track& track) {
    std::vector<Segment> spans = track_segments(track);
    std::vector<Segment> out;
    bool pending_single = false;  // the previous span had one point and waits for the next
    for (const Segment& s : spans) {
        if (pending_single) {
            out.back().end = s.end;
            pending_single = out.back().size() < 2;
            continue;
        }
        out.push_back(s);
        pending_single = s.size() < 2;
    }
    if (pending_single && out.size() > 1) {
        const Segment last = out.back();
        out.pop_back();
        out.back().end = last.end;
    }
    return out;
}

Clock track_clock(const Track& track) {
    if (!track.has_wall_clock) return Clock::none;
    bool any = false;
    for (const auto& p : track.points) {
        if (p.time_ms) { any = true; break; }
    }
    if (!any) return Clock::none;
    return track.times_are_utc ? Clock::utc : Clock::local;
}

bool every_point_timed(const Track& track) {
    if (track_clock(track) == Clock::none) return false;
    for (const auto& p : track.points) {
        if (!p.time_ms) return false;
    }
    return true;
}

TrackContents::TrackContents(const Track& track) {
    constexpr unsigned all = (1u << kPointValueCount) - 1;
    for (const auto& p : track.points) {
        altitude_kinds_ |= p.altitude_mask;
        cues_ = cues_ || std::isfinite(p.cue_s);
        if (values_ == all) continue;
        for (unsigned k = 0; k < kPointValueCount; ++k) {
            if (point_value(p, PointValue(k))) values_ |= 1u << k;
        }
    }
}

std::string_view file_name_of(std::string_view path) {
    const auto cut = path.find_last_of("/\\");
    return cut == std::string_view::npos ? path : path.substr(cut + 1);
}

}  // namespace trakvia::engine::writers

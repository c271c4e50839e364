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

std::vector<Segment> line_segments(const Track& track) { return line_segments(track_segments(track)); }

std::vector<Segment> line_segments(const std::vector<Segment>& spans) {
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
    for (const auto& p : track.points) add(p);
}

void TrackContents::add(const TrackPoint& p) {
    constexpr unsigned all = (1u << kPointValueCount) - 1;
    altitude_kinds_ |= p.altitude_mask;
    cues_ = cues_ || std::isfinite(p.cue_s);
    if (values_ == all) return;
    for (unsigned k = 0; k < kPointValueCount; ++k) {
        if (point_value(p, PointValue(k))) values_ |= 1u << k;
    }
}

TrackSurvey survey_track(const Track& track) {
    TrackSurvey out;
    const auto& pts = track.points;
    bool any_time = false, all_times = true;
    for (std::size_t i = 0; i < pts.size(); ++i) {
        const TrackPoint& p = pts[i];
        out.contents.add(p);
        any_time = any_time || p.time_ms.has_value();
        all_times = all_times && p.time_ms.has_value();
        if (i == 0 || p.segment_start) out.segments.push_back(Segment{i, i});
        out.segments.back().end = i + 1;
    }
    if (track.has_wall_clock && any_time) out.clock = track.times_are_utc ? Clock::utc : Clock::local;
    out.every_point_timed = out.clock != Clock::none && all_times;
    return out;
}

std::string_view file_name_of(std::string_view path) {
    const auto cut = path.find_last_of("/\\");
    return cut == std::string_view::npos ? path : path.substr(cut + 1);
}

}  // namespace trakvia::engine::writers

"""Where the HUD's track comes from: `trakvia.converter.read_track`, the converter's own reading.

Every fix, its speed, every altitude kind, the flight-local clock (the zone of the flight's
position, not the computer's), the segments and the figures are the converter's; this module
only puts the fixes on the video clock the HUD runs on.
"""
import math
import os
from array import array
from typing import Callable, Optional

from .hud_track import HudTrack, TrackColumns

Progress = Callable[[int, int], object]


class TrackLoadCancelled(Exception):
    """The user stopped reading the telemetry file."""


def _video_clock(cue_s: array, utc_s: array, segment_starts) -> array:
    """Seconds on the video clock: the SRT cue times, else seconds since the first timed fix
    (GPX), else the fix's order. A recording whose cue clock starts again (files joined into
    one) continues where the previous one ended."""
    n = len(cue_s)
    if n and not math.isnan(cue_s[0]):
        source = cue_s
    elif n and not math.isnan(utc_s[0]):
        source = array("d", (t - utc_s[0] for t in utc_s))
    else:
        return array("d", range(n))
    clock = array("d", source)
    starts = list(segment_starts) + [n]
    shift = 0.0
    for a, b in zip(starts[1:], starts[2:]):
        if source[a] + shift < clock[a - 1]:
            shift = clock[a - 1] - source[a]
        if shift:
            for k in range(a, b):
                clock[k] = source[k] + shift
    return clock


def _sea_level(data, elevation_source: str) -> array:
    """The altitude above sea level: the kind the converter writes as elevation when it is one,
    else GPS altitude, else the device's absolute altitude (all NaN when the file has none)."""
    kinds = {"gps": data.altitude_gps_m, "absolute": data.altitude_absolute_m}
    preferred = [kinds[elevation_source]] if elevation_source in kinds else []
    for column in preferred + [kinds["gps"], kinds["absolute"]]:
        if any(not math.isnan(v) for v in column):
            return column
    return kinds["gps"]


def load_track(telemetry_path: str, progress: Optional[Progress] = None,
               cancel: Optional[Callable[[], bool]] = None) -> HudTrack:
    """Reads an SRT/GPX file with the converter (every fix). `progress(done_bytes, total_bytes)`
    is called while reading; `cancel()` returning true stops it with TrackLoadCancelled."""
    from trakvia import converter

    base = os.path.basename(telemetry_path)
    data = converter.read_track(telemetry_path, None, progress, cancel)
    if data is None:
        raise TrackLoadCancelled(f"Telemetri okuma iptal edildi: {base}")
    result = data.result
    if not len(data):
        raise ValueError(f"Bu dosyada GPS konumu olan telemetri noktası yok: {base}")
    starts = data.segment_starts
    sea_level = _sea_level(data, result.elevation_source)
    columns = TrackColumns(
        t_s=_video_clock(data.cue_s, data.time_utc_s, starts), lat=data.lat_deg, lon=data.lon_deg,
        speed_mps=data.speed_mps, height_m=data.altitude_relative_m, altitude_m=sea_level,
        local_s=data.time_local_s, distance_m=data.distance_m)
    return HudTrack(data.name or result.track_name or os.path.splitext(base)[0], columns, starts,
                    top_speed_kmh=result.max_speed_kmh,
                    total_distance_m=result.total_distance_m, recorded_s=result.duration_s,
                    time_zone=data.time_zone, entry_count=result.raw_point_count)

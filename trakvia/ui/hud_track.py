"""The track the HUD preview shows: read from the converter's CSV output, sampled by time.

The HUD needs time, position, altitude and speed for every telemetry point. The converter is
asked for exactly that: sample mode "all" (no point dropped) and the single format "csv",
written into a temporary folder and read back here. CSV is flat, one row per point, and its
columns are found by their header names, so the reader does not depend on the column order.
"""
import csv
import math
import os
import shutil
import tempfile
from bisect import bisect_right
from dataclasses import dataclass
from datetime import datetime, timedelta, timezone
from typing import Dict, List, Optional, Sequence

_EARTH_RADIUS_M = 6371008.8


@dataclass(frozen=True)
class HudPoint:
    t_s: float                  # seconds since the first point
    lat: float
    lon: float
    alt_m: Optional[float]
    speed_kmh: float
    dist_m: float               # distance flown up to this point
    wall_clock: Optional[datetime]  # local date-time of the point, when the file has one


@dataclass
class HudTrack:
    name: str
    points: List[HudPoint]

    def __post_init__(self) -> None:
        self._times = [p.t_s for p in self.points]

    @property
    def duration_s(self) -> float:
        return self.points[-1].t_s if self.points else 0.0

    @property
    def total_distance_m(self) -> float:
        return self.points[-1].dist_m if self.points else 0.0

    def point_at(self, t_s: float) -> HudPoint:
        """The point shown at `t_s` seconds: values interpolated between the two neighbours."""
        pts = self.points
        if not pts:
            raise ValueError("boş iz")
        if t_s <= pts[0].t_s:
            return pts[0]
        if t_s >= pts[-1].t_s:
            return pts[-1]
        i = bisect_right(self._times, t_s)
        a, b = pts[i - 1], pts[i]
        span = b.t_s - a.t_s
        f = (t_s - a.t_s) / span if span > 0 else 0.0

        def mix(x: float, y: float) -> float:
            return x + (y - x) * f

        alt = mix(a.alt_m, b.alt_m) if a.alt_m is not None and b.alt_m is not None else a.alt_m
        clock = a.wall_clock
        if a.wall_clock is not None and b.wall_clock is not None:
            clock = a.wall_clock + (b.wall_clock - a.wall_clock) * f
        return HudPoint(t_s, mix(a.lat, b.lat), mix(a.lon, b.lon), alt,
                        mix(a.speed_kmh, b.speed_kmh), mix(a.dist_m, b.dist_m), clock)


def haversine_m(lat1: float, lon1: float, lat2: float, lon2: float) -> float:
    p1, p2 = math.radians(lat1), math.radians(lat2)
    dp, dl = p2 - p1, math.radians(lon2 - lon1)
    h = math.sin(dp / 2) ** 2 + math.cos(p1) * math.cos(p2) * math.sin(dl / 2) ** 2
    return 2 * _EARTH_RADIUS_M * math.asin(min(1.0, math.sqrt(h)))


def _find_column(header: Sequence[str], *candidates: str, avoid: Sequence[str] = ()) -> Optional[int]:
    """Index of the first header equal to a candidate, else of the first containing one."""
    names = [h.strip().lower() for h in header]
    for cand in candidates:
        if cand in names:
            return names.index(cand)
    for cand in candidates:
        for i, name in enumerate(names):
            if cand in name and not any(a in name for a in avoid):
                return i
    return None


def _parse_float(text: str) -> Optional[float]:
    try:
        value = float(text)
    except (TypeError, ValueError):
        return None
    return value if math.isfinite(value) else None


def _parse_clock(date_text: str, time_text: str) -> Optional[datetime]:
    text = f"{date_text} {time_text}".strip() if date_text else time_text.strip()
    if not text:
        return None
    text = text.replace("T", " ").replace("/", "-")
    utc = text.endswith("Z")
    text = text.rstrip("Z")
    try:
        stamp = datetime.fromisoformat(text)
    except ValueError:
        return None
    if stamp.tzinfo is None and utc:
        stamp = stamp.replace(tzinfo=timezone.utc)
    if stamp.tzinfo is not None:
        stamp = stamp.astimezone().replace(tzinfo=None)   # shown in the computer's local time
    return stamp


def read_track_csv(path: str, name: str = "") -> HudTrack:
    """Reads a track CSV (header row, one point per row) into a HudTrack.

    Rows without a readable position are skipped. Missing speeds are derived from distance and
    time; a file without times gets one second per point."""
    with open(path, newline="", encoding="utf-8-sig") as fh:
        rows = list(csv.reader(fh))
    if not rows:
        return HudTrack(name, [])
    header, body = rows[0], rows[1:]
    c_lat = _find_column(header, "gpslatitude", "latitude", "lat", avoid=("rel", "home"))
    c_lon = _find_column(header, "gpslongitude", "longitude", "lon", "lng", avoid=("home",))
    if c_lat is None or c_lon is None:
        raise ValueError(f"CSV dosyasında enlem/boylam sütunu yok: {os.path.basename(path)}")
    c_alt = _find_column(header, "gpsaltitude", "altitude", "alt", "ele", avoid=("rel", "home"))
    c_mps = _find_column(header, "speed_mps", "speed", avoid=("kmh",))
    c_kmh = _find_column(header, "speed_kmh", "kmh")
    c_date = _find_column(header, "gpsdatestamp", "date")
    c_time = _find_column(header, "gpstimestamp", "gpsdatetime", "time", "timestamp", avoid=("date",))
    if c_time is None:
        c_time = _find_column(header, "gpsdatetime", "datetime")
    c_cue = _find_column(header, "video_s", "cue_s", "elapsed_s", "t_s")

    def cell(row: List[str], col: Optional[int]) -> str:
        return row[col] if col is not None and col < len(row) else ""

    raw = []
    for row in body:
        lat, lon = _parse_float(cell(row, c_lat)), _parse_float(cell(row, c_lon))
        if lat is None or lon is None or not (-90 <= lat <= 90 and -180 <= lon <= 180):
            continue
        clock = _parse_clock(cell(row, c_date) if c_date != c_time else "", cell(row, c_time))
        speed = _parse_float(cell(row, c_kmh))
        if speed is None:
            mps = _parse_float(cell(row, c_mps))
            speed = mps * 3.6 if mps is not None else None
        raw.append((lat, lon, _parse_float(cell(row, c_alt)), speed, clock, _parse_float(cell(row, c_cue))))
    return HudTrack(name, _build_points(raw))


# Speeds derived from positions are measured over this span: at 30-50 Hz the per-sample steps
# are mostly GPS jitter and would show absurd peaks.
_SPEED_WINDOW_S = 1.0


def _build_points(raw) -> List[HudPoint]:
    first_clock = next((r[4] for r in raw if r[4] is not None), None)
    first_cue = next((r[5] for r in raw if r[5] is not None), None)
    times: List[float] = []
    dists: List[float] = []
    for i, (lat, lon, _alt, _speed, clock, cue) in enumerate(raw):
        if clock is not None and first_clock is not None:
            t = (clock - first_clock).total_seconds()
        elif cue is not None and first_cue is not None:
            t = cue - first_cue
        else:
            t = float(i)
        if times:
            t = max(t, times[-1])
            prev = raw[i - 1]
            dists.append(dists[-1] + haversine_m(prev[0], prev[1], lat, lon))
        else:
            dists.append(0.0)
        times.append(t)
    points: List[HudPoint] = []
    back = 0
    for i, (lat, lon, alt, speed, clock, _cue) in enumerate(raw):
        if speed is None:
            while back < i and times[i] - times[back + 1] >= _SPEED_WINDOW_S:
                back += 1
            dt = times[i] - times[back]
            if dt > 0:   # straight-line displacement over the window: jitter cancels out
                speed = haversine_m(raw[back][0], raw[back][1], lat, lon) / dt * 3.6
            else:
                speed = points[-1].speed_kmh if points else 0.0
        points.append(HudPoint(times[i], lat, lon, alt, speed, dists[i], clock))
    return points


def load_track(telemetry_path: str) -> HudTrack:
    """Converts an SRT/GPX file with the converter (all points, CSV) and reads the result back."""
    from trakvia import converter

    work_dir = tempfile.mkdtemp(prefix="trakvia_hud_")
    try:
        options = converter.ConversionOptions(sample_mode="all", formats=["csv"])
        result = converter.convert_srt_file(telemetry_path, work_dir, options)
        if not result.filtered_point_count:
            raise ValueError(f"Bu dosyada GPS konumu olan telemetri noktası yok: {os.path.basename(telemetry_path)}")
        csv_files = [str(p) for p in result.output_files if str(p).lower().endswith(".csv")]
        if not csv_files:
            raise ValueError(f"Dönüştürücü CSV çıktısı üretmedi: {os.path.basename(telemetry_path)}")
        name = result.track_name or os.path.splitext(os.path.basename(telemetry_path))[0]
        return read_track_csv(csv_files[0], name)
    finally:
        shutil.rmtree(work_dir, ignore_errors=True)


def demo_track() -> HudTrack:
    """A small synthetic flight, shown while no telemetry file is loaded."""
    raw = []
    start = datetime(2024, 5, 1, 10, 0, 0)
    for i in range(121):
        a = i / 120 * 2 * math.pi
        lat = 41.0082 + 0.0025 * math.sin(a)
        lon = 28.9784 + 0.004 * math.sin(a) * math.cos(a) + 0.001 * (1 - math.cos(a))
        alt = 40 + 60 * math.sin(a / 2)
        raw.append((lat, lon, alt, None, start + timedelta(seconds=i), None))
    return HudTrack("Örnek uçuş", _build_points(raw))


def column_summary(track: HudTrack) -> Dict[str, float]:
    """Figures shown beside the preview."""
    pts = track.points
    return {
        "points": float(len(pts)),
        "duration_s": track.duration_s,
        "distance_m": track.total_distance_m,
        "max_speed_kmh": max((p.speed_kmh for p in pts), default=0.0),
        "max_alt_m": max((p.alt_m for p in pts if p.alt_m is not None), default=0.0),
    }

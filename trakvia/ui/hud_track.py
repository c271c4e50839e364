"""The track the HUD draws: plain arrays on the video clock, built by one adapter from the supplier.

`make_hud_track` is the only way in: whatever reads the telemetry (today the converter's CSV
output, read in hud_track_source.py) hands it `SourcePoint`s, and the renderer, the preview and
the video export see nothing but the `HudTrack` it builds. Values that do not change per frame
(top speed, distance flown, the map's bounds) are computed here once.
"""
import math
from bisect import bisect_right
from dataclasses import dataclass
from datetime import datetime
from typing import Iterable, List, NamedTuple, Optional

_EARTH_RADIUS_M = 6371008.8
_NAN = float("nan")


class SourcePoint(NamedTuple):
    """One valid fix as a track supplier gives it."""
    t_s: float                    # seconds on the video clock (SRT cue time), else since the first fix
    lat: float
    lon: float
    speed_kmh: Optional[float]    # the device's speed or the supplier's estimate
    height_m: Optional[float]     # above take-off
    altitude_m: Optional[float]   # above sea level
    clock: Optional[datetime]     # the flight's local date-time
    segment_start: bool           # first fix after a gap or a restart of the recording


@dataclass(frozen=True)
class HudSample:
    """What the HUD shows at one moment. In a gap between recordings the position stays at the
    last fix and the moving figures are None: nothing is invented across a gap."""
    t_s: float
    lat: float
    lon: float
    speed_kmh: Optional[float]
    height_m: Optional[float]
    altitude_m: Optional[float]
    dist_m: float
    clock: Optional[datetime]
    index: int                    # the fix at or before t_s


def _haversine_m(lat1: float, lon1: float, lat2: float, lon2: float) -> float:
    p1, p2 = math.radians(lat1), math.radians(lat2)
    dp, dl = p2 - p1, math.radians(lon2 - lon1)
    h = math.sin(dp / 2) ** 2 + math.cos(p1) * math.cos(p2) * math.sin(dl / 2) ** 2
    return 2 * _EARTH_RADIUS_M * math.asin(min(1.0, math.sqrt(h)))


def _value(x: Optional[float]) -> float:
    return _NAN if x is None or not math.isfinite(x) else float(x)


def _known(x: float) -> Optional[float]:
    return None if math.isnan(x) else x


class HudTrack:
    """Column arrays of the fixes in time order, plus per-track constants the HUD reuses."""

    def __init__(self, name: str, points: List[SourcePoint], entry_count: int = 0):
        self.name = name
        # Telemetry entries in the source file, fixes or not (0: unknown). Together with the
        # video's frame count it tells whether frames and entries pair one to one.
        self.entry_count = entry_count
        self.t_s = [p.t_s for p in points]
        self.lat = [p.lat for p in points]
        self.lon = [p.lon for p in points]
        self.speed_kmh = [_value(p.speed_kmh) for p in points]
        self.height_m = [_value(p.height_m) for p in points]
        self.altitude_m = [_value(p.altitude_m) for p in points]
        self.clock = [p.clock for p in points]
        self.segment_start = [bool(p.segment_start) or i == 0 for i, p in enumerate(points)]
        self.dist_m = []
        total = 0.0
        for i in range(len(points)):
            if i and not self.segment_start[i]:
                total += _haversine_m(self.lat[i - 1], self.lon[i - 1], self.lat[i], self.lon[i])
            self.dist_m.append(total)
        self.top_speed_kmh = max((s for s in self.speed_kmh if not math.isnan(s)), default=0.0)
        self.top_height_m = max((h for h in self.height_m if not math.isnan(h)), default=None)
        self.has_altitude = any(not math.isnan(a) for a in self.altitude_m)
        self.map_cache: dict = {}   # the renderer's projected paths, per inset size

    def __len__(self) -> int:
        return len(self.t_s)

    @property
    def duration_s(self) -> float:
        return self.t_s[-1] - self.t_s[0] if self.t_s else 0.0

    @property
    def start_s(self) -> float:
        return self.t_s[0] if self.t_s else 0.0

    @property
    def total_distance_m(self) -> float:
        return self.dist_m[-1] if self.dist_m else 0.0

    def entry_time_s(self, entry: int) -> Optional[float]:
        """Cue time of the file's `entry`-th telemetry entry, when every entry became a fix."""
        if self.entry_count and len(self.t_s) == self.entry_count and 0 <= entry < self.entry_count:
            return self.t_s[entry]
        return None

    def sample(self, t_s: float) -> HudSample:
        """The HUD's figures at `t_s`: interpolated between two fixes of one recording, held at
        the last fix across a gap, clamped to the first and last fix."""
        n = len(self.t_s)
        if not n:
            raise ValueError("boş iz")
        i = bisect_right(self.t_s, t_s) - 1
        if i < 0:
            return self._at(0, self.t_s[0])
        if i >= n - 1:
            return self._at(n - 1, self.t_s[-1])
        j = i + 1
        if self.segment_start[j]:
            held = self._at(i, t_s)
            return HudSample(t_s, held.lat, held.lon, None, None, None, held.dist_m, None, i)
        span = self.t_s[j] - self.t_s[i]
        f = (t_s - self.t_s[i]) / span if span > 0 else 0.0

        def mix(col: List[float]) -> Optional[float]:
            return _known(col[i] + (col[j] - col[i]) * f)

        clock = self.clock[i]
        if clock is not None and self.clock[j] is not None:
            clock = clock + (self.clock[j] - clock) * f
        return HudSample(t_s, mix(self.lat), mix(self.lon), mix(self.speed_kmh), mix(self.height_m),
                         mix(self.altitude_m), mix(self.dist_m), clock, i)

    def _at(self, i: int, t_s: float) -> HudSample:
        return HudSample(t_s, self.lat[i], self.lon[i], _known(self.speed_kmh[i]), _known(self.height_m[i]),
                         _known(self.altitude_m[i]), self.dist_m[i], self.clock[i], i)


def make_hud_track(name: str, points: Iterable[SourcePoint], entry_count: int = 0) -> HudTrack:
    """The one adapter from a track supplier to the HUD: fixes in supplier order; a clock that
    restarts (two recordings in one file) continues after the previous one, as a new segment."""
    ordered: List[SourcePoint] = []
    shift = 0.0
    for p in points:
        t = p.t_s + shift
        if ordered and t < ordered[-1].t_s:
            shift += ordered[-1].t_s - t
            t = ordered[-1].t_s
            p = p._replace(segment_start=True)
        ordered.append(p._replace(t_s=t))
    return HudTrack(name, ordered, entry_count)


def demo_track() -> HudTrack:
    """A small synthetic flight, shown while no telemetry file is loaded."""
    points = []
    start = datetime(2024, 5, 1, 10, 0, 0)
    for i in range(121):
        a = i / 120 * 2 * math.pi
        lat = 41.0082 + 0.0025 * math.sin(a)
        lon = 28.9784 + 0.004 * math.sin(a) * math.cos(a) + 0.001 * (1 - math.cos(a))
        height = 60 * math.sin(a / 2)
        speed = 20 + 25 * abs(math.sin(a))
        points.append(SourcePoint(float(i), lat, lon, speed, height, 40 + height,
                                  start.replace(second=i % 60, minute=i // 60), i == 0))
    return make_hud_track("Örnek uçuş", points)


def turkish_upper(text: str) -> str:
    """Upper case by Turkish rules: i becomes İ and ı becomes I."""
    return text.replace("i", "İ").replace("ı", "I").upper()

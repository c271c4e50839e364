"""The track the HUD draws: the converter's columns on the video clock, plus the converter's figures.

`HudTrack` holds what hud_track_source.py takes from `trakvia.converter.read_track` (or what the
demo flight makes up): positions, speeds, heights, the flight's local clock and the distance
flown, one value per fix, NaN where a fix has none. Nothing here measures the track again: the
top speed and the distance are the converter's. The renderer, the preview and the video export
see nothing but this class.
"""
import math
from array import array
from bisect import bisect_right
from dataclasses import dataclass
from datetime import datetime, timedelta
from typing import Optional, Sequence

_NAN = float("nan")
_EPOCH = datetime(1970, 1, 1)


@dataclass(frozen=True)
class HudSample:
    """What the HUD shows at one moment. In a gap between recordings the position stays at the
    last fix and the moving figures are None: nothing is invented across a gap."""
    t_s: float
    lat: float
    lon: float
    speed_kmh: Optional[float]
    height_m: Optional[float]     # above take-off
    altitude_m: Optional[float]   # above sea level
    dist_m: float
    clock: Optional[datetime]     # the flight's local wall-clock time
    index: int                    # the fix at or before t_s
    in_gap: bool = False


@dataclass(frozen=True)
class TrackColumns:
    """One value per fix, in track order; NaN where the fix has none."""
    t_s: Sequence[float]          # seconds on the video clock (continued across recordings)
    lat: Sequence[float]
    lon: Sequence[float]
    speed_mps: Sequence[float]
    height_m: Sequence[float]     # above take-off
    altitude_m: Sequence[float]   # above sea level
    local_s: Sequence[float]      # the flight's local time, seconds since 1970 read as a naive clock
    distance_m: Sequence[float]   # distance flown up to the fix, not counted across gaps


def _known(x: float) -> Optional[float]:
    return None if math.isnan(x) else x


def _highest(values: Sequence[float]) -> Optional[float]:
    return max((v for v in values if not math.isnan(v)), default=None)


def local_clock(seconds: float) -> Optional[datetime]:
    """The flight-local wall-clock time of a `local_s` value; None when the fix has no date-time."""
    return None if math.isnan(seconds) else _EPOCH + timedelta(seconds=seconds)


class HudTrack:
    """The fixes as column arrays, the segment starts, and the converter's figures."""

    def __init__(self, name: str, columns: TrackColumns, segment_starts: Sequence[int], *,
                 top_speed_kmh: Optional[float], total_distance_m: float, recorded_s: float,
                 time_zone: str = "", entry_count: int = 0):
        self.name = name
        self.t_s = columns.t_s
        self.lat = columns.lat
        self.lon = columns.lon
        self.speed_mps = columns.speed_mps
        self.height_m = columns.height_m
        self.altitude_m = columns.altitude_m
        self.local_s = columns.local_s
        self.dist_m = columns.distance_m
        self.segment_starts = list(segment_starts) or [0]
        # Telemetry entries in the source file, fixes or not (0: unknown). Together with the
        # video's frame count it tells whether frames and entries pair one to one.
        self.entry_count = entry_count
        self.top_speed_kmh = top_speed_kmh
        self.total_distance_m = total_distance_m
        self.recorded_s = recorded_s
        self.time_zone = time_zone
        self.top_height_m = _highest(self.height_m)
        self.top_altitude_m = _highest(self.altitude_m)
        self.has_altitude = self.top_altitude_m is not None
        self.map_cache: dict = {}   # the renderer's projected paths, per inset size

    def __len__(self) -> int:
        return len(self.t_s)

    @property
    def duration_s(self) -> float:
        """Span of the video clock the track covers (what a slider over the track spans)."""
        return self.t_s[-1] - self.t_s[0] if len(self.t_s) else 0.0

    @property
    def start_s(self) -> float:
        return self.t_s[0] if len(self.t_s) else 0.0

    def starts_segment(self, index: int) -> bool:
        k = bisect_right(self.segment_starts, index) - 1
        return k >= 0 and self.segment_starts[k] == index

    def entry_time_s(self, entry: int) -> Optional[float]:
        """Cue time of the file's `entry`-th telemetry entry, when every entry became a fix."""
        if self.entry_count and len(self.t_s) == self.entry_count and 0 <= entry < self.entry_count:
            return self.t_s[entry]
        return None

    def sample(self, t_s: float) -> HudSample:
        """The HUD's figures at `t_s`: interpolated between two fixes of one recording, held at
        the last fix without moving figures inside a gap, clamped to the first and last fix."""
        n = len(self.t_s)
        if not n:
            raise ValueError("boş iz")
        i = bisect_right(self.t_s, t_s) - 1
        if i < 0:
            return self._at(0, self.t_s[0])
        if i >= n - 1:
            return self._at(n - 1, self.t_s[-1])
        j = i + 1
        if self.starts_segment(j):
            return HudSample(t_s, self.lat[i], self.lon[i], None, None, None, self.dist_m[i], None, i, True)
        span = self.t_s[j] - self.t_s[i]
        f = (t_s - self.t_s[i]) / span if span > 0 else 0.0

        def mix(col: Sequence[float]) -> float:
            return col[i] + (col[j] - col[i]) * f

        speed = _known(mix(self.speed_mps))
        return HudSample(t_s, mix(self.lat), mix(self.lon), None if speed is None else speed * 3.6,
                         _known(mix(self.height_m)), _known(mix(self.altitude_m)), mix(self.dist_m),
                         local_clock(mix(self.local_s)), i)

    def _at(self, i: int, t_s: float) -> HudSample:
        speed = _known(self.speed_mps[i])
        return HudSample(t_s, self.lat[i], self.lon[i], None if speed is None else speed * 3.6,
                         _known(self.height_m[i]), _known(self.altitude_m[i]), self.dist_m[i],
                         local_clock(self.local_s[i]), i)


def demo_track() -> HudTrack:
    """A small synthetic flight, shown while no telemetry file is loaded."""
    columns = TrackColumns(*(array("d") for _ in range(8)))
    start = (datetime(2024, 5, 1, 10, 0, 0) - _EPOCH).total_seconds()
    distance = 0.0
    for i in range(121):
        a = i / 120 * 2 * math.pi
        height = 60 * math.sin(a / 2)
        speed_kmh = 20 + 25 * abs(math.sin(a))
        distance += speed_kmh / 3.6 if i else 0.0   # one second between fixes
        for col, value in zip(columns.__dict__.values(), (
                float(i), 41.0082 + 0.0025 * math.sin(a),
                28.9784 + 0.004 * math.sin(a) * math.cos(a) + 0.001 * (1 - math.cos(a)),
                speed_kmh / 3.6, height, 40 + height, start + i, distance)):
            col.append(value)
    return HudTrack("Örnek uçuş", columns, [0], top_speed_kmh=45.0, total_distance_m=distance, recorded_s=120.0,
                    time_zone="Europe/Istanbul")

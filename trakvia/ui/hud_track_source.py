"""Where the HUD's track comes from today: the converter's own CSV of every fix.

The converter is asked for sample mode "all" and the single format "csv" in a private
temporary folder; its columns are read by their header names and handed to `make_hud_track`.
Speed, altitude kinds, cue times and the clock are the converter's; nothing is derived here.
"""
import csv
import os
import shutil
import tempfile
from datetime import datetime, timedelta
from typing import Dict, Iterator, List, Optional

from .hud_track import HudTrack, SourcePoint, make_hud_track

# A jump of the wall clock longer than this between two fixes starts a new recording segment
# (the CSV carries no segment marks of its own).
_GAP_S = 2.0


def _number(text: str) -> Optional[float]:
    try:
        return float(text) if text else None
    except ValueError:
        return None


def _clock(row: Dict[str, str], utc_offset_minutes: Optional[int]) -> Optional[datetime]:
    if row.get("GPSDateStamp") and row.get("GPSTimeStamp"):
        stamp = datetime.fromisoformat(f"{row['GPSDateStamp']}T{row['GPSTimeStamp'].rstrip('Z')}")
        return stamp + timedelta(minutes=utc_offset_minutes or 0)   # back to the flight's clock
    if row.get("date_local") and row.get("time_local"):
        return datetime.fromisoformat(f"{row['date_local']}T{row['time_local']}")
    return None


def _points(rows: List[Dict[str, str]], elevation_source: str,
            utc_offset_minutes: Optional[int]) -> Iterator[SourcePoint]:
    # GPSAltitude holds the kind the converter chose as elevation; the other kinds have columns
    elevation_is_takeoff = elevation_source == "relative"
    elevation_is_sea_level = elevation_source in ("gps", "absolute")
    first_clock: Optional[datetime] = None
    previous: Optional[datetime] = None
    for i, row in enumerate(rows):
        elevation = _number(row.get("GPSAltitude", ""))
        height = elevation if elevation_is_takeoff else _number(row.get("h_takeoff_m", ""))
        altitude = elevation if elevation_is_sea_level else None
        for column in ("h_gps_m", "h_abs_m"):
            altitude = _number(row.get(column, "")) if altitude is None else altitude
        speed_mps = _number(row.get("speed_mps", ""))
        clock = _clock(row, utc_offset_minutes)
        first_clock = first_clock or clock
        cue = _number(row.get("video_s", ""))
        if cue is None:
            cue = (clock - first_clock).total_seconds() if clock and first_clock else float(i)
        gap = clock is not None and previous is not None and (clock - previous).total_seconds() > _GAP_S
        previous = clock or previous
        yield SourcePoint(cue, float(row["GPSLatitude"]), float(row["GPSLongitude"]),
                          None if speed_mps is None else speed_mps * 3.6, height, altitude, clock, gap)


def load_track(telemetry_path: str) -> HudTrack:
    """Converts an SRT/GPX file with the converter (all fixes, CSV) and reads the result back."""
    from trakvia import converter

    base = os.path.basename(telemetry_path)
    work_dir = tempfile.mkdtemp(prefix="trakvia_hud_")
    try:
        options = converter.ConversionOptions(sample_mode="all", formats=["csv"])
        result = converter.convert_srt_file(telemetry_path, work_dir, options)
        if not result.filtered_point_count:
            raise ValueError(f"Bu dosyada GPS konumu olan telemetri noktası yok: {base}")
        csv_files = [str(p) for p in result.output_files if str(p).lower().endswith(".csv")]
        if not csv_files:
            raise ValueError(f"Dönüştürücü CSV çıktısı üretmedi: {base}")
        with open(csv_files[0], newline="", encoding="utf-8") as fh:
            rows = list(csv.DictReader(fh))
        name = result.track_name or os.path.splitext(base)[0]
        points = _points(rows, result.elevation_source, result.utc_offset_minutes)
        return make_hud_track(name, points, result.raw_point_count)
    finally:
        shutil.rmtree(work_dir, ignore_errors=True)

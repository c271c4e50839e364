"""Fixtures for the trakvia.converter tests: the module, the sample telemetry, gpsbabel read-back."""
import csv
import io
import pathlib
import shutil
import subprocess

import pytest


@pytest.fixture(scope="session")
def converter():
    from trakvia import converter

    return converter


@pytest.fixture(scope="session")
def sample_srts(converter, tmp_path_factory) -> list[pathlib.Path]:
    """The generated sample telemetry, once per session."""
    return [pathlib.Path(p) for p in converter.create_sample_srt_files(str(tmp_path_factory.mktemp("ornek")))]


# gpsbabel input format for each of our output endings, and the kinds of data it reads a track
# as (its GeoJSON reader makes a LineString a route and a MultiLineString a track; unicsv rows
# are waypoints). NMEA is only written for tracks whose every point has a date, so it is read
# with no preset date: a point gpsbabel cannot date would be lost and the count would differ.
GPSBABEL_FORMATS = {
    ".gpx": ("gpx", ["-t"]),
    ".kml": ("kml", ["-t"]),
    ".geojson": ("geojson", ["-r", "-t"]),
    ".csv": ("unicsv", ["-w"]),
    ".nmea": ("nmea", ["-t"]),
}


def _gpsbabel_count(path: pathlib.Path) -> int:
    """Counts the points of a track file as gpsbabel reads it, independently of our code."""
    fmt, kinds = GPSBABEL_FORMATS[path.suffix.lower()]
    count = 0
    for kind in kinds:
        proc = subprocess.run(
            ["gpsbabel", kind, "-i", fmt, "-f", str(path), "-o", "unicsv", "-F", "-"],
            capture_output=True, text=True, check=False, timeout=120,
        )
        assert proc.returncode == 0, f"gpsbabel failed on {path.name}: {proc.stderr}"
        count += len(list(csv.DictReader(io.StringIO(proc.stdout))))
    return count


@pytest.fixture
def check_read_back():
    """Checks that every written track format holds exactly the kept points, as gpsbabel reads them."""
    if shutil.which("gpsbabel") is None:
        pytest.skip("gpsbabel is not installed")

    def check(result):
        for path in map(pathlib.Path, result.output_files):
            assert path.is_file() and path.stat().st_size > 0
            if path.suffix.lower() in GPSBABEL_FORMATS:
                assert _gpsbabel_count(path) == result.filtered_point_count, path.name

    return check

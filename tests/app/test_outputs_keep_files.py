"""Tracks written by convert and import never replace a file of the user, an input of the run or
an output the run already wrote; a re-run gives the same files. Real conversions on real trees."""
import os
import pathlib
import stat

import pytest

import trakvia.converter


@pytest.fixture(scope="module")
def telemetry(tmp_path_factory):
    """The bytes of two real SRT recordings of different flights."""
    folder = tmp_path_factory.mktemp("srt")
    paths = trakvia.converter.create_sample_srt_files(str(folder))
    return [pathlib.Path(p).read_bytes() for p in paths[:2]]


USER_GPX = (b'<?xml version="1.0"?>\n<gpx version="1.1" creator="Someone else">\n<trk><trkseg>'
            b'<trkpt lat="41.0" lon="29.0"><time>2024-01-01T10:00:00Z</time></trkpt>'
            b'<trkpt lat="41.001" lon="29.0"><time>2024-01-01T10:00:09Z</time></trkpt>'
            b'</trkseg></trk></gpx>\n' + b"<!-- the pilot's own notes -->\n" * 1000)


def files(folder):
    return {p.relative_to(folder).as_posix(): p.read_bytes() for p in sorted(folder.rglob("*")) if p.is_file()}


def test_convert_into_the_input_folder_keeps_the_users_gpx_and_repeats_itself(run_process, tmp_path, telemetry):
    folder = tmp_path / "uçuş"
    folder.mkdir()
    (folder / "DJI_0001.SRT").write_bytes(telemetry[0])
    (folder / "DJI_0001.gpx").write_bytes(USER_GPX)
    first = run_process("convert", folder, "-o", folder)
    assert first.returncode == 0, first.stderr
    after_first = files(folder)
    assert after_first["DJI_0001.gpx"] == USER_GPX and after_first["DJI_0001.SRT"] == telemetry[0]
    # The SRT's tracks and the user's GPX's tracks each take their own suffix.
    assert sorted(after_first) == sorted(["DJI_0001.SRT", "DJI_0001.gpx"] + [
        f"DJI_0001_{n}.{ext}" for n in (2, 3) for ext in ("gpx", "kml", "geojson", "csv")])
    second = run_process("convert", folder, "-o", folder)
    assert (second.returncode, second.stdout) == (0, first.stdout)
    assert sorted(files(folder)) == sorted(after_first)


def test_same_names_from_two_folders_do_not_overwrite_each_other(run_process, tmp_path, telemetry):
    card = tmp_path / "kart"
    for sub, data in zip(("a", "b"), telemetry):
        (card / sub).mkdir(parents=True)
        (card / sub / "DJI_0001.SRT").write_bytes(data)
    out = tmp_path / "izler"
    done = run_process("convert", card, "-o", out)
    assert done.returncode == 0 and len(done.stdout.splitlines()) == 2
    got = files(out)
    assert sorted(got) == sorted(f"DJI_0001{s}.{ext}" for s in ("", "_2") for ext in ("gpx", "kml", "geojson", "csv"))
    assert got["DJI_0001.gpx"] != got["DJI_0001_2.gpx"]


def test_import_keeps_a_read_only_track_of_the_user(run_process, make_card, tmp_path, telemetry):
    import datetime
    card = make_card({"DJI_0001.MP4": (5, datetime.datetime(2024, 5, 1))})
    (card / "DCIM" / "DJI_001" / "DJI_0001.SRT").write_bytes(telemetry[0])
    dest = tmp_path / "yedek"
    dest.mkdir()
    own_kml = dest / "DJI_0001.kml"
    own_kml.write_bytes(b"<kml>the pilot's own map</kml>")
    own_kml.chmod(stat.S_IRUSR | stat.S_IRGRP | stat.S_IROTH)
    done = run_process("import", card, dest)
    assert done.returncode == 0, done.stderr
    assert own_kml.read_bytes() == b"<kml>the pilot's own map</kml>"
    assert sorted(os.listdir(dest)) == sorted(["DJI_0001.MP4", "DJI_0001.SRT", "DJI_0001.kml"] + [
        f"DJI_0001_2.{ext}" for ext in ("gpx", "kml", "geojson", "csv")])

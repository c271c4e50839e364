"""Tracks a user can trust: flight-local time zones, read_track against convert_srt_file, figures."""
import datetime
import math
import os
import pathlib
import time

import pytest

DATA = pathlib.Path(__file__).resolve().parents[3] / "shared" / "data"


def shared(path):
    """A shared sample; skipped when the data folder is absent, except on CI, where that fails."""
    full = DATA / path
    if not full.is_file():
        if os.environ.get("CI"):
            pytest.fail(f"shared sample missing on CI: {full}")
        pytest.skip(f"shared sample missing: {full}")
    return full


@pytest.fixture(params=["UTC", "Europe/Istanbul"])
def computer_zone(request, monkeypatch):
    """Runs the test as on a computer set to UTC, then to UTC+3: neither may change a result."""
    monkeypatch.setenv("TZ", request.param)
    time.tzset()
    yield request.param
    monkeypatch.undo()
    time.tzset()


def utc_text(seconds):
    if math.isnan(seconds):
        return None
    return datetime.datetime.fromtimestamp(seconds, datetime.timezone.utc).strftime("%Y-%m-%dT%H:%M:%S.%f")[:-3]


# file, zone, first point's UTC time (the flight's local stamp minus its zone's offset), segments
ZONES = [
    ("srt/air3s_2026_hlg.SRT", "America/New_York", "2026-05-17T12:28:30.219", 1),
    ("srt/avata360_2026.SRT", "Europe/Amsterdam", "2026-05-27T11:10:00.015", 1),
    ("srt/inspire1_2016_ultrasonic.SRT", "America/Cuiaba", "2016-10-06T17:21:51.000", 1),
    ("srt/legacy_f28_2017_last_block_truncated.SRT", "America/Argentina/Buenos_Aires", "2017-07-03T13:15:03.000", 1),
    ("srt/matrice300_2022_crlf.srt", "Europe/Madrid", "2022-06-21T14:06:17.000", 1),
    ("srt/mavic2pro_2019_bom_noalt_dropped_frames.SRT", "America/Argentina/Buenos_Aires", "2019-09-27T13:28:08.438", 12),
    ("srt/mavic3_2021.srt", "Etc/GMT", "2021-12-25T12:27:52.373", 1),  # its position is open sea
    ("srt/mavic3t_2023_s_stream_no_exposure.SRT", "America/Denver", "2023-09-20T05:11:20.141", 1),
    ("srt/mavic_pro_2017.SRT", "Australia/Lindeman", "2017-08-05T04:11:51.000", 1),
    ("srt/mavic_pro_2017_two_files_concatenated.SRT", "Pacific/Auckland", "2017-07-22T23:46:08.000", 2),
    ("srt/neo2_2026.SRT", "Europe/Rome", "2026-05-15T06:24:18.623", 1),
    ("srt/phantom4rtk_2019.SRT", "", None, 1),  # no date-times: cue times only
    ("gpx/mini2_2021_airdata.gpx", "America/Los_Angeles", "2021-09-06T02:23:48.100", 1),
]


@pytest.mark.parametrize("path, zone, first_utc, segments", ZONES, ids=[z[0].split("/")[1] for z in ZONES])
def test_times_follow_the_flights_zone_not_the_computers(converter, computer_zone, path, zone, first_utc, segments):
    track = converter.read_track(shared(path))
    assert track.time_zone == track.result.time_zone == zone
    assert utc_text(track.time_utc_s[0]) == first_utc
    assert len(track.segments()) == segments
    if zone and path.startswith("srt/"):
        assert track.result.time_source == "wall_clock_position_zone"
        offset_s = track.result.utc_offset_minutes * 60
        assert track.time_local_s[0] - track.time_utc_s[0] == offset_s


def test_a_given_offset_still_wins(converter, computer_zone):
    options = converter.ConversionOptions(sample_mode="all", utc_offset_minutes=0)
    track = converter.read_track(shared("srt/matrice300_2022_crlf.srt"), options)
    assert track.result.time_source == "wall_clock_given_offset"
    assert utc_text(track.time_utc_s[0]) == "2022-06-21T16:06:17.000"  # the stamp itself


def test_without_any_fix_the_computers_zone_applies(converter, computer_zone):
    result = converter.read_track(shared("srt/mavic_air_2018_nogps.SRT")).result
    assert result.time_source == "wall_clock_computer_zone"
    assert result.utc_offset_minutes == {"UTC": 0, "Europe/Istanbul": 180}[computer_zone]


# Short clips: a moving one gets its overall speed, a hovering one a true 0.
@pytest.mark.parametrize("path, speed_kmh", [
    ("srt/mavic_air2_2022.srt", 2.0),
    ("srt/mini5pro_2026.SRT", 2.9),
    ("srt/air3s_2026_hlg.SRT", 0.0),
])
def test_short_clips_speed(converter, path, speed_kmh):
    assert round(converter.read_track(shared(path)).result.max_speed_kmh, 1) == speed_kmh


def test_joined_recordings_report_recorded_time(converter):
    result = converter.read_track(shared("srt/mavic2pro_2019_bom_noalt_dropped_frames.SRT")).result
    assert round(result.duration_s) == 369  # the twelve recordings' own time
    assert round(result.elapsed_s) == 2613  # with the pauses between them


FIGURES = ("raw_point_count", "valid_point_count", "filtered_point_count", "total_distance_m", "max_speed_kmh",
           "max_power_w", "duration_s", "elapsed_s", "time_source", "time_zone", "utc_offset_minutes",
           "elevation_source", "warning_codes", "track_name")


@pytest.mark.parametrize("path", sorted(p.relative_to(DATA).as_posix() for p in DATA.glob("*/*")
                                         if p.suffix.lower() in (".srt", ".gpx")) or ["srt/none.SRT"])
def test_read_track_agrees_with_convert(converter, tmp_path, path):
    src = shared(path)
    options = converter.ConversionOptions(sample_mode="1hz", formats=("gpx",))
    converted = converter.convert_srt_file(src, tmp_path, options)
    track = converter.read_track(src, options)
    codes = [c for c in converted.warning_codes if c[0] != "format_skipped_no_dates"]
    for name in FIGURES:
        expected = codes if name == "warning_codes" else getattr(converted, name)
        assert getattr(track.result, name) == expected, name
    assert len(track) == converted.filtered_point_count
    assert track.result.output_files == []
    columns = [track.lat_deg, track.lon_deg, track.time_utc_s, track.speed_mps, track.elevation_m]
    assert all(len(c) == len(track) for c in columns)


def test_read_track_progress_and_cancel(converter, sample_srts):
    seen = []
    track = converter.read_track(sample_srts[0], progress=lambda done, total: seen.append((done, total)))
    assert len(track) > 0 and seen and seen[-1][0] == seen[-1][1] == sample_srts[0].stat().st_size
    assert converter.read_track(sample_srts[0], cancel=lambda: True) is None

    def broken(done, total):
        raise KeyError("geri çağrı")
    with pytest.raises(KeyError, match="geri çağrı"):
        converter.read_track(sample_srts[0], progress=broken)


def test_truncated_blocks_break_the_track_and_are_counted(converter, tmp_path):
    block = ("{i}\n00:00:0{i},000 --> 00:00:0{i},500\n<font size=\"28\">SrtCnt : {i}, DiffTime : 33ms\n"
             "2020-06-01 10:00:0{i},000,000\n{body}\n\n")
    fix = "[latitude : {lat:.6f}] [longtitude : 29.000000] [altitude: 10.0] </font>"
    bodies = [fix.format(lat=41.0), fix.format(lat=41.00001), "[iso : 100] [latit",
              "[latitude : 41.00005] [lo", fix.format(lat=41.00006), fix.format(lat=41.00007)]
    src = tmp_path / "DJI_0001.SRT"
    src.write_text("".join(block.format(i=i + 1, body=b) for i, b in enumerate(bodies)))
    track = converter.read_track(src)
    assert track.segments() == [(0, 2), (2, 4)]
    assert track.result.warning_codes[:2] == [("invalid_positions", 2, 14), ("track_split", 2, 26)]
    assert track.result.warnings[0] == "2 kayıtta geçersiz konum vardı (N/A, 0/0 ya da eksik); atlandı (ilki 14. satırda)."
    assert round(track.result.total_distance_m, 2) == 2.22  # nothing across the gap


@pytest.mark.parametrize("bad", ["1e308", "1e-320", "1.2.3"])
def test_numbers_in_another_form_are_invalid(converter, tmp_path, bad):
    lines = [f"{i}\n00:00:0{i},000 --> 00:00:0{i},500\n[latitude: {lat}] [longitude: 29.000000]\n\n"
             for i, lat in enumerate(["41.000000", bad, "41.000020"], start=1)]
    src = tmp_path / "DJI_0002.SRT"
    src.write_text("".join(lines))
    result = converter.read_track(src).result
    assert result.valid_point_count == 2
    assert result.warning_codes[0] == ("invalid_positions", 1, 6)


@pytest.mark.skipif(not hasattr(os, "mkfifo"), reason="FIFOs are POSIX")
def test_a_fifo_is_refused_not_read_forever(converter, tmp_path):
    fifo = tmp_path / "DJI_0003.SRT"
    os.mkfifo(fifo)
    for call in (lambda: converter.convert_srt_file(fifo, tmp_path / "out"), lambda: converter.read_track(fifo)):
        with pytest.raises(OSError, match="Normal bir dosya değil") as info:
            call()
        assert info.value.filename == str(fifo)
    assert not (tmp_path / "out").exists()


def test_without_the_zone_lookup_the_computers_zone_applies_and_is_said(converter, monkeypatch):
    monkeypatch.setitem(__import__("sys").modules, "tzfpy", None)  # import fails as if not installed
    monkeypatch.setenv("TZ", "Europe/Istanbul")
    time.tzset()
    try:
        result = converter.read_track(shared("srt/matrice300_2022_crlf.srt")).result
    finally:
        monkeypatch.undo()
        time.tzset()
    assert (result.time_source, result.time_zone, result.utc_offset_minutes) == ("wall_clock_computer_zone", "", 180)
    assert ("zone_lookup_failed", 0, 0) in result.warning_codes
    assert "Uçuşun saat dilimi konumdan bulunamadı; bilgisayarın saat dilimi kullanıldı." in result.warnings

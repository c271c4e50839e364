"""The HUD tab: the track the HUD shows, the themes, and the sample clip previewed and exported."""
import os
import time
from datetime import datetime

import pytest

from trakvia.ui.hud_renderer import format_clock, hud_image, track_summary
from trakvia.ui.hud_themes import THEMES, theme_at
from trakvia.ui.hud_track import demo_track, local_clock
from trakvia.ui.hud_track_source import TrackLoadCancelled, load_track

from .hud_clips import make_clip, make_srt, stream_packets
from .ui_waits import wait_idle


@pytest.mark.parametrize("zone", ["UTC0", "EET-3"])   # the computer's zone: UTC, Istanbul
def test_a_real_srt_shows_the_flights_own_clock_and_height_above_take_off(monkeypatch, shared_data, zone):
    if not hasattr(time, "tzset"):
        pytest.skip("the computer's zone is changed through TZ and time.tzset, which Windows lacks")
    srt = shared_data / "srt" / "mavic3_2021.srt"
    monkeypatch.setenv("TZ", zone)
    time.tzset()
    try:
        track = load_track(str(srt))
    finally:
        monkeypatch.undo()
        time.tzset()
    assert local_clock(track.local_s[0]) == datetime(2021, 12, 25, 12, 27, 52, 373000)   # as stamped in the file
    assert track.height_m[0] == pytest.approx(-2.4) and track.altitude_m[0] == pytest.approx(0.401)
    assert track.entry_count == len(track) == 12318 and track.t_s[1] == pytest.approx(0.02)


@pytest.mark.parametrize("name", ["mavic_pro_2017_two_files_concatenated.SRT", "edited_mix_p4rtk_mavic2pro_2020.srt",
                                  "mavic2pro_2019_bom_noalt_dropped_frames.SRT"])
def test_the_hud_figures_are_the_conversions(shared_data, tmp_path, name):
    from trakvia import converter

    srt = str(shared_data / "srt" / name)
    result = converter.convert_srt_file(srt, str(tmp_path), converter.ConversionOptions(formats=["csv"]))
    track = load_track(srt)
    assert track.total_distance_m == track.dist_m[-1] == pytest.approx(result.total_distance_m)
    assert track.top_speed_kmh == pytest.approx(result.max_speed_kmh)
    assert all(b >= a for a, b in zip(track.t_s, track.t_s[1:]))   # recordings one after another
    summary = track_summary(track)
    assert " 0 m" not in summary.split("irtifa")[1]
    if track.top_height_m is None and not track.has_altitude:
        assert "irtifa bilinmiyor" in summary


def test_a_gap_between_recordings_shows_no_invented_position_speed_or_time(tmp_path):
    def points(minute):
        return "".join(f'<trkpt lat="{39.9 + (minute + s) * 1e-4}" lon="32.8"><ele>900</ele>'
                       f"<time>2026-05-17T14:{minute:02d}:{s:02d}Z</time></trkpt>" for s in range(0, 10, 2))

    gpx = tmp_path / "iki_kayit.gpx"
    gpx.write_text('<?xml version="1.0"?><gpx version="1.1" creator="t" xmlns="http://www.topografix.com/GPX/1/1">'
                   f"<trk><trkseg>{points(0)}</trkseg><trkseg>{points(14)}</trkseg></trk></gpx>", encoding="utf-8")
    track = load_track(str(gpx))
    assert track.segment_starts == [0, 5] and track.t_s[5] == 14 * 60
    inside = track.sample(7 * 60)
    assert (inside.lat, inside.speed_kmh, inside.height_m, format_clock(inside)) == (track.lat[4], None, None, "--:--:--")
    assert format_clock(track.sample(14 * 60)) == "17:14:00"   # UTC+3 at Ankara, not the computer's zone
    assert inside.dist_m == track.dist_m[4] and track.total_distance_m == track.dist_m[-1]


def test_the_clock_is_the_flights_and_a_long_read_can_be_cancelled(tmp_path):
    srt = str(tmp_path / "DJI_0003.SRT")
    make_srt(srt, [i / 10 for i in range(600)])   # stamped 17:05 local at Ankara
    reports = []
    track = load_track(srt, lambda done, total: reports.append((done, total)))
    assert format_clock(track.sample(0.0)) == "17:05:00" and track.time_zone == "Europe/Istanbul"
    assert reports and reports[-1][0] == reports[-1][1] == os.path.getsize(srt)
    with pytest.raises(TrackLoadCancelled):
        load_track(srt, None, lambda: True)


def test_every_theme_draws_a_different_frame(qapp):
    track = demo_track()
    frames = {bytes(hud_image(320, 180, track, 30, theme).constBits().asarray(320 * 180 * 4)) for theme in THEMES}
    assert len(frames) == len(THEMES) >= 6
    assert [THEMES[i].key for i in (0, 1, 2, 5)] == ["default", "f1", "garmin", "clean_white"]
    assert theme_at(99) is THEMES[0]


def _pixels(image) -> bytes:
    return bytes(image.constBits().asarray(image.sizeInBytes()))


def test_sample_clip_is_previewed_over_its_lrf_and_exported_with_its_audio(window, qtbot, answers, tmp_path):
    tab = window.hud_tab
    window.tabs.setCurrentWidget(tab)            # first use makes the sample clip
    qtbot.waitUntil(lambda: tab.clip is not None, timeout=120000)
    assert tab.clip.preview_path.endswith("DJI_0001.LRF")
    folder = os.path.join(window.base_dir, "HUD_Ornek_Klip")
    assert sorted(os.listdir(folder)) == ["DJI_0001.LRF", "DJI_0001.MP4", "DJI_0001.SRT"]
    qtbot.waitUntil(lambda: tab._last is not None, timeout=10000)

    images = []
    for entry in (0, 1, 2, 5):
        window.cmb_hud_theme.setCurrentIndex(entry)   # redrawn at once, over the same picture
        images.append(_pixels(tab.view.image))
    assert len(set(images)) == 4

    with qtbot.waitSignal(tab.render_worker.frame_ready, timeout=10000):
        tab.slider.setValue(tab.slider.maximum())
    qtbot.waitUntil(lambda: tab._last is not None and tab._last.hud_t_s > 7, timeout=10000)
    assert tab.lbl_time.text().split(" / ")[0] == tab.lbl_time.text().split(" / ")[1]
    assert window._preview_worker is tab.render_worker

    answers.folder = str(tmp_path)
    tab.btn_export.click()
    wait_idle(qtbot, tab.tasks, timeout=120000)
    out = tmp_path / "DJI_0001_HUD.mp4"
    assert out.is_file() and str(out) in tab.lbl_info.text()
    source = os.path.join(folder, "DJI_0001.MP4")
    assert stream_packets(str(out), "audio") == stream_packets(source, "audio") != []


def test_dragging_shows_keyframes_and_release_the_exact_frame(window, qtbot, tmp_path):
    video = str(tmp_path / "DJI_0009.MP4")
    times = make_clip(video, 24)          # 10 frames per second, a keyframe every 5 frames
    make_srt(str(tmp_path / "DJI_0009.SRT"), times)
    tab = window.hud_tab
    window.tabs.setCurrentWidget(tab)
    tab.load_file(str(tmp_path / "DJI_0009.SRT"))    # as the SD card tab hands it over
    qtbot.waitUntil(lambda: tab.clip is not None and tab.clip.video_path == video, timeout=20000)
    assert tab.clip.preview_path == video    # no LRF: the video itself is decoded

    def shows(hud_t_s):   # the frame on screen carries this HUD time
        qtbot.waitUntil(lambda: tab._last is not None and round(tab._last.hud_t_s, 3) == hud_t_s, timeout=10000)

    tab.slider.setSliderDown(True)
    tab.slider.setValue(170)
    shows(1.5)                         # dragged to 1.70 s: the keyframe at 1.5 s
    tab.slider.setSliderDown(False)
    tab.slider.sliderReleased.emit()
    shows(1.7)                         # released: the frame showing at 1.70 s
    tab.spin_offset.setValue(0.5)
    shows(2.2)                         # the offset moves the HUD, not the picture

"""The HUD tab: the track the HUD shows, the themes, and the sample clip previewed and exported."""
import os
import time
from datetime import datetime

import pytest

from trakvia.ui.hud_renderer import hud_image
from trakvia.ui.hud_themes import THEMES, theme_at
from trakvia.ui.hud_track import SourcePoint, demo_track, make_hud_track
from trakvia.ui.hud_track_source import load_track

from .hud_clips import make_clip, make_srt, stream_packets
from .ui_waits import wait_idle


@pytest.mark.parametrize("zone", ["UTC0", "EET-3"])   # the computer's zone: UTC, Istanbul
def test_a_real_srt_shows_the_flights_own_clock_and_height_above_take_off(monkeypatch, shared_data, zone):
    srt = shared_data / "srt" / "mavic3_2021.srt"
    monkeypatch.setenv("TZ", zone)
    time.tzset()
    try:
        track = load_track(str(srt))
    finally:
        monkeypatch.undo()
        time.tzset()
    assert track.clock[0] == datetime(2021, 12, 25, 12, 27, 52, 373000)   # as stamped in the file
    assert track.height_m[0] == pytest.approx(-2.4) and track.altitude_m[0] == pytest.approx(0.401)
    assert track.entry_count == len(track) == 12318 and track.t_s[1] == pytest.approx(0.02)


def test_a_gap_between_recordings_is_shown_as_a_gap():
    def fix(t, lat, start=False):
        return SourcePoint(t, lat, 29.0, 36.0, 10.0, None, None, start)

    # two recordings in one file: the second one's clock starts again at zero
    track = make_hud_track("iki kayıt", [fix(0, 41.0), fix(1, 41.0001), fix(0, 41.01, True), fix(1, 41.0101)])
    assert track.t_s == [0, 1, 1, 2]
    assert track.total_distance_m == pytest.approx(2 * 11.1, rel=0.01)   # no jump across the gap
    held = track.sample(1.0 - 1e-9)
    assert held.lat == pytest.approx(41.0001, abs=1e-6)
    gap = make_hud_track("boşluk", [fix(0, 41.0), fix(1, 41.0001), fix(60, 41.01, True)]).sample(30)
    assert gap.lat == 41.0001 and gap.speed_kmh is None and gap.height_m is None


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

"""The HUD preview: track reading, themes and the rendered frames."""
import pytest
from PyQt5.QtGui import QImage

from trakvia.ui.hud_renderer import render_hud
from trakvia.ui.hud_themes import THEMES, theme_at
from trakvia.ui.hud_track import demo_track, load_track, read_track_csv

from .ui_waits import wait_idle


@pytest.mark.parametrize("header, row, speed_kmh", [
    ("GPSDateStamp,GPSTimeStamp,GPSLatitude,GPSLongitude,GPSAltitude,speed_mps,distance_m",
     "2024-05-01,07:00:{s:02d}.000,41.{i:04d},29.0,{alt},10.0,0", 36.0),
    ("time,lat,lon,ele,speed_kmh", "2024-05-01T07:00:{s:02d}Z,41.{i:04d},29.0,{alt},50", 50.0),
    ("latitude,longitude,altitude,relative_altitude", "41.{i:04d},29.0,{alt},5", None),   # no time, no speed
])
def test_track_csv_columns_are_found_by_name(tmp_path, header, row, speed_kmh):
    path = tmp_path / "t.csv"
    lines = [header] + [row.format(s=i, i=1000 + i, alt=100 + i) for i in range(5)]
    path.write_text("\n".join(lines) + "\n", encoding="utf-8")
    track = read_track_csv(str(path), "t")
    assert [p.t_s for p in track.points] == [0.0, 1.0, 2.0, 3.0, 4.0]
    assert track.points[2].lat == pytest.approx(41.1002)
    assert track.points[2].alt_m == 102                  # not the relative altitude column
    assert track.total_distance_m == pytest.approx(4 * 11.12, rel=0.01)
    expected = speed_kmh if speed_kmh is not None else 11.12 * 3.6
    assert track.points[3].speed_kmh == pytest.approx(expected, rel=0.01)


def test_derived_speed_ignores_gps_jitter(tmp_path):
    # 50 Hz samples moving north at 10 m/s, each position off by up to 0.3 m
    rows = ["t_s,lat,lon"]
    for i in range(500):
        jitter = 0.3 * (1 if i % 2 else -1) / 111_195
        rows.append(f"{i * 0.02:.2f},{41 + i * 0.2 / 111_195 + jitter:.9f},29.0")
    path = tmp_path / "t.csv"
    path.write_text("\n".join(rows) + "\n", encoding="utf-8")
    speeds = [p.speed_kmh for p in read_track_csv(str(path)).points[60:]]
    assert max(speeds) < 40 and min(speeds) > 32      # 36 km/h


def test_rows_without_a_position_are_skipped_and_points_interpolate(tmp_path):
    path = tmp_path / "t.csv"
    path.write_text("t_s,lat,lon,alt\n0,41.0,29.0,10\n1,,29.0,10\n2,nan,29,10\n4,41.001,29.0,30\n", encoding="utf-8")
    track = read_track_csv(str(path))
    assert len(track.points) == 2
    mid = track.point_at(2.0)
    assert (mid.lat, mid.alt_m) == (pytest.approx(41.0005), pytest.approx(20.0))
    assert track.point_at(-5).t_s == 0 and track.point_at(99).t_s == 4


def test_a_csv_without_coordinates_is_an_error(tmp_path):
    path = tmp_path / "t.csv"
    path.write_text("a,b\n1,2\n", encoding="utf-8")
    with pytest.raises(ValueError, match="enlem"):
        read_track_csv(str(path))


def test_sample_telemetry_loads_through_the_converter(tmp_path):
    from trakvia import converter
    srt = converter.create_sample_srt_files(str(tmp_path))[0]
    track = load_track(srt)
    assert len(track.points) > 10
    assert track.duration_s > 0 and track.total_distance_m > 0
    assert all(p.wall_clock is not None for p in track.points[:5])


def test_every_theme_draws_a_different_frame(qapp):
    track = demo_track()
    frames = {bytes(render_hud(320, 180, track, 30, theme).constBits().asarray(320 * 180 * 4)) for theme in THEMES}
    assert len(frames) == len(THEMES) >= 6
    assert [THEMES[i].key for i in (0, 1, 2, 5)] == ["default", "f1", "garmin", "clean_white"]
    assert theme_at(99) is THEMES[0]


def grab(win) -> QImage:
    return win.grab().toImage()


def test_theme_switching_changes_the_preview_at_once(window, qtbot):
    window.tabs.setCurrentWidget(window.hud_tab)
    qtbot.wait(50)
    assert "Örnek telemetri" in window.hud_tab.txt_file.text()
    images = []
    for entry in (0, 1, 2, 5):
        window.cmb_hud_theme.setCurrentIndex(entry)
        images.append(window.hud_tab.view.image)
    assert len({img.cacheKey() for img in images}) == 4
    assert len({bytes(img.constBits().asarray(img.sizeInBytes())) for img in images}) == 4


def test_slider_frames_come_from_the_worker(window, qtbot):
    tab = window.hud_tab
    window.tabs.setCurrentWidget(tab)
    before = tab.view.image
    with qtbot.waitSignal(tab.render_worker.frame_ready, timeout=5000):
        tab.slider.setValue(tab.slider.maximum())
    qtbot.waitUntil(lambda: tab.view.image is not before, timeout=5000)
    assert tab.lbl_time.text().split(" / ")[0] == tab.lbl_time.text().split(" / ")[1]
    assert window._preview_worker is tab.render_worker
    wait_idle(qtbot, tab.tasks)

"""Import in the window on a real temporary card: byte progress, cancel, and reports that say
what really happened (copied, already there, no position, card pulled)."""
import os
import time

import pytest
from PyQt5.QtCore import QMetaObject, Qt

from trakvia import mediadesk
from trakvia.ui.copy_rate import CopyMeter

from .ui_waits import wait_idle

MEDIA = os.path.join("DCIM", "DJI_001")


def import_all(window, qtbot, answers, dest, kind="info"):
    answers.calls.clear()
    answers.folder = str(dest)
    window.sd_tab.table.clearSelection()
    window.sd_tab.btn_import.click()
    wait_idle(qtbot, window.sd_tab.tasks, timeout=60000)
    shown = answers.of(kind)
    assert shown, answers.calls
    return shown[-1][1], shown[-1][2]


def test_a_second_import_says_the_files_were_already_there(window, qtbot, answers, tmp_path):
    dest = tmp_path / "yedek"
    title, text = import_all(window, qtbot, answers, dest)
    assert title == "İçe aktarma tamamlandı" and text.startswith("8 dosya") and "4 GPS izi üretildi." in text
    listed = sorted(os.listdir(dest))

    title, text = import_all(window, qtbot, answers, dest)
    assert title == "İçe aktarma: yeni dosya yok", text
    assert text.startswith(f"0 dosya '{dest}' klasörüne kopyalandı.")
    assert "8 dosya hedefte zaten vardı" in text
    assert sorted(os.listdir(dest)) == listed   # no suffixed copies, no second set of tracks


def test_telemetry_without_position_gives_no_track_and_is_named(window, qtbot, answers, sample_card, tmp_path):
    for n in (2, 3, 4):
        (tmp_path / "ws" / "DJI_SD_Kart_Ornegi" / MEDIA / f"DJI_000{n}.SRT").write_text(
            "1\n00:00:00,000 --> 00:00:01,000\nkonum yok\n\n")
    title, text = import_all(window, qtbot, answers, tmp_path / "yedek")
    assert "1 GPS izi üretildi." in text and "3 SRT dosyasında konum yok" in text
    log = window.sd_tab.tasks.log.toPlainText()
    assert log.count("[KONUM YOK]") == 3 and log.count("-> GPX Dönüştürüldü:") == 1


def test_a_pulled_card_is_named_and_nothing_is_reported_as_imported(window, qtbot, answers, sample_card, tmp_path):
    import shutil
    shutil.rmtree(sample_card)
    title, text = import_all(window, qtbot, answers, tmp_path / "yedek", kind="error")
    assert "Kart çıkarıldı" in text and "Hiçbir dosya kopyalanmadı" in text
    assert "tamamlandı" not in window.sd_tab.tasks.status.text()


def test_cancel_stops_inside_a_clip_and_leaves_no_partial_file(window, qtbot, answers, sample_card, tmp_path,
                                                               monkeypatch):
    video = os.path.join(sample_card, MEDIA, "DJI_0001.MP4")
    with open(video, "wb") as f:
        f.write(os.urandom(8 * 1024 * 1024))
    real = mediadesk.import_dji_file_sets
    seen = []

    def cancel_at_first_chunk(sets, dest, *args, progress, cancel):
        def step(done, total):
            seen.append((done, total))
            if len(seen) == 1:   # İptal is clicked on the GUI thread while the first chunk is copied
                QMetaObject.invokeMethod(window.sd_tab.tasks.btn_cancel, "click", Qt.QueuedConnection)
                deadline = time.monotonic() + 5
                while not window.sd_tab.tasks.thread.cancel_requested and time.monotonic() < deadline:
                    time.sleep(0.01)
            progress(done, total)
        return real(sets, dest, *args, progress=step, cancel=cancel)

    monkeypatch.setattr(mediadesk, "import_dji_file_sets", cancel_at_first_chunk)
    dest = tmp_path / "yedek"
    answers.folder = str(dest)
    window.sd_tab.btn_import.click()
    wait_idle(qtbot, window.sd_tab.tasks, timeout=60000)
    assert seen[0][1] > 8 * 1024 * 1024 and len(seen) < 4
    assert os.listdir(dest) == []
    log = window.sd_tab.tasks.log.toPlainText()
    assert "[İPTAL] İçe aktarılıyor kullanıcı tarafından durduruldu. 0 dosya tamamen kopyalandı" in log
    assert "iptal edildi" in window.sd_tab.tasks.status.text() and not answers.of("info")


@pytest.mark.parametrize("steps, shown", [
    ([(0.0, 0), (1.0, 50 * 2**20)], "50.0 MB / 200.0 MB kopyalandı — 50.0 MB/s — kalan ≈ 0:03"),
    ([(0.0, 0), (2.0, 2**30), (4.0, 2**30 + 20 * 2**20)], "— 10.0 MB/s — kalan ≈ 1:44:04"),
    ([(0.0, 0), (0.15, 2**20)], "1.0 MB / 200.0 MB kopyalandı"),
], ids=["steady", "slowed-down", "too-early-for-a-rate"])
def test_copy_progress_says_mb_per_second_and_time_left(steps, shown):
    reports, clock = [], [0.0]
    meter = CopyMeter(lambda done, total, text: reports.append(text), clock=lambda: clock[0])
    total = 200 * 2**20 if steps[-1][1] < 2**30 else 62 * 2**30
    for t, done in steps:
        clock[0] = t
        meter(done, total)
    assert shown in reports[-1] and ("MB/s" in shown) == ("MB/s" in reports[-1])

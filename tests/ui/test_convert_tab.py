"""The "Dönüştür" tab: batch conversion with the real converter."""
import os

import pytest

from trakvia import converter
from trakvia.ui import media_actions

from .ui_waits import wait_idle


@pytest.fixture
def srt_folder(tmp_path):
    folder = tmp_path / "girdi"
    folder.mkdir()
    converter.create_sample_srt_files(str(folder))
    return folder


def run(window, qtbot, source, output, formats=("gpx", "csv"), sample="1hz"):
    tab = window.convert_tab
    window.tabs.setCurrentWidget(tab)
    tab.txt_input.setText(str(source))
    tab.txt_output.setText(str(output))
    for key, box in tab.format_boxes.items():
        box.setChecked(key in formats)
    tab.cmb_sample.setCurrentIndex(tab.cmb_sample.findData(sample))
    tab.btn_start.click()
    wait_idle(qtbot, tab.tasks, timeout=60000)
    return tab.tasks.log.toPlainText()


def test_conversion_writes_the_chosen_formats_and_fills_the_log(window, qtbot, srt_folder, tmp_path):
    out = tmp_path / "cikti"
    inputs = media_actions.collect_inputs(str(srt_folder), str(out))
    log = run(window, qtbot, srt_folder, out)
    names = os.listdir(out)
    assert inputs and all(n.rsplit(".", 1)[1].lower() in ("gpx", "csv") for n in names)
    for path in inputs:
        stem = os.path.splitext(os.path.basename(path))[0]
        assert {f"{stem}.gpx", f"{stem}.csv"} <= set(names)
        assert f"[OK] {os.path.basename(path)} -> " in log
    assert " km/s, Güç: " in log and "km/sa" not in log   # the command line's own line
    assert f"Bitti: {len(inputs)} dosya dönüştürüldü, {2 * len(inputs)} çıktı yazıldı." in log
    assert window.convert_tab.tasks.progress.format() == "Tamamlandı"


def test_outputs_inside_the_input_folder_are_not_converted_again(window, qtbot, srt_folder):
    out = srt_folder / "Cikti_GPX"
    first = run(window, qtbot, srt_folder, out, formats=("gpx",))
    second = run(window, qtbot, srt_folder, out, formats=("gpx",))
    count = first.count("[OK]")
    assert count > 0 and second.count("[OK]") == 2 * count
    assert ".gpx ->" not in second


def test_a_bad_file_is_reported_and_the_batch_goes_on(window, qtbot, answers, srt_folder, tmp_path, monkeypatch):
    real = converter.convert_srt_file
    inputs = media_actions.collect_inputs(str(srt_folder), str(tmp_path / "cikti"))
    victim = os.path.basename(inputs[0])

    def failing_for_one(path, out, options):
        if os.path.basename(path) == victim:
            raise PermissionError(13, "Permission denied", path)
        return real(path, out, options)

    monkeypatch.setattr(converter, "convert_srt_file", failing_for_one)
    log = run(window, qtbot, srt_folder, tmp_path / "cikti")
    assert f"[HATA] {victim}: Bu işlem için erişim izni yok." in log
    assert log.count("[OK]") == len(inputs) - 1
    assert "1 dosya dönüştürülemedi" in answers.of("error")[0][2]


@pytest.mark.parametrize("source, formats, message", [
    ("yok", ("gpx",), "bulunamadı"),
    ("", ("gpx",), "seçin"),
    ("girdi", (), "biçimi"),
])
def test_missing_input_or_format_gives_a_clear_message(window, qtbot, answers, srt_folder, tmp_path,
                                                       source, formats, message):
    run(window, qtbot, tmp_path / source if source else "", tmp_path / "cikti", formats=formats)
    assert message in answers.of("error")[0][2]


def test_cancel_stops_between_files(window, qtbot, srt_folder, tmp_path, monkeypatch):
    tab = window.convert_tab
    real = converter.convert_srt_file

    def cancel_after_first(path, out, options):
        tab.tasks.thread.cancel()
        return real(path, out, options)

    monkeypatch.setattr(converter, "convert_srt_file", cancel_after_first)
    log = run(window, qtbot, srt_folder, tmp_path / "cikti")
    assert log.count("[OK]") == 1
    assert "[İPTAL]" in log


def test_a_video_or_telemetry_without_position_is_named_and_not_counted(window, qtbot, answers, tmp_path):
    (tmp_path / "DJI_0001.MP4").write_bytes(b"\x00\x00\x00\x18ftypmp42")
    (tmp_path / "DJI_0002.SRT").write_text("1\n00:00:00,000 --> 00:00:01,000\nkonum yok\n\n")
    window.convert_tab.set_input_files([str(tmp_path / "DJI_0001.MP4"), str(tmp_path / "DJI_0002.SRT")])
    log = run(window, qtbot, window.convert_tab.txt_input.text(), tmp_path / "cikti")
    assert "[OK]" not in log and "[ATLANDI] DJI_0001.MP4: telemetri dosyası değil" in log
    assert "[KONUM YOK] DJI_0002.SRT: Dosyada geçerli konum yok" in log
    assert answers.of("error")[0][2] == ("Bitti: 0 dosya dönüştürüldü, 0 çıktı yazıldı; 1 dosyada konum yok "
                                         "(çıktı yazılmadı); 1 dosya telemetri değil (atlandı).")


def test_a_cancel_too_late_for_the_last_file_says_it_completed(window, qtbot, srt_folder, tmp_path, monkeypatch):
    tab = window.convert_tab
    real = converter.convert_srt_file
    one = media_actions.collect_inputs(str(srt_folder), str(tmp_path / "cikti"))[0]

    def cancel_while_converting(path, out, options):
        tab.tasks.thread.cancel()
        return real(path, out, options)

    monkeypatch.setattr(converter, "convert_srt_file", cancel_while_converting)
    log = run(window, qtbot, one, tmp_path / "cikti")
    assert "[OK]" in log and "yarıda kesilemedi" in log and "[İPTAL]" not in log
    assert tab.tasks.status.text() == "Dönüştürülüyor: iptal edilemeden tamamlandı."

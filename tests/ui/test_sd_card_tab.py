"""The "SD kart" tab on a real sample card: listing, filters, clean-up, import."""
import os

import pytest
from PyQt5.QtCore import QItemSelectionModel, Qt

from trakvia import mediadesk

from .ui_waits import wait_idle


def table_indexes(tab):
    return [tab.table.item(r, 0).text() for r in range(tab.table.rowCount())]


def select_rows(tab, *rows):
    tab.table.clearSelection()
    model = tab.table.selectionModel()
    for r in rows:
        model.select(tab.table.model().index(r, 0), QItemSelectionModel.Select | QItemSelectionModel.Rows)


def test_table_lists_the_sets_of_the_card(window):
    tab = window.sd_tab
    assert table_indexes(tab) == ["0001", "0002", "0003", "0004"]
    row = [tab.table.item(0, c).text() for c in range(tab.table.columnCount())]
    assert row[2:6] == ["1", "1", "1", "0"]           # video, SRT, LRF, GPX counts
    assert row[7] == "46.0 KB"                         # the 47,104-byte LRF placeholder
    assert tab.lbl_resolved.text().endswith(os.path.join("DCIM", "DJI_001"))
    assert "Trakvia" in window.windowTitle()


@pytest.mark.parametrize("index_text, date_text, expected", [
    ("2-3", "", ["0002", "0003"]),
    ("4, 1", "", ["0001", "0004"]),
    ("", ">1w", []),                                   # the files were just written
    ("tümü", "<1d", ["0001", "0002", "0003", "0004"]),
])
def test_filters_narrow_the_table(window, qtbot, index_text, date_text, expected):
    tab = window.sd_tab
    tab.txt_index.setText(index_text)
    tab.txt_date.setText(date_text)
    qtbot.mouseClick(tab.btn_filter, Qt.LeftButton)
    wait_idle(qtbot, tab.tasks)
    assert table_indexes(tab) == expected
    if not expected:
        assert "bulunamadı" in tab.lbl_summary.text()


@pytest.mark.parametrize("target, suffix", [("lrf", ".LRF"), ("all", None)])
def test_cleanup_confirmation_lists_exactly_the_dry_run(window, qtbot, answers, sample_card, target, suffix):
    tab = window.sd_tab
    select_rows(tab, 1, 3)                             # sets 2 and 4
    tab.cmb_cleanup_type.setCurrentIndex(tab.cmb_cleanup_type.findData(target))
    expected = mediadesk.cleanup_dji_files(sample_card, target_type=target, index_filter="2,4", dry_run=True)
    tab.btn_cleanup.click()
    qtbot.waitUntil(lambda: bool(answers.of("confirm")), timeout=10000)
    wait_idle(qtbot, tab.tasks)
    (_, _title, message, paths), = answers.of("confirm")
    assert list(paths) == expected[2]
    assert f"{expected[0]} dosya" in message
    if suffix:
        assert all(p.endswith(suffix) for p in paths)
    assert not any(os.path.exists(p) for p in paths)   # confirmed, so deleted
    assert "[TEMİZLENDİ]" in tab.tasks.log.toPlainText()
    wait_idle(qtbot, tab.tasks)
    assert table_indexes(tab) == (["0001", "0002", "0003", "0004"] if target == "lrf" else ["0001", "0003"])


def test_a_locked_file_is_named_with_a_turkish_reason_and_the_summary_counts_the_rest(window, qtbot, answers,
                                                                                        sample_card, monkeypatch):
    import types
    real_os = mediadesk.os

    def remove(path):
        if os.path.basename(path) == "DJI_0002.LRF":
            raise PermissionError(13, "Permission denied", path)
        real_os.remove(path)

    monkeypatch.setattr(mediadesk, "os", types.SimpleNamespace(**{**vars(real_os), "remove": remove}))
    tab = window.sd_tab
    tab.btn_cleanup.click()
    qtbot.waitUntil(lambda: bool(answers.of("error")), timeout=10000)
    log = tab.tasks.log.toPlainText()
    locked = os.path.join(sample_card, "DCIM", "DJI_001", "DJI_0002.LRF")
    assert "[TEMİZLENDİ] Silinen LRF dosya sayısı: 3 | Kazanılan Alan: " in log
    assert f"Silinemedi, atlandı: {locked} (Bu işlem için erişim izni yok.)" in log and "Permission" not in log
    assert answers.of("error")[0][2].startswith("1 dosya silinemedi")


def test_cleanup_refused_or_dry_run_deletes_nothing(window, qtbot, answers, sample_card):
    tab = window.sd_tab
    before = sorted(os.listdir(os.path.join(sample_card, "DCIM", "DJI_001")))
    answers.confirm = False
    tab.btn_cleanup.click()                            # nothing selected: every listed set
    qtbot.waitUntil(lambda: bool(answers.of("confirm")), timeout=10000)
    wait_idle(qtbot, tab.tasks)
    assert len(answers.of("confirm")[0][3]) == 4
    tab.chk_dry_run.setChecked(True)
    tab.btn_cleanup.click()
    qtbot.waitUntil(lambda: bool(answers.of("path_list")), timeout=10000)
    assert len(answers.of("confirm")) == 1             # a dry run asks nothing
    assert len(answers.of("path_list")[0][3]) == 4
    assert "[DRY-RUN SİMÜLASYON] Silinen LRF dosya sayısı: 4" in tab.tasks.log.toPlainText()
    assert sorted(os.listdir(os.path.join(sample_card, "DCIM", "DJI_001"))) == before


def test_cleanup_deletes_nothing_when_the_card_changed_after_confirmation(window, qtbot, answers, sample_card,
                                                                          monkeypatch):
    tab = window.sd_tab
    extra = os.path.join(sample_card, "DCIM", "DJI_001", "DJI_0003_B.LRF")

    def confirm_and_change_card(*_args):
        with open(extra, "wb") as fh:
            fh.write(b"x")
        answers.calls.append(("confirm",) + _args[1:])
        return True

    from trakvia.ui import dialogs
    monkeypatch.setattr(dialogs, "confirm_deletion", confirm_and_change_card)
    tab.btn_cleanup.click()
    qtbot.waitUntil(lambda: bool(answers.of("error")), timeout=10000)
    assert "değişti" in answers.of("error")[0][2]
    assert len([n for n in os.listdir(os.path.dirname(extra)) if n.endswith(".LRF")]) == 5


def test_import_copies_the_selected_sets_and_makes_tracks(window, qtbot, answers, tmp_path):
    tab = window.sd_tab
    answers.folder = str(tmp_path / "yedek")
    select_rows(tab, 0)
    tab.btn_import.click()
    qtbot.waitUntil(lambda: bool(answers.of("info")), timeout=20000)
    names = sorted(os.listdir(answers.folder))
    assert "DJI_0001.MP4" in names and "DJI_0001.SRT" in names
    assert not any(n.startswith("DJI_0002") and n.endswith((".MP4", ".SRT")) for n in names)
    assert any(n.lower().endswith(".gpx") for n in names)
    log = tab.tasks.log.toPlainText()
    assert f"[İÇE AKTARILDI] 2 dosya '{answers.folder}' klasörüne kopyalandı." in log
    assert "-> GPX Dönüştürüldü:" in log


def test_convert_button_hands_the_srt_files_to_the_convert_tab(window, qtbot):
    tab = window.sd_tab
    select_rows(tab, 2)
    tab.btn_convert.click()
    assert window.tabs.currentWidget() is window.convert_tab
    wait_idle(qtbot, window.convert_tab.tasks)
    assert "[OK] DJI_0003.SRT" in window.convert_tab.tasks.log.toPlainText()


def test_hud_button_previews_the_selected_set(window, qtbot):
    select_rows(window.sd_tab, 1)
    window.sd_tab.btn_hud.click()
    assert window.tabs.currentWidget() is window.hud_tab
    wait_idle(qtbot, window.hud_tab.tasks)
    assert window.hud_tab.txt_file.text().endswith("DJI_0002.SRT")
    assert len(window.hud_tab.track) > 10


def stamp_set(card, index, when):
    """Gives every file of one set of the sample card the modification time `when`."""
    media = os.path.join(card, "DCIM", "DJI_001")
    for name in os.listdir(media):
        if name.startswith(f"DJI_{index:04d}"):
            os.utime(os.path.join(media, name), (when.timestamp(), when.timestamp()))


@pytest.mark.parametrize("box, typed, reason", [
    ("date", "7d", "Başına < ya da > koyun"),
    ("date", "<2g", "Birim anlaşılmadı"),
    ("date", "31.02.2026", "Takvimde böyle bir gün yok"),
    ("index", "abc", "okunamayan: \"abc\""),
])
def test_an_unusable_filter_is_marked_and_stops_the_actions(window, qtbot, box, typed, reason):
    tab = window.sd_tab
    qtbot.keyClicks(tab.txt_date if box == "date" else tab.txt_index, typed)
    assert reason in tab.filter_bar.lbl_problem.text() and tab.filter_bar.lbl_problem.isVisible()
    assert not tab.btn_cleanup.isEnabled() and not tab.btn_import.isEnabled()
    qtbot.wait(700)                                    # longer than the pause before a usable text applies
    wait_idle(qtbot, tab.tasks)
    assert table_indexes(tab) == ["0001", "0002", "0003", "0004"]


def test_turkish_date_order_and_typed_filters_apply_by_themselves(window, qtbot, sample_card):
    from datetime import datetime
    stamp_set(sample_card, 2, datetime(2026, 12, 7, 15, 30))
    tab = window.sd_tab
    tab.refresh()
    wait_idle(qtbot, tab.tasks)
    qtbot.keyClicks(tab.txt_date, "07.12.2026")        # no Filtrele, no Enter
    qtbot.waitUntil(lambda: table_indexes(tab) == ["0002"], timeout=5000)
    assert tab.btn_cleanup.isEnabled()


def test_actions_take_the_sets_the_table_shows_not_the_typed_filter(window, qtbot, answers):
    tab = window.sd_tab
    tab.chk_dry_run.setChecked(True)
    tab.filter_bar._timer.setInterval(10_000)          # the typed filter is not applied yet
    qtbot.keyClicks(tab.txt_date, ">1w")               # would keep none of the just-written sets
    assert table_indexes(tab) == ["0001", "0002", "0003", "0004"]
    tab.btn_cleanup.click()
    qtbot.waitUntil(lambda: bool(answers.of("path_list")), timeout=10000)
    assert len(answers.of("path_list")[0][3]) == 4      # the four LRF files of the four listed sets

"""Cards found by themselves (a real card folder mounted through the watcher's volume list) and
what the window remembers between sessions."""
import os
import shutil

from trakvia import mediadesk

from .ui_waits import wait_idle


def make_card(tmp_path, name):
    (tmp_path / name).mkdir()
    return mediadesk.create_sample_dji_sdcard_structure(str(tmp_path / name))


def test_a_card_is_found_selected_and_its_removal_said(open_window, qtbot, answers, tmp_path, mounted_volumes):
    workspace = tmp_path / "ws"
    workspace.mkdir()
    win = open_window(str(workspace))
    tab = win.sd_tab
    assert tab.table.rowCount() == 0

    card = make_card(tmp_path, "kart")
    mounted_volumes.append(card)                       # the card reader is plugged in: the timed look finds it
    qtbot.waitUntil(lambda: tab.folder == card and tab.table.rowCount() == 4, timeout=6000)
    assert "boş)" in tab.cmb_folder.currentText()      # listed with its free space
    assert "Kart takıldı" in tab.tasks.log.toPlainText()

    mounted_volumes.clear()                            # ... and pulled out again
    shutil.rmtree(card)
    tab.cards.poll()                                   # as "Yenile" does
    qtbot.waitUntil(lambda: tab.lbl_summary.text().startswith("Kart çıkarıldı"), timeout=6000)
    assert tab.table.rowCount() == 0 and tab.sets == []
    tab.btn_refresh.click()                            # Yenile does not pretend the folder is empty
    assert tab.lbl_summary.text().startswith("Kart çıkarıldı")
    tab.btn_import.click()                             # nor does an action on the empty table
    assert answers.of("error")[-1][2].startswith("Kart çıkarıldı")


def test_a_card_present_at_start_is_chosen(open_window, qtbot, tmp_path, mounted_volumes):
    card = make_card(tmp_path, "kart")
    mounted_volumes.append(card)
    win = open_window(str(tmp_path))
    assert win.sd_tab.folder == card and win.sd_tab.table.rowCount() == 4


def test_the_window_remembers_folders_theme_and_sampling(open_window, qtbot, answers, tmp_path, sample_card,
                                                        private_settings):
    win = open_window(str(tmp_path))
    win.sd_tab.set_folder(sample_card)
    win.sd_tab.refresh()
    wait_idle(qtbot, win.sd_tab.tasks)
    win.convert_tab.cmb_sample.setCurrentIndex(win.convert_tab.cmb_sample.findData("5s"))
    win.convert_tab.txt_output.setText(str(tmp_path / "izler"))
    win.convert_tab.txt_output.editingFinished.emit()
    win.cmb_hud_theme.setCurrentIndex(2)
    theme = win.cmb_hud_theme.currentText()
    answers.folder = str(tmp_path / "yedek")
    win.sd_tab.btn_import.click()
    qtbot.waitUntil(lambda: bool(answers.of("info")), timeout=20000)
    win.close()
    assert os.listdir(private_settings)                # written to the test's folder only

    again = open_window(str(tmp_path))
    assert again.sd_tab.folder == sample_card and again.sd_tab.table.rowCount() == 4
    assert again.convert_tab.cmb_sample.currentData() == "5s"
    assert again.convert_tab.txt_output.text() == str(tmp_path / "izler")
    assert again.cmb_hud_theme.currentText() == theme
    again.sd_tab.btn_import.click()
    assert answers.of("folder")[-1][2] == str(tmp_path / "yedek")   # the dialog starts at the last destination
    wait_idle(qtbot, again.sd_tab.tasks)
    again.close()


def test_a_slow_volume_does_not_hold_up_the_window(qtbot, monkeypatch, tmp_path):
    # A disconnected network drive can take many seconds to answer whether it is ready.
    import time
    from trakvia.ui import TrakviaMainWindow, card_watcher
    card = make_card(tmp_path, "kart")

    def slow_volumes():
        time.sleep(2)
        return [card]

    monkeypatch.setattr(card_watcher, "mounted_volume_roots", slow_volumes)
    started = time.monotonic()
    win = TrakviaMainWindow(base_dir=str(tmp_path))
    qtbot.addWidget(win)
    assert time.monotonic() - started < 1.5
    qtbot.waitUntil(lambda: win.sd_tab.folder == card, timeout=6000)   # chosen once the look returns
    wait_idle(qtbot, win.sd_tab.tasks)
    assert win.sd_tab.table.rowCount() == 4
    win.close()

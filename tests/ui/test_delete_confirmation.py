"""The deletion confirmation driven by real key presses: Enter and Escape never delete."""
import os

import pytest
from PyQt5.QtCore import Qt, QTimer
from PyQt5.QtWidgets import QApplication

from trakvia.ui import dialogs

from .ui_waits import wait_idle

REAL_CONFIRM = dialogs.confirm_deletion   # taken before the answers fixture stands in for it


def press(widget, key, modifier=Qt.NoModifier):
    from PyQt5.QtTest import QTest
    QTest.keyClick(widget, key, modifier)


SCRIPTS = {
    # Enter where the focus starts, then Escape: the dialog stays up after Enter, Escape refuses.
    "enter_then_escape": lambda d: [press(d.focusWidget() or d, Qt.Key_Return), press(d.list, Qt.Key_Enter),
                                    press(d, Qt.Key_Escape)],
    # Enter with the focus on "Sil" itself, then the refusal button.
    "enter_on_sil": lambda d: [d.btn_accept.setFocus(), press(d.btn_accept, Qt.Key_Return),
                               press(d.btn_accept, Qt.Key_Enter), d.btn_cancel.click()],
    "click_on_sil": lambda d: d.btn_accept.click(),
}


@pytest.mark.parametrize("script, deletes", [("enter_then_escape", False), ("enter_on_sil", False),
                                             ("click_on_sil", True)])
def test_only_an_explicit_click_deletes(window, qtbot, answers, monkeypatch, sample_card, script, deletes):
    monkeypatch.setattr(dialogs, "confirm_deletion", REAL_CONFIRM)
    tab = window.sd_tab
    tab.cmb_cleanup_type.setCurrentIndex(tab.cmb_cleanup_type.findData("all"))   # "Hepsi", nothing selected
    media = os.path.join(sample_card, "DCIM", "DJI_001")
    before = sorted(os.listdir(media))
    seen = []

    def drive():
        dialog = QApplication.activeModalWidget()
        if not isinstance(dialog, dialogs.PathListDialog):
            QTimer.singleShot(20, drive)
            return
        seen.append(dialog.list.count())
        try:
            SCRIPTS[script](dialog)
        finally:
            seen.append(dialog.isVisible())
            if dialog.isVisible():      # a script that left it open must not hang the test
                dialog.reject()

    QTimer.singleShot(20, drive)
    tab.btn_cleanup.click()
    qtbot.waitUntil(lambda: len(seen) == 2, timeout=10000)
    wait_idle(qtbot, tab.tasks)
    assert seen[0] == 12                  # every file of the four sets is listed
    assert seen[1] is False               # the dialog has closed
    left = sorted(os.listdir(media))
    assert left == ([] if deletes else before)
    log = tab.tasks.log.toPlainText()
    assert ("[TEMİZLENDİ]" in log) == deletes
    assert ("hiçbir dosya silinmedi" in log) == (not deletes)

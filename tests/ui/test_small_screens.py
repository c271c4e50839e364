"""The window on small screens: 1024×600 and 1366×768 at 150 % scaling, with the program's font.

Each case saves an image of every tab into $TRAKVIA_UI_SHOTS (or the test's folder) to be
looked at; the assertions check what a pilot needs: the window fits and the table shows at
least eight rows with the date column whole."""
import os
import subprocess
import sys

import pytest
from PyQt5.QtGui import QFont
from PyQt5.QtWidgets import QApplication

# Client areas left under the title bar: 1024×600 less the taskbar, and 1366×768 at 150 %.
SCREENS = {"1024x600": (1024, 500), "1366x768_150": (910, 480)}


def shot_dir(tmp_path, name):
    folder = os.path.join(os.environ.get("TRAKVIA_UI_SHOTS") or str(tmp_path), name)
    os.makedirs(folder, exist_ok=True)
    return folder


def fit_and_grab(app, win, width, height, folder):
    """Resizes the window, saves every tab and returns (window height, table rows in view, date cut)."""
    win.resize(width, height)
    for index in range(win.tabs.count()):
        win.tabs.setCurrentIndex(index)
        app.processEvents()
        win.grab().save(os.path.join(folder, f"tab_{index + 1}.png"))
    win.tabs.setCurrentIndex(0)
    app.processEvents()
    table = win.sd_tab.table
    rows = table.viewport().height() // table.verticalHeader().defaultSectionSize()
    date_text = table.item(0, 1).text()
    date_cut = table.columnWidth(1) < table.fontMetrics().horizontalAdvance(date_text) + 4
    return win.height(), rows, date_cut


@pytest.fixture
def program_font(qapp):
    before = qapp.font()
    qapp.setFont(QFont("Roboto", 10, QFont.Bold))   # as the desktop start-up sets it
    yield
    qapp.setFont(before)


@pytest.mark.parametrize("screen", SCREENS)
def test_the_window_fits_with_eight_rows(program_font, open_window, sample_card, tmp_path, screen, monkeypatch):
    width, height = SCREENS[screen]
    # The window sizes itself (and opens or folds its log) by the screen it starts on: this one,
    # not the test machine's, whatever its size.
    from PyQt5.QtCore import QRect
    from trakvia.ui import main_window
    monkeypatch.setattr(main_window.TrakviaMainWindow, "_available_geometry",
                        staticmethod(lambda: QRect(0, 0, width, height + 40)))
    win = open_window(sample_card)
    win_height, rows, date_cut = fit_and_grab(QApplication.instance(), win, width, height,
                                              shot_dir(tmp_path, screen))
    assert win.minimumSizeHint().height() <= height and win_height == height
    assert rows >= 8 and not date_cut


SCALED = r"""
import os, sys, tempfile
from PyQt5.QtCore import QSettings
from PyQt5.QtGui import QFont
from PyQt5.QtWidgets import QApplication
app = QApplication(sys.argv)
app.setFont(QFont("Roboto", 10, QFont.Bold))
QSettings.setPath(QSettings.IniFormat, QSettings.UserScope, tempfile.mkdtemp())
from trakvia import mediadesk
from trakvia.ui import TrakviaMainWindow
sys.path.insert(0, os.environ["TEST_DIR"])
from test_small_screens import fit_and_grab
win = TrakviaMainWindow(base_dir=mediadesk.create_sample_dji_sdcard_structure(tempfile.mkdtemp()))
win.show()
while win.sd_tab.tasks.is_busy() or win.hud_tab.tasks.is_busy():
    app.processEvents()
print(*fit_and_grab(app, win, 910, 480, os.environ["SHOTS"]), app.devicePixelRatio())
win.close()
"""


def test_at_150_percent_scaling(bundle_dir, tmp_path):
    folder = shot_dir(tmp_path, "1366x768_150_olcekli")
    env = dict(os.environ, PYTHONPATH=str(bundle_dir), QT_QPA_PLATFORM="offscreen", QT_SCALE_FACTOR="1.5",
               SHOTS=folder, TEST_DIR=os.path.dirname(__file__))
    out = subprocess.run([sys.executable, "-c", SCALED], cwd=tmp_path, env=env, capture_output=True, text=True,
                         timeout=60)
    assert out.returncode == 0, out.stderr
    height, rows, date_cut, ratio = out.stdout.split()
    assert (int(height), ratio, date_cut) == (480, "1.5", "False") and int(rows) >= 8

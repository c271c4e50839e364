"""The desktop branch of trakvia_app.main() end to end, in a subprocess: screenshot mode and
the choice of the workspace folder."""
import ast
import os
import subprocess
import sys

import pytest

SHOTS = ["tab_1.png", "tab_2.png", "tab_2_theme_f1.png", "tab_2_theme_garmin.png",
         "tab_2_theme_clean_white.png", "tab_3.png"]

# Runs main() after optional patches: the main window records its workspace folder, os.access
# denies writing to the folders in DENY_WRITE, and FAKE swaps in a one- or three-tab stand-in.
PRELUDE = r"""
import os, sys
import trakvia.ui as ui
from PyQt5.QtCore import QThread
from PyQt5.QtWidgets import QComboBox, QMainWindow, QTabWidget, QLabel

class OneTab(QMainWindow):
    def __init__(self, base_dir):
        super().__init__()
        self.tabs = QTabWidget()
        self.tabs.addTab(QLabel("tek"), "Tek")
        self.setCentralWidget(self.tabs)
        self.setWindowTitle("Trakvia")

class Worker(QThread):
    done = False
    def run(self):
        self.msleep(1200)
        Worker.done = True

class ThreeTabs(OneTab):
    # records (tab, theme, worker finished) at every grab
    def __init__(self, base_dir):
        super().__init__(base_dir)
        for name in ("İki", "Üç"):
            self.tabs.addTab(QLabel(name), name)
        self.cmb_hud_theme = QComboBox()
        self.cmb_hud_theme.addItems([str(i) for i in range(6)])
        self._preview_worker = Worker()
        self._preview_worker.start()
    def grab(self):
        with open(os.environ["RECORD"] + ".grabs", "a") as fh:
            fh.write(f"{self.tabs.currentIndex()} {self.cmb_hud_theme.currentIndex()} {Worker.done}\n")
        return super().grab()

real = {"one": OneTab, "three": ThreeTabs}.get(os.environ.get("FAKE"), ui.TrakviaMainWindow)

class Recording(real):
    def __init__(self, base_dir):
        with open(os.environ["RECORD"], "w", encoding="utf-8") as fh:
            fh.write(base_dir)
        from PyQt5.QtWidgets import QApplication
        app = QApplication.instance()
        font = app.font()
        with open(os.environ["RECORD"] + ".app", "w", encoding="utf-8") as fh:
            fh.write(repr((app.applicationName(), app.applicationDisplayName(), app.desktopFileName(),
                           app.applicationVersion(), app.windowIcon().isNull(),
                           font.family(), font.pointSize(), font.bold(), app.arguments()[1:])))
        super().__init__(base_dir=base_dir)

ui.TrakviaMainWindow = Recording
deny = [p for p in os.environ.get("DENY_WRITE", "").split(os.pathsep) if p]
if deny:
    real_access = os.access
    os.access = lambda p, mode, **kw: False if os.path.abspath(p) in deny else real_access(p, mode, **kw)
import trakvia_app
sys.exit(trakvia_app.main())
"""


def run_desktop(bundle_dir, tmp_path, home, cwd, shot_dir="shots", **env_extra):
    env = dict(os.environ, PYTHONPATH=str(bundle_dir), HOME=str(home), QT_QPA_PLATFORM="offscreen",
               XDG_CONFIG_HOME=str(tmp_path / "ayarlar"), RECORD=str(tmp_path / "base_dir.txt"), **env_extra)
    env["USERPROFILE"] = str(home)   # where "~" leads on Windows
    proc = subprocess.run([sys.executable, "-c", PRELUDE, "--screenshot-dir", shot_dir], cwd=cwd, env=env,
                          capture_output=True, text=True, timeout=90)
    base_dir = (tmp_path / "base_dir.txt").read_text(encoding="utf-8") if (tmp_path / "base_dir.txt").exists() else None
    return proc, base_dir


@pytest.fixture
def dirs(tmp_path):
    home, cwd = tmp_path / "home", tmp_path / "program"
    home.mkdir()
    cwd.mkdir()
    return home, cwd


def test_screenshot_mode_writes_every_tab_and_three_themes_then_exits(bundle_dir, tmp_path, dirs):
    home, cwd = dirs
    workspace = home / "Desktop" / "trakvia_app"
    workspace.mkdir(parents=True)
    from trakvia import mediadesk
    mediadesk.create_sample_dji_sdcard_structure(str(workspace))

    proc, base_dir = run_desktop(bundle_dir, tmp_path, home, cwd)
    assert proc.returncode == 0, proc.stderr
    assert os.path.normpath(base_dir) == str(workspace)   # Windows expands "~/Desktop/..." with mixed separators
    import trakvia
    identity = ast.literal_eval((tmp_path / "base_dir.txt.app").read_text(encoding="utf-8"))
    assert identity == ("trakvia-app", trakvia.R27_APP_NAME_TR, "trakvia-app", trakvia.R27_APP_VERSION,
                        False, "Roboto", 10, True, ["--screenshot-dir", "shots"])
    shots = cwd / "shots"                                  # relative to the current directory
    assert sorted(os.listdir(shots)) == sorted(SHOTS)
    times = [(shots / name).stat().st_mtime_ns for name in SHOTS]
    assert times == sorted(times)
    themes = [(shots / name).read_bytes() for name in SHOTS[2:5]]
    assert len(set(themes)) == 3
    assert (shots / "tab_1.png").read_bytes() != (shots / "tab_3.png").read_bytes()


def test_a_one_tab_window_gives_one_image(bundle_dir, tmp_path, dirs):
    home, cwd = dirs
    proc, _ = run_desktop(bundle_dir, tmp_path, home, cwd, shot_dir=str(tmp_path / "a" / "b"), FAKE="one")
    assert proc.returncode == 0, proc.stderr
    assert os.listdir(tmp_path / "a" / "b") == ["tab_1.png"]


def test_capture_waits_for_the_preview_worker_and_restores_the_theme(bundle_dir, tmp_path, dirs):
    home, cwd = dirs
    proc, _ = run_desktop(bundle_dir, tmp_path, home, cwd, FAKE="three")
    assert proc.returncode == 0, proc.stderr
    grabs = (tmp_path / "base_dir.txt.grabs").read_text().split("\n")[:-1]
    assert grabs == ["0 0 True", "1 0 True", "1 1 True", "1 2 True", "1 5 True", "2 0 True"]
    assert sorted(os.listdir(cwd / "shots")) == sorted(SHOTS)


@pytest.mark.parametrize("desktop, deny, expected", [
    ("folder", "", "desktop"),
    ("", "", "program"),
    ("file", "", "program"),                              # a file of that name counts as absent
    ("folder", "desktop", "program"),                     # so does a folder we may not write to
    ("", "program", "home"),
])
def test_workspace_folder_choice(bundle_dir, tmp_path, dirs, desktop, deny, expected):
    home, cwd = dirs
    desktop_proj = home / "Desktop" / "trakvia_app"
    if desktop:
        desktop_proj.parent.mkdir()
        desktop_proj.mkdir() if desktop == "folder" else desktop_proj.write_text("x")
    home = home / "yok" / "ev" if expected == "home" else home   # missing parents are created
    denied = {"desktop": str(desktop_proj), "program": str(cwd), "": ""}[deny]
    before = sorted(p.name for p in tmp_path.rglob("*"))

    proc, base_dir = run_desktop(bundle_dir, tmp_path, home, cwd, FAKE="one", DENY_WRITE=denied)
    assert proc.returncode == 0, proc.stderr
    want = {"desktop": desktop_proj, "program": cwd, "home": home / "Trakvia_Calisma_Alani"}[expected]
    assert os.path.normpath(base_dir) == str(want)
    assert os.path.isdir(want)
    created = sorted(set(p.name for p in tmp_path.rglob("*")) - set(before))
    extra = {"home": ["Trakvia_Calisma_Alani", "ev", "yok"]}.get(expected, [])
    assert created == sorted(["base_dir.txt", "base_dir.txt.app", "shots", "tab_1.png"] + extra)

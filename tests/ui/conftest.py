"""Fixtures of the desktop tests: a sample card, the window on it, and answered dialogs."""
import pytest

pytest.importorskip("PyQt5")

from trakvia import mediadesk  # noqa: E402
from trakvia.ui import dialogs  # noqa: E402
from .ui_waits import wait_idle  # noqa: E402


class DialogAnswers:
    """Stands in for every dialog of the window: records what was shown, answers as told."""

    def __init__(self):
        self.calls = []
        self.confirm = True
        self.folder = ""
        self.file = ""

    def of(self, kind):
        return [c for c in self.calls if c[0] == kind]

    def install(self, monkeypatch):
        def record(kind, result=None):
            def fake(_parent, *args):
                self.calls.append((kind,) + args)
                return result() if callable(result) else result
            return fake

        monkeypatch.setattr(dialogs, "show_error", record("error"))
        monkeypatch.setattr(dialogs, "show_info", record("info"))
        monkeypatch.setattr(dialogs, "show_path_list", record("path_list"))
        monkeypatch.setattr(dialogs, "confirm_deletion", record("confirm", lambda: self.confirm))
        monkeypatch.setattr(dialogs, "choose_folder", record("folder", lambda: self.folder))
        monkeypatch.setattr(dialogs, "choose_file", record("file", lambda: self.file))


@pytest.fixture(autouse=True)
def private_settings(tmp_path):
    """The window's QSettings go to the test's own folder, never the user's."""
    from PyQt5.QtCore import QSettings
    folder = tmp_path / "ayarlar"
    QSettings.setPath(QSettings.IniFormat, QSettings.UserScope, str(folder))
    return folder


@pytest.fixture(autouse=True)
def mounted_volumes(monkeypatch):
    """The volumes the card watcher sees: none, unless a test mounts a folder by appending it."""
    from trakvia.ui import card_watcher
    volumes = []
    monkeypatch.setattr(card_watcher, "mounted_volume_roots", lambda: list(volumes))
    return volumes


@pytest.fixture
def answers(monkeypatch):
    a = DialogAnswers()
    a.install(monkeypatch)
    return a


@pytest.fixture
def sample_card(tmp_path):
    """A sample DJI card (four sets) under tmp_path/ws; returns the card root."""
    ws = tmp_path / "ws"
    ws.mkdir()
    return mediadesk.create_sample_dji_sdcard_structure(str(ws))


@pytest.fixture
def open_window(qtbot, answers):
    """Opens the main window on a workspace folder and waits until its start-up work is done."""
    from trakvia.ui import TrakviaMainWindow

    opened_windows = []   # held until closed: a window freed unclosed takes its running threads down

    def opened(base_dir):
        win = TrakviaMainWindow(base_dir=str(base_dir))
        qtbot.addWidget(win)
        opened_windows.append(win)
        win.show()
        qtbot.waitUntil(lambda: win.sd_tab.cards.is_ready)   # the first look for cards, off the GUI thread
        wait_idle(qtbot, win.sd_tab.tasks)
        wait_idle(qtbot, win.hud_tab.tasks)
        return win
    yield opened
    for win in opened_windows:
        win.close()


@pytest.fixture
def window(open_window, sample_card):
    return open_window(sample_card)

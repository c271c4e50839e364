"""The main window: the three tabs, the status bar and the hand-over between tabs."""
import os

from PyQt5.QtWidgets import QLabel, QMainWindow, QTabWidget

from .convert_tab import ConvertTab
from .hud_preview_tab import HudPreviewTab
from .sd_card_tab import SdCardTab


def _window_title() -> str:
    try:
        from trakvia import R27_APP_NAME_TR as name, R27_APP_VERSION as version
    except ImportError:
        name, version = "Trakvia", ""
    if "Trakvia" not in name:   # a running copy is found by this word in the title
        name = f"Trakvia — {name}"
    return f"{name} v{version}" if version else name


# Roomier buttons and tabs than the platform default, so bold labels never touch the edges.
_STYLE = """
QPushButton { padding: 5px 14px; }
QTabBar::tab { padding: 6px 18px; }
QPushButton#primary { background: #1f6fd1; color: white; border: 1px solid #1a5fb4; border-radius: 3px; }
QPushButton#primary:disabled { background: #9bb8de; }
"""


class TrakviaMainWindow(QMainWindow):
    def __init__(self, base_dir: str, parent=None):
        super().__init__(parent)
        self.base_dir = os.path.abspath(base_dir)
        self.setWindowTitle(_window_title())
        self.resize(1200, 800)
        self.tabs = QTabWidget()
        self.sd_tab = SdCardTab(self.base_dir)
        self.hud_tab = HudPreviewTab(self.base_dir)
        self.convert_tab = ConvertTab(self.base_dir)
        self.tabs.addTab(self.sd_tab, "SD kart")
        self.tabs.addTab(self.hud_tab, "HUD önizleme")
        self.tabs.addTab(self.convert_tab, "Dönüştür")
        self.setCentralWidget(self.tabs)
        self.setStyleSheet(_STYLE)
        self.cmb_hud_theme = self.hud_tab.cmb_theme
        self.lbl_workspace = QLabel(f"Çalışma klasörü: {self.base_dir}")
        self.statusBar().addWidget(self.lbl_workspace, 1)
        self._connect_signals()
        self.sd_tab.refresh()
        self.hud_tab.load_sample()

    @property
    def _preview_worker(self):
        """The HUD tab's busy thread (track loader or frame renderer); waited for by screenshots."""
        return self.hud_tab.busy_thread()

    def _connect_signals(self) -> None:
        self.sd_tab.convert_requested.connect(self._on_convert_requested)
        self.sd_tab.hud_requested.connect(self._on_hud_requested)

    def _on_convert_requested(self, paths: list) -> None:
        self.convert_tab.set_input_files(paths)
        self.tabs.setCurrentWidget(self.convert_tab)
        self.convert_tab.start_conversion()

    def _on_hud_requested(self, path: str) -> None:
        self.tabs.setCurrentWidget(self.hud_tab)
        self.hud_tab.load_file(path)

    def closeEvent(self, event) -> None:
        for panel in (self.sd_tab.tasks, self.convert_tab.tasks):
            panel.stop()
        self.hud_tab.shutdown()
        super().closeEvent(event)

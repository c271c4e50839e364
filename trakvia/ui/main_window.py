"""The main window: the three tabs, its size on the screen, and the hand-over between tabs."""
import os

from PyQt5.QtWidgets import QApplication, QMainWindow, QTabWidget

from .convert_tab import ConvertTab
from .hud_preview_tab import HudPreviewTab
from .sd_card_tab import SdCardTab
from .settings import WindowSettings

# The window's size on a roomy screen; smaller screens get what they have.
_PREFERRED_WIDTH, _PREFERRED_HEIGHT = 1200, 800
# Below this available height the SD card tab's log starts folded, so its table keeps eight rows or more.
_ROOMY_HEIGHT = 760


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
QTabBar::tab { padding: 4px 18px; }
QPushButton#primary { background: #1f6fd1; color: white; border: 1px solid #1a5fb4; border-radius: 3px; }
QPushButton#primary:disabled { background: #9bb8de; }
"""


class TrakviaMainWindow(QMainWindow):
    def __init__(self, base_dir: str, parent=None):
        super().__init__(parent)
        self.base_dir = os.path.abspath(base_dir)
        self.settings = WindowSettings()
        self.setWindowTitle(_window_title())
        available = self._available_geometry()
        roomy = available is None or available.height() >= _ROOMY_HEIGHT
        self.tabs = QTabWidget()
        self.sd_tab = SdCardTab(self.base_dir, self.settings, log_open=roomy)
        self.hud_tab = HudPreviewTab(self.base_dir)
        self.convert_tab = ConvertTab(self.base_dir, self.settings)
        self.tabs.addTab(self.sd_tab, "SD kart")
        self.tabs.addTab(self.hud_tab, "HUD önizleme")
        self.tabs.addTab(self.convert_tab, "Dönüştür")
        self.setCentralWidget(self.tabs)
        self.setStyleSheet(_STYLE)
        self.cmb_hud_theme = self.hud_tab.cmb_theme
        self._restore_theme()
        self._fit_to_screen(available)
        self._connect_signals()
        self.sd_tab.refresh()
        self.hud_tab.load_sample()

    @property
    def _preview_worker(self):
        """The HUD tab's busy thread (track loader or frame renderer); waited for by screenshots."""
        return self.hud_tab.busy_thread()

    @staticmethod
    def _available_geometry():
        screen = QApplication.primaryScreen()
        return screen.availableGeometry() if screen is not None else None

    def _fit_to_screen(self, available) -> None:
        """The preferred size, shrunk to the screen's free area (taskbar and frame left out)."""
        if available is None:
            self.resize(_PREFERRED_WIDTH, _PREFERRED_HEIGHT)
            return
        frame = 40   # title bar and borders, which resize() does not count
        width = min(_PREFERRED_WIDTH, available.width() - 16)
        height = min(_PREFERRED_HEIGHT, available.height() - frame)
        self.resize(width, height)
        self.move(available.x() + (available.width() - width) // 2,
                  available.y() + max(0, (available.height() - height - frame) // 2))

    def _restore_theme(self) -> None:
        index = self.cmb_hud_theme.findText(self.settings.text(WindowSettings.HUD_THEME))
        if index >= 0:
            self.cmb_hud_theme.setCurrentIndex(index)

    def _on_theme_changed(self, _index: int) -> None:
        self.settings.set_text(WindowSettings.HUD_THEME, self.cmb_hud_theme.currentText())

    def _connect_signals(self) -> None:
        self.cmb_hud_theme.currentIndexChanged.connect(self._on_theme_changed)
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
        self.sd_tab.cards.stop()
        for panel in (self.sd_tab.tasks, self.convert_tab.tasks):
            panel.stop()
        self.settings.sync()
        self.hud_tab.shutdown()
        super().closeEvent(event)

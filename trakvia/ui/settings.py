"""What the window remembers between sessions: the last card folder, the import destination,
the output folder, the HUD theme and the sampling mode.

Kept with QSettings in an INI file in the user's settings folder (%APPDATA%\\Trakvia on Windows,
~/.config/Trakvia on Linux); tests point QSettings.setPath at a folder of their own."""
from PyQt5.QtCore import QSettings

_ORGANIZATION = "Trakvia"
_APPLICATION = "Trakvia"


class WindowSettings:
    """Typed access to the remembered values; a missing or damaged value reads as ""."""

    CARD_FOLDER = "sd_kart/son_klasor"
    IMPORT_DESTINATION = "sd_kart/ice_aktarma_hedefi"
    OUTPUT_FOLDER = "donustur/cikti_klasoru"
    SAMPLE_MODE = "donustur/ornekleme"
    HUD_THEME = "hud/tema"

    def __init__(self):
        self._store = QSettings(QSettings.IniFormat, QSettings.UserScope, _ORGANIZATION, _APPLICATION)

    def text(self, key: str) -> str:
        value = self._store.value(key, "")
        return value if isinstance(value, str) else ""

    def set_text(self, key: str, value: str) -> None:
        self._store.setValue(key, value)

    def sync(self) -> None:
        self._store.sync()

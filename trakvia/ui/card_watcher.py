"""Finds camera cards by itself: mounted volumes with a DCIM folder, polled on a timer.

Polling QStorageInfo works the same for Windows drive letters and Linux mount points, and a
card reader that is plugged in while the window is open shows up within one interval. The timed
look runs off the GUI thread, the first one and "Yenile"'s included: asking a disconnected
network drive whether it is ready can take seconds, and the window must not freeze meanwhile."""
import os
from dataclasses import dataclass
from typing import Dict, List

from PyQt5.QtCore import QObject, QStorageInfo, QThread, QTimer, pyqtSignal

from .formatting import format_size

POLL_INTERVAL_MS = 2000


@dataclass(frozen=True)
class CardInfo:
    root: str          # the volume's root folder ("E:/", "/media/pilot/DJI_KART")
    label: str         # the volume label, or "" when the card has none
    free_bytes: int

    def name(self) -> str:
        """The card as a pilot recognises it: root and label."""
        return f"{self.root} — {self.label}" if self.label else self.root

    def title(self) -> str:
        """How the card is listed in the folder box: name and free space."""
        return f"{self.name()} ({format_size(self.free_bytes)} boş)"

    def holds(self, folder: str) -> bool:
        """Whether `folder` lies on this card."""
        root = os.path.normcase(os.path.abspath(self.root))
        path = os.path.normcase(os.path.abspath(folder))
        return path == root or path.startswith(root.rstrip(os.sep) + os.sep)


def mounted_volume_roots() -> List[str]:
    """Root folders of the mounted, ready volumes."""
    return [v.rootPath() for v in QStorageInfo.mountedVolumes() if v.isValid() and v.isReady()]


def find_cards() -> List[CardInfo]:
    """The mounted volumes that look like camera cards (a DCIM folder at their root)."""
    cards = []
    for root in mounted_volume_roots():
        if os.path.isdir(os.path.join(root, "DCIM")):
            volume = QStorageInfo(root)
            cards.append(CardInfo(root, volume.name(), max(0, volume.bytesAvailable())))
    return cards


class _CardScan(QThread):
    found = pyqtSignal(object)   # List[CardInfo]

    def run(self) -> None:
        self.found.emit(find_cards())


class CardWatcher(QObject):
    """Polls for cards; reports the ones that appear and disappear. The first look starts on
    construction and only fills `cards` (cards present at start-up are not "inserted"); `ready`
    says when it is done."""

    inserted = pyqtSignal(object)   # CardInfo
    removed = pyqtSignal(object)    # CardInfo
    changed = pyqtSignal()          # the list of cards (or their free space) changed
    ready = pyqtSignal()            # the first look is done: `cards` holds what was in at start

    def __init__(self, parent=None, interval_ms: int = POLL_INTERVAL_MS):
        super().__init__(parent)
        self._cards: Dict[str, CardInfo] = {}
        self.is_ready = False
        self._scan = _CardScan(self)
        self._scan.found.connect(self._apply)
        self._timer = QTimer(self)
        self._timer.setInterval(interval_ms)
        self._timer.timeout.connect(self._on_timeout)
        self._timer.start()
        self._scan.start()

    @property
    def cards(self) -> List[CardInfo]:
        return list(self._cards.values())

    def stop(self) -> None:
        """Stops polling; waits for a look in progress (a thread must not outlive the window)."""
        self._timer.stop()
        self._scan.wait()

    def poll(self) -> None:
        """Looks now ("Yenile"), unless a look is already under way; the result comes as for a
        timed look."""
        self._on_timeout()

    def _on_timeout(self) -> None:
        if not self._scan.isRunning():
            self._scan.start()

    def _apply(self, cards: List[CardInfo]) -> None:
        now = {c.root: c for c in cards}
        if not self.is_ready:
            self._cards, self.is_ready = now, True
            self.changed.emit()
            self.ready.emit()
            return
        gone = [c for root, c in self._cards.items() if root not in now]
        new = [c for root, c in now.items() if root not in self._cards]
        differs = now != self._cards
        self._cards = now
        for card in gone:
            self.removed.emit(card)
        for card in new:
            self.inserted.emit(card)
        if differs:
            self.changed.emit()

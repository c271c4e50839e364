"""Worker threads of the window: background tasks with progress and cancel, and the HUD renderer."""
from typing import Any, Callable, Optional

from PyQt5.QtCore import QMutex, QMutexLocker, QThread, pyqtSignal

from .error_texts import describe_error
from .hud_renderer import render_hud
from .hud_themes import HudTheme
from .hud_track import HudTrack


class TaskCancelled(Exception):
    """Raised inside a task when the user pressed "İptal". Its text, when given, says what had
    been done by then ("2 dosya kopyalandı")."""


class TaskThread(QThread):
    """Runs `job(task)` off the GUI thread. The job reports through the task it receives:
    `task.report(done, total, text)` (or `task.report_bytes` for a copy), `task.log(line)`, and calls `task.check_cancelled()`
    between steps. Exactly one of `succeeded`, `failed`, `cancelled` is emitted."""

    progress = pyqtSignal(int, int, str)           # steps done, steps in all
    byte_progress = pyqtSignal(object, object, str)   # Python ints: byte counts pass 2 GiB
    log_line = pyqtSignal(str)
    succeeded = pyqtSignal(object)
    failed = pyqtSignal(str)
    cancelled = pyqtSignal(str)

    def __init__(self, job: Callable[["TaskThread"], Any], parent=None, destination: Optional[str] = None):
        super().__init__(parent)
        self._job = job
        self.destination = destination
        self._cancel_requested = False

    def cancel(self) -> None:
        self._cancel_requested = True

    @property
    def cancel_requested(self) -> bool:
        return self._cancel_requested

    def check_cancelled(self) -> None:
        if self._cancel_requested:
            raise TaskCancelled()

    def report(self, done: int, total: int, text: str = "") -> None:
        self.progress.emit(done, total, text)

    def report_bytes(self, done: int, total: int, text: str = "") -> None:
        self.byte_progress.emit(done, total, text)

    def log(self, line: str) -> None:
        self.log_line.emit(line)

    def run(self) -> None:
        try:
            result = self._job(self)
        except TaskCancelled as stop:
            self.cancelled.emit(str(stop))
        except Exception as exc:  # shown to the user as a dialog, never a crash
            self.failed.emit(describe_error(exc, self.destination))
        else:
            self.succeeded.emit(result)


class PreviewRenderWorker(QThread):
    """Renders HUD frames off the GUI thread. Requests are coalesced: while a frame is being
    drawn only the newest request waits, so dragging the time slider never queues up work."""

    frame_ready = pyqtSignal(object, int)   # QImage, request number

    def __init__(self, parent=None):
        super().__init__(parent)
        self._mutex = QMutex()
        self._pending: Optional[tuple] = None
        self._serial = 0

    def request(self, width: int, height: int, track: HudTrack, t_s: float, theme: HudTheme) -> int:
        """Queues a frame and starts the thread when idle; returns the request number."""
        with QMutexLocker(self._mutex):
            self._serial += 1
            self._pending = (self._serial, width, height, track, t_s, theme)
            serial = self._serial
        if not self.isRunning():
            self.start()
        return serial

    def discard_pending(self) -> None:
        """Drops the waiting request and marks frames in flight as stale."""
        with QMutexLocker(self._mutex):
            self._serial += 1
            self._pending = None

    def latest_serial(self) -> int:
        with QMutexLocker(self._mutex):
            return self._serial

    def run(self) -> None:
        while True:
            with QMutexLocker(self._mutex):
                job, self._pending = self._pending, None
            if job is None:
                return
            serial, width, height, track, t_s, theme = job
            self.frame_ready.emit(render_hud(width, height, track, t_s, theme), serial)

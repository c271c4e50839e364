"""Worker threads of the window: background tasks with progress and cancel."""
from typing import Any, Callable, Optional

from PyQt5.QtCore import QThread, pyqtSignal

from .error_texts import describe_error


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


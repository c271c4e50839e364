"""Worker threads of the window: background tasks with progress and cancel."""
from typing import Any, Callable

from PyQt5.QtCore import QThread, pyqtSignal

from .error_texts import describe_error


class TaskCancelled(Exception):
    """Raised inside a task when the user pressed "İptal"."""


class TaskThread(QThread):
    """Runs `job(task)` off the GUI thread. The job reports through the task it receives:
    `task.report(done, total, text)`, `task.log(line)`, and calls `task.check_cancelled()`
    between steps. Exactly one of `succeeded`, `failed`, `cancelled` is emitted."""

    progress = pyqtSignal(int, int, str)
    log_line = pyqtSignal(str)
    succeeded = pyqtSignal(object)
    failed = pyqtSignal(str)
    cancelled = pyqtSignal()

    def __init__(self, job: Callable[["TaskThread"], Any], parent=None):
        super().__init__(parent)
        self._job = job
        self._cancel_requested = False

    def cancel(self) -> None:
        self._cancel_requested = True

    def check_cancelled(self) -> None:
        if self._cancel_requested:
            raise TaskCancelled()

    def report(self, done: int, total: int, text: str = "") -> None:
        self.progress.emit(done, total, text)

    def log(self, line: str) -> None:
        self.log_line.emit(line)

    def run(self) -> None:
        try:
            result = self._job(self)
        except TaskCancelled:
            self.cancelled.emit()
        except Exception as exc:  # shown to the user as a dialog, never a crash
            self.failed.emit(describe_error(exc))
        else:
            self.succeeded.emit(result)


"""Progress bar, status text, cancel button and log of one tab's background work."""
from typing import Any, Callable, Optional

from PyQt5.QtCore import Qt, pyqtSignal
from PyQt5.QtWidgets import (QHBoxLayout, QLabel, QPlainTextEdit, QProgressBar, QPushButton, QSizePolicy,
                             QToolButton, QVBoxLayout, QWidget)

from . import dialogs
from .workers import TaskThread


class TaskPanel(QWidget):
    """Runs one TaskThread at a time and shows its progress; failures open an error dialog."""

    busy_changed = pyqtSignal(bool)

    def __init__(self, parent=None, log_lines: int = 6, log_open: bool = True):
        """`log_lines` is the log's minimum height in lines; 0 hides the log. The log folds away
        behind the "Kayıtlar" button (open at first when `log_open`), so a small screen keeps
        its height for the work itself."""
        super().__init__(parent)
        self.thread: Optional[TaskThread] = None
        self._on_done: Optional[Callable[[Any], None]] = None
        self._title = ""
        self.progress = QProgressBar()
        self._reset_progress()
        self.status = QLabel("Hazır.")
        self.btn_cancel = QPushButton("İptal")
        self.btn_cancel.setEnabled(False)
        self.log = QPlainTextEdit()
        self.log.setReadOnly(True)
        self.log.setPlaceholderText("İşlem kayıtları burada görünür.")
        self.log.setMinimumHeight(self.fontMetrics().lineSpacing() * log_lines + 12)
        self.btn_log = QToolButton()
        self.btn_log.setText("Kayıtlar")
        self.btn_log.setCheckable(True)
        self.btn_log.setToolButtonStyle(Qt.ToolButtonTextBesideIcon)
        self.btn_log.setToolTip("İşlem kayıtlarını göster / gizle")
        self.status.setSizePolicy(QSizePolicy.Ignored, QSizePolicy.Preferred)   # long texts never widen the window
        row = QHBoxLayout()
        row.addWidget(self.status, 3)
        row.addWidget(self.progress, 1)
        row.addWidget(self.btn_cancel)
        row.addWidget(self.btn_log)
        layout = QVBoxLayout(self)
        layout.setContentsMargins(0, 0, 0, 0)
        layout.addLayout(row)
        layout.addWidget(self.log, 1)
        self.btn_log.setVisible(log_lines > 0)
        self.btn_cancel.clicked.connect(self._on_cancel_clicked)
        self.btn_log.toggled.connect(self._on_log_toggled)
        self.btn_log.setChecked(log_lines > 0 and log_open)
        self._on_log_toggled(self.btn_log.isChecked())

    def is_busy(self) -> bool:
        return self.thread is not None

    def start(self, title: str, job: Callable[[TaskThread], Any], on_done: Callable[[Any], None],
              destination: Optional[str] = None) -> bool:
        """Starts `job` unless another task runs; `on_done(result)` runs on the GUI thread.
        `destination` is the folder the job writes to, named if the disk there fills up."""
        if self.thread is not None:
            dialogs.show_info(self, "Meşgul", "Önceki işlem sürüyor; bitmesini bekleyin ya da iptal edin.")
            return False
        self._title, self._on_done = title, on_done
        thread = TaskThread(job, self, destination)
        thread.progress.connect(self._on_progress)
        thread.byte_progress.connect(self._on_byte_progress)
        thread.log_line.connect(self.append_log)
        thread.succeeded.connect(self._on_succeeded)
        thread.failed.connect(self._on_failed)
        thread.cancelled.connect(self._on_cancelled)
        thread.finished.connect(thread.deleteLater)
        self.thread = thread
        self.progress.setRange(0, 0)   # busy until the first report
        self.status.setText(f"{title}…")
        self.btn_cancel.setEnabled(True)
        self.busy_changed.emit(True)
        thread.start()
        return True

    def append_log(self, line: str) -> None:
        self.log.appendPlainText(line)

    def show_log(self, shown: bool = True) -> None:
        self.btn_log.setChecked(shown)

    def stop(self) -> None:
        """Asks the running task to stop and waits for it (used when the window closes). The
        task stops at its next step; a thread must never be destroyed while it runs."""
        if self.thread is not None:
            self.thread.cancel()
            self.thread.wait()

    def _on_cancel_clicked(self) -> None:
        if self.thread is not None:
            self.thread.cancel()
            self.status.setText("İptal ediliyor…")
            self.btn_cancel.setEnabled(False)

    def _on_log_toggled(self, shown: bool) -> None:
        self.log.setVisible(shown)
        self.btn_log.setArrowType(Qt.DownArrow if shown else Qt.RightArrow)

    def _on_byte_progress(self, done: int, total: int, text: str) -> None:
        """Bytes are shown as a share; the text says how much, how fast and how long still."""
        if total > 0:
            self.progress.setFormat("%p%")
            self.progress.setRange(0, 1000)
            self.progress.setValue(done * 1000 // total)
        if text:
            self.status.setText(text)

    def _on_progress(self, done: int, total: int, text: str) -> None:
        if total > 0:
            self.progress.setFormat("%v / %m")
            self.progress.setRange(0, total)
            self.progress.setValue(done)
        if text:
            self.status.setText(text)

    def _on_succeeded(self, result: Any) -> None:
        late = self.thread is not None and self.thread.cancel_requested
        self._release()
        if late:
            # The last step could not be stopped half-way and ran to its end: say so, rather
            # than leave "İptal ediliyor…" to be read as "stopped".
            self.status.setText(f"{self._title}: iptal edilemeden tamamlandı.")
            self.append_log("[BİLGİ] İptal istendiğinde son adım sürüyordu ve yarıda kesilemedi; "
                            "işlem tamamlandı, sonuçlar aşağıda.")
        else:
            self.status.setText(f"{self._title}: tamamlandı.")
        self.progress.setRange(0, 1)
        self.progress.setValue(1)
        self.progress.setFormat("Tamamlandı")
        if self._on_done is not None:
            self._on_done(result)

    def _on_failed(self, message: str) -> None:
        self._release()
        self.status.setText(f"{self._title}: hata.")
        self.append_log(f"[HATA] {message}")
        self._reset_progress()
        dialogs.show_error(self, self._title, message)

    def _on_cancelled(self, done_so_far: str) -> None:
        self._release()
        self.status.setText(f"{self._title}: iptal edildi.")
        line = f"[İPTAL] {self._title} kullanıcı tarafından durduruldu."
        self.append_log(f"{line} {done_so_far}" if done_so_far else line)
        self._reset_progress()

    def _release(self) -> None:
        """The task has ended: a follow-up task may start from the result handler."""
        self.thread = None
        self.btn_cancel.setEnabled(False)
        self.busy_changed.emit(False)

    def _reset_progress(self) -> None:
        self.progress.setRange(0, 1)
        self.progress.setValue(0)
        self.progress.setFormat("")

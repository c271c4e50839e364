"""The index and date/age filter boxes of the "SD kart" tab, checked as the user types.

A box whose text cannot be used is marked and the reason is shown below the boxes; a usable
change is applied by itself after a short pause, so the table always shows what the filters say."""
from PyQt5.QtCore import QTimer, pyqtSignal
from PyQt5.QtWidgets import QHBoxLayout, QLabel, QLineEdit, QPushButton, QVBoxLayout, QWidget

from .filter_inputs import DATE_HELP, INDEX_HELP, FilterCheck, check_date_text, check_index_text

APPLY_DELAY_MS = 500
_INVALID_STYLE = "QLineEdit { border: 2px solid #d0312d; border-radius: 3px; background: #fff1f0; color: black; }"


class FilterBar(QWidget):
    applied = pyqtSignal()              # the filters should be applied now (all boxes usable)
    validity_changed = pyqtSignal(bool)

    def __init__(self, parent=None):
        super().__init__(parent)
        self.txt_index = QLineEdit()
        self.txt_index.setPlaceholderText("Tümü — örn. 1-4 veya 2,5")
        self.txt_index.setToolTip(INDEX_HELP)
        self.txt_date = QLineEdit()
        self.txt_date.setPlaceholderText("Tümü — örn. 07.12.2026, <1d, >1w")
        self.txt_date.setToolTip(DATE_HELP)
        self.btn_filter = QPushButton("Filtrele")
        self.btn_clear_filter = QPushButton("Sıfırla")
        self.btn_clear_filter.setToolTip("Filtreleri sıfırla")
        self.lbl_problem = QLabel()
        self.lbl_problem.setWordWrap(True)
        self.lbl_problem.setStyleSheet("color: #d0312d;")
        self.lbl_problem.hide()
        self._timer = QTimer(self)
        self._timer.setSingleShot(True)
        self._timer.setInterval(APPLY_DELAY_MS)
        self._valid = True

        row = QHBoxLayout()
        row.setContentsMargins(0, 0, 0, 0)
        row.addWidget(QLabel("İndeks:"))
        row.addWidget(self.txt_index, 1)
        row.addWidget(QLabel("Tarih / yaş:"))
        row.addWidget(self.txt_date, 1)
        row.addWidget(self.btn_filter)
        row.addWidget(self.btn_clear_filter)
        layout = QVBoxLayout(self)
        layout.setContentsMargins(0, 0, 0, 0)
        layout.setSpacing(2)
        layout.addLayout(row)
        layout.addWidget(self.lbl_problem)
        self._connect_signals()

    def _connect_signals(self) -> None:
        for box in (self.txt_index, self.txt_date):
            box.textChanged.connect(self._on_text_changed)
            box.returnPressed.connect(self._on_apply_now)
        self.btn_filter.clicked.connect(self._on_apply_now)
        self.btn_clear_filter.clicked.connect(self._on_clear)
        self._timer.timeout.connect(self._on_apply_now)

    def checks(self):
        return check_date_text(self.txt_date.text()), check_index_text(self.txt_index.text())

    def values(self):
        """(date filter, index filter) as the media manager reads them; "" for no filter."""
        date_check, index_check = self.checks()
        return date_check.text, index_check.text

    def is_valid(self) -> bool:
        return self._valid

    def problem(self) -> str:
        return self.lbl_problem.text() if not self._valid else ""

    def _mark(self, box: QLineEdit, check: FilterCheck, help_text: str) -> None:
        box.setStyleSheet("" if check.ok else _INVALID_STYLE)
        box.setToolTip(help_text if check.ok else f"{check.problem}\n\n{help_text}")

    def _on_text_changed(self, _text: str = "") -> None:
        date_check, index_check = self.checks()
        self._mark(self.txt_date, date_check, DATE_HELP)
        self._mark(self.txt_index, index_check, INDEX_HELP)
        problems = [c.problem for c in (index_check, date_check) if c.problem]
        self.lbl_problem.setText("\n".join(problems))
        self.lbl_problem.setVisible(bool(problems))
        valid = not problems
        self.btn_filter.setEnabled(valid)
        if valid != self._valid:
            self._valid = valid
            self.validity_changed.emit(valid)
        if valid:
            self._timer.start()
        else:
            self._timer.stop()

    def _on_apply_now(self) -> None:
        self._timer.stop()
        if self._valid:
            self.applied.emit()

    def _on_clear(self) -> None:
        self.txt_index.clear()
        self.txt_date.clear()
        self._on_apply_now()

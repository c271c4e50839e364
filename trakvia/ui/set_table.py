"""The table of file sets: one row per set, sortable by the numbers behind the shown texts."""
from PyQt5.QtCore import Qt
from PyQt5.QtWidgets import QAbstractItemView, QHeaderView, QTableWidget, QTableWidgetItem

from .formatting import format_date, format_size

COLUMNS = ("İndeks", "Tarih", "Video", "SRT", "LRF", "GPX", "Toplam boyut", "LRF boyutu")


class _SortItem(QTableWidgetItem):
    """A table cell shown as text and sorted by a number."""

    def __init__(self, text: str, key):
        super().__init__(text)
        self.setData(Qt.UserRole, key)
        self.setFlags(self.flags() & ~Qt.ItemIsEditable)

    def __lt__(self, other) -> bool:
        return self.data(Qt.UserRole) < other.data(Qt.UserRole)


class SetTable(QTableWidget):
    def __init__(self, parent=None):
        super().__init__(0, len(COLUMNS), parent)
        self.setHorizontalHeaderLabels(COLUMNS)
        self.setSelectionBehavior(QAbstractItemView.SelectRows)
        self.setSelectionMode(QAbstractItemView.ExtendedSelection)
        self.setEditTriggers(QAbstractItemView.NoEditTriggers)
        self.setAlternatingRowColors(True)
        self.setToolTip("Çift tıklayınca setin videosu oynatılır")
        rows = self.verticalHeader()
        rows.setVisible(False)
        # Compact rows, so a small screen still shows eight or more sets.
        rows.setMinimumSectionSize(self.fontMetrics().height() + 4)
        rows.setDefaultSectionSize(self.fontMetrics().height() + 6)
        self.setMinimumHeight(rows.defaultSectionSize() * 4)
        self.setSortingEnabled(True)
        self.sortByColumn(0, Qt.AscendingOrder)
        header = self.horizontalHeader()
        header.setSectionResizeMode(QHeaderView.Stretch)
        header.setSectionResizeMode(1, QHeaderView.ResizeToContents)   # the date is never cut
        header.setMinimumSectionSize(self.fontMetrics().horizontalAdvance("0000") + 12)

    def index_at(self, row: int) -> int:
        """The clip index of the set shown in `row` (whatever the sort order)."""
        return self.item(row, 0).data(Qt.UserRole)

    def show_sets(self, sets) -> None:
        self.setSortingEnabled(False)
        self.setRowCount(len(sets))
        for row, s in enumerate(sets):
            cells = (
                _SortItem(s.index_str, s.index),
                _SortItem(format_date(s.mtime), s.mtime.timestamp()),
                _SortItem(str(len(s.video_files)), len(s.video_files)),
                _SortItem(str(len(s.srt_files)), len(s.srt_files)),
                _SortItem(str(len(s.lrf_files)), len(s.lrf_files)),
                _SortItem(str(len(s.gpx_files)), len(s.gpx_files)),
                _SortItem(format_size(s.total_size_bytes), s.total_size_bytes),
                _SortItem(format_size(s.lrf_size_bytes), s.lrf_size_bytes),
            )
            for col, item in enumerate(cells):
                if col != 1:
                    item.setTextAlignment(int(Qt.AlignRight | Qt.AlignVCenter))
                self.setItem(row, col, item)
        self.setSortingEnabled(True)

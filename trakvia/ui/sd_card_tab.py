"""The "SD kart" tab: choose a card or folder, see its file sets, import, clean up, play, convert."""
import os
from typing import List

from PyQt5.QtCore import QStorageInfo, Qt, pyqtSignal
from PyQt5.QtWidgets import (QAbstractItemView, QCheckBox, QComboBox, QGridLayout, QGroupBox, QHBoxLayout,
                             QHeaderView, QLabel, QLineEdit, QPushButton, QSplitter, QTableWidget,
                             QTableWidgetItem, QVBoxLayout, QWidget)

from . import dialogs, media_actions
from .formatting import format_date, format_size
from .task_panel import TaskPanel

COLUMNS = ("İndeks", "Tarih", "Video", "SRT", "LRF", "GPX", "Toplam boyut", "LRF boyutu")


class _SortItem(QTableWidgetItem):
    """A table cell shown as text and sorted by a number."""

    def __init__(self, text: str, key):
        super().__init__(text)
        self.setData(Qt.UserRole, key)
        self.setFlags(self.flags() & ~Qt.ItemIsEditable)

    def __lt__(self, other) -> bool:
        return self.data(Qt.UserRole) < other.data(Qt.UserRole)


def detect_cards() -> List[str]:
    """Mounted volumes that look like camera cards (a DCIM folder at their root)."""
    found = []
    for volume in QStorageInfo.mountedVolumes():
        root = volume.rootPath()
        if volume.isValid() and volume.isReady() and os.path.isdir(os.path.join(root, "DCIM")):
            found.append(root)
    return found


class SdCardTab(QWidget):
    """Lists the file sets of a card and runs the actions on the selected ones."""

    convert_requested = pyqtSignal(list)   # SRT paths to convert in the "Dönüştür" tab
    hud_requested = pyqtSignal(str)        # a telemetry file to show in the "HUD önizleme" tab

    def __init__(self, base_dir: str, parent=None):
        super().__init__(parent)
        self.base_dir = base_dir
        self.sets: list = []
        self._build()
        self._connect_signals()

    # -- construction -------------------------------------------------------------------------
    def _build(self) -> None:
        self.cmb_folder = QComboBox()
        self.cmb_folder.setEditable(True)
        self.cmb_folder.setInsertPolicy(QComboBox.NoInsert)
        self.cmb_folder.addItem(self.base_dir)
        for card in detect_cards():
            if card != self.base_dir:
                self.cmb_folder.addItem(card)
        self.cmb_folder.setToolTip("SD kartın kökü veya herhangi bir medya klasörü")
        self.btn_browse = QPushButton("Gözat…")
        self.btn_refresh = QPushButton("Yenile")
        self.btn_sample = QPushButton("Örnek kart oluştur")
        self.btn_sample.setToolTip("Çalışma klasörüne dört klipli örnek bir DJI SD kart yapısı yazar")
        self.lbl_resolved = QLabel()
        self.lbl_resolved.setTextInteractionFlags(Qt.TextSelectableByMouse)

        self.txt_index = QLineEdit()
        self.txt_index.setPlaceholderText("Tümü — örn. 1-4 veya 2,5")
        self.txt_date = QLineEdit()
        self.txt_date.setPlaceholderText("Tümü — örn. 2024-05-01, <1d, >1w")
        self.btn_filter = QPushButton("Filtrele")
        self.btn_clear_filter = QPushButton("Sıfırla")
        self.btn_clear_filter.setToolTip("Filtreleri sıfırla")

        self.table = QTableWidget(0, len(COLUMNS))
        self.table.setHorizontalHeaderLabels(COLUMNS)
        self.table.setSelectionBehavior(QAbstractItemView.SelectRows)
        self.table.setSelectionMode(QAbstractItemView.ExtendedSelection)
        self.table.setEditTriggers(QAbstractItemView.NoEditTriggers)
        self.table.setAlternatingRowColors(True)
        self.table.setToolTip("Çift tıklayınca setin videosu oynatılır")
        self.table.verticalHeader().setVisible(False)
        self.table.setSortingEnabled(True)
        self.table.sortByColumn(0, Qt.AscendingOrder)
        header = self.table.horizontalHeader()
        header.setSectionResizeMode(QHeaderView.Stretch)
        self.lbl_summary = QLabel()

        self.btn_import = QPushButton("İçe aktar…")
        self.chk_convert_on_import = QCheckBox("SRT dosyalarından GPX izi üret")
        self.chk_convert_on_import.setChecked(True)
        self.cmb_cleanup_type = QComboBox()
        for key, title in media_actions.CLEANUP_TYPES:
            self.cmb_cleanup_type.addItem(title, key)
        self.chk_dry_run = QCheckBox("Yalnızca göster (deneme, silmez)")
        self.btn_cleanup = QPushButton("Temizle…")
        self.btn_play = QPushButton("Oynat")
        self.btn_convert = QPushButton("Dönüştür")
        self.btn_hud = QPushButton("HUD önizleme")
        self.lbl_hint = QLabel("Seçim yoksa işlemler listedeki tüm setlere uygulanır.")
        self.lbl_hint.setStyleSheet("color: palette(mid);")
        self.tasks = TaskPanel(self, log_lines=5)

        top = QGridLayout()
        top.addWidget(QLabel("Kart / klasör:"), 0, 0)
        top.addWidget(self.cmb_folder, 0, 1)
        top.addWidget(self.btn_browse, 0, 2)
        top.addWidget(self.btn_refresh, 0, 3)
        top.addWidget(self.btn_sample, 0, 4)
        top.addWidget(QLabel("Medya klasörü:"), 1, 0)
        top.addWidget(self.lbl_resolved, 1, 1, 1, 4)
        filters = QHBoxLayout()
        filters.addWidget(QLabel("İndeks:"))
        filters.addWidget(self.txt_index, 1)
        filters.addWidget(QLabel("Tarih / yaş:"))
        filters.addWidget(self.txt_date, 1)
        filters.addWidget(self.btn_filter)
        filters.addWidget(self.btn_clear_filter)
        top.addLayout(filters, 2, 0, 1, 5)
        top.setColumnStretch(1, 1)

        actions = QGroupBox("Seçili setler")
        grid = QGridLayout(actions)
        grid.addWidget(self.btn_import, 0, 0)
        grid.addWidget(self.chk_convert_on_import, 0, 1, 1, 2)
        grid.addWidget(self.btn_cleanup, 1, 0)
        grid.addWidget(self.cmb_cleanup_type, 1, 1)
        grid.addWidget(self.chk_dry_run, 1, 2)
        grid.addWidget(self.btn_play, 2, 0)
        grid.addWidget(self.btn_convert, 2, 1)
        grid.addWidget(self.btn_hud, 2, 2, Qt.AlignLeft)
        grid.addWidget(self.lbl_hint, 3, 0, 1, 3)
        grid.setColumnStretch(2, 1)

        upper = QWidget()
        up = QVBoxLayout(upper)
        up.setContentsMargins(0, 0, 0, 0)
        up.addLayout(top)
        up.addWidget(self.table, 1)
        up.addWidget(self.lbl_summary)
        up.addWidget(actions)
        splitter = QSplitter(Qt.Vertical)
        splitter.addWidget(upper)
        splitter.addWidget(self.tasks)
        splitter.setStretchFactor(0, 4)
        splitter.setStretchFactor(1, 1)
        QVBoxLayout(self).addWidget(splitter)

    def _connect_signals(self) -> None:
        self.btn_browse.clicked.connect(self._on_browse)
        self.btn_refresh.clicked.connect(self._on_refresh)
        self.btn_filter.clicked.connect(self._on_refresh)
        self.btn_clear_filter.clicked.connect(self._on_clear_filters)
        self.txt_index.returnPressed.connect(self._on_refresh)
        self.txt_date.returnPressed.connect(self._on_refresh)
        self.cmb_folder.activated.connect(self._on_refresh)
        self.cmb_folder.lineEdit().returnPressed.connect(self._on_refresh)
        self.btn_sample.clicked.connect(self._on_create_sample)
        self.btn_import.clicked.connect(self._on_import)
        self.btn_cleanup.clicked.connect(self._on_cleanup)
        self.btn_play.clicked.connect(self._on_play)
        self.btn_convert.clicked.connect(self._on_convert)
        self.btn_hud.clicked.connect(self._on_hud)
        self.table.itemSelectionChanged.connect(self._on_selection_changed)
        self.table.cellDoubleClicked.connect(self._on_row_double_clicked)
        self.tasks.busy_changed.connect(self._on_busy_changed)

    # -- state ----------------------------------------------------------------------------------
    @property
    def folder(self) -> str:
        return self.cmb_folder.currentText().strip() or self.base_dir

    def set_folder(self, folder: str) -> None:
        self.cmb_folder.setEditText(folder)

    def filters(self):
        return self.txt_date.text().strip(), self.txt_index.text().strip()

    def selected_sets(self) -> list:
        """The selected sets, or every listed set when nothing is selected."""
        rows = sorted({i.row() for i in self.table.selectedIndexes()})
        by_index = {s.index: s for s in self.sets}
        chosen = [by_index[self.table.item(r, 0).data(Qt.UserRole)] for r in rows]
        return chosen or list(self.sets)

    def action_filters(self, sets: list):
        """The filter texts that pick exactly `sets` again on the card."""
        date_filter, _ = self.filters()
        return date_filter, media_actions.index_filter_for(s.index for s in sets)

    # -- listing ----------------------------------------------------------------------------------
    def refresh(self) -> None:
        folder = self.folder
        date_filter, index_filter = self.filters()

        def job(task):
            return media_actions.resolve_media_folder(folder), media_actions.list_sets(folder, date_filter, index_filter)

        self.tasks.start("Kart taranıyor", job, self._on_listed)

    def _on_listed(self, result) -> None:
        resolved, sets = result
        self.lbl_resolved.setText(resolved)
        self.sets = list(sets)
        self._fill_table()

    def _fill_table(self) -> None:
        self.table.setSortingEnabled(False)
        self.table.setRowCount(len(self.sets))
        for row, s in enumerate(self.sets):
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
                self.table.setItem(row, col, item)
        self.table.setSortingEnabled(True)
        self._update_summary()

    def _update_summary(self) -> None:
        if not self.sets:
            self.lbl_summary.setText("Bu klasörde filtreye uyan DJI medya seti bulunamadı. Başka bir kart seçin "
                                     "ya da \"Örnek kart oluştur\" ile bir örnek kart yazın.")
            return
        files = sum(len(s.video_files) + len(s.srt_files) + len(s.lrf_files) + len(s.gpx_files) for s in self.sets)
        total = sum(s.total_size_bytes for s in self.sets)
        lrf = sum(s.lrf_size_bytes for s in self.sets)
        picked = len({i.row() for i in self.table.selectedIndexes()})
        text = f"{len(self.sets)} set, {files} dosya, {format_size(total)} (LRF: {format_size(lrf)})"
        if picked:
            text += f" — {picked} set seçili"
        self.lbl_summary.setText(text)

    # -- slots ------------------------------------------------------------------------------------
    def _on_refresh(self, *_args) -> None:
        self.refresh()

    def _on_clear_filters(self) -> None:
        self.txt_index.clear()
        self.txt_date.clear()
        self.refresh()

    def _on_browse(self) -> None:
        folder = dialogs.choose_folder(self, "SD kart veya klasör seçin", self.folder)
        if folder:
            self.set_folder(folder)
            self.refresh()

    def _on_selection_changed(self) -> None:
        self._update_summary()

    def _on_busy_changed(self, busy: bool) -> None:
        for w in (self.btn_import, self.btn_cleanup, self.btn_play, self.btn_convert, self.btn_hud, self.btn_sample,
                  self.btn_refresh, self.btn_filter):
            w.setEnabled(not busy)

    def _on_create_sample(self) -> None:
        base = self.base_dir
        self.tasks.start("Örnek kart oluşturuluyor", lambda task: media_actions.create_sample_card(base),
                         self._on_sample_created)

    def _on_sample_created(self, sd_root: str) -> None:
        self.tasks.append_log(f"Örnek SD kart oluşturuldu: {sd_root}")
        self.set_folder(sd_root)
        self.refresh()

    def _on_import(self) -> None:
        sets = self.selected_sets()
        if not sets:
            dialogs.show_info(self, "İçe aktar", "İçe aktarılacak set yok.")
            return
        dest = dialogs.choose_folder(self, "Hedef klasörü seçin", self.base_dir)
        if not dest:
            return
        source, (date_filter, _) = self.folder, self.filters()
        indexes = [s.index for s in sets]
        convert = self.chk_convert_on_import.isChecked()
        self.tasks.start("İçe aktarılıyor",
                         lambda task: media_actions.import_sets(task, source, dest, date_filter, indexes, convert),
                         self._on_imported)

    def _on_imported(self, summary: dict) -> None:
        text = f"{summary['copied']} dosya '{summary['dest']}' klasörüne kopyalandı."
        if summary["tracks"]:
            text += f"\n{summary['tracks']} GPS izi üretildi."
        dialogs.show_info(self, "İçe aktarma tamamlandı", text)

    def _on_cleanup(self) -> None:
        sets = self.selected_sets()
        if not sets:
            dialogs.show_info(self, "Temizle", "Temizlenecek set yok.")
            return
        folder = self.folder
        target = self.cmb_cleanup_type.currentData()
        date_filter, index_filter = self.action_filters(sets)
        self.tasks.start("Silinecek dosyalar belirleniyor",
                         lambda task: media_actions.cleanup(folder, target, date_filter, index_filter, dry_run=True),
                         lambda plan: self._on_cleanup_planned(plan, folder, target, date_filter, index_filter))

    def _on_cleanup_planned(self, plan, folder, target, date_filter, index_filter) -> None:
        kind = self.cmb_cleanup_type.itemText(self.cmb_cleanup_type.findData(target))
        if plan.count == 0:
            dialogs.show_info(self, "Temizle", f"Seçili setlerde silinecek dosya yok ({kind}).")
            return
        if self.chk_dry_run.isChecked():
            self.tasks.append_log(media_actions.cleanup_summary(plan, target, dry_run=True))
            for path in plan.paths:
                self.tasks.append_log(f"  - {path}")
            dialogs.show_path_list(self, "Deneme (silinmedi)",
                                   f"Gerçek temizlikte {plan.count} dosya silinirdi, "
                                   f"{format_size(plan.freed_bytes)} yer açılırdı:", plan.paths)
            return
        message = (f"{kind}: {plan.count} dosya kalıcı olarak silinecek ({format_size(plan.freed_bytes)}). "
                   "Bu işlem geri alınamaz. Devam edilsin mi?")
        if not dialogs.confirm_deletion(self, "Silmeyi onaylayın", message, plan.paths):
            self.tasks.append_log("Temizlik iptal edildi; hiçbir dosya silinmedi.")
            return
        confirmed = list(plan.paths)
        self.tasks.start("Dosyalar siliniyor",
                         lambda task: media_actions.cleanup_confirmed(task, folder, target, date_filter,
                                                                       index_filter, confirmed),
                         lambda done: self._on_cleaned(done, plan, target))

    def _on_cleaned(self, done, plan, target) -> None:
        self.tasks.append_log(media_actions.cleanup_summary(done, target, dry_run=False))
        for path in done.paths:
            self.tasks.append_log(f"  - {path}")
        missed = plan.count - done.count
        if missed > 0:
            dialogs.show_error(self, "Temizlik", f"{missed} dosya silinemedi (kullanımda ya da izin yok). "
                                                 f"{done.count} dosya silindi.")
        self.refresh()

    def _on_row_double_clicked(self, _row: int, _column: int) -> None:
        self._on_play()

    def _on_play(self) -> None:
        sets = self.selected_sets()
        if not sets:
            dialogs.show_info(self, "Oynat", "Oynatılacak set yok.")
            return
        folder, index = self.folder, sets[0].index
        self.tasks.start("Oynatıcı açılıyor", lambda task: (index, media_actions.play_set(folder, index)),
                         self._on_played)

    def _on_played(self, result) -> None:
        index, path = result
        if path:
            self.tasks.append_log(f"Oynatılıyor: {path}")
        else:
            dialogs.show_info(self, "Oynat", f"İndeks #{index} için oynatılacak video veya SRT dosyası yok.")

    def _on_convert(self) -> None:
        srts = [p for s in self.selected_sets() for p in s.srt_files + s.gpx_files]
        if not srts:
            dialogs.show_info(self, "Dönüştür", "Seçili setlerde SRT veya GPX dosyası yok.")
            return
        self.convert_requested.emit(srts)

    def _on_hud(self) -> None:
        telemetry = [p for s in self.selected_sets() for p in s.srt_files + s.gpx_files]
        if not telemetry:
            dialogs.show_info(self, "HUD önizleme", "Seçili setlerde SRT veya GPX dosyası yok.")
            return
        self.hud_requested.emit(telemetry[0])

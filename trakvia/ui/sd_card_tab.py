"""The "SD kart" tab: choose a card or folder, see its file sets, import, clean up, play, convert."""
import os

from PyQt5.QtCore import Qt, pyqtSignal
from PyQt5.QtWidgets import (QCheckBox, QComboBox, QGridLayout, QHBoxLayout, QLabel, QPushButton, QSizePolicy,
                             QSplitter, QVBoxLayout, QWidget)

from . import dialogs, media_actions
from .card_watcher import CardWatcher
from .filter_bar import FilterBar
from .folder_box import ElidedLabel, FolderBox
from .formatting import format_size
from .set_table import SetTable
from .settings import WindowSettings
from .task_panel import TaskPanel

class SdCardTab(QWidget):
    """Lists the file sets of a card and runs the actions on the selected ones."""

    convert_requested = pyqtSignal(list)   # SRT paths to convert in the "Dönüştür" tab
    hud_requested = pyqtSignal(str)        # a telemetry file to show in the "HUD önizleme" tab

    def __init__(self, base_dir: str, settings: WindowSettings, parent=None, log_open: bool = True):
        super().__init__(parent)
        self.base_dir = base_dir
        self.settings = settings
        self.sets: list = []
        self._listed_folder = ""
        self._refresh_pending = False
        self._pulled_card = None   # the last card pulled out, to name it while its folder is gone
        self.cards = CardWatcher(self)
        self._build(log_open)
        self._connect_signals()
        self._choose_start_folder()
        self._start_folder = self.folder

    # -- construction -------------------------------------------------------------------------
    def _build(self, log_open: bool) -> None:
        self.cmb_folder = FolderBox(self.base_dir)
        self.cmb_folder.set_cards(self.cards.cards)
        self.btn_browse = QPushButton("Gözat…")
        self.btn_refresh = QPushButton("Yenile")
        self.btn_refresh.setToolTip("Kartları yeniden ara ve listeyi yenile")
        self.btn_sample = QPushButton("Örnek kart")
        self.btn_sample.setToolTip("Çalışma klasörüne dört klipli örnek bir DJI SD kart yapısı yazar")
        self.lbl_resolved = ElidedLabel()
        self.lbl_resolved.setTextInteractionFlags(Qt.TextSelectableByMouse)
        self.lbl_resolved.setSizePolicy(QSizePolicy.Ignored, QSizePolicy.Preferred)
        self.lbl_resolved.setAlignment(Qt.AlignRight | Qt.AlignVCenter)   # a long path keeps its end in view
        self.lbl_resolved.setStyleSheet("color: palette(mid);")

        self.filter_bar = FilterBar()
        self.txt_index, self.txt_date = self.filter_bar.txt_index, self.filter_bar.txt_date
        self.btn_filter, self.btn_clear_filter = self.filter_bar.btn_filter, self.filter_bar.btn_clear_filter

        self.table = SetTable()
        self.lbl_summary = QLabel()
        self.lbl_summary.setSizePolicy(QSizePolicy.Ignored, QSizePolicy.Preferred)

        self.btn_import = QPushButton("İçe aktar…")
        self.chk_convert_on_import = QCheckBox("GPX izi de üret")
        self.chk_convert_on_import.setToolTip("İçe aktarılan SRT dosyalarından GPX izi üretir")
        self.chk_convert_on_import.setChecked(True)
        self.cmb_cleanup_type = QComboBox()
        for key, title in media_actions.cleanup_types():
            self.cmb_cleanup_type.addItem(title, key)
        self.chk_dry_run = QCheckBox("Yalnızca göster")
        self.chk_dry_run.setToolTip("Deneme: silinecek dosyaları listeler, hiçbir şeyi silmez")
        self.btn_cleanup = QPushButton("Temizle…")
        self.btn_play = QPushButton("Oynat")
        self.btn_convert = QPushButton("Dönüştür")
        self.btn_hud = QPushButton("HUD önizleme")
        for button in (self.btn_import, self.btn_cleanup, self.btn_play, self.btn_convert, self.btn_hud):
            button.setToolTip("Seçili setlere uygulanır; seçim yoksa tablodaki tüm setlere.")
        self.tasks = TaskPanel(self, log_lines=4, log_open=log_open)

        top = QGridLayout()
        top.setVerticalSpacing(4)
        top.addWidget(QLabel("Kart / klasör:"), 0, 0)
        top.addWidget(self.cmb_folder, 0, 1)
        top.addWidget(self.btn_browse, 0, 2)
        top.addWidget(self.btn_refresh, 0, 3)
        top.addWidget(self.btn_sample, 0, 4)
        top.addWidget(self.filter_bar, 1, 0, 1, 5)
        top.setColumnStretch(1, 1)
        # What the table holds, with the actions that need no more settings beside it.
        status = QHBoxLayout()
        status.addWidget(self.lbl_summary, 1)
        status.addWidget(self.btn_play)
        status.addWidget(self.btn_convert)
        status.addWidget(self.btn_hud)
        actions = QHBoxLayout()
        actions.addWidget(self.btn_import)
        actions.addWidget(self.chk_convert_on_import)
        actions.addSpacing(12)
        actions.addWidget(self.btn_cleanup)
        actions.addWidget(self.cmb_cleanup_type)
        actions.addWidget(self.chk_dry_run)
        actions.addSpacing(12)
        actions.addWidget(self.lbl_resolved, 1)

        upper = QWidget()
        up = QVBoxLayout(upper)
        up.setContentsMargins(0, 0, 0, 0)
        up.addLayout(top)
        up.addWidget(self.table, 1)
        up.setSpacing(4)
        up.addLayout(status)
        up.addLayout(actions)
        self.splitter = QSplitter(Qt.Vertical)
        self.splitter.addWidget(upper)
        self.splitter.addWidget(self.tasks)
        self.splitter.setStretchFactor(0, 4)
        self.splitter.setStretchFactor(1, 1)
        self.splitter.setCollapsible(0, False)
        outer = QVBoxLayout(self)
        outer.setContentsMargins(4, 4, 4, 4)
        outer.addWidget(self.splitter)

    def _connect_signals(self) -> None:
        self.btn_browse.clicked.connect(self._on_browse)
        self.btn_refresh.clicked.connect(self._on_refresh)
        self.filter_bar.applied.connect(self._on_refresh)
        self.filter_bar.validity_changed.connect(self._on_filter_validity_changed)
        self.cards.inserted.connect(self._on_card_inserted)
        self.cards.removed.connect(self._on_card_removed)
        self.cards.changed.connect(self._on_cards_changed)
        self.cards.ready.connect(self._on_cards_ready)
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
        return self.cmb_folder.folder()

    def set_folder(self, folder: str) -> None:
        self.cmb_folder.set_folder(folder)

    @property
    def listed_folder(self) -> str:
        """The folder whose sets the table shows; actions work on it, not on a folder typed since."""
        return self._listed_folder or self.folder

    def selected_sets(self) -> list:
        """The selected rows' sets, or every set the table shows when nothing is selected."""
        rows = sorted({i.row() for i in self.table.selectedIndexes()})
        by_index = {s.index: s for s in self.sets}
        chosen = [by_index[self.table.index_at(r)] for r in rows]
        return chosen or list(self.sets)

    @staticmethod
    def action_filters(sets: list):
        """The filter texts that pick exactly `sets` again on the card: their indexes and no
        date filter, so an action never depends on what the filter boxes say right now."""
        return "", media_actions.index_filter_for(s.index for s in sets)

    def _choose_start_folder(self) -> None:
        """The folder used last time, if it is still there; else the workspace. A card that is
        in the computer wins once the first look for cards is done (_on_cards_ready)."""
        remembered = self.settings.text(WindowSettings.CARD_FOLDER)
        if remembered and os.path.isdir(remembered):
            self.set_folder(remembered)

    def _on_cards_ready(self) -> None:
        """A card in the computer at start-up wins over the start folder, the remembered one if
        it is on a card; a folder the user chose meanwhile stays."""
        cards = self.cards.cards
        if self.folder != self._start_folder or not cards:
            return
        remembered = self.settings.text(WindowSettings.CARD_FOLDER)
        if any(remembered and c.holds(remembered) for c in cards) and os.path.isdir(remembered):
            chosen = remembered
        else:
            chosen = cards[0].root
        if chosen != self.folder:
            self.set_folder(chosen)
            self.refresh()

    # -- listing ----------------------------------------------------------------------------------
    def refresh(self) -> None:
        if self.tasks.is_busy():
            self._refresh_pending = True   # listed when the running task ends
            return
        self._refresh_pending = False
        folder = self.folder
        if not os.path.isdir(folder):
            pulled = self._pulled_card if self._pulled_card and self._pulled_card.holds(folder) else None
            self._show_missing_folder(folder, pulled)
            return
        date_filter, index_filter = self.filter_bar.values()
        if not self.filter_bar.is_valid():
            return

        def job(task):
            return media_actions.resolve_media_folder(folder), media_actions.list_sets(folder, date_filter, index_filter)

        self.tasks.start("Kart taranıyor", job, lambda result: self._on_listed(folder, result))

    def _on_listed(self, folder: str, result) -> None:
        resolved, sets = result
        self.lbl_resolved.setText(resolved)
        self.lbl_resolved.setToolTip(f"Medya klasörü: {resolved}")
        self.sets = list(sets)
        self._listed_folder = folder
        self.settings.set_text(WindowSettings.CARD_FOLDER, folder)
        self._fill_table()

    def _show_missing_folder(self, folder: str, card=None) -> None:
        """Empties the table and says why: the card was pulled out, or the folder is not there."""
        self.sets = []
        self.table.setRowCount(0)
        self.lbl_resolved.clear()
        if card is not None:
            text = f"Kart çıkarıldı: {card.name()}. Kartı yeniden takın ya da başka bir klasör seçin."
        else:
            text = f"Klasör bulunamadı: {folder}"
        self.lbl_summary.setText(text)
        self.tasks.append_log(text)

    def _fill_table(self) -> None:
        self.table.show_sets(self.sets)
        self._update_summary()

    def _update_summary(self) -> None:
        if not self.sets:
            self.lbl_summary.setText("Bu klasörde filtreye uyan DJI medya seti bulunamadı. Başka bir kart seçin "
                                     "ya da \"Örnek kart\" ile bir örnek kart yazın.")
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
        if self.sender() is self.btn_refresh:
            self.cards.poll()
        self.refresh()

    def _on_card_inserted(self, card) -> None:
        self.tasks.append_log(f"Kart takıldı: {card.title()}")
        self.set_folder(card.root)
        self.refresh()

    def _on_card_removed(self, card) -> None:
        self._pulled_card = card
        if card.holds(self.folder) or (self._listed_folder and card.holds(self._listed_folder)):
            self._show_missing_folder(self.folder, card)

    def _on_cards_changed(self) -> None:
        self.cmb_folder.set_cards(self.cards.cards)

    def _on_filter_validity_changed(self, _valid: bool) -> None:
        self._update_buttons()

    def _on_browse(self) -> None:
        folder = dialogs.choose_folder(self, "SD kart veya klasör seçin", self.folder)
        if folder:
            self.set_folder(folder)
            self.refresh()

    def _on_selection_changed(self) -> None:
        self._update_summary()

    def _on_busy_changed(self, busy: bool) -> None:
        self._update_buttons()
        if not busy and self._refresh_pending:
            self.refresh()

    def _update_buttons(self) -> None:
        """Actions wait while a task runs, and while a filter box holds a text that cannot be
        used: the table then still shows the last usable filter, not what the box says."""
        busy, valid = self.tasks.is_busy(), self.filter_bar.is_valid()
        for w in (self.btn_import, self.btn_cleanup, self.btn_play, self.btn_convert, self.btn_hud):
            w.setEnabled(not busy and valid)
        for w in (self.btn_sample, self.btn_refresh):
            w.setEnabled(not busy)
        self.btn_filter.setEnabled(not busy and valid)

    def _on_create_sample(self) -> None:
        base = self.base_dir
        self.tasks.start("Örnek kart oluşturuluyor", lambda task: media_actions.create_sample_card(base),
                         self._on_sample_created)

    def _on_sample_created(self, sd_root: str) -> None:
        self.tasks.append_log(f"Örnek SD kart oluşturuldu: {sd_root}")
        self.set_folder(sd_root)
        self.refresh()

    def _nothing_to_do(self, title: str, text: str) -> None:
        """Says why an action has no sets: a pulled card is named as such, not as an empty list."""
        card = self._pulled_card
        if card is not None and card.holds(self.listed_folder) and not os.path.isdir(self.listed_folder):
            dialogs.show_error(self, title, f"Kart çıkarıldı: {card.name()}. Kartı yeniden takın ya da başka "
                                            "bir klasör seçin.")
        else:
            dialogs.show_info(self, title, text)

    def _on_import(self) -> None:
        sets = self.selected_sets()
        if not sets:
            self._nothing_to_do("İçe aktar", "İçe aktarılacak set yok.")
            return
        start = self.settings.text(WindowSettings.IMPORT_DESTINATION) or self.base_dir
        dest = dialogs.choose_folder(self, "Hedef klasörü seçin", start)
        if not dest:
            return
        self.settings.set_text(WindowSettings.IMPORT_DESTINATION, dest)
        source = self.listed_folder
        convert = self.chk_convert_on_import.isChecked()
        self.tasks.start("İçe aktarılıyor",
                         lambda task: media_actions.import_sets(task, source, dest, sets, convert),
                         self._on_imported, destination=dest)

    def _on_imported(self, result) -> None:
        for line in result.track_lines():
            self.tasks.append_log(f"  {line}")
        text = "\n".join(result.copy_lines() + result.track_lines())
        if result.missing_on_card or result.track_failures:
            dialogs.show_error(self, "İçe aktarma eksik kaldı", text)
        elif not result.copied and result.already_there:
            dialogs.show_info(self, "İçe aktarma: yeni dosya yok", text)
        else:
            dialogs.show_info(self, "İçe aktarma tamamlandı", text)

    def _on_cleanup(self) -> None:
        sets = self.selected_sets()
        if not sets:
            self._nothing_to_do("Temizle", "Temizlenecek set yok.")
            return
        folder = self.listed_folder
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
        for path, reason in done.skipped:
            self.tasks.append_log(f"Silinemedi, atlandı: {path} ({reason})")
        missed = len(done.skipped) or plan.count - done.count
        if missed > 0:
            dialogs.show_error(self, "Temizlik", f"{missed} dosya silinemedi (ayrıntılar kayıtlarda). "
                                                 f"{done.count} dosya silindi.")
        self.refresh()

    def _on_row_double_clicked(self, _row: int, _column: int) -> None:
        self._on_play()

    def _on_play(self) -> None:
        sets = self.selected_sets()
        if not sets:
            self._nothing_to_do("Oynat", "Oynatılacak set yok.")
            return
        folder, index = self.listed_folder, sets[0].index
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

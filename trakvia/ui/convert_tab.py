"""The "Dönüştür" tab: batch conversion of a telemetry file or folder into GPS tracks."""
import os
from typing import List, Sequence

from PyQt5.QtCore import QUrl
from PyQt5.QtGui import QDesktopServices
from PyQt5.QtWidgets import (QCheckBox, QComboBox, QGridLayout, QGroupBox, QHBoxLayout, QLabel, QLineEdit,
                             QPushButton, QVBoxLayout, QWidget)

from . import dialogs, media_actions
from .settings import WindowSettings
from .task_panel import TaskPanel

TELEMETRY_FILTER = "Telemetri (*.srt *.SRT *.gpx *.GPX);;Tüm dosyalar (*)"


class ConvertTab(QWidget):
    def __init__(self, base_dir: str, settings: WindowSettings, parent=None):
        super().__init__(parent)
        self.base_dir = base_dir
        self.settings = settings
        self._pending_files: List[str] = []
        self._build()
        self._connect_signals()

    def _build(self) -> None:
        self.txt_input = QLineEdit(self.base_dir)
        self.txt_input.setPlaceholderText("SRT/GPX dosyası veya SD kart / klasör")
        self.btn_input_file = QPushButton("Dosya…")
        self.btn_input_dir = QPushButton("Klasör…")
        self.txt_output = QLineEdit(self.settings.text(WindowSettings.OUTPUT_FOLDER)
                                    or media_actions.default_output_folder(self.base_dir))
        self.btn_output = QPushButton("Gözat…")
        self.cmb_sample = QComboBox()
        defaults = media_actions.default_options()
        for key, title in media_actions.sample_modes():
            self.cmb_sample.addItem(title, key)
        remembered = self.cmb_sample.findData(self.settings.text(WindowSettings.SAMPLE_MODE))
        self.cmb_sample.setCurrentIndex(remembered if remembered >= 0 else self.cmb_sample.findData(defaults.sample_mode))
        self.format_boxes = {}
        formats = QHBoxLayout()
        for key, title in media_actions.output_formats():
            box = QCheckBox(title)
            box.setChecked(key in defaults.formats)
            self.format_boxes[key] = box
            formats.addWidget(box)
        formats.addStretch(1)
        self.btn_start = QPushButton("Dönüştür")
        self.btn_start.setObjectName("primary")
        self.btn_open_output = QPushButton("Çıktı klasörünü aç")
        self.tasks = TaskPanel(self, log_lines=4)

        box = QGroupBox("Dönüştürme ayarları")
        grid = QGridLayout(box)
        grid.addWidget(QLabel("Girdi:"), 0, 0)
        grid.addWidget(self.txt_input, 0, 1)
        grid.addWidget(self.btn_input_file, 0, 2)
        grid.addWidget(self.btn_input_dir, 0, 3)
        grid.addWidget(QLabel("Çıktı klasörü:"), 1, 0)
        grid.addWidget(self.txt_output, 1, 1)
        grid.addWidget(self.btn_output, 1, 2, 1, 2)
        grid.addWidget(QLabel("Örnekleme:"), 2, 0)
        grid.addWidget(self.cmb_sample, 2, 1)
        grid.addWidget(QLabel("Biçimler:"), 3, 0)
        grid.addLayout(formats, 3, 1, 1, 3)
        grid.setColumnStretch(1, 1)
        buttons = QHBoxLayout()
        buttons.addWidget(self.btn_start)
        buttons.addWidget(self.btn_open_output)
        buttons.addStretch(1)
        layout = QVBoxLayout(self)
        layout.addWidget(box)
        layout.addLayout(buttons)
        layout.addWidget(self.tasks, 1)

    def _connect_signals(self) -> None:
        self.btn_input_file.clicked.connect(self._on_choose_input_file)
        self.btn_input_dir.clicked.connect(self._on_choose_input_dir)
        self.btn_output.clicked.connect(self._on_choose_output)
        self.btn_start.clicked.connect(self._on_start)
        self.btn_open_output.clicked.connect(self._on_open_output)
        self.txt_input.textEdited.connect(self._on_input_edited)
        self.tasks.busy_changed.connect(self._on_busy_changed)
        self.cmb_sample.currentIndexChanged.connect(self._on_sample_changed)
        self.txt_output.editingFinished.connect(self._on_output_edited)

    def selected_formats(self) -> List[str]:
        return [key for key, box in self.format_boxes.items() if box.isChecked()]

    def set_input_files(self, paths: Sequence[str]) -> None:
        """Takes a list of files (from the "SD kart" tab) as the input of the next run."""
        self._pending_files = list(paths)
        shown = paths[0] if len(paths) == 1 else f"{len(paths)} dosya seçildi (SD kart sekmesinden)"
        self.txt_input.setText(shown)

    def start_conversion(self) -> bool:
        output = self.txt_output.text().strip()
        formats = self.selected_formats()
        if not formats:
            dialogs.show_error(self, "Dönüştür", "En az bir çıktı biçimi seçin.")
            return False
        if not output:
            dialogs.show_error(self, "Dönüştür", "Çıktı klasörünü seçin.")
            return False
        output = os.path.abspath(output)
        files, source = list(self._pending_files), self.txt_input.text().strip()
        if not files and not source:
            dialogs.show_error(self, "Dönüştür", "Dönüştürülecek dosya veya klasörü seçin.")
            return False
        sample = self.cmb_sample.currentData()

        def job(task):
            inputs = files or media_actions.collect_inputs(source, output)
            if not inputs:
                raise ValueError(f"Dönüştürülecek SRT/GPX dosyası bulunamadı: {source}")
            task.log(f"{len(inputs)} dosya dönüştürülecek → {output}")
            return media_actions.convert_files(task, inputs, output, sample, formats)

        self.settings.set_text(WindowSettings.OUTPUT_FOLDER, output)
        return self.tasks.start("Dönüştürülüyor", job, self._on_converted, destination=output)

    def _on_converted(self, batch) -> None:
        line = f"Bitti: {batch.counts()}"
        self.tasks.append_log(line)
        if batch.failed or not batch.converted:
            dialogs.show_error(self, "Dönüştür", line)

    def _on_start(self) -> None:
        self.start_conversion()

    def _on_input_edited(self, _text: str) -> None:
        self._pending_files = []

    def _on_choose_input_file(self) -> None:
        path = dialogs.choose_file(self, "Telemetri dosyası seçin", self.base_dir, TELEMETRY_FILTER)
        if path:
            self._pending_files = []
            self.txt_input.setText(path)

    def _on_choose_input_dir(self) -> None:
        path = dialogs.choose_folder(self, "SD kart veya klasör seçin", self.base_dir)
        if path:
            self._pending_files = []
            self.txt_input.setText(path)

    def _on_choose_output(self) -> None:
        path = dialogs.choose_folder(self, "Çıktı klasörünü seçin", self.txt_output.text() or self.base_dir)
        if path:
            self.txt_output.setText(path)
            self._on_output_edited()

    def _on_open_output(self) -> None:
        folder = os.path.abspath(self.txt_output.text().strip() or self.base_dir)
        if not os.path.isdir(folder):
            dialogs.show_info(self, "Çıktı klasörü", f"Klasör henüz yok: {folder}")
            return
        QDesktopServices.openUrl(QUrl.fromLocalFile(folder))

    def _on_sample_changed(self, _index: int) -> None:
        self.settings.set_text(WindowSettings.SAMPLE_MODE, self.cmb_sample.currentData())

    def _on_output_edited(self) -> None:
        self.settings.set_text(WindowSettings.OUTPUT_FOLDER, self.txt_output.text().strip())

    def _on_busy_changed(self, busy: bool) -> None:
        self.btn_start.setEnabled(not busy)

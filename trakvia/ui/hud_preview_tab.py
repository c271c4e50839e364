"""The "HUD önizleme" tab: a telemetry overlay drawn over a neutral frame, in a chosen theme."""
import os
import shutil
import tempfile
from typing import Optional

from PyQt5.QtCore import QRectF, QSize, Qt, QTimer, pyqtSignal
from PyQt5.QtGui import QColor, QImage, QPainter
from PyQt5.QtWidgets import (QComboBox, QHBoxLayout, QLabel, QLineEdit, QPushButton, QSizePolicy, QSlider,
                             QVBoxLayout, QWidget)

from . import dialogs, media_actions
from .convert_tab import TELEMETRY_FILTER
from .hud_renderer import format_distance, format_elapsed, render_hud
from .hud_themes import THEMES, theme_at
from .hud_track import HudTrack, column_summary, demo_track, load_track
from .task_panel import TaskPanel
from .workers import PreviewRenderWorker

_SLIDER_STEPS_PER_S = 10
_PLAY_INTERVAL_MS = 100


class HudView(QWidget):
    """Shows the last rendered frame, letter-boxed to 16:9."""

    resized = pyqtSignal()

    def __init__(self, parent=None):
        super().__init__(parent)
        self.image: Optional[QImage] = None
        self.setMinimumSize(480, 270)
        self.setSizePolicy(QSizePolicy.Expanding, QSizePolicy.Expanding)

    def frame_size(self) -> QSize:
        w, h = self.width(), self.height()
        if w * 9 > h * 16:
            w = h * 16 // 9
        else:
            h = w * 9 // 16
        return QSize(max(16, w), max(9, h))

    def set_image(self, image: QImage) -> None:
        self.image = image
        self.update()

    def resizeEvent(self, event) -> None:
        super().resizeEvent(event)
        self.resized.emit()

    def paintEvent(self, _event) -> None:
        p = QPainter(self)
        p.fillRect(self.rect(), QColor(24, 26, 30))
        if self.image is not None:
            size = self.frame_size()
            target = QRectF((self.width() - size.width()) / 2, (self.height() - size.height()) / 2,
                            size.width(), size.height())
            p.setRenderHint(QPainter.SmoothPixmapTransform)
            p.drawImage(target, self.image)
        p.end()


class HudPreviewTab(QWidget):
    def __init__(self, parent=None):
        super().__init__(parent)
        self.track: HudTrack = demo_track()
        self.render_worker = PreviewRenderWorker(self)
        self._sample_dir: Optional[str] = None
        self._play_timer = QTimer(self)
        self._play_timer.setInterval(_PLAY_INTERVAL_MS)
        self._build()
        self._connect_signals()
        self._apply_track(self.track, "Örnek uçuş (telemetri yüklenmedi)")

    def _build(self) -> None:
        self.txt_file = QLineEdit()
        self.txt_file.setReadOnly(True)
        self.btn_open = QPushButton("Dosya seç…")
        self.btn_sample = QPushButton("Örnek telemetri")
        self.cmb_theme = QComboBox()
        for theme in THEMES:
            self.cmb_theme.addItem(theme.title, theme.key)
        self.view = HudView()
        self.btn_play = QPushButton("▶ Oynat")
        self.btn_play.setCheckable(True)
        self.slider = QSlider(Qt.Horizontal)
        self.lbl_time = QLabel()
        self.lbl_info = QLabel()
        self.lbl_info.setWordWrap(True)
        self.tasks = TaskPanel(self, log_lines=0)

        top = QHBoxLayout()
        top.addWidget(QLabel("Telemetri:"))
        top.addWidget(self.txt_file, 1)
        top.addWidget(self.btn_open)
        top.addWidget(self.btn_sample)
        top.addSpacing(16)
        top.addWidget(QLabel("Tema:"))
        top.addWidget(self.cmb_theme)
        timeline = QHBoxLayout()
        timeline.addWidget(self.btn_play)
        timeline.addWidget(self.slider, 1)
        timeline.addWidget(self.lbl_time)
        layout = QVBoxLayout(self)
        layout.addLayout(top)
        layout.addWidget(self.view, 1)
        layout.addLayout(timeline)
        layout.addWidget(self.lbl_info)
        layout.addWidget(self.tasks)

    def _connect_signals(self) -> None:
        self.btn_open.clicked.connect(self._on_open_file)
        self.btn_sample.clicked.connect(self._on_load_sample)
        self.cmb_theme.currentIndexChanged.connect(self._on_theme_changed)
        self.slider.valueChanged.connect(self._on_slider_moved)
        self.btn_play.toggled.connect(self._on_play_toggled)
        self._play_timer.timeout.connect(self._on_play_tick)
        self.render_worker.frame_ready.connect(self._on_frame_ready)
        self.view.resized.connect(self._on_view_resized)

    # -- state ---------------------------------------------------------------------------------
    @property
    def position_s(self) -> float:
        return self.slider.value() / _SLIDER_STEPS_PER_S

    def busy_thread(self):
        """The thread the preview is waiting for: the track loader, else the frame renderer."""
        return self.tasks.thread or self.render_worker

    def render_now(self) -> None:
        """Draws the current frame on the GUI thread, so the view is current when this returns."""
        self.render_worker.discard_pending()
        size = self.view.frame_size()
        self.view.set_image(render_hud(size.width(), size.height(), self.track, self.position_s,
                                       theme_at(self.cmb_theme.currentIndex())))

    def request_frame(self) -> None:
        size = self.view.frame_size()
        self.render_worker.request(size.width(), size.height(), self.track, self.position_s,
                                   theme_at(self.cmb_theme.currentIndex()))

    def load_file(self, path: str) -> None:
        self.tasks.start("Telemetri okunuyor", lambda task: load_track(path),
                         lambda track: self._on_track_loaded(track, path))

    def load_sample(self) -> None:
        """Loads the converter's sample telemetry (written into a private temporary folder)."""
        if self._sample_dir is None:
            self._sample_dir = tempfile.mkdtemp(prefix="trakvia_ornek_")
        folder = self._sample_dir

        def job(task):
            files = media_actions.sample_telemetry_files(folder)
            if not files:
                raise ValueError("Dönüştürücü örnek telemetri dosyası üretmedi.")
            return files[0], load_track(files[0])

        self.tasks.start("Örnek telemetri hazırlanıyor", job,
                         lambda result: self._on_track_loaded(
                             result[1], f"Örnek telemetri: {os.path.basename(result[0])}"))

    def shutdown(self) -> None:
        self._play_timer.stop()
        self.tasks.stop()
        self.render_worker.discard_pending()
        self.render_worker.wait(3000)
        if self._sample_dir:
            shutil.rmtree(self._sample_dir, ignore_errors=True)

    def _apply_track(self, track: HudTrack, label: str) -> None:
        self.track = track
        self.txt_file.setText(label)
        self.slider.blockSignals(True)
        self.slider.setRange(0, int(track.duration_s * _SLIDER_STEPS_PER_S))
        # open a third into the flight, where speed and distance already say something
        self.slider.setValue(self.slider.maximum() // 3)
        self.slider.blockSignals(False)
        info = column_summary(track)
        self.lbl_info.setText(
            f"{track.name}: {int(info['points'])} nokta, süre {format_elapsed(info['duration_s'])}, "
            f"mesafe {format_distance(info['distance_m'])}, en yüksek hız {info['max_speed_kmh']:.1f} km/sa, "
            f"en yüksek irtifa {info['max_alt_m']:.0f} m")
        self._update_time_label()
        self.render_now()

    def _update_time_label(self) -> None:
        self.lbl_time.setText(f"{format_elapsed(self.position_s)} / {format_elapsed(self.track.duration_s)}")

    # -- slots ------------------------------------------------------------------------------------
    def _on_track_loaded(self, track: HudTrack, label: str) -> None:
        if not track.points:
            dialogs.show_error(self, "HUD önizleme", f"Dosyada konum bilgisi olan nokta yok:\n{label}")
            return
        self._apply_track(track, label)

    def _on_open_file(self) -> None:
        path = dialogs.choose_file(self, "Telemetri dosyası seçin", os.path.expanduser("~"), TELEMETRY_FILTER)
        if path:
            self.load_file(path)

    def _on_load_sample(self) -> None:
        self.load_sample()

    def _on_theme_changed(self, _index: int) -> None:
        self.render_now()

    def _on_slider_moved(self, _value: int) -> None:
        self._update_time_label()
        self.request_frame()

    def _on_play_toggled(self, playing: bool) -> None:
        self.btn_play.setText("⏸ Duraklat" if playing else "▶ Oynat")
        if playing:
            if self.slider.value() >= self.slider.maximum():
                self.slider.setValue(0)
            self._play_timer.start()
        else:
            self._play_timer.stop()

    def _on_play_tick(self) -> None:
        step = _PLAY_INTERVAL_MS * _SLIDER_STEPS_PER_S // 1000
        if self.slider.value() >= self.slider.maximum():
            self.btn_play.setChecked(False)
            return
        self.slider.setValue(min(self.slider.maximum(), self.slider.value() + max(1, step)))

    def _on_frame_ready(self, image: QImage, serial: int) -> None:
        if serial == self.render_worker.latest_serial():   # older frames are stale
            self.view.set_image(image)

    def _on_view_resized(self) -> None:
        self.render_now()

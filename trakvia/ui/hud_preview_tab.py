"""The "HUD önizleme" tab: the telemetry overlay over the clip's real frames, and the export.

A clip (or a telemetry file alone) is chosen; the LRF preview of the clip is decoded by the
preview worker (the main video when there is no LRF). While the slider is dragged the worker
shows the keyframe before the time, on release and pause the exact frame, during playback the
frames in order. "Videoya aktar…" writes the main video with the HUD burned in.
"""
import os
import time
from dataclasses import dataclass
from typing import Optional

import av
from PyQt5.QtCore import QRectF, QSize, Qt, QTimer, pyqtSignal
from PyQt5.QtGui import QColor, QImage, QPainter
from PyQt5.QtWidgets import (QComboBox, QDoubleSpinBox, QHBoxLayout, QLabel, QLineEdit, QPushButton, QSizePolicy,
                             QSlider, QStyle, QVBoxLayout, QWidget)

from . import dialogs
from .convert_tab import TELEMETRY_FILTER
from .hud_clip import companion_file
from .hud_preview_worker import EXACT, KEYFRAME, FrameRequest, PreviewFrame, PreviewRenderWorker
from .hud_renderer import format_elapsed, hud_image, track_summary
from .hud_sample_clip import existing_sample, sample_clip
from .hud_themes import THEMES, theme_at
from .hud_track import HudTrack, demo_track
from .hud_track_source import TrackLoadCancelled, load_track
from .hud_video import ExportCancelled, default_output_path, export_with_track
from .task_panel import TaskPanel
from .thread_priority import lower_current_thread_priority
from .workers import TaskCancelled

_SLIDER_STEPS_PER_S = 100
_MB = 1024 * 1024
_PLAY_INTERVAL_MS = 40
_VIDEO_EXTS = (".mp4", ".mov", ".lrf")
_CLIP_FILTER = "Klip ya da telemetri (*.MP4 *.mp4 *.MOV *.mov *.SRT *.srt *.GPX *.gpx);;Tüm dosyalar (*)"
_QUALITIES = (("Normal (x264 veryfast)", "veryfast"), ("Hızlı (x264 ultrafast)", "ultrafast"))
_HEIGHTS = (("Kaynak çözünürlüğü", None), ("1080p", 1080))



def _read_track(task, telemetry: str) -> HudTrack:
    """The converter's track of `telemetry`, with the bytes read shown and İptal honoured."""
    name = os.path.basename(telemetry)

    def progress(done: int, total: int) -> None:
        task.report_bytes(done, total, f"Telemetri okunuyor: {name} — {done / _MB:.0f} / {total / _MB:.0f} MB")

    try:
        return load_track(telemetry, progress, lambda: task.cancel_requested)
    except TrackLoadCancelled:
        raise TaskCancelled() from None

@dataclass(frozen=True)
class Clip:
    video_path: str        # exported
    preview_path: str      # decoded for the preview: the LRF, else the video itself
    duration_s: float


def _clip_duration_s(path: str) -> float:
    with av.open(path) as container:
        stream = container.streams.video[0]
        if stream.duration is not None:
            return float(stream.duration * stream.time_base)
        return float(container.duration or 0) / av.time_base


def _stop_requested(task) -> bool:
    try:
        task.check_cancelled()
    except TaskCancelled:
        return True
    return False


class HudView(QWidget):
    """Shows the last rendered frame, letter-boxed to 16:9."""

    resized = pyqtSignal()

    def __init__(self, parent=None):
        super().__init__(parent)
        self.image: Optional[QImage] = None
        # 16:9 and small enough that the tab fits a 1366x768 screen at 150 % (480 px of client
        # height) with Windows' taller controls.
        self.setMinimumSize(416, 234)
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
    def __init__(self, work_dir: Optional[str] = None, parent=None):
        super().__init__(parent)
        self.work_dir = work_dir
        self.track: HudTrack = demo_track()
        self.clip: Optional[Clip] = None
        self.render_worker = PreviewRenderWorker(self)
        self._last: Optional[PreviewFrame] = None
        self._sample_wanted = False     # make the sample clip when the tab is first shown
        self._play_timer = QTimer(self)
        self._play_timer.setInterval(_PLAY_INTERVAL_MS)
        self._play_started = (0.0, 0.0)   # (monotonic clock, slider seconds) when play began
        self._build()
        self._connect_signals()
        self._apply(self.track, None, "Örnek uçuş (telemetri yüklenmedi)")

    def _build(self) -> None:
        self.txt_file = QLineEdit()
        self.txt_file.setReadOnly(True)
        self.btn_open = QPushButton("Dosya seç…")
        self.btn_open.setToolTip("Bir klip (MP4/MOV; yanındaki LRF ve SRT ile) ya da yalnız telemetri (SRT/GPX)")
        self.btn_sample = QPushButton("Örnek klip")
        self.cmb_theme = QComboBox()
        for theme in THEMES:
            self.cmb_theme.addItem(theme.title, theme.key)
        self.view = HudView()
        # The style's own icons: a "▶" glyph takes the line height of whichever font has it,
        # which made the row 67 px tall under Windows' font fallback in our checks.
        self.btn_play = QPushButton(self.style().standardIcon(QStyle.SP_MediaPlay), "Oynat")
        self.btn_play.setCheckable(True)
        self.slider = QSlider(Qt.Horizontal)
        self.lbl_time = QLabel()
        self.spin_offset = QDoubleSpinBox()
        self.spin_offset.setRange(-3600.0, 3600.0)
        self.spin_offset.setDecimals(2)
        self.spin_offset.setSingleStep(0.1)
        self.spin_offset.setSuffix(" sn")
        self.spin_offset.setToolTip("HUD'u görüntüyle hizalamak için telemetri zamanına eklenen süre")
        self.cmb_quality = QComboBox()
        for title, key in _QUALITIES:
            self.cmb_quality.addItem(title, key)
        self.cmb_height = QComboBox()
        for title, height in _HEIGHTS:
            self.cmb_height.addItem(title, height)
        self.btn_export = QPushButton("Videoya aktar…")
        self.btn_export.setObjectName("primary")
        self.lbl_info = QLabel()
        self.lbl_info.setWordWrap(True)
        self.tasks = TaskPanel(self, log_lines=0)

        top = QHBoxLayout()
        top.addWidget(QLabel("Klip:"))
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
        export = QHBoxLayout()
        export.addWidget(QLabel("HUD kayması:"))
        export.addWidget(self.spin_offset)
        export.addSpacing(16)
        export.addWidget(QLabel("Kalite:"))
        export.addWidget(self.cmb_quality)
        export.addWidget(QLabel("Yükseklik:"))
        export.addWidget(self.cmb_height)
        export.addStretch(1)
        export.addWidget(self.btn_export)
        layout = QVBoxLayout(self)
        layout.addLayout(top)
        layout.addWidget(self.view, 1)
        layout.addLayout(timeline)
        layout.addLayout(export)
        layout.addWidget(self.lbl_info)
        layout.addWidget(self.tasks)

    def _connect_signals(self) -> None:
        self.btn_open.clicked.connect(self._on_open_file)
        self.btn_sample.clicked.connect(self._on_load_sample)
        self.btn_export.clicked.connect(self._on_export)
        self.cmb_theme.currentIndexChanged.connect(self._on_theme_changed)
        self.spin_offset.valueChanged.connect(self._on_offset_changed)
        self.slider.valueChanged.connect(self._on_slider_moved)
        self.slider.sliderReleased.connect(self._on_slider_released)
        self.btn_play.toggled.connect(self._on_play_toggled)
        self._play_timer.timeout.connect(self._on_play_tick)
        self.render_worker.frame_ready.connect(self._on_frame_ready)
        self.render_worker.frame_failed.connect(self._on_frame_failed)
        self.view.resized.connect(self._on_view_resized)
        self.tasks.busy_changed.connect(self._update_buttons)

    # -- state ---------------------------------------------------------------------------------
    @property
    def position_s(self) -> float:
        """The slider's time: on the video clock with a clip, on the track's clock without."""
        base = 0.0 if self.clip else self.track.start_s
        return base + self.slider.value() / _SLIDER_STEPS_PER_S

    def busy_thread(self):
        """The thread the preview is waiting for: the loader, else the frame renderer."""
        return self.tasks.thread or self.render_worker

    def request_frame(self, mode: str = EXACT) -> None:
        size = self.view.frame_size()
        self.render_worker.request(FrameRequest(
            size.width(), size.height(), self.track, self.position_s, theme_at(self.cmb_theme.currentIndex()),
            self.clip.preview_path if self.clip else None, mode, self.spin_offset.value()))

    def render_now(self) -> None:
        """Repaints the HUD over the last picture on the GUI thread (no decoding), so the view
        is current when this returns; the worker then brings the exact frame."""
        size = self.view.frame_size()
        theme = theme_at(self.cmb_theme.currentIndex())
        if self.clip is None:
            self.render_worker.discard_pending()
            self.view.set_image(hud_image(size.width(), size.height(), self.track, self.position_s, theme))
            return
        if self._last is not None:
            self.view.set_image(hud_image(size.width(), size.height(), self.track, self._last.hud_t_s, theme,
                                          self._last.background))
        self.request_frame()

    def load_file(self, path: str) -> None:
        """Loads a clip (its LRF for the preview, its SRT for the HUD) or a telemetry file; a
        telemetry file with a video of the same name beside it loads as that clip."""
        self._sample_wanted = False
        is_video = path.lower().endswith(_VIDEO_EXTS)
        video = path if is_video else companion_file(path, ".mp4", ".mov")
        self.tasks.start("Klip okunuyor" if video else "Telemetri okunuyor",
                         lambda task: self._read(task, video, None if is_video else path),
                         lambda result: self._apply(*result))

    def load_sample(self) -> None:
        """Shows the sample clip from the work folder; it is made when the tab is first shown."""
        existing = existing_sample(self.work_dir) if self.work_dir else None
        if existing:
            self.load_file(existing)
        else:
            self._sample_wanted = self.work_dir is not None

    def make_sample(self) -> None:
        if self.work_dir is None:
            return
        folder = self.work_dir
        self.tasks.start("Örnek klip hazırlanıyor",
                         lambda task: self._read(task, sample_clip(folder, task.check_cancelled), None),
                         lambda result: self._apply(*result))

    def shutdown(self) -> None:
        self._play_timer.stop()
        self.tasks.stop()
        self.render_worker.discard_pending()
        self.render_worker.wait(3000)
        if not self.render_worker.isRunning():
            self.render_worker.close_clip()

    @staticmethod
    def _read(task, video: Optional[str], telemetry: Optional[str]):
        """Loader job (off the GUI thread): the track and the clip's facts. A video found beside
        a telemetry file that cannot be decoded (a placeholder) leaves the telemetry alone."""
        if video is None:
            return _read_track(task, telemetry), None, os.path.basename(telemetry)
        chosen_video = telemetry is None
        telemetry = telemetry or companion_file(video, ".srt")
        if telemetry is None:
            raise ValueError(f"Bu klibin yanında SRT telemetri dosyası yok: {os.path.basename(video)}")
        track = _read_track(task, telemetry)
        preview = companion_file(video, ".lrf") or video
        try:
            clip = Clip(video, preview, _clip_duration_s(preview))
        except (av.FFmpegError, IndexError):
            if chosen_video:
                raise ValueError(f"Video okunamadı: {os.path.basename(preview)}") from None
            return track, None, os.path.basename(telemetry)
        return track, clip, f"{os.path.basename(video)} · {os.path.basename(telemetry)}"

    def _apply(self, track: HudTrack, clip: Optional[Clip], label: str) -> None:
        self.btn_play.setChecked(False)
        self.track, self.clip, self._last = track, clip, None
        self.txt_file.setText(label)
        duration = clip.duration_s if clip else track.duration_s
        self.slider.blockSignals(True)
        self.slider.setRange(0, int(duration * _SLIDER_STEPS_PER_S))
        # a clip opens at its start; a track a third in, where speed and distance say something
        self.slider.setValue(0 if clip else self.slider.maximum() // 3)
        self.slider.blockSignals(False)
        source = f" — önizleme: {os.path.basename(clip.preview_path)}" if clip else ""
        self.lbl_info.setText(f"{track_summary(track)}{source}")
        self._update_time_label()
        self._update_buttons()
        self.render_now()

    def _update_time_label(self) -> None:
        total = self.clip.duration_s if self.clip else self.track.duration_s
        done = self.slider.value() / _SLIDER_STEPS_PER_S
        self.lbl_time.setText(f"{format_elapsed(done)} / {format_elapsed(total)}")

    def _update_buttons(self, *_args) -> None:
        self.btn_export.setEnabled(self.clip is not None and not self.tasks.is_busy())

    # -- slots ------------------------------------------------------------------------------------
    def showEvent(self, event) -> None:
        super().showEvent(event)
        if self._sample_wanted:   # after the event: a file handed over with the tab switch wins
            QTimer.singleShot(0, self._make_wanted_sample)

    def _make_wanted_sample(self) -> None:
        if self._sample_wanted and not self.tasks.is_busy():
            self._sample_wanted = False
            self.make_sample()

    def _on_open_file(self) -> None:
        start = os.path.dirname(self.clip.video_path) if self.clip else (self.work_dir or os.path.expanduser("~"))
        path = dialogs.choose_file(self, "Klip ya da telemetri dosyası seçin", start,
                                   _CLIP_FILTER + ";;" + TELEMETRY_FILTER)
        if path:
            self.load_file(path)

    def _on_load_sample(self) -> None:
        self.make_sample()

    def _on_theme_changed(self, _index: int) -> None:
        self.render_now()

    def _on_offset_changed(self, _value: float) -> None:
        self.render_now()

    def _on_slider_moved(self, _value: int) -> None:
        self._update_time_label()
        if self._play_timer.isActive():
            self.request_frame(EXACT)
        else:
            self.request_frame(KEYFRAME if self.slider.isSliderDown() else EXACT)

    def _on_slider_released(self) -> None:
        self.request_frame(EXACT)

    def _on_play_toggled(self, playing: bool) -> None:
        self.btn_play.setText("Duraklat" if playing else "Oynat")
        self.btn_play.setIcon(self.style().standardIcon(QStyle.SP_MediaPause if playing else QStyle.SP_MediaPlay))
        if playing:
            if self.slider.value() >= self.slider.maximum():
                self.slider.setValue(0)
            self._play_started = (time.monotonic(), self.slider.value() / _SLIDER_STEPS_PER_S)
            self._play_timer.start()
        else:
            self._play_timer.stop()
            self.request_frame(EXACT)

    def _on_play_tick(self) -> None:
        if self.slider.value() >= self.slider.maximum():
            self.btn_play.setChecked(False)
            return
        began, from_s = self._play_started
        at = from_s + (time.monotonic() - began)   # real time, whatever the timer's jitter
        self.slider.setValue(min(self.slider.maximum(), int(at * _SLIDER_STEPS_PER_S)))

    def _on_frame_ready(self, frame: PreviewFrame, serial: int) -> None:
        if serial == self.render_worker.latest_serial():   # older frames are stale
            self._last = frame
            self.view.set_image(frame.image)

    def _on_frame_failed(self, message: str, serial: int) -> None:
        if serial == self.render_worker.latest_serial():
            self.lbl_info.setText(f"Kare okunamadı: {message}")

    def _on_view_resized(self) -> None:
        self.render_now()

    def _on_export(self) -> None:
        if self.clip is None:
            return
        folder = dialogs.choose_folder(self, "HUD'lu videonun klasörü", os.path.dirname(self.clip.video_path))
        if not folder:
            return
        out = default_output_path(self.clip.video_path, folder)
        video, track = self.clip.video_path, self.track
        theme = theme_at(self.cmb_theme.currentIndex()).key
        quality, height = self.cmb_quality.currentData(), self.cmb_height.currentData()
        offset = self.spin_offset.value()

        def job(task):
            lower_current_thread_priority()   # the window stays quick while the encoder works

            def report(p):
                task.report(p.frames_done, p.frames_total, p.text())
            try:
                return export_with_track(video, track, out, theme, quality, offset, report,
                                         lambda: _stop_requested(task), height)
            except ExportCancelled:
                raise TaskCancelled() from None

        self.tasks.start("Videoya aktarılıyor", job, self._on_exported)

    def _on_exported(self, path: str) -> None:
        self.lbl_info.setText(f"HUD'lu video yazıldı: {path}")

"""The HUD preview's worker thread: decodes the clip's frame for a time and paints the HUD on it."""
from dataclasses import dataclass
from typing import Optional

from PyQt5.QtCore import QMutex, QMutexLocker, QThread, pyqtSignal
from PyQt5.QtGui import QImage

from .hud_clip import ClipFrames, frame_image, hud_time_s
from .hud_renderer import hud_image
from .hud_themes import HudTheme
from .hud_track import HudTrack

# How a frame is found: the keyframe before the time (quick, while dragging) or the exact frame.
KEYFRAME, EXACT = "keyframe", "exact"


@dataclass(frozen=True)
class FrameRequest:
    width: int
    height: int
    track: HudTrack
    t_s: float                   # video time with a clip, track time without one
    theme: HudTheme
    clip_path: Optional[str] = None
    mode: str = EXACT
    offset_s: float = 0.0


@dataclass(frozen=True)
class PreviewFrame:
    image: QImage                # the picture with the HUD
    background: Optional[QImage]  # the picture alone, for repainting the HUD without decoding
    hud_t_s: float


class PreviewRenderWorker(QThread):
    """Renders preview frames off the GUI thread. Requests are coalesced: while a frame is being
    made only the newest request waits, so dragging the time slider never queues up work. The
    worker owns the open clip; it decodes nothing on the GUI thread's behalf."""

    frame_ready = pyqtSignal(object, int)   # PreviewFrame, request number
    frame_failed = pyqtSignal(str, int)

    def __init__(self, parent=None):
        super().__init__(parent)
        self._mutex = QMutex()
        self._pending: Optional[tuple] = None
        self._serial = 0
        self._active = False   # the loop in run() will still look at _pending
        self._clip: Optional[ClipFrames] = None

    def request(self, req: FrameRequest) -> int:
        """Queues a frame and starts the thread when idle; returns the request number."""
        with QMutexLocker(self._mutex):
            self._serial += 1
            self._pending = (self._serial, req)
            serial = self._serial
            must_start, self._active = not self._active, True
        if must_start:
            self.wait()   # a loop that just ended may still be leaving run()
            self.start()
        return serial

    def discard_pending(self) -> None:
        """Drops the waiting request and marks frames in flight as stale."""
        with QMutexLocker(self._mutex):
            self._serial += 1
            self._pending = None

    def latest_serial(self) -> int:
        with QMutexLocker(self._mutex):
            return self._serial

    def run(self) -> None:
        # The clip stays open between bursts of requests: the next one continues from there.
        while True:
            with QMutexLocker(self._mutex):
                job, self._pending = self._pending, None
                if job is None:
                    self._active = False
                    return
            serial, req = job
            try:
                self.frame_ready.emit(self._make(req), serial)
            except Exception as exc:   # an unreadable clip: said in the tab, never a crash
                self._close_clip()
                self.frame_failed.emit(str(exc), serial)

    def close_clip(self) -> None:
        """Closes the open clip; call only while the thread is not running."""
        self._close_clip()

    def _close_clip(self) -> None:
        if self._clip is not None:
            self._clip.close()
            self._clip = None

    def _make(self, req: FrameRequest) -> PreviewFrame:
        if req.clip_path is None:
            return PreviewFrame(hud_image(req.width, req.height, req.track, req.t_s, req.theme), None, req.t_s)
        if self._clip is None or self._clip.path != req.clip_path:
            self._close_clip()
            self._clip = ClipFrames(req.clip_path)
        clip = self._clip
        frame = clip.keyframe(req.t_s) if req.mode == KEYFRAME else clip.exact(req.t_s)
        hud_t = hud_time_s(req.track, clip.index_of(frame), clip.frame_count, clip.seconds_of(frame), req.offset_s)
        background = frame_image(frame, req.width, req.height)
        return PreviewFrame(hud_image(req.width, req.height, req.track, hud_t, req.theme, background),
                            background, hud_t)

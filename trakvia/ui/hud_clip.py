"""A clip's frames for the HUD: decoding by time, the frame's HUD time, frames as QImages.

PyAV (FFmpeg) decodes. A decoded picture becomes a QImage over a writable buffer of our own
frame: QImage over read-only memory would make QPainter paint a silent copy, and the HUD would
never reach the video.
"""
import os
from bisect import bisect_right
from typing import List, Optional, Tuple

import av
from PyQt5 import sip
from PyQt5.QtGui import QImage

from .hud_track import HudTrack

# Forward decoding beats a seek for jumps shorter than this (playback, small steps).
_DECODE_AHEAD_S = 2.0


def companion_file(path: str, *extensions: str) -> Optional[str]:
    """The file of the same clip with one of `extensions` (DJI_0001.MP4 -> DJI_0001.LRF), in
    either case, when it exists."""
    stem = os.path.splitext(path)[0]
    for ext in extensions:
        for candidate in (stem + ext.upper(), stem + ext.lower()):
            if os.path.isfile(candidate):
                return candidate
    return None


def hud_time_s(track: HudTrack, frame_index: int, frame_count: int, video_s: float, offset_s: float) -> float:
    """The track time shown on a frame. When the file has exactly one telemetry entry per frame,
    frame n shows entry n (cue times rounded to whole milliseconds cannot drift against a
    29.97 fps picture); otherwise the frame's own time on the video clock. Plus the user's offset."""
    if frame_count and frame_count == track.entry_count:
        entry_s = track.entry_time_s(frame_index)
        if entry_s is not None:
            return entry_s + offset_s
    return video_s + offset_s


def writable_image(frame: av.VideoFrame) -> QImage:
    """A QImage that paints straight into `frame` (format "bgra"); valid while `frame` lives."""
    plane = frame.planes[0]
    return QImage(sip.voidptr(plane.buffer_ptr), frame.width, frame.height, plane.line_size,
                  QImage.Format_RGB32)


def frame_image(frame: av.VideoFrame, width: int, height: int) -> QImage:
    """A copy of `frame` scaled to width x height, as an independent QImage."""
    bgra = frame.reformat(width=width, height=height, format="bgra")
    return writable_image(bgra).copy()


def unreadable_video(path: str, exc: Exception) -> Exception:
    """FFmpeg's own errors say what went wrong in English; the user gets a Turkish sentence
    (the original stays chained for the log). Errors of the file system pass unchanged."""
    if isinstance(exc, OSError):
        return exc
    error = ValueError(f"Video okunamadı (bozuk ya da desteklenmeyen dosya): {os.path.basename(path)}")
    error.__cause__ = exc
    return error


def open_video(path: str, threads: str = "AUTO") -> Tuple[av.container.InputContainer, av.video.stream.VideoStream]:
    """The file and its first video stream. "AUTO" decodes with frame threads (1.1-1.7x the
    throughput of FFmpeg's default here), for reading every frame; "SLICE" keeps a seek's
    first frame quick, as frame threads fill their pipeline before the first picture comes out."""
    try:
        container = av.open(path)
    except av.FFmpegError as exc:
        raise unreadable_video(path, exc)
    if not container.streams.video:
        container.close()
        raise ValueError(f"Dosyada video akışı yok: {os.path.basename(path)}")
    stream = container.streams.video[0]
    stream.thread_type = threads
    return container, stream


def frame_times(path: str) -> List[int]:
    """Presentation times of every frame in the file, sorted, read from the packets only."""
    container, stream = open_video(path)
    try:
        return sorted(p.pts for p in container.demux(stream) if p.pts is not None and p.size)
    finally:
        container.close()


class ClipFrames:
    """Frames of one clip looked up by time (seconds from the clip's first frame). Owned by a
    single thread: the preview worker."""

    def __init__(self, path: str):
        self.path = path
        self._pts = frame_times(path)
        self._container, self._stream = open_video(path, threads="SLICE")
        self._tb = float(self._stream.time_base)
        self._start = self._pts[0] if self._pts else 0
        self._frames = None        # the decoder's iterator, positioned after self._last
        self._last: Optional[av.VideoFrame] = None
        self._ahead: Optional[av.VideoFrame] = None   # decoded, but after the frame asked for

    @property
    def frame_count(self) -> int:
        return len(self._pts)

    @property
    def duration_s(self) -> float:
        if len(self._pts) < 2:
            return 0.0
        step = self._pts[-1] - self._pts[-2]
        return (self._pts[-1] + step - self._start) * self._tb

    def index_of(self, frame: av.VideoFrame) -> int:
        return max(0, bisect_right(self._pts, frame.pts) - 1)

    def seconds_of(self, frame: av.VideoFrame) -> float:
        return (frame.pts - self._start) * self._tb

    def close(self) -> None:
        self._frames = self._last = self._ahead = None
        self._container.close()

    def _seek(self, t_s: float) -> None:
        self._container.seek(self._start + int(t_s / self._tb), stream=self._stream, backward=True)
        self._frames = self._container.decode(self._stream)
        self._last = self._ahead = None

    def _next(self) -> Optional[av.VideoFrame]:
        frame, self._ahead = self._ahead, None
        if frame is None:
            frame = next(self._frames, None)
        if frame is not None:
            self._last = frame
        return frame

    def keyframe(self, t_s: float) -> av.VideoFrame:
        """The keyframe at or before `t_s`: quick, for dragging."""
        self._seek(t_s)
        frame = self._next()
        if frame is None:
            raise ValueError("Videoda bu zamanda kare yok.")
        return frame

    def exact(self, t_s: float) -> av.VideoFrame:
        """The frame shown at `t_s`: the last one that starts at or before it. Decodes forward
        from the current frame when `t_s` is a little ahead (playback), else from a keyframe."""
        target = self._start + round(t_s / self._tb)
        target = self._pts[max(0, bisect_right(self._pts, target) - 1)] if self._pts else target
        last = self._last
        if last is None or last.pts > target or (target - last.pts) * self._tb > _DECODE_AHEAD_S:
            self._seek(t_s)
            last = self._next()
        while last is not None and last.pts < target:
            frame = self._next()
            if frame is None:
                break
            if frame.pts > target:   # a gap in the timestamps: keep the frame before it
                self._last, self._ahead = last, frame
                break
            last = frame
        if last is None:
            raise ValueError("Videoda bu zamanda kare yok.")
        return last

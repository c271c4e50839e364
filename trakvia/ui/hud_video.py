"""Exports a clip with the HUD burned in: H.264 in MP4, the audio copied, the timestamps kept.

Every frame of the video is decoded, the HUD is painted straight into it, and it is encoded with
its own presentation time in the input's time base, so variable frame rate survives. Audio
packets are copied unchanged. The file is written under a new temporary name beside the target
and put in place only when complete; a cancel or an error removes it.
"""
import copy
import os
import time
from dataclasses import dataclass
from typing import Callable, Optional

import av
from PyQt5.QtGui import QPainter

from .hud_clip import hud_time_s, open_video, unreadable_video, writable_image
from .hud_files import create_temporary_beside, put_in_place, remove_if_present
from .hud_renderer import paint_hud
from .hud_themes import THEMES, HudTheme
from .hud_track import HudTrack

# x264 presets the export offers: "veryfast" (default) and "ultrafast" (shown as "hızlı").
QUALITY_PRESETS = ("veryfast", "ultrafast")
_CRF = "20"
_PROGRESS_INTERVAL_S = 0.25


class ExportCancelled(Exception):
    """The caller's cancel check answered True; nothing was left behind."""


@dataclass(frozen=True)
class ExportProgress:
    frames_done: int
    frames_total: int
    fps: float
    seconds_left: Optional[float]

    def text(self) -> str:
        left = "" if self.seconds_left is None else f", kalan ≈ {_minutes(self.seconds_left)}"
        return f"Video aktarılıyor: {self.frames_done} / {self.frames_total} kare, {self.fps:.1f} kare/sn{left}"


def _minutes(seconds: float) -> str:
    s = int(round(seconds))
    return f"{s // 60} dk {s % 60:02d} sn" if s >= 60 else f"{s} sn"


def theme_by_key(key: str) -> HudTheme:
    for theme in THEMES:
        if theme.key == key:
            return theme
    raise ValueError(f"Bilinmeyen HUD teması: {key!r} (seçenekler: {', '.join(t.key for t in THEMES)})")


def default_output_path(video_path: str, folder: Optional[str] = None) -> str:
    """`<clip>_HUD.mp4` beside the clip or in `folder`; `_HUD_2`, `_HUD_3`... when taken."""
    stem = os.path.splitext(os.path.basename(video_path))[0]
    folder = folder or os.path.dirname(os.path.abspath(video_path))
    path, n = os.path.join(folder, f"{stem}_HUD.mp4"), 2
    while os.path.lexists(path):
        path, n = os.path.join(folder, f"{stem}_HUD_{n}.mp4"), n + 1
    return path


def _frame_count(path: str, stream) -> int:
    if stream.frames:
        return stream.frames
    with av.open(path) as container:
        return sum(1 for p in container.demux(container.streams.video[0]) if p.size)


def export_hud_video(video_path: str, srt_path: str, out_path: str, theme: str = "default",
                     quality: str = "veryfast", offset_s: float = 0.0,
                     progress: Optional[Callable[[ExportProgress], None]] = None,
                     cancel: Optional[Callable[[], bool]] = None, height: Optional[int] = None) -> str:
    """Writes `out_path`: every frame of `video_path` with the HUD of the telemetry `srt_path`
    (SRT or GPX) in `theme`, encoded with x264 `quality` ("veryfast" or "ultrafast") at CRF 20,
    at the source height or `height` (e.g. 1080). `offset_s` shifts the HUD against the picture.
    `progress(ExportProgress)` is called a few times a second; `cancel()` returning True stops
    within a frame. Returns `out_path`."""
    from .hud_track_source import load_track

    return export_with_track(video_path, load_track(srt_path), out_path, theme, quality, offset_s,
                             progress, cancel, height)


def export_with_track(video_path: str, track: HudTrack, out_path: str, theme: str = "default",
                      quality: str = "veryfast", offset_s: float = 0.0,
                      progress: Optional[Callable[[ExportProgress], None]] = None,
                      cancel: Optional[Callable[[], bool]] = None, height: Optional[int] = None) -> str:
    """`export_hud_video` for a track already loaded (the window has it)."""
    hud_theme = theme_by_key(theme)
    if quality not in QUALITY_PRESETS:
        raise ValueError(f"Bilinmeyen kalite: {quality!r} (seçenekler: {', '.join(QUALITY_PRESETS)})")
    if os.path.lexists(out_path):
        raise FileExistsError(f"Çıktı dosyası zaten var, üzerine yazılmaz: {out_path}")
    if os.path.abspath(out_path) == os.path.abspath(video_path):
        raise ValueError("Çıktı, girdi videosunun yerine yazılamaz.")
    track = copy.copy(track)
    track.map_cache = {}   # its own map layers: the preview may be drawing the same track meanwhile
    tmp = create_temporary_beside(out_path)
    try:
        try:
            _encode(video_path, track, tmp, hud_theme, quality, offset_s, progress, cancel, height)
        except av.FFmpegError as exc:
            raise unreadable_video(video_path, exc)
        put_in_place(tmp, out_path)
    except BaseException:
        remove_if_present(tmp)
        raise
    return out_path


def _even(x: float) -> int:
    return max(2, int(round(x / 2)) * 2)


def _encode(video_path: str, track: HudTrack, tmp: str, theme: HudTheme, quality: str, offset_s: float,
            progress, cancel, height: Optional[int]) -> None:
    inp, vin = open_video(video_path)
    try:
        total = _frame_count(video_path, vin)
        ain = inp.streams.audio[0] if inp.streams.audio else None
        out_h = _even(height or vin.codec_context.height)
        out_w = _even(vin.codec_context.width * out_h / vin.codec_context.height)
        with av.open(tmp, "w", format="mp4", options={"movflags": "+faststart"}) as out:
            vout = out.add_stream("libx264", options={"preset": quality, "crf": _CRF})
            vout.width, vout.height, vout.pix_fmt = out_w, out_h, "yuv420p"
            # PyAV asks for slice threads by default, which libx264 obeys; x264's own frame
            # threads encode this stream 7% faster on two cores and the same output size.
            vout.codec_context.thread_type = "FRAME"
            vout.time_base = vin.time_base
            vout.codec_context.time_base = vin.time_base
            if vin.average_rate:
                vout.codec_context.framerate = vin.average_rate
            aout = out.add_stream_from_template(ain) if ain is not None else None
            start = vin.start_time or 0
            tb = float(vin.time_base)
            counter = _Progress(total, progress)
            streams = (vin, ain) if ain is not None else (vin,)
            for packet in inp.demux(*streams):
                if cancel is not None and cancel():
                    raise ExportCancelled()
                if packet.stream is ain:
                    if packet.dts is not None:   # the demuxer's flush packet has none
                        packet.stream = aout
                        out.mux(packet)
                    continue
                for frame in packet.decode():
                    t = hud_time_s(track, counter.done, total, (frame.pts - start) * tb, offset_s)
                    out.mux(vout.encode(_with_hud(frame, out_w, out_h, track, t, theme)))
                    counter.step()
            out.mux(vout.encode(None))
            counter.report(force=True)
    finally:
        inp.close()


def _with_hud(frame: av.VideoFrame, width: int, height: int, track: HudTrack, t_s: float,
              theme: HudTheme) -> av.VideoFrame:
    bgra = frame.reformat(width=width, height=height, format="bgra")
    image = writable_image(bgra)
    painter = QPainter(image)
    try:
        paint_hud(painter, width, height, track, t_s, theme)
    finally:
        painter.end()
    yuv = bgra.reformat(format="yuv420p")
    yuv.pts, yuv.time_base = frame.pts, frame.time_base
    # The decoder's frame types would force x264 to copy the source's I/P/B pattern (and warn
    # where it cannot); x264 chooses its own, as any CRF encode does.
    yuv.pict_type = av.video.frame.PictureType.NONE
    return yuv


class _Progress:
    def __init__(self, total: int, callback):
        self.total, self.callback = total, callback
        self.done = 0
        self.started = time.monotonic()
        self.last = 0.0

    def step(self) -> None:
        self.done += 1
        self.report()

    def report(self, force: bool = False) -> None:
        now = time.monotonic()
        if self.callback is None or (not force and now - self.last < _PROGRESS_INTERVAL_S):
            return
        self.last = now
        fps = self.done / max(1e-6, now - self.started)
        left = (self.total - self.done) / fps if fps > 0 and self.total >= self.done else None
        self.callback(ExportProgress(self.done, max(self.total, self.done), fps, left))

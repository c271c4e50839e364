"""A short real clip for trying the HUD at once: DJI_0001.MP4, its LRF and a matching SRT.

The picture is a painted flight over fields, encoded with x264, with a quiet tone as AAC audio;
the SRT has one DJI-layout entry per frame, so frame numbers and telemetry entries pair up as
on a card. Written once into the work folder and reused afterwards.
"""
import math
import os
from datetime import datetime, timedelta
from fractions import Fraction
from typing import Callable, Iterable, List, NamedTuple, Optional, Tuple

import av
from PyQt5.QtCore import QPointF, QRectF, Qt
from PyQt5.QtGui import QColor, QImage, QPainter, QPen, QTransform

from .hud_clip import writable_image
from .hud_files import create_temporary_beside, put_in_place, remove_if_present

SAMPLE_FOLDER = "HUD_Ornek_Klip"
_FPS = 25
_SECONDS = 8
_SIZE = (1280, 720)
_LRF_SIZE = (640, 360)
_AUDIO_RATE = 48000


class SrtEntry(NamedTuple):
    start_s: float
    end_s: float
    lat: float
    lon: float
    rel_alt: float
    abs_alt: float
    clock: datetime


def _cue(seconds: float) -> str:
    ms = int(round(seconds * 1000))
    return f"{ms // 3600000:02d}:{ms // 60000 % 60:02d}:{ms // 1000 % 60:02d},{ms % 1000:03d}"


def write_dji_srt(path: str, entries: Iterable[SrtEntry]) -> None:
    """Telemetry in the layout current DJI drones write, one block per entry."""
    blocks = []
    for n, e in enumerate(entries, 1):
        diff = int(round((e.end_s - e.start_s) * 1000))
        blocks.append(
            f"{n}\n{_cue(e.start_s)} --> {_cue(e.end_s)}\n"
            f'<font size="28">FrameCnt: {n}, DiffTime: {diff}ms\n'
            f"{e.clock.strftime('%Y-%m-%d %H:%M:%S')}.{e.clock.microsecond // 1000:03d}\n"
            f"[iso: 100] [shutter: 1/1000.0] [fnum: 1.7] [ev: 0] [color_md: default] [focal_len: 24.00] "
            f"[latitude: {e.lat:.6f}] [longitude: {e.lon:.6f}] [rel_alt: {e.rel_alt:.3f} abs_alt: {e.abs_alt:.3f}] "
            f"[ct: 5500] </font>\n")
    with open(path, "w", encoding="utf-8") as fh:
        fh.write("\n".join(blocks))


def sample_flight(frames: int, fps: float) -> List[SrtEntry]:
    """A climb and a gentle curve over Lake Eymir near Ankara, one entry per frame."""
    start = datetime(2026, 5, 17, 17, 5, 0)
    entries = []
    for i in range(frames):
        t = i / fps
        share = i / max(1, frames - 1)
        height = 2.0 + 58.0 * (1 - math.cos(math.pi * min(1.0, share * 1.4))) / 2
        entries.append(SrtEntry(t, (i + 1) / fps, 39.8205 + 0.0005 * share + 0.0001 * math.sin(share * 3),
                                32.8268 + 0.0008 * share, height, 968.0 + height, start + timedelta(seconds=t)))
    return entries


def _landscape(width: int, height: int) -> QImage:
    """Fields, a lake and roads, drawn once; frames are views of it."""
    image = QImage(width, height, QImage.Format_RGB32)
    image.fill(QColor(96, 122, 70))
    p = QPainter(image)
    p.setRenderHint(QPainter.Antialiasing)
    palette = [QColor(126, 148, 84), QColor(164, 152, 96), QColor(88, 118, 66), QColor(140, 128, 80),
               QColor(110, 140, 90), QColor(178, 166, 110)]
    cell = 90
    for gy in range(0, height, cell):
        for gx in range(0, width, cell):
            k = (gx * 7 + gy * 13 + gx * gy // 97) // cell
            p.fillRect(QRectF(gx + 2, gy + 2, cell - 4, cell - 4), palette[k % len(palette)])
    p.setPen(Qt.NoPen)
    p.setBrush(QColor(46, 92, 128))
    p.drawEllipse(QPointF(width * 0.62, height * 0.3), width * 0.16, height * 0.12)
    p.setPen(QPen(QColor(196, 190, 176), 10))
    p.drawLine(QPointF(0, height * 0.7), QPointF(width, height * 0.55))
    p.drawLine(QPointF(width * 0.3, 0), QPointF(width * 0.38, height))
    p.end()
    return image


def _paint_view(frame: av.VideoFrame, land: QImage, share: float) -> None:
    image = writable_image(frame)
    p = QPainter(image)
    p.setRenderHint(QPainter.SmoothPixmapTransform)
    zoom = 1.6 - 0.7 * share   # the ground shrinks as the drone climbs
    transform = QTransform()
    transform.translate(image.width() / 2, image.height() / 2)
    transform.rotate(-8 * share)
    transform.scale(zoom * image.width() / 1280, zoom * image.width() / 1280)
    transform.translate(-land.width() * (0.3 + 0.25 * share), -land.height() * (0.6 - 0.2 * share))
    p.setTransform(transform)
    p.drawImage(0, 0, land)
    p.end()


def _add_streams(out, size: Tuple[int, int]):
    video = out.add_stream("libx264", rate=_FPS, options={"preset": "ultrafast", "crf": "23"})
    video.width, video.height, video.pix_fmt = size[0], size[1], "yuv420p"
    return video, out.add_stream("aac", rate=_AUDIO_RATE, layout="mono")


def _write_clips(video_path: str, lrf_path: str, frames: int, check: Callable[[], None]) -> None:
    """The clip and its LRF in one pass: each picture is painted once and scaled for the LRF.
    `check()` runs before every frame and may raise to stop."""
    land = _landscape(2400, 1600)
    with av.open(video_path, "w", format="mp4", options={"movflags": "+faststart"}) as main, \
            av.open(lrf_path, "w", format="mp4", options={"movflags": "+faststart"}) as lrf:
        outputs = [(main, *_add_streams(main, _SIZE), None), (lrf, *_add_streams(lrf, _LRF_SIZE), _LRF_SIZE)]
        for i in range(frames):
            check()
            frame = av.VideoFrame(_SIZE[0], _SIZE[1], "bgra")
            _paint_view(frame, land, i / max(1, frames - 1))
            for out, video, _audio, size in outputs:
                yuv = frame.reformat(width=size[0], height=size[1], format="yuv420p") if size else \
                    frame.reformat(format="yuv420p")
                yuv.pts, yuv.time_base = i, Fraction(1, _FPS)
                out.mux(video.encode(yuv))
        tone = _tone(frames / _FPS)
        for out, video, audio, _size in outputs:
            out.mux(video.encode(None))
            for frame in tone():
                out.mux(audio.encode(frame))
            out.mux(audio.encode(None))


def _tone(seconds: float):
    """A quiet 220 Hz tone as audio frames (a new set of frames on every call)."""
    samples = 1024
    period = _AUDIO_RATE // 220   # whole samples per cycle: 220.2 Hz
    cycle = b"".join(int(1800 * math.sin(2 * math.pi * k / period)).to_bytes(2, "little", signed=True)
                     for k in range(period))
    total = int(seconds * _AUDIO_RATE)
    data = (cycle * (total // period + samples // period + 2))

    def frames():
        for start in range(0, total, samples):
            frame = av.AudioFrame(format="s16", layout="mono", samples=samples)
            offset = (start % period) * 2
            frame.planes[0].update(data[offset:offset + samples * 2])
            frame.sample_rate, frame.pts, frame.time_base = _AUDIO_RATE, start, Fraction(1, _AUDIO_RATE)
            yield frame
    return frames


def sample_clip(work_dir: str, check: Callable[[], None] = lambda: None) -> str:
    """The sample clip's MP4 in `work_dir`/HUD_Ornek_Klip, made on first use (LRF and SRT beside
    it). `check()` is called before every frame; whatever it raises stops and removes the parts."""
    folder = os.path.join(work_dir, SAMPLE_FOLDER)
    names = {ext: os.path.join(folder, "DJI_0001" + ext) for ext in (".MP4", ".LRF", ".SRT")}
    if all(os.path.isfile(p) for p in names.values()):
        return names[".MP4"]
    os.makedirs(folder, exist_ok=True)
    frames = _FPS * _SECONDS
    made: List[Tuple[str, str]] = []
    try:
        for ext in (".SRT", ".MP4", ".LRF"):
            if os.path.lexists(names[ext]):
                raise FileExistsError(f"Örnek klibin bir parçası eksik, diğerleri değiştirilmez: {folder}")
            made.append((create_temporary_beside(names[ext]), names[ext]))
        write_dji_srt(made[0][0], sample_flight(frames, _FPS))
        _write_clips(made[1][0], made[2][0], frames, check)
        for tmp, final in made:
            put_in_place(tmp, final)
    except BaseException:
        for tmp, _final in made:
            remove_if_present(tmp)
        raise
    return names[".MP4"]


def existing_sample(work_dir: str) -> Optional[str]:
    path = os.path.join(work_dir, SAMPLE_FOLDER, "DJI_0001.MP4")
    return path if os.path.isfile(path) else None

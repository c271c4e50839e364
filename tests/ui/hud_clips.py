"""Clips made inside the HUD tests with PyAV: lossless H.264 whose pictures carry their index.

Every frame is a flat grey picture with a row of black or white squares across the middle: the
frame's number in binary. The middle of the picture is free of the HUD in every theme, so an
exported frame still tells which source frame it came from, and everything else shows the HUD.
"""
from fractions import Fraction
from typing import List, Sequence

import av

from trakvia.ui.hud_sample_clip import SrtEntry, write_dji_srt

WIDTH, HEIGHT = 320, 180
GREY = 90
_BITS = 7
_SQUARE = 16
_ROW_Y = HEIGHT // 2 - _SQUARE // 2
_ROW_X = WIDTH // 2 - _BITS * _SQUARE // 2
AUDIO_RATE = 8000


def _picture(index: int) -> bytes:
    rows = []
    for y in range(HEIGHT):
        row = bytearray([GREY]) * WIDTH
        if _ROW_Y <= y < _ROW_Y + _SQUARE:
            for bit in range(_BITS):
                level = 255 if index >> bit & 1 else 0
                x = _ROW_X + bit * _SQUARE
                row[x:x + _SQUARE] = bytes([level]) * _SQUARE
        rows.append(bytes(row))
    return b"".join(rows)


def make_clip(path: str, frames: int, fps: Fraction = Fraction(10), audio: bool = False,
              vfr: bool = False) -> List[float]:
    """Writes the clip; returns each frame's time in seconds. With `vfr` every third frame is
    held twice as long."""
    time_base = 1 / (Fraction(fps) * 2)
    times, pts = [], 0
    with av.open(path, "w", format="mp4") as out:
        video = out.add_stream("libx264", rate=fps, options={"qp": "0", "preset": "ultrafast", "g": "5"})
        video.width, video.height, video.pix_fmt = WIDTH, HEIGHT, "yuv444p"
        video.time_base = time_base
        sound = out.add_stream("aac", rate=AUDIO_RATE, layout="mono") if audio else None
        for i in range(frames):
            gray = av.VideoFrame(WIDTH, HEIGHT, "gray")
            gray.planes[0].update(_picture(i))
            frame = gray.reformat(format="yuv444p")
            frame.pts, frame.time_base = pts, time_base
            times.append(float(pts * time_base))
            out.mux(video.encode(frame))
            pts += 4 if vfr and i % 3 == 2 else 2
        out.mux(video.encode(None))
        if sound is not None:
            for start in range(0, int(AUDIO_RATE * (times[-1] + 0.2)), 512):
                chunk = av.AudioFrame(format="s16", layout="mono", samples=512)
                chunk.planes[0].update(bytes((start // 512 * 37 + k) % 200 for k in range(1024)))
                chunk.sample_rate, chunk.pts, chunk.time_base = AUDIO_RATE, start, Fraction(1, AUDIO_RATE)
                out.mux(sound.encode(chunk))
            out.mux(sound.encode(None))
    return times


def make_srt(path: str, times: Sequence[float]) -> None:
    """One DJI-layout entry per frame, moving north-east and climbing."""
    from datetime import datetime, timedelta

    start = datetime(2026, 5, 17, 17, 5, 0)
    entries = []
    for i, t in enumerate(times):
        end = times[i + 1] if i + 1 < len(times) else t + 0.1
        entries.append(SrtEntry(t, end, 39.82 + i * 2e-5, 32.82 + i * 2e-5, 1.0 + i, 970.0 + i,
                                start + timedelta(seconds=t)))
    write_dji_srt(path, entries)


def gray_pictures(path: str) -> List[bytes]:
    """Every frame of the file as tightly packed 8-bit grey, in presentation order."""
    pictures = []
    with av.open(path) as container:
        for frame in container.decode(video=0):
            pictures.append(gray_bytes(frame))
    return pictures


def gray_bytes(frame: av.VideoFrame) -> bytes:
    gray = frame.reformat(width=WIDTH, height=HEIGHT, format="gray")
    plane = gray.planes[0]
    data = bytes(plane)
    return b"".join(data[y * plane.line_size:y * plane.line_size + WIDTH] for y in range(HEIGHT))


def index_of(picture: bytes) -> int:
    """The frame number a picture carries (read from the middle of each square)."""
    y = _ROW_Y + _SQUARE // 2
    value = 0
    for bit in range(_BITS):
        if picture[y * WIDTH + _ROW_X + bit * _SQUARE + _SQUARE // 2] > 128:
            value |= 1 << bit
    return value


def region(picture: bytes, x0: float, y0: float, x1: float, y1: float) -> bytes:
    """The pixels of a rectangle given in fractions of the picture."""
    xs, xe = int(x0 * WIDTH), int(x1 * WIDTH)
    return b"".join(picture[y * WIDTH + xs:y * WIDTH + xe] for y in range(int(y0 * HEIGHT), int(y1 * HEIGHT)))


def pixels_apart(a: bytes, b: bytes) -> int:
    """How many pixels differ by more than compression noise."""
    return sum(abs(x - y) > 40 for x, y in zip(a, b))


def stream_packets(path: str, kind: str) -> List[tuple]:
    """(time in seconds, bytes) of every packet of the first stream of `kind`."""
    with av.open(path) as container:
        streams = getattr(container.streams, kind)
        if not streams:
            return []
        stream = streams[0]
        return [(float(p.pts * stream.time_base), bytes(p)) for p in container.demux(stream) if p.size]


def video_times(path: str) -> tuple:
    """The video stream's time base and its frames' times in seconds."""
    with av.open(path) as container:
        stream = container.streams.video[0]
        times = sorted(float(f.pts * stream.time_base) for f in container.decode(stream))
        return stream.time_base, times


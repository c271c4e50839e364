"""What the window says while bytes are copied: how much, how fast, how long still."""
import time
from typing import Callable, Optional

from .formatting import format_size

# The rate is measured over the last few seconds, so a pause of the card reader (or files found
# already in place, counted without copying) does not skew the time left for long.
_WINDOW_S = 3.0
# The window is told at most this often; a 1 MiB step can come hundreds of times a second.
_REPORT_EVERY_S = 0.1


def format_duration(seconds: float) -> str:
    """0:07, 12:30, 1:02:05."""
    seconds = int(round(seconds))
    hours, rest = divmod(seconds, 3600)
    minutes, secs = divmod(rest, 60)
    return f"{hours}:{minutes:02d}:{secs:02d}" if hours else f"{minutes}:{secs:02d}"


class CopyMeter:
    """Turns (bytes done, bytes in all) steps into progress reports with MB/s and time left.
    `report(done, total, text)` receives them; `clock` is replaceable for tests."""

    def __init__(self, report: Callable[[int, int, str], None], clock: Callable[[], float] = time.monotonic):
        self._report = report
        self._clock = clock
        self._samples = []          # (time, bytes done) within the last _WINDOW_S
        self._last_report: Optional[float] = None

    def __call__(self, done: int, total: int) -> None:
        now = self._clock()
        self._samples.append((now, done))
        while len(self._samples) > 2 and now - self._samples[0][0] > _WINDOW_S:
            self._samples.pop(0)
        if done < total and self._last_report is not None and now - self._last_report < _REPORT_EVERY_S:
            return
        self._last_report = now
        self._report(done, total, self.text(done, total))

    def rate(self) -> Optional[float]:
        """Bytes per second over the recent window, or None before there is a measurable span."""
        (t0, b0), (t1, b1) = self._samples[0], self._samples[-1]
        return (b1 - b0) / (t1 - t0) if t1 - t0 >= 0.2 else None

    def text(self, done: int, total: int) -> str:
        text = f"{format_size(done)} / {format_size(total)} kopyalandı"
        rate = self.rate() if self._samples else None
        if rate is not None and rate > 0:
            text += f" — {rate / (1024 * 1024):.1f} MB/s"
            if done < total:
                text += f" — kalan ≈ {format_duration((total - done) / rate)}"
        return text

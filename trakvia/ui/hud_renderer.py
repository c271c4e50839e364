"""Paints the HUD (telemetry overlay) with QPainter: `paint_hud` is the one entry point.

Pure drawing, no widgets: the preview worker and the video export both call it, each on its
own thread, onto a video frame or a stand-in. What does not change from frame to frame (the
map's projected path, fonts) is cached, so a long track costs no more per frame than a short one.
"""
import math
import threading
from bisect import bisect_right
from functools import lru_cache
from typing import List, Optional, Tuple

from PyQt5.QtCore import QPointF, QRectF, Qt
from PyQt5.QtGui import QColor, QFont, QImage, QLinearGradient, QPainter, QPen, QPolygonF

from .formatting import upper_tr
from .hud_themes import LAYOUT_BAR, LAYOUT_FIELDS, HudTheme
from .hud_track import HudSample, HudTrack

# The layouts are designed for a 960x540 frame and scaled by height from there.
_DESIGN_HEIGHT = 540.0
# Points per map line: a few hundred segments are plenty at inset size.
_MAP_POINTS = 800


def _c(rgba) -> QColor:
    return QColor(*rgba)


def format_clock(sample: HudSample) -> str:
    """The flight's local time; between two recordings no time is shown rather than one made up."""
    if sample.in_gap:
        return "--:--:--"
    return sample.clock.strftime("%H:%M:%S") if sample.clock else format_elapsed(sample.t_s)


def format_elapsed(seconds: float) -> str:
    s = int(max(0.0, seconds))
    return f"{s // 3600:d}:{s // 60 % 60:02d}:{s % 60:02d}" if s >= 3600 else f"{s // 60:02d}:{s % 60:02d}"


def format_distance(metres: float) -> str:
    return f"{metres / 1000:.2f} km" if metres >= 1000 else f"{metres:.0f} m"


def format_coordinates(lat: float, lon: float) -> str:
    ns = "K" if lat >= 0 else "G"
    ew = "D" if lon >= 0 else "B"
    return f"{abs(lat):.5f}° {ns}   {abs(lon):.5f}° {ew}"


def track_summary(track: HudTrack) -> str:
    """One line on a loaded track, with the converter's figures; a figure the file cannot give
    is said to be unknown rather than shown as 0."""
    speed = "bilinmiyor" if track.top_speed_kmh is None else f"{track.top_speed_kmh:.1f} km/sa"
    if track.top_height_m is not None:
        height = f"{track.top_height_m:.0f} m (kalkışa göre)"
    elif track.top_altitude_m is not None:
        height = f"{track.top_altitude_m:.0f} m (deniz seviyesi)"
    else:
        height = "bilinmiyor (dosyada yükseklik yok)"
    zone = f", saat dilimi {track.time_zone}" if track.time_zone else ""
    gaps = len(track.segment_starts) - 1
    parts = f", {gaps + 1} parça (aralarda veri yok)" if gaps else ""
    return (f"{track.name}: {len(track)} nokta, kayıt süresi {format_elapsed(track.recorded_s)}, "
            f"mesafe {format_distance(track.total_distance_m)}, en yüksek hız {speed}, "
            f"en yüksek irtifa {height}{zone}{parts}")


def _metres(value: Optional[float]) -> str:
    return "—" if value is None else f"{value:.0f} m"


@lru_cache(maxsize=256)
def _font(family: str, pixels: int, bold: bool, italic: bool) -> QFont:
    f = QFont(family)
    f.setPixelSize(pixels)
    f.setBold(bold)
    f.setItalic(italic)
    return f


@lru_cache(maxsize=128)
def _panel_image(width: int, height: int, fill: tuple, edge: tuple, radius: float, edge_width: float) -> QImage:
    image = QImage(max(1, width), max(1, height), QImage.Format_ARGB32_Premultiplied)
    image.fill(Qt.transparent)
    p = QPainter(image)
    p.setRenderHint(QPainter.Antialiasing)
    p.setPen(QPen(_c(edge), edge_width))
    p.setBrush(_c(fill))
    half = edge_width / 2
    p.drawRoundedRect(QRectF(half, half, width - edge_width, height - edge_width), radius, radius)
    p.end()
    return image


class _Painter:
    """A QPainter with the theme and the scale of the frame at hand."""

    def __init__(self, painter: QPainter, theme: HudTheme, unit: float):
        self.p = painter
        self.theme = theme
        self.u = unit

    def panel(self, rect: QRectF, fill=None, edge=None, radius: Optional[float] = None) -> None:
        """A rounded panel, drawn once per size and colours and then copied: filling large
        translucent rounded shapes is the dearest part of a frame."""
        radius = self.theme.radius if radius is None else radius
        image = _panel_image(round(rect.width()), round(rect.height()), fill or self.theme.panel,
                             edge or self.theme.panel_edge, radius * self.u, max(1.0, 1.2 * self.u))
        self.p.drawImage(QPointF(round(rect.left()), round(rect.top())), image)

    def text(self, rect: QRectF, text: str, size: float, color=None, align=Qt.AlignLeft | Qt.AlignVCenter,
             bold: bool = True, italic: bool = False) -> None:
        self.p.setFont(_font(self.theme.font_family, max(6, int(size * self.u)), bold, italic))
        self.p.setPen(_c(color or self.theme.text))
        self.p.drawText(rect, int(align), text)

    def value(self, rect: QRectF, text: str, size: float, color=None, align=Qt.AlignLeft | Qt.AlignVCenter) -> None:
        self.text(rect, text, size, color, align, True, self.theme.italic_values)


class _Figures:
    """The texts of one frame, shared by the layouts."""

    def __init__(self, track: HudTrack, s: HudSample):
        self.speed = "—" if s.speed_kmh is None else f"{s.speed_kmh:.0f}"
        top = track.top_speed_kmh
        self.speed_share = 0.0 if not s.speed_kmh or not top else max(0.0, min(1.0, s.speed_kmh / top))
        # height above take-off is what the controller shows; sea level only beside it
        if track.top_height_m is not None:
            self.height_label, self.height = "İRTİFA (KALKIŞ)", _metres(s.height_m)
            self.sea_level = f"DENİZ SEV. {_metres(s.altitude_m)}" if track.has_altitude else ""
        elif track.has_altitude:
            self.height_label, self.height, self.sea_level = "İRTİFA (DENİZ SEV.)", _metres(s.altitude_m), ""
        else:
            self.height_label, self.height, self.sea_level = "İRTİFA", "—", ""
        self.distance = format_distance(s.dist_m)
        self.clock = format_clock(s)
        self.elapsed = format_elapsed(s.t_s - track.start_s)
        self.position = format_coordinates(s.lat, s.lon)


def draw_neutral_frame(p: QPainter, w: int, h: int) -> None:
    """A calm stand-in for a video frame: sky, horizon and a ground grid in muted colours."""
    horizon = h * 0.52
    sky = QLinearGradient(0, 0, 0, horizon)
    sky.setColorAt(0.0, QColor(74, 96, 122))
    sky.setColorAt(1.0, QColor(160, 176, 190))
    p.fillRect(QRectF(0, 0, w, horizon), sky)
    ground = QLinearGradient(0, horizon, 0, h)
    ground.setColorAt(0.0, QColor(104, 112, 98))
    ground.setColorAt(1.0, QColor(52, 58, 50))
    p.fillRect(QRectF(0, horizon, w, h - horizon), ground)
    p.setPen(QPen(QColor(255, 255, 255, 28), 1))
    vanish = QPointF(w / 2, horizon)
    for i in range(-10, 11):
        p.drawLine(vanish, QPointF(w / 2 + i * w / 6, h))
    for k in range(1, 8):
        y = horizon + (h - horizon) * (k / 8) ** 2
        p.drawLine(QPointF(0, y), QPointF(w, y))
    p.setPen(QPen(QColor(255, 255, 255, 70), 1))
    p.drawLine(QPointF(0, horizon), QPointF(w, horizon))


class _MapLayers:
    """The map inset of one track at one size and theme. The panel with the whole track dim is
    drawn once; the flown part is a second layer that grows as time moves on and is redrawn
    only when time goes back. A frame then costs two image copies and one short line."""

    def __init__(self, track: HudTrack, size: int, hp: "_Painter"):
        pad = size * 0.1
        inner = size - 2 * pad
        lat0, lat1 = min(track.lat), max(track.lat)
        lon0, lon1 = min(track.lon), max(track.lon)
        self.kx = math.cos(math.radians((lat0 + lat1) / 2))
        self.scale = min(inner / max((lon1 - lon0) * self.kx, 1e-9), inner / max(lat1 - lat0, 1e-9))
        self.cx = size / 2 - (lon0 + lon1) / 2 * self.kx * self.scale
        self.cy = size / 2 + (lat0 + lat1) / 2 * self.scale
        step = max(1, len(track) // _MAP_POINTS)
        starts = list(track.segment_starts) + [len(track)]
        # per recording segment: the indices of the points kept for the map, and their positions
        self.segments: List[Tuple[List[int], QPolygonF]] = []
        for a, b in zip(starts, starts[1:]):
            idx = list(range(a, b, step))
            if idx[-1] != b - 1:
                idx.append(b - 1)
            self.segments.append((idx, QPolygonF([self.project(track.lat[i], track.lon[i]) for i in idx])))
        theme, u = hp.theme, hp.u
        self.track_pen = QPen(_c(theme.track), 3 * u, Qt.SolidLine, Qt.RoundCap, Qt.RoundJoin)
        self.base = QImage(size, size, QImage.Format_ARGB32_Premultiplied)
        self.base.fill(Qt.transparent)
        p = QPainter(self.base)
        p.setRenderHint(QPainter.Antialiasing)
        hp_base = _Painter(p, theme, u)
        hp_base.panel(QRectF(0, 0, size, size), fill=theme.map_bg)
        dim = QColor(*theme.track)
        dim.setAlpha(90)
        p.setPen(QPen(dim, 2 * u, Qt.SolidLine, Qt.RoundCap, Qt.RoundJoin))
        for _idx, poly in self.segments:
            p.drawPolyline(poly)
        p.end()
        self.flown = QImage(size, size, QImage.Format_ARGB32_Premultiplied)
        self.flown.fill(Qt.transparent)
        self.flown_upto = -1   # the flown layer shows the track up to this point index

    def project(self, lat: float, lon: float) -> QPointF:
        return QPointF(self.cx + lon * self.kx * self.scale, self.cy - lat * self.scale)

    def extend_flown(self, index: int) -> None:
        if index < self.flown_upto:
            self.flown.fill(Qt.transparent)
            self.flown_upto = -1
        if index == self.flown_upto:
            return
        p = QPainter(self.flown)
        p.setRenderHint(QPainter.Antialiasing)
        p.setPen(self.track_pen)
        for idx, poly in self.segments:
            first = max(0, bisect_right(idx, self.flown_upto) - 1)   # the last point already drawn
            end = bisect_right(idx, index)
            if end - first >= 2:
                p.drawPolyline(poly.mid(first, end - first))
        p.end()
        self.flown_upto = index

    def last_flown_point(self, index: int) -> Optional[QPointF]:
        """The last kept point at or before `index` in the segment that holds `index`."""
        for idx, poly in self.segments:
            if idx[0] <= index <= idx[-1]:
                return poly.at(bisect_right(idx, index) - 1)
        return None


# The map layers are mutable and the preview worker and the GUI thread may both paint.
_MAP_LOCK = threading.Lock()


def draw_map(hp: _Painter, rect: QRectF, track: HudTrack, s: HudSample) -> None:
    """The track in an inset: flown part bright, the rest dim, the current position as a dot."""
    size = max(8, round(rect.width()))
    origin = QPointF(round(rect.left()), round(rect.top()))
    if len(track) < 2:
        hp.panel(rect, fill=hp.theme.map_bg)
        return
    p = hp.p
    with _MAP_LOCK:
        key = (size, hp.theme, round(hp.u, 4))
        layers = track.map_cache.get(key)
        if layers is None:
            track.map_cache.clear()   # one size and theme at a time
            layers = track.map_cache[key] = _MapLayers(track, size, hp)
        layers.extend_flown(s.index)
        p.drawImage(origin, layers.base)
        p.drawImage(origin, layers.flown)
        pos = layers.project(s.lat, s.lon)
        last = layers.last_flown_point(s.index)
    p.save()
    p.translate(origin)
    if last is not None:
        p.setPen(layers.track_pen)
        p.drawLine(last, pos)
    p.setPen(QPen(QColor(0, 0, 0, 160), 1.5 * hp.u))
    p.setBrush(_c(hp.theme.marker))
    p.drawEllipse(pos, 5 * hp.u, 5 * hp.u)
    p.restore()


def draw_speed_arc(hp: _Painter, rect: QRectF, share: float) -> None:
    p = hp.p
    pen = QPen(QColor(255, 255, 255, 45), 6 * hp.u, Qt.SolidLine, Qt.RoundCap)
    p.setPen(pen)
    p.setBrush(Qt.NoBrush)
    p.drawArc(rect, 225 * 16, -270 * 16)
    pen.setColor(_c(hp.theme.accent))
    p.setPen(pen)
    p.drawArc(rect, 225 * 16, int(-270 * 16 * share))


def _layout_panels(hp: _Painter, w: float, h: float, track: HudTrack, s: HudSample, f: _Figures) -> None:
    u, m = hp.u, 16 * hp.u
    # time, top left
    r = QRectF(m, m, 190 * u, 64 * u)
    hp.panel(r)
    hp.value(r.adjusted(14 * u, 4 * u, 0, -22 * u), f.clock, 28)
    hp.text(r.adjusted(14 * u, 40 * u, 0, -4 * u),
            f"SÜRE {f.elapsed} / {format_elapsed(track.duration_s)}", 11, hp.theme.label)
    # map, top right
    side = min(w * 0.26, h * 0.36)
    draw_map(hp, QRectF(w - m - side, m, side, side), track, s)
    # speed, bottom left
    r = QRectF(m, h - m - 150 * u, 170 * u, 150 * u)
    hp.panel(r)
    draw_speed_arc(hp, r.adjusted(18 * u, 14 * u, -18 * u, -2 * u), f.speed_share)
    hp.value(r.adjusted(0, 30 * u, 0, -50 * u), f.speed, 44, align=Qt.AlignCenter)
    hp.text(r.adjusted(0, 92 * u, 0, -24 * u), "km/sa", 13, hp.theme.accent, Qt.AlignCenter)
    # height and distance, bottom right
    r = QRectF(w - m - 210 * u, h - m - 112 * u, 210 * u, 112 * u)
    hp.panel(r)
    for row, (label, value) in enumerate(((f.height_label, f.height), ("MESAFE", f.distance))):
        rr = QRectF(r.left() + 14 * u, r.top() + 6 * u + row * 52 * u, r.width() - 28 * u, 50 * u)
        hp.text(rr.adjusted(0, 0, 0, -30 * u), label, 11, hp.theme.label)
        hp.value(rr.adjusted(0, 14 * u, 0, 0), value, 26, align=Qt.AlignRight | Qt.AlignVCenter)
    if f.sea_level:
        hp.text(QRectF(r.left() + 14 * u, r.top() + 6 * u, r.width() - 28 * u, 20 * u), f.sea_level, 10,
                hp.theme.label, Qt.AlignRight | Qt.AlignVCenter)
    # coordinates, bottom centre
    r = QRectF(w / 2 - 170 * u, h - m - 34 * u, 340 * u, 34 * u)
    hp.panel(r)
    hp.text(r, f.position, 13, align=Qt.AlignCenter)


def _layout_bar(hp: _Painter, w: float, h: float, track: HudTrack, s: HudSample, f: _Figures) -> None:
    u, m = hp.u, 16 * hp.u
    theme = hp.theme
    # track name tag, top left
    tag = QRectF(m, m, 230 * u, 34 * u)
    hp.panel(tag)
    hp.p.fillRect(QRectF(tag.left(), tag.top(), 6 * u, tag.height()), _c(theme.accent))
    hp.text(tag.adjusted(16 * u, 0, -8 * u, 0), upper_tr(track.name), 14)
    # map, top right
    side = min(w * 0.24, h * 0.34)
    draw_map(hp, QRectF(w - m - side, m, side, side), track, s)
    # the bar
    bar = QRectF(m, h - m - 86 * u, w - 2 * m, 86 * u)
    hp.panel(bar)
    speed_box = QRectF(bar.left(), bar.top(), 180 * u, bar.height())
    hp.panel(speed_box, fill=theme.accent, edge=theme.accent)
    white = (255, 255, 255, 255)
    hp.value(speed_box.adjusted(14 * u, 2 * u, -70 * u, -18 * u), f.speed, 46, white, Qt.AlignRight | Qt.AlignVCenter)
    hp.text(speed_box.adjusted(116 * u, 24 * u, -6 * u, -16 * u), "km/sa", 14, white)
    meter = QRectF(speed_box.left() + 14 * u, speed_box.bottom() - 16 * u, speed_box.width() - 28 * u, 6 * u)
    hp.p.fillRect(meter, QColor(255, 255, 255, 70))
    hp.p.fillRect(QRectF(meter.left(), meter.top(), meter.width() * f.speed_share, meter.height()), QColor(*white))
    position_label = f"KONUM · {f.sea_level}" if f.sea_level else "KONUM"
    cells = ((f.height_label, f.height, 26), ("MESAFE", f.distance, 26), ("SAAT", f.clock, 26),
             (position_label, f.position, 15))
    widths = (0.16, 0.18, 0.18, 0.48)
    x = speed_box.right() + 10 * u
    room = bar.right() - x - 10 * u
    for i, ((label, value, size), share) in enumerate(zip(cells, widths)):
        cell = QRectF(x, bar.top(), room * share, bar.height())
        hp.text(cell.adjusted(10 * u, 10 * u, 0, -50 * u), label, 11 if i else 9, theme.label)
        hp.value(cell.adjusted(10 * u, 30 * u, 0, -8 * u), value, size)
        x += cell.width()
        if i < len(cells) - 1:
            hp.p.setPen(QPen(_c(theme.label), 1))
            hp.p.drawLine(QPointF(x, bar.top() + 14 * u), QPointF(x, bar.bottom() - 14 * u))


def _layout_fields(hp: _Painter, w: float, h: float, track: HudTrack, s: HudSample, f: _Figures) -> None:
    u, m = hp.u, 16 * hp.u
    theme = hp.theme
    # top strip: clock and coordinates
    strip = QRectF(m, m, w * 0.62, 36 * u)
    hp.panel(strip)
    hp.text(strip.adjusted(12 * u, 0, 0, 0), f.clock, 18)
    hp.text(strip.adjusted(0, 0, -12 * u, 0), f.position, 14, align=Qt.AlignRight | Qt.AlignVCenter)
    # data fields, right column
    col_w = 200 * u
    fields = (("HIZ", f.speed, "km/sa"), (f.height_label, f.height, f.sea_level), ("MESAFE", f.distance, ""),
              ("SÜRE", f.elapsed, ""))
    field_h = (h - 2 * m - 3 * 8 * u) / 4
    for i, (label, value, unit) in enumerate(fields):
        r = QRectF(w - m - col_w, m + i * (field_h + 8 * u), col_w, field_h)
        hp.panel(r)
        hp.p.fillRect(QRectF(r.left(), r.top(), r.width(), 4 * u), _c(theme.accent))
        caption = r.adjusted(12 * u, 8 * u, -12 * u, -field_h + 30 * u)
        hp.text(caption, label, 12 if len(label) < 12 else 9, theme.label)
        hp.value(r.adjusted(12 * u, 26 * u, -12 * u, -6 * u), value, 36 if i == 0 else 30,
                 align=Qt.AlignRight | Qt.AlignVCenter)
        if unit:
            hp.text(r.adjusted(12 * u, field_h - 24 * u, -12 * u, -4 * u) if i else caption, unit, 10 if i else 12,
                    theme.accent, Qt.AlignRight | Qt.AlignVCenter)
    # map, bottom left
    side = min(w * 0.3, h * 0.42)
    draw_map(hp, QRectF(m, h - m - side, side, side), track, s)


_LAYOUTS = {LAYOUT_BAR: _layout_bar, LAYOUT_FIELDS: _layout_fields}


def paint_hud(painter: QPainter, width: int, height: int, track: HudTrack, t_s: float, theme: HudTheme) -> None:
    """Paints the HUD of `track` at `t_s` (seconds on the track's clock) in `theme` over whatever
    `painter` already holds, inside the rectangle (0, 0, width, height)."""
    painter.save()
    try:
        painter.setRenderHint(QPainter.Antialiasing)
        painter.setRenderHint(QPainter.TextAntialiasing)
        hp = _Painter(painter, theme, height / _DESIGN_HEIGHT)
        if not len(track):
            hp.text(QRectF(0, 0, width, height), "Telemetri verisi yok", 24, (255, 255, 255, 255), Qt.AlignCenter)
            return
        sample = track.sample(t_s)
        _LAYOUTS.get(theme.layout, _layout_panels)(hp, width, height, track, sample, _Figures(track, sample))
    finally:
        painter.restore()


def hud_image(width: int, height: int, track: HudTrack, t_s: float, theme: HudTheme,
              background: Optional[QImage] = None) -> QImage:
    """A new image: `background` scaled to the size (the neutral stand-in without one), HUD on top."""
    image = QImage(max(1, width), max(1, height), QImage.Format_RGB32)
    painter = QPainter(image)
    try:
        if background is None or background.isNull():
            draw_neutral_frame(painter, image.width(), image.height())
        else:
            painter.setRenderHint(QPainter.SmoothPixmapTransform)
            painter.drawImage(QRectF(0, 0, image.width(), image.height()), background)
        paint_hud(painter, image.width(), image.height(), track, t_s, theme)
    finally:
        painter.end()
    return image

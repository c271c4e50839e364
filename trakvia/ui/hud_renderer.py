"""Draws one HUD frame (telemetry overlay over a neutral frame) into a QImage with QPainter.

Pure drawing: no widgets, so it can run on a worker thread."""
import math
from typing import Optional

from PyQt5.QtCore import QPointF, QRectF, Qt
from PyQt5.QtGui import QColor, QFont, QImage, QLinearGradient, QPainter, QPainterPath, QPen

from .hud_themes import LAYOUT_BAR, LAYOUT_FIELDS, HudTheme
from .hud_track import HudPoint, HudTrack


def _c(rgba) -> QColor:
    return QColor(*rgba)


def format_clock(point: HudPoint) -> str:
    return point.wall_clock.strftime("%H:%M:%S") if point.wall_clock else format_elapsed(point.t_s)


def format_elapsed(seconds: float) -> str:
    s = int(max(0.0, seconds))
    return f"{s // 3600:d}:{s // 60 % 60:02d}:{s % 60:02d}" if s >= 3600 else f"{s // 60:02d}:{s % 60:02d}"


def format_distance(metres: float) -> str:
    return f"{metres / 1000:.2f} km" if metres >= 1000 else f"{metres:.0f} m"


def format_coordinates(lat: float, lon: float) -> str:
    ns = "K" if lat >= 0 else "G"
    ew = "D" if lon >= 0 else "B"
    return f"{abs(lat):.5f}° {ns}   {abs(lon):.5f}° {ew}"


class _Painter:
    """A QPainter with the theme and the scale of the frame at hand."""

    def __init__(self, painter: QPainter, theme: HudTheme, unit: float):
        self.p = painter
        self.theme = theme
        self.u = unit

    def font(self, size: float, bold: bool = True, italic: bool = False, family: str = "") -> QFont:
        f = QFont(family or self.theme.font_family)
        f.setPixelSize(max(6, int(size * self.u)))
        f.setBold(bold)
        f.setItalic(italic)
        return f

    def panel(self, rect: QRectF, fill=None, edge=None, radius: Optional[float] = None) -> None:
        r = (self.theme.radius if radius is None else radius) * self.u
        self.p.setPen(QPen(_c(edge or self.theme.panel_edge), max(1.0, 1.2 * self.u)))
        self.p.setBrush(_c(fill or self.theme.panel))
        self.p.drawRoundedRect(rect, r, r)

    def text(self, rect: QRectF, text: str, size: float, color=None, align=Qt.AlignLeft | Qt.AlignVCenter,
             bold: bool = True, italic: bool = False) -> None:
        self.p.setFont(self.font(size, bold, italic))
        self.p.setPen(_c(color or self.theme.text))
        self.p.drawText(rect, int(align), text)

    def value(self, rect: QRectF, text: str, size: float, color=None, align=Qt.AlignLeft | Qt.AlignVCenter) -> None:
        self.text(rect, text, size, color, align, True, self.theme.italic_values)


def draw_neutral_frame(p: QPainter, w: int, h: int) -> None:
    """A calm stand-in for the video: sky, horizon and a ground grid in muted colours."""
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


def draw_map(hp: _Painter, rect: QRectF, track: HudTrack, point: HudPoint) -> None:
    """The track in an inset: flown part bright, the rest dim, the current position as a dot."""
    theme = hp.theme
    hp.panel(rect, fill=theme.map_bg)
    pts = track.points
    if len(pts) < 2:
        return
    pad = rect.width() * 0.1
    inner = rect.adjusted(pad, pad, -pad, -pad)
    lats = [q.lat for q in pts]
    lons = [q.lon for q in pts]
    mid_lat = math.radians((max(lats) + min(lats)) / 2)
    x_span = max((max(lons) - min(lons)) * math.cos(mid_lat), 1e-9)
    y_span = max(max(lats) - min(lats), 1e-9)
    scale = min(inner.width() / x_span, inner.height() / y_span)
    cx = inner.center().x() - (min(lons) + max(lons)) / 2 * math.cos(mid_lat) * scale
    cy = inner.center().y() + (min(lats) + max(lats)) / 2 * scale

    def proj(lat: float, lon: float) -> QPointF:
        return QPointF(cx + lon * math.cos(mid_lat) * scale, cy - lat * scale)

    step = max(1, len(pts) // 1500)   # a few hundred segments are enough at inset size
    path_all, path_done = QPainterPath(), QPainterPath()
    path_all.moveTo(proj(pts[0].lat, pts[0].lon))
    path_done.moveTo(proj(pts[0].lat, pts[0].lon))
    for q in pts[::step]:
        path_all.lineTo(proj(q.lat, q.lon))
        if q.t_s <= point.t_s:
            path_done.lineTo(proj(q.lat, q.lon))
    path_done.lineTo(proj(point.lat, point.lon))
    p = hp.p
    p.setBrush(Qt.NoBrush)
    dim = QColor(*theme.track)
    dim.setAlpha(90)
    p.setPen(QPen(dim, 2 * hp.u, Qt.SolidLine, Qt.RoundCap, Qt.RoundJoin))
    p.drawPath(path_all)
    p.setPen(QPen(_c(theme.track), 3 * hp.u, Qt.SolidLine, Qt.RoundCap, Qt.RoundJoin))
    p.drawPath(path_done)
    pos = proj(point.lat, point.lon)
    p.setPen(QPen(QColor(0, 0, 0, 160), 1.5 * hp.u))
    p.setBrush(_c(theme.marker))
    p.drawEllipse(pos, 5 * hp.u, 5 * hp.u)


def draw_speed_arc(hp: _Painter, rect: QRectF, speed: float, top_speed: float) -> None:
    p = hp.p
    frac = 0.0 if top_speed <= 0 else max(0.0, min(1.0, speed / top_speed))
    pen = QPen(QColor(255, 255, 255, 45), 6 * hp.u, Qt.SolidLine, Qt.RoundCap)
    p.setPen(pen)
    p.setBrush(Qt.NoBrush)
    p.drawArc(rect, 225 * 16, -270 * 16)
    pen.setColor(_c(hp.theme.accent))
    p.setPen(pen)
    p.drawArc(rect, 225 * 16, int(-270 * 16 * frac))


def _figures(track: HudTrack, point: HudPoint):
    alt = f"{point.alt_m:.0f} m" if point.alt_m is not None else "—"
    return f"{point.speed_kmh:.0f}", alt, format_distance(point.dist_m), format_clock(point)


def _layout_panels(hp: _Painter, w: float, h: float, track: HudTrack, point: HudPoint, top_speed: float) -> None:
    u, m = hp.u, 16 * hp.u
    speed, alt, dist, clock = _figures(track, point)
    # time, top left
    r = QRectF(m, m, 190 * u, 64 * u)
    hp.panel(r)
    hp.value(r.adjusted(14 * u, 4 * u, 0, -22 * u), clock, 28)
    hp.text(r.adjusted(14 * u, 40 * u, 0, -4 * u),
            f"SÜRE {format_elapsed(point.t_s)} / {format_elapsed(track.duration_s)}", 11, hp.theme.label)
    # map, top right
    side = min(w * 0.26, h * 0.36)
    draw_map(hp, QRectF(w - m - side, m, side, side), track, point)
    # speed, bottom left
    r = QRectF(m, h - m - 150 * u, 170 * u, 150 * u)
    hp.panel(r)
    draw_speed_arc(hp, r.adjusted(18 * u, 14 * u, -18 * u, -2 * u), point.speed_kmh, top_speed)
    hp.value(r.adjusted(0, 30 * u, 0, -50 * u), speed, 44, align=Qt.AlignCenter)
    hp.text(r.adjusted(0, 92 * u, 0, -24 * u), "km/sa", 13, hp.theme.accent, Qt.AlignCenter)
    # altitude and distance, bottom right
    r = QRectF(w - m - 210 * u, h - m - 112 * u, 210 * u, 112 * u)
    hp.panel(r)
    for row, (label, value) in enumerate((("İRTİFA", alt), ("MESAFE", dist))):
        rr = QRectF(r.left() + 14 * u, r.top() + 6 * u + row * 52 * u, r.width() - 28 * u, 50 * u)
        hp.text(rr.adjusted(0, 0, 0, -30 * u), label, 11, hp.theme.label)
        hp.value(rr.adjusted(0, 14 * u, 0, 0), value, 26, align=Qt.AlignRight | Qt.AlignVCenter)
    # coordinates, bottom centre
    r = QRectF(w / 2 - 170 * u, h - m - 34 * u, 340 * u, 34 * u)
    hp.panel(r)
    hp.text(r, format_coordinates(point.lat, point.lon), 13, align=Qt.AlignCenter)


def _layout_bar(hp: _Painter, w: float, h: float, track: HudTrack, point: HudPoint, top_speed: float) -> None:
    u, m = hp.u, 16 * hp.u
    speed, alt, dist, clock = _figures(track, point)
    theme = hp.theme
    # track name tag, top left
    tag = QRectF(m, m, 230 * u, 34 * u)
    hp.panel(tag)
    hp.p.fillRect(QRectF(tag.left(), tag.top(), 6 * u, tag.height()), _c(theme.accent))
    hp.text(tag.adjusted(16 * u, 0, -8 * u, 0), track.name.upper(), 14)
    # map, top right
    side = min(w * 0.24, h * 0.34)
    draw_map(hp, QRectF(w - m - side, m, side, side), track, point)
    # the bar
    bar = QRectF(m, h - m - 86 * u, w - 2 * m, 86 * u)
    hp.panel(bar)
    speed_box = QRectF(bar.left(), bar.top(), 180 * u, bar.height())
    hp.panel(speed_box, fill=theme.accent, edge=theme.accent)
    white = (255, 255, 255, 255)
    hp.value(speed_box.adjusted(14 * u, 2 * u, -70 * u, -18 * u), speed, 46, white, Qt.AlignRight | Qt.AlignVCenter)
    hp.text(speed_box.adjusted(116 * u, 24 * u, -6 * u, -16 * u), "km/sa", 14, white)
    frac = 0.0 if top_speed <= 0 else max(0.0, min(1.0, point.speed_kmh / top_speed))
    meter = QRectF(speed_box.left() + 14 * u, speed_box.bottom() - 16 * u, speed_box.width() - 28 * u, 6 * u)
    hp.p.fillRect(meter, QColor(255, 255, 255, 70))
    hp.p.fillRect(QRectF(meter.left(), meter.top(), meter.width() * frac, meter.height()), QColor(*white))
    cells = (("İRTİFA", alt), ("MESAFE", dist), ("SAAT", clock), ("KONUM", format_coordinates(point.lat, point.lon)))
    widths = (0.16, 0.18, 0.18, 0.48)
    x = speed_box.right() + 10 * u
    room = bar.right() - x - 10 * u
    for (label, value), share in zip(cells, widths):
        cell = QRectF(x, bar.top(), room * share, bar.height())
        hp.text(cell.adjusted(10 * u, 10 * u, 0, -50 * u), label, 11, theme.label)
        hp.value(cell.adjusted(10 * u, 30 * u, 0, -8 * u), value, 15 if label == "KONUM" else 26)
        x += cell.width()
        if label != "KONUM":
            hp.p.setPen(QPen(_c(theme.label), 1))
            hp.p.drawLine(QPointF(x, bar.top() + 14 * u), QPointF(x, bar.bottom() - 14 * u))


def _layout_fields(hp: _Painter, w: float, h: float, track: HudTrack, point: HudPoint, top_speed: float) -> None:
    u, m = hp.u, 16 * hp.u
    speed, alt, dist, clock = _figures(track, point)
    theme = hp.theme
    # top strip: clock and coordinates
    strip = QRectF(m, m, w * 0.62, 36 * u)
    hp.panel(strip)
    hp.text(strip.adjusted(12 * u, 0, 0, 0), clock, 18)
    hp.text(strip.adjusted(0, 0, -12 * u, 0), format_coordinates(point.lat, point.lon), 14,
            align=Qt.AlignRight | Qt.AlignVCenter)
    # data fields, right column
    col_w = 200 * u
    fields = (("HIZ", speed, "km/sa"), ("İRTİFA", alt, ""), ("MESAFE", dist, ""),
              ("SÜRE", format_elapsed(point.t_s), ""))
    field_h = (h - 2 * m - 3 * 8 * u) / 4
    for i, (label, value, unit) in enumerate(fields):
        r = QRectF(w - m - col_w, m + i * (field_h + 8 * u), col_w, field_h)
        hp.panel(r)
        hp.p.fillRect(QRectF(r.left(), r.top(), r.width(), 4 * u), _c(theme.accent))
        hp.text(r.adjusted(12 * u, 8 * u, -12 * u, -field_h + 30 * u), label, 12, theme.label)
        hp.value(r.adjusted(12 * u, 26 * u, -12 * u, -6 * u), value, 36 if i == 0 else 30,
                 align=Qt.AlignRight | Qt.AlignVCenter)
        if unit:
            hp.text(r.adjusted(12 * u, 8 * u, -12 * u, -field_h + 30 * u), unit, 12, theme.accent,
                    Qt.AlignRight | Qt.AlignVCenter)
    # map, bottom left
    side = min(w * 0.3, h * 0.42)
    draw_map(hp, QRectF(m, h - m - side, side, side), track, point)


_LAYOUTS = {LAYOUT_BAR: _layout_bar, LAYOUT_FIELDS: _layout_fields}


def render_hud(width: int, height: int, track: HudTrack, t_s: float, theme: HudTheme) -> QImage:
    """One frame of `track` at `t_s` seconds, `width` x `height` pixels, in `theme`."""
    image = QImage(max(1, width), max(1, height), QImage.Format_ARGB32_Premultiplied)
    painter = QPainter(image)
    try:
        painter.setRenderHint(QPainter.Antialiasing)
        painter.setRenderHint(QPainter.TextAntialiasing)
        draw_neutral_frame(painter, image.width(), image.height())
        hp = _Painter(painter, theme, image.height() / 540.0)
        if not track.points:
            hp.text(QRectF(0, 0, image.width(), image.height()), "Telemetri verisi yok", 24,
                    (255, 255, 255, 255), Qt.AlignCenter)
            return image
        point = track.point_at(t_s)
        top_speed = max(max(q.speed_kmh for q in track.points), 1.0)
        _LAYOUTS.get(theme.layout, _layout_panels)(hp, image.width(), image.height(), track, point, top_speed)
    finally:
        painter.end()
    return image

"""The application icon, drawn in code: a drone seen from above over a route line."""
from PyQt5.QtCore import QPointF, QRectF, Qt
from PyQt5.QtGui import QBrush, QColor, QIcon, QLinearGradient, QPainter, QPainterPath, QPen, QPixmap

_SIZES = (16, 24, 32, 48, 64, 128, 256)


def _draw(size: int) -> QPixmap:
    pix = QPixmap(size, size)
    pix.fill(Qt.transparent)
    p = QPainter(pix)
    p.setRenderHint(QPainter.Antialiasing)
    p.scale(size / 64.0, size / 64.0)
    bg = QLinearGradient(0, 0, 64, 64)
    bg.setColorAt(0.0, QColor(0, 150, 220))
    bg.setColorAt(1.0, QColor(10, 50, 110))
    p.setPen(Qt.NoPen)
    p.setBrush(QBrush(bg))
    p.drawRoundedRect(QRectF(2, 2, 60, 60), 14, 14)
    route = QPainterPath(QPointF(8, 54))
    route.cubicTo(QPointF(22, 40), QPointF(40, 60), QPointF(56, 42))
    p.setPen(QPen(QColor(255, 200, 0), 3.5, Qt.DashLine, Qt.RoundCap))
    p.setBrush(Qt.NoBrush)
    p.drawPath(route)
    white = QColor(255, 255, 255)
    p.setPen(QPen(white, 4, Qt.SolidLine, Qt.RoundCap))
    p.drawLine(QPointF(20, 14), QPointF(44, 38))
    p.drawLine(QPointF(44, 14), QPointF(20, 38))
    p.setPen(QPen(white, 2.2))
    p.setBrush(QColor(255, 255, 255, 70))
    for cx, cy in ((20, 14), (44, 14), (20, 38), (44, 38)):
        p.drawEllipse(QPointF(cx, cy), 7.5, 7.5)
    p.setPen(Qt.NoPen)
    p.setBrush(white)
    p.drawRoundedRect(QRectF(26, 20, 12, 12), 3, 3)
    p.setBrush(QColor(255, 200, 0))
    p.drawEllipse(QPointF(32, 26), 2.4, 2.4)
    p.end()
    return pix


def create_trakvia_icon() -> QIcon:
    """A new icon object with the drawing at the usual icon sizes."""
    icon = QIcon()
    for size in _SIZES:
        icon.addPixmap(_draw(size))
    return icon

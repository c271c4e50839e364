"""Trakvia's desktop window (PyQt5): SD card, HUD preview and conversion tabs."""
from .icon import create_trakvia_icon
from .main_window import TrakviaMainWindow

__all__ = ["TrakviaMainWindow", "create_trakvia_icon"]

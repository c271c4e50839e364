"""Waiting for the window's background tasks in tests."""


def wait_idle(qtbot, panel, timeout=20000):
    qtbot.waitUntil(lambda: not panel.is_busy(), timeout=timeout)

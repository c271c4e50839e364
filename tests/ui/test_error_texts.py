"""What the user reads when something fails: Turkish reasons, real names, the destination."""
import errno
import os

import pytest

from trakvia.ui import free_space
from trakvia.ui.error_texts import describe_error
from trakvia.ui.formatting import upper_tr

from .ui_waits import wait_idle


@pytest.mark.parametrize("exc, expected, absent", [
    (OSError(errno.EROFS, "Read-only file system", "/kart/DCIM/.DJI_0001.MP4.4242.trakvia-part"),
     ["salt okunur", os.path.join("/kart/DCIM", "DJI_0001.MP4")], ["Read-only", "trakvia-part"]),
    (FileExistsError(errno.EEXIST, "File exists", "/hedef/.iz.gpx.0123456789abcdef.tmp"),
     ["zaten var", os.path.join("/hedef", "iz.gpx")], ["File exists", ".tmp"]),
    (OSError(errno.ENOSPC, "No space left on device", "/kart/DJI_0001.MP4"),
     ["yer kalmadı: /yedek"], ["No space", "/kart"]),
    (OSError(errno.ETIMEDOUT, "Connection timed out", "/ag/x"), [f"hata kodu {errno.ETIMEDOUT}"], ["timed out"]),
    (ValueError("Karttaki dosyalar onaydan sonra değişti."), ["değişti"], ["Beklenmeyen"]),
])
def test_errors_are_told_in_turkish_with_the_names_the_user_knows(exc, expected, absent):
    text = describe_error(exc, destination="/yedek")
    assert all(part in text for part in expected), text
    assert not any(part in text for part in absent), text


def test_import_is_refused_before_copying_when_the_destination_is_too_small(window, qtbot, answers, tmp_path,
                                                                               monkeypatch):
    dest = tmp_path / "kucuk_disk"
    monkeypatch.setattr(free_space, "free_bytes", lambda folder: 100 * 1024)
    answers.folder = str(dest)
    window.sd_tab.btn_import.click()
    qtbot.waitUntil(lambda: bool(answers.of("error")), timeout=10000)
    wait_idle(qtbot, window.sd_tab.tasks)
    text = answers.of("error")[0][2]
    assert f"yeterli boş alan yok: {dest}" in text and "eksik" in text and "Beklenmeyen" not in text
    assert not dest.exists() or not os.listdir(dest)


def test_turkish_upper_case():
    assert upper_tr("Eymir gölü, ılık") == "EYMİR GÖLÜ, ILIK"

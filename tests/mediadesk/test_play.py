"""play_dji_file_by_index: which file is opened, and how the opener is started on each platform."""
import os
import pathlib
import stat
import time
import types

import pytest

import trakvia.mediadesk as md
from .mediadesk_cards import make_card

# The opener is started and let go, as a desktop program does; its Popen object is dropped
# while the process may still run.
pytestmark = pytest.mark.filterwarnings("ignore:subprocess .* is still running:ResourceWarning")


class Recorder:
    def __init__(self):
        self.calls = []

    def __call__(self, *args, **kwargs):
        self.calls.append((args, kwargs))


class OsWithStartfile:
    """The module's os with the Windows-only startfile."""

    def __init__(self, startfile):
        self.startfile = startfile

    def __getattr__(self, name):
        return getattr(os, name)


@pytest.fixture
def openers(monkeypatch):
    """Rebinds the module's sys, subprocess and os so that no real opener runs."""
    popen, startfile = Recorder(), Recorder()
    fake_sys = types.SimpleNamespace(platform="linux")
    monkeypatch.setattr(md, "sys", fake_sys)
    monkeypatch.setattr(md, "subprocess", types.SimpleNamespace(Popen=popen))
    monkeypatch.setattr(md, "os", OsWithStartfile(startfile))
    return types.SimpleNamespace(sys=fake_sys, popen=popen, startfile=startfile)


@pytest.fixture
def card(tmp_path):
    return make_card(tmp_path / "card", {
        "DJI_0002.MP4": b"v2", "DJI_0002.SRT": b"s2", "DJI_0002.LRF": b"l2",
        "DJI_0003.SRT": b"s3", "DJI_0004.LRF": b"l4", "DJI_0005.GPX": b"g5",
        "GX010007.MP4": b"a", "GX020007.MP4": b"b", "GX010007.SRT": b"s",
    })


def media(card, name):
    return str(card / "DCIM" / "DJI_001" / name)


@pytest.mark.parametrize("index_num, expected", [
    (2, "DJI_0002.MP4"),
    ("2", "DJI_0002.MP4"),
    (3, "DJI_0003.SRT"),      # no video: the telemetry opens
    (7, "GX010007.MP4"),      # first of two videos
    (4, None),                # only a preview
    (5, None),                # only a track
    (9, None),
    (-3, None),
    (0, None),
    ("3-7", "DJI_0003.SRT"),  # a range plays its lowest index
    ("ALL", "DJI_0002.MP4"),
])
def test_choice_of_file(card, openers, index_num, expected):
    result = md.play_dji_file_by_index(str(card), index_num)
    if expected is None:
        assert result is None and openers.popen.calls == []
    else:
        assert result == media(card, expected)
        assert openers.popen.calls == [((["xdg-open", result],), {})]


@pytest.mark.parametrize("platform, opener", [
    ("win32", "startfile"), ("windows", "startfile"),
    ("darwin", "open"), ("linux", "xdg-open"), ("freebsd14", "xdg-open"), ("cygwin", "xdg-open"),
])
def test_opener_by_platform(card, openers, platform, opener):
    openers.sys.platform = platform
    path = md.play_dji_file_by_index(str(card), 2)
    assert path == media(card, "DJI_0002.MP4")
    if opener == "startfile":
        assert openers.startfile.calls == [((path,), {})] and openers.popen.calls == []
    else:
        assert openers.popen.calls == [(([opener, path],), {})] and openers.startfile.calls == []


def test_startfile_error_propagates(card, openers):
    def no_association(path):
        raise OSError(22, "No application is associated with the specified file", path)

    openers.sys.platform = "win32"
    md.os.startfile = no_association
    with pytest.raises(OSError, match="No application"):
        md.play_dji_file_by_index(str(card), 2)


@pytest.fixture
def fake_xdg_open(tmp_path, monkeypatch):
    """An `xdg-open` first on PATH that writes each argument on its own line to a file."""
    bin_dir = tmp_path / "bin"
    bin_dir.mkdir()
    record = tmp_path / "argv.txt"
    script = bin_dir / "xdg-open"
    script.write_text(f'#!/bin/sh\nfor a in "$@"; do printf "%s\\n" "$a"; done > "{record}.tmp"\n'
                      f'mv "{record}.tmp" "{record}"\n')
    script.chmod(script.stat().st_mode | stat.S_IXUSR)
    monkeypatch.setenv("PATH", f"{bin_dir}{os.pathsep}{os.environ['PATH']}")
    monkeypatch.setattr(md, "sys", types.SimpleNamespace(platform="linux"))
    return record


def wait_for(path: pathlib.Path, seconds: float = 10.0) -> str:
    deadline = time.monotonic() + seconds
    while not path.exists():
        assert time.monotonic() < deadline, "the opener was not started"
        time.sleep(0.02)
    return path.read_text(encoding="utf-8")


@pytest.mark.linux_only("xdg-open is the opener")
def test_real_opener_gets_the_path_as_one_argument(tmp_path, fake_xdg_open):
    card = make_card(tmp_path / "Uçuş Günü 1 ; $(rm -rf x) 'ğüşİı'", {"DJI_0001.MP4": b"v"})
    path = md.play_dji_file_by_index(str(card), 1)
    assert path == media(card, "DJI_0001.MP4")
    assert wait_for(fake_xdg_open) == path + "\n"


def test_missing_opener_raises(card, monkeypatch, tmp_path):
    monkeypatch.setenv("PATH", str(tmp_path / "empty"))
    monkeypatch.setattr(md, "sys", types.SimpleNamespace(platform="linux"))
    with pytest.raises(FileNotFoundError):
        md.play_dji_file_by_index(str(card), 2)


def test_signature():
    import inspect
    assert str(inspect.signature(md.play_dji_file_by_index)) == \
        "(dir_path: 'str', index_num: 'int') -> 'Optional[str]'"
    with pytest.raises(TypeError):
        md.play_dji_file_by_index("x")

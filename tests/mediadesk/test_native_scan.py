"""The native walk of list_dji_files against the interpreter's: random trees, generated names,
every bound name rebound, and paths longer than the kernel takes."""
import builtins
import datetime as real_datetime
import os
import pathlib
import random
import re
import shutil
import subprocess
import sys
import tempfile

import pytest

import trakvia.mediadesk as md
from conftest import import_probe
from .scan_trees import WalkSeen, list_both

HERE = os.path.dirname(os.path.abspath(__file__))


def test_both_walks_agree_on_random_trees(bundle_dir):
    command = [sys.executable, os.path.join(HERE, "scan_trees.py"), "--trees", "2000", "--bundle", str(bundle_dir)]
    if hasattr(os, "geteuid") and os.geteuid() == 0 and shutil.which("setpriv"):
        # Without the capability to override permissions, so that locked folders stay locked.
        command = ["setpriv", "--bounding-set=-dac_override,-dac_read_search", *command]
    result = subprocess.run(command, capture_output=True, text=True, timeout=600)
    assert result.returncode == 0, result.stdout[-3000:] + result.stderr[-3000:]


@pytest.fixture(scope="module")
def name_probe():
    return import_probe("mediadesk_name_probe")


# Pieces the pattern cares about, and near misses, in both cases.
PIECES = ["DJI_", "dji_", "MAVIC_", "AVATA_", "OSMO_", "GX", "GH", "GP", "VID_", "D", "J", "I", "_", ".", "-",
          " ", "\n", "0", "1", "12", "123", "1234", "12345678", "12345678901234", "a", "Z", "x9", "mp4", "MOV",
          "m2ts", "ts", "mts", "srt", "LRF", "gpx", "360", "3gp", "insv", "webm", "mpg", ".mp4", ".."]


def generated_names(count, seed):
    rng = random.Random(seed)
    for _ in range(count):
        name = "".join(rng.choice(PIECES) for _ in range(rng.randrange(1, 9)))
        yield "".join(c.swapcase() if rng.random() < 0.2 else c for c in name)


def test_name_reading_agrees_with_the_pattern_and_splitext(name_probe):
    for name in generated_names(200_000, seed=13):
        m = md._RE_DJI_INDEX.search(name)
        assert name_probe.search_dji_index(name) == (m and (int(m.group(1)), m.group(2))), repr(name)
        assert name_probe.last_extension(name) == os.path.splitext(name)[1].lstrip("."), repr(name)


class _Proxy:
    """A module seen through another object: equal behaviour, another identity."""

    def __init__(self, module):
        self._module = module

    def __getattr__(self, name):
        return getattr(self._module, name)


class _LaterDatetime(real_datetime.datetime):
    pass


def _calling(function):
    return lambda *args, **kwargs: function(*args, **kwargs)


def _equal_replacement(name):
    """(owner, attribute, a replacement that behaves the same) for one name the scan reaches."""
    if name in ("os", "re"):
        return md, name, _Proxy(getattr(md, name))
    if name == "_RE_DJI_INDEX":
        return md, name, re.compile(md._RE_DJI_INDEX.pattern, re.IGNORECASE | re.UNICODE)
    if name == "datetime":
        return md, name, _LaterDatetime
    if name in ("sorted", "int", "format"):
        return md, name, _calling(getattr(builtins, name))
    if name == "DjiFileSet":
        return md, name, _calling(md.DjiFileSet)
    owner_name, _, attr = name.rpartition(".")
    owner = {"os": os, "os.path": os.path}[owner_name]
    value = getattr(owner, attr)
    return owner, attr, _Proxy(value) if attr == "path" else _calling(value)


BOUND_NAMES = ["os", "re", "_RE_DJI_INDEX", "datetime", "DjiFileSet", "sorted", "int", "format",
               *("os." + n for n in ["walk", "scandir", "stat", "lstat", "listdir", "fspath", "path"]),
               *("os.path." + n for n in ["join", "isfile", "isdir", "islink", "splitext", "getmtime", "getsize"])]


@pytest.mark.parametrize("name", BOUND_NAMES)
def test_a_rebound_name_makes_the_interpreter_walk(tmp_path, monkeypatch, name):
    for rel in ("DCIM/DJI_001/DJI_0001.MP4", "DCIM/DJI_001/DJI_0001.SRT", "DCIM/DJI_001/old/klip.mp4"):
        (tmp_path / rel).parent.mkdir(parents=True, exist_ok=True)
        (tmp_path / rel).write_bytes(b"v")
    native = md.list_dji_files(str(tmp_path))
    owner, attr, replacement = _equal_replacement(name)
    monkeypatch.setattr(owner, attr, replacement, raising=False)
    seen = WalkSeen()
    assert seen.run(lambda: md.list_dji_files(str(tmp_path))) == native
    assert seen.seen


@pytest.mark.skipif(not hasattr(os, "O_DIRECTORY"), reason="POSIX path lengths")
def test_paths_longer_than_the_kernel_takes_are_skipped_alike(tmp_path):
    # Folders 100 characters deep each, made relative to the previous one, and a 126-character
    # name in each: at one depth the folder's path still fits in 4096 bytes but its file's does
    # not, which stat on the full path refuses while a stat beside the open folder would not.
    fd = os.open(tmp_path, os.O_RDONLY | os.O_DIRECTORY)
    try:
        for depth in range(45):
            name = f"DJI_{depth:04d}_{'x' * 113}.MP4"
            os.close(os.open(name, os.O_WRONLY | os.O_CREAT, dir_fd=fd))
            os.mkdir("k" * 100, dir_fd=fd)
            inner = os.open("k" * 100, os.O_RDONLY | os.O_DIRECTORY, dir_fd=fd)
            os.close(fd)
            fd = inner
    finally:
        os.close(fd)
    native, interpreted = list_both(md, str(tmp_path))
    assert native == interpreted
    assert 30 < len(native) < 45


@pytest.fixture
def roomy_folder(tmp_path):
    """A folder on tmpfs when there is one (it takes sparse files of 2^62 bytes), else tmp_path."""
    if not os.path.isdir("/dev/shm"):
        yield tmp_path
        return
    folder = tempfile.mkdtemp(dir="/dev/shm")
    yield pathlib.Path(folder)
    shutil.rmtree(folder)


def test_sizes_past_64_bits_add_up(roomy_folder):
    try:
        for i in range(5):
            with open(roomy_folder / f"DJI_0001_{i}.MP4", "wb") as f:
                f.truncate(2 ** 62)
    except OSError:
        pytest.skip("the file system refuses files of 2^62 bytes")
    native, interpreted = list_both(md, str(roomy_folder))
    assert native == interpreted and native[0].total_size_bytes == 5 * 2 ** 62

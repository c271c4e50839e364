"""The hidden part files of the import on real trees: never through a link, within the name
limit, and the leftovers of a killed import removed by the next one."""
import os
import signal
import subprocess
import sys
import textwrap
import time

import pytest

import trakvia.mediadesk as md
from .mediadesk_cards import make_card, tree, write_file


class OsWithFixedRandom:
    """The module's os whose first urandom() is known in advance, as an attacker would wish."""

    def __init__(self, first):
        self._first = [first]

    def __getattr__(self, name):
        return getattr(os, name)

    def urandom(self, n):
        return self._first.pop() if self._first else os.urandom(n)


@pytest.mark.linux_only("symbolic links that lstat reports (not wine's)")
def test_a_link_planted_at_the_part_name_is_never_followed(tmp_path, monkeypatch):
    card = make_card(tmp_path / "card", {"DJI_0001.MP4": b"card video"})
    dest = tmp_path / "dest"
    dest.mkdir()
    victim = write_file(tmp_path / "victim.txt", b"precious")
    pid = os.getpid()
    # The name earlier versions used, and the name this one would pick first.
    for name in (f".DJI_0001.MP4.{pid}.trakvia-part", f".DJI_0001.MP4.{pid}.00000000.trakvia-part"):
        (dest / name).symlink_to(victim)
    monkeypatch.setattr(md, "os", OsWithFixedRandom(b"\0\0\0\0"))
    assert md.import_dji_files(str(card), str(dest)) == (1, [str(dest / "DJI_0001.MP4")])
    assert victim.read_bytes() == b"precious"
    assert not (dest / "DJI_0001.MP4").is_symlink() and (dest / "DJI_0001.MP4").read_bytes() == b"card video"
    assert sorted(p.name for p in dest.iterdir() if p.is_symlink()) == sorted(
        [f".DJI_0001.MP4.{pid}.trakvia-part", f".DJI_0001.MP4.{pid}.00000000.trakvia-part"])


def test_a_249_byte_name_is_imported(tmp_path):
    name = "U" * 237 + "DJI_0001.MP4"
    assert len(name.encode()) == 249
    card = make_card(tmp_path / "card", {name: b"long", "DJI_0002.MP4": b"short"})
    dest = tmp_path / "dest"
    assert md.import_dji_files(str(card), str(dest))[0] == 2
    assert tree(dest) == {name: b"long", "DJI_0002.MP4": b"short"}


# Imports the card in argv[1] into argv[2]; after the first chunk of the big file has been
# written it says so in argv[3] and waits to be killed.
KILLED_IMPORT = textwrap.dedent("""
    import os, sys, time
    import trakvia.mediadesk as md
    card, dest, flag = sys.argv[1:4]

    class Stalling:
        def __init__(self, path, *args):
            self._file, self._reads = open(path, *args), 0
        def readinto(self, buffer):
            self._reads += 1
            if self._reads == 2:
                open(flag, "w").close()
                time.sleep(60)
            return self._file.readinto(buffer)
        def close(self):
            self._file.close()

    md.open = lambda path, *args: Stalling(path, *args) if path.endswith("MP4") else open(path, *args)
    md.import_dji_files(card, dest)
""")


@pytest.mark.skipif(sys.platform.startswith("win"), reason="SIGKILL")
def test_part_files_of_a_killed_import_are_removed_by_the_next(tmp_path, bundle_dir):
    big = os.urandom(3 << 20)
    card = make_card(tmp_path / "card", {"DJI_0001.MP4": big, "DJI_0001.SRT": b"telemetry"})
    dest = tmp_path / "dest"
    user_files = {"DJI_0009.MP4": b"user's own", ".DJI_0009.MP4.notes": b"hidden, not ours"}
    for name, data in user_files.items():
        write_file(dest / name, data)
    flag = tmp_path / "stalled"
    env = dict(os.environ, PYTHONPATH=str(bundle_dir))
    child = subprocess.Popen([sys.executable, "-c", KILLED_IMPORT, str(card), str(dest), str(flag)],
                             env=env, cwd=tmp_path)
    try:
        deadline = time.monotonic() + 30
        while not flag.exists() and time.monotonic() < deadline and child.poll() is None:
            time.sleep(0.02)
        assert flag.exists()
        os.kill(child.pid, signal.SIGKILL)
    finally:
        child.kill()
        child.wait()
    leftovers = [n for n in os.listdir(dest) if n.endswith(".trakvia-part")]
    assert len(leftovers) == 1 and f".{child.pid}." in leftovers[0]
    # A part file whose process still runs is a copy in progress and stays.
    sleeper = subprocess.Popen([sys.executable, "-c", "import time; time.sleep(60)"])
    try:
        live = write_file(dest / f".DJI_0005.MP4.{sleeper.pid}.0123abcd.trakvia-part", b"in progress")
        assert md.import_dji_files(str(card), str(dest))[0] == 2
        assert live.read_bytes() == b"in progress"
    finally:
        sleeper.kill()
        sleeper.wait()
    got = tree(dest)
    assert got.pop(live.name) == b"in progress"
    assert got == {**user_files, "DJI_0001.MP4": big, "DJI_0001.SRT": b"telemetry"}

"""Two real processes importing two different cards into one folder at the same time: each set
keeps its video and telemetry under one suffix, however the copies interleave."""
import os
import subprocess
import sys
import textwrap

import trakvia.mediadesk as md
from .mediadesk_cards import make_card, tree

# Imports argv[1] into argv[2]. The wait points force the worst interleaving: both imports have
# chosen the free names when A puts its video under DJI_0001.MP4; B then finds that name taken
# and puts its telemetry under DJI_0001.SRT before A gets to its own telemetry.
IMPORT = textwrap.dedent("""
    import os, sys, time
    import trakvia.mediadesk as md
    card, dest, role, sync = sys.argv[1:5]

    def touch(name):
        open(os.path.join(sync, name), "w").close()

    def wait_for(name):
        deadline = time.monotonic() + 10
        while not os.path.exists(os.path.join(sync, name)) and time.monotonic() < deadline:
            time.sleep(0.01)

    class Os:
        def __getattr__(self, name):
            return getattr(os, name)
        def link(self, src, dst):
            video = dst.endswith(".MP4")
            if role == "A" and video:
                wait_for("B at its video")
            elif role == "A":
                touch("A put its video")
                wait_for("B done")
            elif video:
                touch("B at its video")
                wait_for("A put its video")
            return os.link(src, dst)

    md.os = Os()
    md.import_dji_files(card, dest)
    touch(role + " done")
""")


def test_two_cards_imported_at_once_keep_their_pairs(tmp_path, bundle_dir):
    cards = {role: make_card(tmp_path / role, {"DJI_0001.MP4": f"video {role}".encode(),
                                               "DJI_0001.SRT": f"telemetry {role}".encode()})
             for role in "AB"}
    dest = tmp_path / "dest"
    dest.mkdir()
    sync = tmp_path / "sync"
    sync.mkdir()
    env = dict(os.environ, PYTHONPATH=str(bundle_dir))
    procs = [subprocess.Popen([sys.executable, "-c", IMPORT, str(cards[role]), str(dest), role, str(sync)],
                              env=env, cwd=tmp_path)
             for role in "AB"]
    assert [p.wait(timeout=60) for p in procs] == [0, 0]

    got = tree(dest)
    assert sorted(got) == ["DJI_0001.MP4", "DJI_0001.SRT", "DJI_0001_2.MP4", "DJI_0001_2.SRT"]
    for stem in ("DJI_0001", "DJI_0001_2"):
        video, telemetry = got[stem + ".MP4"].decode(), got[stem + ".SRT"].decode()
        assert video.split()[-1] == telemetry.split()[-1], (stem, video, telemetry)
    assert {got["DJI_0001.MP4"], got["DJI_0001_2.MP4"]} == {b"video A", b"video B"}
    [s] = md.list_dji_files(str(dest))
    assert len(s.video_files) == len(s.srt_files) == 2

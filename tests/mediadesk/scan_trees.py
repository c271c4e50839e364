"""Random card trees listed by both walks of list_dji_files: the native one and the interpreter's.

    python tests/mediadesk/scan_trees.py [--trees N] [--seed S] [--bundle DIR]

Each tree is a folder or a card (DCIM with one or more media folders) holding nested folders,
every recognised and unrecognised name form in random case, names with non-ASCII characters and
(on POSIX) bytes that are no UTF-8, symbolic links to files and folders, broken links, FIFOs,
folders that cannot be listed or searched, and odd modification times (before 1970, at the
epoch, beyond the year 3000 and 9999, nanoseconds on a half microsecond). Both walks must give
equal DjiFileSet lists, and each must really have run: the interpreter's walk is forced by
binding an equal copy of _RE_DJI_INDEX, and seen through a profile hook on os.walk.

Folders that cannot be listed only count when the process lacks the capability to override
permissions; as root, run it under `setpriv --bounding-set=-dac_override,-dac_read_search`.
Exits 1 with the seed of the first tree that differs.
"""
import argparse
import os
import random
import re
import shutil
import sys
import tempfile

PREFIXES = ["", "DJI_", "dji_", "DjI_", "MAVIC_", "mavic_", "AVATA_", "OSMO_", "GX", "gh", "GP", "VID_", "GOPR",
            "IMG_", "x", "DJI_20240101123456_", "DJI_2024010112_", "DJI_123456789012345_", "DJI_1234567_",
            "._DJI_", "Uçuş DJI_", "DJı_", "DJI-", "12"]
DIGITS = ["0001", "001", "0042", "1000", "1001", "1002", "1234", "12", "12345", "999", "0000", "١٢٣", "00١"]
SUFFIXES = ["", "", "", "_D", "_001", "_a1", "_", "_D-1", "-1", "_ı", "__x", ".bak"]
EXTENSIONS = ["MP4", "mp4", "Mp4", "MOV", "SRT", "srt", "LRF", "GPX", "gpx", "insv", "360", "MKV", "m2ts", "TS",
              "mts", "3GP", "MPG", "mpeg", "JPG", "txt", "M\u212aV", "mp", "mp44", "", "srt\n"]
TIMES = [0, 1.5, 86399.9, 172800, -86400 * 400, 2 ** 31, 1e10, 32503680000, 32503507200.25, 253402300800, 1e12]


def random_name(rng: random.Random) -> str:
    if rng.random() < 0.1:
        return rng.choice(["clip.mp4", "12.mp4", "aile.MP4", ".mp4", "a..mp4", "notes.txt", "IMG_1234.JPG",
                           "çekim.mp4", "DJI_0001.MP4.bak", "..srt", "x.Srt", "klip.gpx"])
    return (rng.choice(PREFIXES) + rng.choice(DIGITS) + rng.choice(SUFFIXES) + "." + rng.choice(EXTENSIONS))


def random_time(rng: random.Random) -> int:
    """A modification time in nanoseconds."""
    if rng.random() < 0.2:
        return int(rng.choice(TIMES) * 1e9)
    ns = rng.randrange(1_500_000_000, 1_800_000_000) * 10 ** 9
    return ns + rng.choice([0, 500, 1500, rng.randrange(10 ** 9)])


def make_file(folder: str, name, rng: random.Random) -> None:
    path = os.path.join(folder, name)
    if os.path.lexists(path):
        return
    try:
        with open(path, "wb") as f:
            f.write(b"\0" * rng.randrange(0, 60))
    except OSError:
        return  # a name this file system refuses (Windows: a trailing newline)
    t = random_time(rng)
    try:
        os.utime(path, ns=(t, t))
    except (OSError, OverflowError, ValueError):
        pass


def make_tree(root: str, rng: random.Random) -> str:
    """Fills `root`, a plain folder or a card root, and returns it."""
    if rng.random() < 0.5:
        media = [os.path.join(root, "DCIM", name)
                 for name in rng.sample(["DJI_001", "DJI_002", "100MEDIA", "101MEDIA", "102_PANA", "Camera"], rng.randrange(1, 4))]
    else:
        media = [root]
    folders = []
    for m in media:
        os.makedirs(m, exist_ok=True)
        folders.append(m)
        for _ in range(rng.randrange(0, 4)):
            sub = os.path.join(rng.choice(folders), rng.choice(["old", "Yedek", "sub", "ğüş", "DJI_0009.MP4", "a b"]))
            os.makedirs(sub, exist_ok=True)
            folders.append(sub)
    files = []
    for _ in range(rng.randrange(1, 30)):
        folder = rng.choice(folders)
        name = random_name(rng)
        if os.name != "nt" and rng.random() < 0.05:
            name = rng.choice([b"\xffDJI_0003.MP4", b"caf\xe9.mp4", b"DJI_0002\xc3.MP4", b"\xe4\xb8DJI_0004.SRT"])
            folder = os.fsencode(folder)
        make_file(folder, name, rng)
        files.append(os.path.join(folder, name))
    for _ in range(rng.randrange(0, 4)):
        link = os.path.join(rng.choice(folders), random_name(rng))
        if os.path.lexists(link):
            continue
        kind = rng.random()
        try:
            if kind < 0.4 and files:
                os.symlink(os.fsdecode(rng.choice(files)), link)
            elif kind < 0.6:
                os.symlink(rng.choice(folders), link, target_is_directory=True)
            elif kind < 0.8:
                os.symlink(os.path.join(root, "yok.MP4"), link)
            elif hasattr(os, "mkfifo"):
                os.mkfifo(link)
            if rng.random() < 0.3 and len(folders) > 1:
                os.symlink(folders[0], os.path.join(rng.choice(folders[1:]), "geri"), target_is_directory=True)
        except OSError:
            pass  # no links without the privilege to make them (Windows)
    if hasattr(os, "geteuid"):
        for folder in rng.sample(folders, rng.randrange(0, 2)):
            if folder != root:
                os.chmod(folder, rng.choice([0o000, 0o444, 0o111, 0o555]))
    return root


def unlock(root: str) -> None:
    """Makes every folder listable again (os.walk lists a folder only after its parent's turn)."""
    for folder, dirs, _ in os.walk(root):
        for d in dirs:
            path = os.path.join(folder, d)
            if not os.path.islink(path):
                os.chmod(path, 0o755)


class WalkSeen:
    """Whether the interpreter's os.walk ran during a call (a profile hook on its code)."""

    def __init__(self):
        self.code = os.walk.__code__
        self.seen = False

    def __call__(self, frame, event, arg):
        if event == "call" and frame.f_code is self.code:
            self.seen = True

    def run(self, call):
        self.seen = False
        sys.setprofile(self)
        try:
            return call()
        finally:
            sys.setprofile(None)


def list_both(md, card: str):
    """(native sets, interpreter sets); raises AssertionError when a walk did not run as meant."""
    seen = WalkSeen()
    native = seen.run(lambda: md.list_dji_files(card))
    assert not seen.seen, "the native walk did not run"
    pattern = md._RE_DJI_INDEX
    md._RE_DJI_INDEX = re.compile(pattern.pattern, re.IGNORECASE | re.UNICODE)  # equal, not the same
    try:
        interpreted = seen.run(lambda: md.list_dji_files(card))
    finally:
        md._RE_DJI_INDEX = pattern
    assert seen.seen, "the interpreter's walk did not run"
    return native, interpreted


def check_trees(md, count: int, seed: int) -> int:
    """Lists `count` random trees both ways; returns the seed of the first that differs, or -1."""
    for n in range(count):
        tree_seed = seed + n
        root = tempfile.mkdtemp(prefix="trakvia-scan-tree-")
        try:
            card = make_tree(root, random.Random(tree_seed))
            native, interpreted = list_both(md, card)
            if native != interpreted:
                print(f"seed {tree_seed}: the walks differ\n native: {native}\n interpreter: {interpreted}")
                return tree_seed
        finally:
            unlock(root)
            shutil.rmtree(root)
    return -1


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--trees", type=int, default=2000)
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--bundle", default=os.environ.get("TRAKVIA_BUNDLE", "build/bundle"))
    args = parser.parse_args()
    sys.path.insert(0, args.bundle)
    import trakvia.mediadesk as md

    failed = check_trees(md, args.trees, args.seed)
    if failed >= 0:
        return 1
    print(f"{args.trees} trees: both walks agree")
    return 0


if __name__ == "__main__":
    sys.exit(main())

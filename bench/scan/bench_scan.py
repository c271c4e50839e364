"""Times list_dji_files on a generated SD-card tree against `find` on the same tree.

    TRAKVIA_BUNDLE=build/bundle .venv/bin/python bench/scan/bench_scan.py [--clips 20000] [--repeat 3] [--trees N]

The tree: DCIM/DJI_001 with sub-folders of 1000 clips each (MP4 + SRT + LRF per clip, small
files), plus unmatched noise (JPG, TXT, BAK) in every sub-folder. `find DIR -type f -printf
'%s %T@\\n'` stats every file once: it is the native floor. The Python loop that only walks, joins, checks and stats each
file is the floor of any scan that goes through os.walk and os.path. list_dji_files runs its
native walk, and its interpreter's walk when a name it reaches is rebound (here an equal copy of
_RE_DJI_INDEX). Best of N, in wall time and in CPU time (children's included, so find's too),
which a busy machine disturbs less. With --trees N it then lists N random trees both ways
(tests/mediadesk/scan_trees.py) and fails on the first difference.
"""
import argparse
import os
import pathlib
import re
import resource
import shutil
import subprocess
import sys
import tempfile
import time

REPO = pathlib.Path(__file__).resolve().parents[2]


def make_tree(root: pathlib.Path, clips: int, per_folder: int = 1000, noise_per_folder: int = 100) -> int:
    media = root / "DCIM" / "DJI_001"
    count = 0
    for start in range(0, clips, per_folder):
        folder = media / f"part_{start // per_folder:03d}"
        folder.mkdir(parents=True)
        for i in range(start, min(start + per_folder, clips)):
            stem = f"DJI_{i % 10000:04d}"
            for ext, size in ((".MP4", 64), (".SRT", 32), (".LRF", 16)):
                (folder / (stem + ext)).write_bytes(b"\0" * size)
                count += 1
        for n in range(noise_per_folder):
            for name in (f"IMG_{n:04d}.JPG", f"notes_{n}.txt", f"DJI_{n:04d}.MP4.bak"):
                (folder / name).write_bytes(b"n")
                count += 1
    return count


def cpu_seconds() -> float:
    """CPU time of this process and its finished children: steadier than wall time on a busy machine."""
    own, children = resource.getrusage(resource.RUSAGE_SELF), resource.getrusage(resource.RUSAGE_CHILDREN)
    return own.ru_utime + own.ru_stime + children.ru_utime + children.ru_stime


def best_of(repeat, fn):
    """(best wall time, best CPU time) of `repeat` runs."""
    walls, cpus = [], []
    for _ in range(repeat):
        c, t = cpu_seconds(), time.perf_counter()
        fn()
        walls.append(time.perf_counter() - t)
        cpus.append(cpu_seconds() - c)
    return min(walls), min(cpus)


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--clips", type=int, default=20000)
    parser.add_argument("--repeat", type=int, default=3)
    parser.add_argument("--trees", type=int, default=0, help="random trees to list both ways afterwards")
    args = parser.parse_args()
    sys.path.insert(0, os.environ.get("TRAKVIA_BUNDLE", str(REPO / "build" / "bundle")))
    import trakvia.mediadesk as md

    root = pathlib.Path(tempfile.mkdtemp(prefix="trakvia-bench-scan-"))
    try:
        files = make_tree(root, args.clips)
        card = str(root)
        sets = md.list_dji_files(card)
        print(f"tree: {files} files, {args.clips} clips, {len(sets)} sets")

        def find():
            subprocess.run(["find", card, "-type", "f", "-printf", "%s %T@\\n"], stdout=subprocess.DEVNULL, check=True)

        def interpreter_floor():
            # What the scan must do through the interpreter before any recognition: walk, join, isfile, stat.
            for root_dir, _, names in os.walk(card):
                for name in sorted(names):
                    full = os.path.join(root_dir, name)
                    if os.path.isfile(full):
                        os.stat(full)

        def interpreter_walk():
            native_pattern = md._RE_DJI_INDEX
            md._RE_DJI_INDEX = re.compile(native_pattern.pattern, re.IGNORECASE | re.UNICODE)
            try:
                return md.list_dji_files(card)
            finally:
                md._RE_DJI_INDEX = native_pattern

        assert interpreter_walk() == sets, "the two walks differ on the bench tree"
        rows = [
            ("os.walk + join + isfile + stat (Python loop)", interpreter_floor),
            ("list_dji_files(card), native walk", lambda: md.list_dji_files(card)),
            ("list_dji_files(card), interpreter's walk", interpreter_walk),
            ("list_dji_files(card, index_filter='100-200')", lambda: md.list_dji_files(card, index_filter="100-200")),
            ("list_dji_files(card, date_filter='<1d')", lambda: md.list_dji_files(card, date_filter="<1d")),
        ]
        floor, floor_cpu = best_of(args.repeat, find)
        print(f"{'':48s} {'wall':>8s}    {'vs find':>7s} {'CPU':>8s}    {'vs find':>7s}")
        print(f"{'find -type f -printf (native floor)':48s} {floor * 1000:8.1f} ms {1:6.2f}x {floor_cpu * 1000:8.1f} ms {1:6.2f}x")
        for label, fn in rows:
            t, cpu = best_of(args.repeat, fn)
            print(f"{label:48s} {t * 1000:8.1f} ms {t / floor:6.2f}x {cpu * 1000:8.1f} ms {cpu / floor_cpu:6.2f}x")
    finally:
        shutil.rmtree(root, ignore_errors=True)
    if args.trees:
        sys.path.insert(0, str(REPO / "tests" / "mediadesk"))
        from scan_trees import check_trees

        t = time.perf_counter()
        if check_trees(md, args.trees, seed=1000) >= 0:
            return 1
        print(f"{args.trees} random trees: both walks agree ({time.perf_counter() - t:.0f} s)")
    return 0


if __name__ == "__main__":
    sys.exit(main())

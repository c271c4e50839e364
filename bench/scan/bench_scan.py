"""Times list_dji_files on a generated SD-card tree against `find` on the same tree.

    TRAKVIA_BUNDLE=build/bundle .venv/bin/python bench/scan/bench_scan.py [--clips 20000] [--repeat 3]

The tree: DCIM/DJI_001 with sub-folders of 1000 clips each (MP4 + SRT + LRF per clip, small
files), plus unmatched noise (JPG, TXT, BAK) in every sub-folder. `find DIR -type f -printf
'%s %T@\\n'` stats every file once: it is the native floor. The Python loop that only walks, joins, checks and stats each
file is the floor of any scan that goes through os.walk and os.path, as this one does. Best of N.
"""
import argparse
import os
import pathlib
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


def best_of(repeat, fn):
    times = []
    for _ in range(repeat):
        t = time.perf_counter()
        fn()
        times.append(time.perf_counter() - t)
    return min(times)


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--clips", type=int, default=20000)
    parser.add_argument("--repeat", type=int, default=3)
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

        floor = best_of(args.repeat, find)
        rows = [
            ("os.walk + join + isfile + stat (Python loop)", interpreter_floor),
            ("list_dji_files(card)", lambda: md.list_dji_files(card)),
            ("list_dji_files(card, index_filter='100-200')", lambda: md.list_dji_files(card, index_filter="100-200")),
            ("list_dji_files(card, date_filter='<1d')", lambda: md.list_dji_files(card, date_filter="<1d")),
        ]
        print(f"{'find -type f -printf (native floor)':48s} {floor * 1000:8.1f} ms")
        for label, fn in rows:
            t = best_of(args.repeat, fn)
            print(f"{label:48s} {t * 1000:8.1f} ms   x{t / floor:.1f} of find")
    finally:
        shutil.rmtree(root, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())

"""The scan's Windows folder listing under wine, held against the same tree seen from Linux.

    win32_folder_check.py make TREE             writes the tree
    win32_folder_check.py compare TREE OUTPUT   compares win32_folder_probe's OUTPUT with it

Run by scripts/check-windows.sh. The tree has Turkish and ASCII names, nested folders, a file
past 4 GiB (sparse) and times from 1980 to 2100 with fractions of a second in whole 100 ns
(the resolution of a FILETIME).
"""
import os
import sys

FILES = {
    "DJI_0001.MP4": (1234, 1700000000, 123456700),
    "DJI_0001.SRT": (0, 1700000001, 0),
    "Uçuş DJI_0002.LRF": (77, 315532800, 500),
    "çekim.mp4": (5 * 2 ** 30 + 3, 4102444800, 999999900),
    "old/DJI_0003.gpx": (9, 1262304000, 100),
    "Yedek Ğüşİö/a b.mov": (1, 1600000000, 250000000),
    "Yedek Ğüşİö/derin/DJI_0004.MP4": (2, 1650000000, 600),
}


def make(tree: str) -> None:
    for rel, (size, sec, ns) in FILES.items():
        path = os.path.join(tree, *rel.split("/"))
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.truncate(size)
        os.utime(path, ns=(sec * 10 ** 9 + ns,) * 2)


def expected(tree: str) -> set:
    lines = set()
    for folder, dirs, files in os.walk(tree):
        rel = os.path.relpath(folder, tree).replace(os.sep, "/")
        prefix = "" if rel == "." else rel + "/"
        lines.update(f"D {prefix}{d}" for d in dirs)
        for name in files:
            st = os.stat(os.path.join(folder, name))
            sec, nsec = divmod(st.st_mtime_ns, 10 ** 9)
            lines.add(f"F {prefix}{name}\t{st.st_size}\t{sec + nsec * 1e-9:.6f}\t{int(name.isascii())}")
    return lines


def main() -> int:
    if sys.argv[1] == "make":
        make(sys.argv[2])
        return 0
    with open(sys.argv[3], encoding="utf-8") as f:
        got = {line.rstrip("\r\n") for line in f if line.strip()}
    want = expected(sys.argv[2])
    if got != want:
        print("missing:", sorted(want - got), "\nunexpected:", sorted(got - want), file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())

"""Real SD-card trees for the mediadesk file-set tests: files with chosen bytes and modification times."""
import os
import pathlib
import time

MEDIA = ("DCIM", "DJI_001")


def write_file(path: pathlib.Path, data: bytes, mtime: float | None = None) -> pathlib.Path:
    path.parent.mkdir(parents=True, exist_ok=True)
    path.write_bytes(data)
    if mtime is not None:
        os.utime(path, (mtime, mtime))
    return path


def make_card(root: pathlib.Path, files: dict[str, bytes], age_hours: float = 1.0) -> pathlib.Path:
    """A card at `root` whose media folder DCIM/DJI_001 holds `files` (paths relative to it),
    all modified `age_hours` ago. Returns the card root."""
    media = root.joinpath(*MEDIA)
    media.mkdir(parents=True, exist_ok=True)
    mtime = time.time() - age_hours * 3600
    for rel, data in files.items():
        write_file(media / rel, data, mtime)
    return root


def tree(root: pathlib.Path) -> dict[str, bytes]:
    """Every file under `root`, by its path relative to it (with '/'), with its bytes."""
    return {p.relative_to(root).as_posix(): p.read_bytes() for p in sorted(root.rglob("*")) if p.is_file()}

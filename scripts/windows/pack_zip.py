"""Packs a folder into a zip under one top folder, written under a temporary name and renamed.

usage: pack_zip.py FOLDER ZIP TOP_FOLDER_NAME

Entries are sorted and carry the files' own times, so the same bundle gives the same zip.
"""
import os
import pathlib
import sys
import tempfile
import zipfile


def main() -> int:
    folder, target, top = pathlib.Path(sys.argv[1]), pathlib.Path(sys.argv[2]), sys.argv[3]
    target.parent.mkdir(parents=True, exist_ok=True)
    files = sorted(p for p in folder.rglob("*") if p.is_file() and not p.name.startswith("."))
    fd, temporary = tempfile.mkstemp(prefix=f".{target.name}.", dir=target.parent)
    try:
        with os.fdopen(fd, "wb") as raw, zipfile.ZipFile(raw, "w", zipfile.ZIP_DEFLATED, compresslevel=6) as archive:
            for path in files:
                archive.write(path, f"{top}/{path.relative_to(folder).as_posix()}")
        os.replace(temporary, target)
    except BaseException:
        os.unlink(temporary)
        raise
    print(f"   {len(files)} files packed")
    return 0


if __name__ == "__main__":
    sys.exit(main())

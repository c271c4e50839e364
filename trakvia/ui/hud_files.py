"""Files the HUD writes: created exclusively under a temporary name, put in place when complete.

The temporary names are the import's part files (".<name>.<pid>.<tag>.trakvia-part"), so the
leftover of an export that was killed is removed by the next writer into that folder, and never
while its process still runs.
"""
import os

from trakvia import mediadesk


def create_temporary_beside(final_path: str) -> str:
    """A new, empty, hidden file in the folder of `final_path`, created exclusively: never an
    existing file, never through a link. Leftovers of killed runs in that folder go first."""
    folder, name = os.path.split(os.path.abspath(final_path))
    mediadesk._remove_stale_part_files(folder)
    path, fd = mediadesk._create_part_file(folder, name)
    try:
        if hasattr(os, "fchmod"):
            os.fchmod(fd, 0o644)   # part files start private; the finished video is the user's
    finally:
        os.close(fd)
    return path


def put_in_place(tmp: str, final_path: str) -> None:
    """Gives the finished file its name, never replacing a file that appeared meanwhile
    (FileExistsError then), on cards without hard links too."""
    mediadesk._put_in_place(tmp, final_path)


def remove_if_present(path: str) -> None:
    """Removes a temporary file after a failure. A removal that fails too (the card was pulled)
    must not hide the error being reported; the next writer into the folder removes the file."""
    try:
        os.unlink(path)
    except OSError:
        pass

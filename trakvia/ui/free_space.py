"""The free-space check made before an import starts, so a full disk is found before the
first byte is copied rather than in the middle of a clip."""
import os
import shutil
from typing import Iterable, Optional

from .formatting import format_size


class NotEnoughSpace(ValueError):
    """The destination's disk cannot hold what is to be copied; the message says how much is missing."""


def bytes_to_copy(dest: str, sets: Iterable) -> int:
    """Bytes of the sets' videos and SRT files that the destination does not hold yet (a file of
    the same name and size there counts as already imported)."""
    total = 0
    for file_set in sets:
        for path in list(file_set.video_files) + list(file_set.srt_files):
            try:
                size = os.path.getsize(path)
            except OSError:
                continue   # gone since the listing: the import itself reports it
            try:
                if os.path.getsize(os.path.join(dest, os.path.basename(path))) == size:
                    continue
            except OSError:
                pass
            total += size
    return total


def free_bytes(folder: str) -> Optional[int]:
    """Free bytes on the disk that holds `folder`, or would hold it once it is created; None when
    the nearest existing part of the path is not a folder (the import then says what is wrong)."""
    path = os.path.abspath(folder)
    while not os.path.lexists(path) and os.path.dirname(path) != path:
        path = os.path.dirname(path)
    return shutil.disk_usage(path).free if os.path.isdir(path) else None


def check_free_space(dest: str, sets: Iterable) -> None:
    free = free_bytes(dest)
    if free is None:
        return
    needed = bytes_to_copy(dest, sets)
    if needed > free:
        raise NotEnoughSpace(
            f"Hedef diskte yeterli boş alan yok: {dest}\n"
            f"Kopyalanacak: {format_size(needed)}, boş alan: {format_size(free)}; "
            f"{format_size(needed - free)} eksik. Yer açın ya da başka bir hedef seçin.")

"""Files the HUD writes: created exclusively under a temporary name, put in place when complete."""
import errno
import os
import secrets
import sys


def create_temporary_beside(final_path: str, suffix: str) -> str:
    """A new, empty, hidden file in the folder of `final_path`, created exclusively: never an
    existing file, never through a link."""
    folder, name = os.path.split(os.path.abspath(final_path))
    flags = os.O_WRONLY | os.O_CREAT | os.O_EXCL | getattr(os, "O_NOFOLLOW", 0)
    for _ in range(20):
        tmp = os.path.join(folder, f".{name}.{secrets.token_hex(4)}{suffix}")
        try:
            os.close(os.open(tmp, flags, 0o644))
        except FileExistsError:
            continue
        return tmp
    raise FileExistsError(f"Geçici dosya oluşturulamadı: {folder}")


def put_in_place(tmp: str, final_path: str) -> None:
    """Gives the finished file its name, never replacing a file that appeared meanwhile."""
    if sys.platform == "win32":
        os.rename(tmp, final_path)        # fails when the target exists
        return
    try:
        os.link(tmp, final_path)          # fails when the target exists, unlike rename
    except FileExistsError:
        raise
    except OSError:                       # no hard links (FAT and exFAT cards): check, then rename
        if os.path.lexists(final_path):
            raise FileExistsError(errno.EEXIST, "Dosya zaten var", final_path) from None
        os.rename(tmp, final_path)
        return
    os.unlink(tmp)


def remove_if_present(path: str) -> None:
    try:
        os.unlink(path)
    except FileNotFoundError:
        pass

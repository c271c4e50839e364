"""Turkish texts for errors that reach the user.

The operating system's own wording (strerror) is English on most systems, so it never goes
into a sentence: each error number the user can meet has its own Turkish reason, and the rest
name the number. Paths are shown as the user knows them, never as the temporary names a copy
or a writer works under."""
import errno
import os
import re
from typing import Optional

# ".DJI_0001.MP4.4242.trakvia-part" (import) and ".iz.gpx.0123456789abcdef.tmp" (track writers).
_TEMP_NAME = re.compile(r"^\.(.+)\.[0-9A-Fa-f]+\.(?:trakvia-part|tmp)$")

_REASONS = {
    errno.ENOENT: "Dosya veya klasör bulunamadı.",
    errno.EACCES: "Bu işlem için erişim izni yok.",
    errno.EPERM: "Bu işlem için erişim izni yok.",
    errno.EROFS: "Disk salt okunur; bu konuma yazılamıyor (SD kartsa kilit anahtarını kontrol edin).",
    errno.EEXIST: "Bu adla bir dosya zaten var; üzerine yazılmadı.",
    errno.EISDIR: "Bir dosya beklenirken klasör bulundu.",
    errno.ENOTDIR: "Bir klasör beklenirken dosya bulundu.",
    errno.ENOTEMPTY: "Klasör boş değil.",
    errno.EBUSY: "Dosya başka bir program tarafından kullanılıyor.",
    errno.ENAMETOOLONG: "Dosya yolu çok uzun.",
    errno.EIO: "Okuma/yazma hatası: kart veya disk arızalı ya da çıkarılmış olabilir.",
    errno.ENODEV: "Aygıt bulunamadı: kart çıkarılmış olabilir.",
    errno.ENXIO: "Aygıt bulunamadı: kart çıkarılmış olabilir.",
    errno.EXDEV: "Dosya başka bir diske taşınamadı.",
    errno.EMFILE: "Aynı anda çok fazla dosya açık.",
    errno.EINVAL: "Dosya adı veya işlem bu disk için geçersiz.",
}
if hasattr(errno, "EDQUOT"):
    _REASONS[errno.EDQUOT] = "Disk kotası doldu."


def shown_path(path) -> str:
    """The path as the user knows it: a temporary name becomes the file it stands for."""
    if path is None:
        return ""
    path = os.fsdecode(path) if isinstance(path, bytes) else str(path)
    folder, name = os.path.split(path)
    match = _TEMP_NAME.match(name)
    return os.path.join(folder, match.group(1)) if match else path


def _disk_full(exc: OSError, destination: Optional[str]) -> str:
    where = destination or os.path.dirname(shown_path(exc.filename)) or shown_path(exc.filename)
    return f"Hedef diskte yer kalmadı: {where}\nYer açıp yeniden deneyin; yarım kalan dosya bırakılmadı."


def file_error_reason(exc: OSError) -> str:
    """Why a file operation failed, in Turkish, without the file's name."""
    reason = _REASONS.get(exc.errno)
    if reason is None:
        reason = f"Dosya işlemi başarısız oldu (hata kodu {exc.errno})." if exc.errno else \
            "Dosya işlemi başarısız oldu."
    return reason


def describe_error(exc: BaseException, destination: Optional[str] = None) -> str:
    """A clear Turkish sentence for an exception, with the file concerned when known.
    `destination` is the folder being written to, named when the disk there is full."""
    if isinstance(exc, OSError):
        if exc.errno == errno.ENOSPC:   # Windows' ERROR_DISK_FULL arrives with this errno too
            return _disk_full(exc, destination)
        name = shown_path(exc.filename)
        where = f"\n\nDosya: {name}" if name else ""
        return file_error_reason(exc) + where
    if isinstance(exc, ValueError):
        # The media manager, the converter and this window word these themselves, in Turkish:
        # expected conditions such as an unreadable filter or a card that changed.
        return str(exc)
    if isinstance(exc, ImportError):
        return f"Gerekli modül yüklenemedi: {exc.name or exc}"
    if isinstance(exc, MemoryError):
        return "İşlem için yeterli bellek yok."
    text = str(exc) or type(exc).__name__
    return f"Beklenmeyen bir hata oluştu ({type(exc).__name__}): {text}"

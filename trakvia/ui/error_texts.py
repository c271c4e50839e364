"""Turkish texts for errors that reach the user."""
import errno


def describe_error(exc: BaseException) -> str:
    """A clear Turkish sentence for an exception, with the file concerned when known."""
    if isinstance(exc, OSError):
        name = exc.filename or ""
        where = f"\n\nDosya: {name}" if name else ""
        reason = exc.strerror or str(exc)
        if isinstance(exc, FileNotFoundError):
            return f"Dosya veya klasör bulunamadı.{where}"
        if isinstance(exc, PermissionError):
            return f"Bu işlem için erişim izni yok.{where}"
        if exc.errno == errno.ENOSPC:
            return f"Diskte yeterli boş alan yok.{where}"
        if isinstance(exc, IsADirectoryError):
            return f"Bir dosya beklenirken klasör bulundu.{where}"
        if isinstance(exc, NotADirectoryError):
            return f"Bir klasör beklenirken dosya bulundu.{where}"
        return f"Dosya işlemi başarısız oldu: {reason}{where}"
    if isinstance(exc, ImportError):
        return f"Gerekli modül yüklenemedi: {exc}"
    if isinstance(exc, MemoryError):
        return "İşlem için yeterli bellek yok."
    text = str(exc) or type(exc).__name__
    return f"Beklenmeyen bir hata oluştu: {text}"

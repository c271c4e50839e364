"""How the window shows sizes, dates and counts."""
from datetime import datetime


def format_size(num_bytes: int) -> str:
    """Bytes as B, KB, MB or GB, e.g. "1.5 MB"."""
    if num_bytes < 1024:
        return f"{num_bytes} B"
    value = num_bytes / 1024
    for unit in ("KB", "MB"):
        if value < 1024:
            return f"{value:.1f} {unit}"
        value /= 1024
    return f"{value:.1f} GB"


def format_date(stamp: datetime) -> str:
    return stamp.strftime("%Y-%m-%d %H:%M")


def upper_tr(text: str) -> str:
    """Upper case by Turkish rules: i → İ and ı → I ("Eymir" → "EYMİR"), which str.upper() misses."""
    return text.replace("i", "İ").replace("ı", "I").upper()

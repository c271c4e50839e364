"""The filter boxes' texts checked as the user types: what the media manager is given, or why not.

The media manager decides what it reads (check_date_filter, parse_index_filter); this module
only adds what a Turkish user types besides — the date as 07.12.2026 — and says in Turkish
what is wrong with a text it refuses."""
import re
from dataclasses import dataclass
from datetime import date

UNITS_HELP = "Birimler: h saat, d gün, w hafta, m ay (30 gün), y yıl (365 gün)."
DATE_HELP = ("Boş ya da \"Tümü\": filtre yok.\n"
             "Tarih: 07.12.2026 ya da 2026-12-07 (o günün setleri).\n"
             "Yaş: <1d son 1 gün içindekiler, >2w 2 haftadan eskiler.\n" + UNITS_HELP)
INDEX_HELP = ("Boş ya da \"Tümü\": bütün setler.\n"
              "Tek indeks 3, aralık 1-4, virgülle birden çok: 2,5,7-9.")

_DAY_FIRST = re.compile(r"^(\d{1,2})[./](\d{1,2})[./](\d{4})$")      # 07.12.2026, 7/12/2026
_YEAR_FIRST = re.compile(r"^(\d{4})-(\d{1,2})-(\d{1,2})$")           # 2026-12-07, 2026-12-7
# Each unit with the ending "than" takes after it ("7 günden eskiler").
_UNIT_NAMES = {"h": ("saat", "saatten"), "d": ("gün", "günden"), "w": ("hafta", "haftadan"),
               "m": ("ay", "aydan"), "y": ("yıl", "yıldan")}
_AGE_LIKE = re.compile(r"^([<>]?)\s*(\d*)\s*([A-Za-zÇĞİÖŞÜçğıöşü]*)$")


@dataclass(frozen=True)
class FilterCheck:
    text: str        # what the media manager is given
    problem: str     # why the typed text cannot be used, in Turkish; "" when it can

    @property
    def ok(self) -> bool:
        return not self.problem


def _mediadesk():
    from trakvia import mediadesk
    return mediadesk


def _calendar_day(year: int, month: int, day: int, typed: str) -> FilterCheck:
    try:
        date(year, month, day)
    except ValueError:
        return FilterCheck(typed, f"Takvimde böyle bir gün yok: {typed}")
    return FilterCheck(f"{year:04d}-{month:02d}-{day:02d}", "")


def _age_problem(text: str) -> str:
    match = _AGE_LIKE.match(text)
    if not match:
        return ""
    sign, number, unit = match.groups()
    if not number:
        return ""
    if unit and (len(unit) > 1 or unit.lower() not in "hdwmy"):
        return f"Birim anlaşılmadı: \"{unit}\". {UNITS_HELP}"
    if not unit:
        return f"Birim eksik: {sign or '<'}{number}d gibi yazın. {UNITS_HELP}"
    if not sign:
        name, than = _UNIT_NAMES[unit.lower()]
        return (f"Başına < ya da > koyun. <{number}{unit}: son {number} {name} içindekiler; "
                f">{number}{unit}: {number} {than} eskiler.")
    return ""


def check_date_text(typed: str) -> FilterCheck:
    """The date/age box: a Turkish-order date becomes YYYY-MM-DD; anything the media manager
    cannot read is refused with the reason."""
    text = (typed or "").strip()
    for pattern, order in ((_DAY_FIRST, (2, 1, 0)), (_YEAR_FIRST, (0, 1, 2))):
        match = pattern.match(text)
        if match:
            year, month, day = (int(match.group(i + 1)) for i in order)
            return _calendar_day(year, month, day, text)
    try:
        _mediadesk().check_date_filter(text)
    except ValueError:
        reason = _age_problem(text) or ("Tarih ya da yaş olarak okunamadı. Örnek: 07.12.2026, 2026-12-07, "
                                        "<1d (son 1 gün), >2w (2 haftadan eski).")
        return FilterCheck(text, f"Tarih/yaş filtresi \"{text}\": {reason}")
    return FilterCheck(text, "")


def check_index_text(typed: str) -> FilterCheck:
    """The index box: every comma-separated item must be a number or a range."""
    text = (typed or "").strip()
    parse = _mediadesk().parse_index_filter
    if parse(text) is None:
        return FilterCheck(text, "")
    unread = [item.strip() for item in text.split(",") if item.strip() and not parse(item.strip())]
    if unread:
        shown = ", ".join(f"\"{item}\"" for item in unread)
        return FilterCheck(text, f"İndeks filtresinde okunamayan: {shown}. Örnek: 1-4 ya da 2,5")
    return FilterCheck(text, "")

"""parse_index_filter, matches_date_or_age_filter, check_date_filter and the filter step of list_dji_files."""
import datetime as real_datetime
import os
import re

import pytest

import trakvia.mediadesk as md

NOW = real_datetime.datetime(2024, 5, 10, 12, 0, 0)
HOUR = real_datetime.timedelta(hours=1)
SECOND = real_datetime.timedelta(seconds=1)


class FixedNow(real_datetime.datetime):
    @classmethod
    def now(cls, tz=None):
        return cls(2024, 5, 10, 12, 0, 0)


@pytest.fixture
def fixed_now(monkeypatch):
    monkeypatch.setattr(md, "datetime", FixedNow)


@pytest.mark.parametrize("text", ["", "   ", None, "all", "ALL", "Tümü", "TÜMÜ", "tümü", "*", " * ", "\tAlL\n"])
def test_index_filter_without_restriction(text):
    assert md.parse_index_filter(text) is None


@pytest.mark.parametrize(
    "text,expected",
    [
        ("1-4", {1, 2, 3, 4}),
        ("4-1", {1, 2, 3, 4}),
        ("2,5", {2, 5}),
        (" 1 - 3 , 7 ", {1, 2, 3, 7}),
        ("1,,2,", {1, 2}),
        ("5-5", {5}),
        ("abc", set()),
        ("1,abc,3", {1, 3}),
        ("-3", set()),
        ("1-2-3", set()),
        ("1-x", set()),
        ("x-1", set()),
        ("+3", {3}),
        ("007", {7}),
        ("1_0", {10}),
        ("0x10", set()),
        ("1.5", set()),
        ("\u0663", {3}),             # a non-ASCII decimal digit, as int() reads it
        ("\uff11\uff12", {12}),      # full-width digits
        ("3--1", {-1, 0, 1, 2, 3}),
        ("0", {0}),
        (",", set()),
        ("99999999999999999999", {99999999999999999999}),
        ("99999999999999999999-99999999999999999998", {99999999999999999998, 99999999999999999999}),
    ],
)
def test_index_filter_items(text, expected):
    result = md.parse_index_filter(text)
    assert type(result) is set and result == expected


@pytest.mark.parametrize(
    "text,expected",
    [
        # Ranges up to 100000 members are taken as written ...
        ("5-100004", set(range(5, 100005))),
        ("200000-299999", set(range(200000, 300000))),
        # ... wider ones keep only their members from 0 to 99999, which covers every clip index.
        ("0-100000", set(range(0, 100000))),
        ("1-999999999999", set(range(1, 100000))),
        ("999999999999-1", set(range(1, 100000))),
        ("50000-1" + "0" * 40, set(range(50000, 100000))),
        ("7,200000-999999999999", {7}),
    ],
)
def test_index_filter_caps_absurd_ranges(text, expected):
    assert md.parse_index_filter(text) == expected


@pytest.mark.parametrize("text", ["", None, "all", "TÜMÜ", "*", " tümü "])
@pytest.mark.parametrize("file_dt", [NOW, NOW - 1000 * 24 * HOUR, NOW + 24 * HOUR, real_datetime.datetime.min])
def test_date_filter_without_restriction(fixed_now, text, file_dt):
    assert md.matches_date_or_age_filter(file_dt, text) is True


@pytest.mark.parametrize(
    "text,file_dt,expected",
    [
        ("2024-05-03", real_datetime.datetime(2024, 5, 3, 23, 59), True),
        ("2024-05-03", real_datetime.datetime(2024, 5, 3, 0, 0), True),
        ("2024-05-03", real_datetime.datetime(2024, 5, 4, 0, 0), False),
        ("2024-05-03", real_datetime.datetime(2023, 5, 3, 12, 0), False),
        (" 2024-05-03 ", real_datetime.datetime(2024, 5, 3, 12, 0), True),
        ("2024-02-30", real_datetime.datetime(2024, 3, 1, 12, 0), False),
        ("2024-13-01", real_datetime.datetime(2025, 1, 1, 12, 0), False),
        # age limits: the boundary belongs to "<"
        ("<1d", NOW - 24 * HOUR, True),
        ("<1d", NOW - 24 * HOUR - SECOND, False),
        (">1d", NOW - 24 * HOUR, False),
        (">1d", NOW - 24 * HOUR - SECOND, True),
        ("< 7 D", NOW - 168 * HOUR, True),
        ("  <7d  ", NOW - 168 * HOUR - SECOND, False),
        ("<3h", NOW - 3 * HOUR, True),
        ("<3H", NOW - 3 * HOUR - SECOND, False),
        ("<1w", NOW - 168 * HOUR, True),
        (">1w", NOW - 168 * HOUR, False),
        ("<2m", NOW - 1440 * HOUR, True),
        ("<2M", NOW - 1440 * HOUR - SECOND, False),
        (">1y", NOW - 8760 * HOUR - SECOND, True),
        (">1Y", NOW - 8760 * HOUR, False),
        ("<0h", NOW, True),
        ("<0h", NOW + SECOND, True),
        ("<0h", NOW - SECOND, False),
        (">0h", NOW - SECOND, True),
        (">0h", NOW, False),
        (">5d", NOW + 1000 * HOUR, False),
        ("<999999999d", real_datetime.datetime.min, True),
        (">999999999d", real_datetime.datetime.min, False),
        # limits beyond what timedelta holds are longer than any age
        ("<99999999999y", real_datetime.datetime.min, True),
        ("<99999999999y", NOW + HOUR, True),
        (">99999999999y", real_datetime.datetime.min, False),
        (">1000000000d", real_datetime.datetime.min, False),
        ("<" + "9" * 5000 + "h", real_datetime.datetime.min, True),
        (">" + "9" * 5000 + "h", real_datetime.datetime.min, False),
    ],
)
def test_date_and_age_limits(fixed_now, text, file_dt, expected):
    assert md.matches_date_or_age_filter(file_dt, text) is expected


UNREADABLE = ["7d", "<7", "<1.5d", "<-1d", "=1d", "2024/05/03", "2024-5-3", "03.05.2024",
              "<7days", "< 7 d x", "2024-05-03T10:00", "<\u0663d x"]


@pytest.mark.parametrize("text", UNREADABLE)
@pytest.mark.parametrize("file_dt", [NOW, real_datetime.datetime.min, real_datetime.datetime.max])
def test_unreadable_date_filters_filter_nothing(fixed_now, text, file_dt):
    assert md.matches_date_or_age_filter(file_dt, text) is True


@pytest.mark.parametrize("text", UNREADABLE + ["<1d", " < 7 D ", ">2w", "2024-05-03", "tümü", "*", "", None])
def test_check_date_filter_refuses_exactly_what_filters_nothing(text):
    if text in UNREADABLE:
        with pytest.raises(ValueError, match=f"geçersiz tarih/yaş filtresi: {re.escape(repr(text))}"):
            md.check_date_filter(text)
    else:
        assert md.check_date_filter(text) is text


def test_now_is_read_through_the_module_at_every_call(monkeypatch):
    file_dt = real_datetime.datetime(2024, 5, 9, 12, 0, 0)
    assert md.matches_date_or_age_filter(file_dt, "<1d") is False  # real clock: long ago
    monkeypatch.setattr(md, "datetime", FixedNow)
    assert md.matches_date_or_age_filter(filter_expr="<1d", file_dt=file_dt) is True
    monkeypatch.setattr(md, "timedelta", lambda hours: real_datetime.timedelta(hours=hours * 2))
    assert md.matches_date_or_age_filter(file_dt - 20 * HOUR, "<1d") is True


def _card(tmp_path, ages_in_hours):
    for index, hours in ages_in_hours.items():
        path = tmp_path / f"DJI_{index:04d}.MP4"
        path.write_bytes(b"v")
        stamp = (NOW - hours * HOUR).timestamp()
        os.utime(path, (stamp, stamp))
    return str(tmp_path)


@pytest.mark.parametrize(
    "date_filter,index_filter,expected",
    [
        ("", "", [1, 2, 3, 4]),
        ("ALL", "tümü", [1, 2, 3, 4]),
        ("", "abc", []),
        ("", "4-2", [2, 3, 4]),
        ("<1d", "", [1, 2]),
        (">1d", "", [3, 4]),
        ("<1d", "2-3", [2]),
        ("2024-05-10", "", [1]),
        ("2024-05-09", "", [2, 3]),
        ("", "1-999999999999", [1, 2, 3, 4]),
        ("bilinmeyen", "", [1, 2, 3, 4]),
    ],
)
def test_listing_applies_both_filters(tmp_path, fixed_now, date_filter, index_filter, expected):
    root = _card(tmp_path, {1: 1, 2: 24, 3: 25, 4: 24 * 30})
    sets = md.list_dji_files(root, date_filter=date_filter, index_filter=index_filter)
    assert [s.index for s in sets] == expected
    assert [s.index for s in md.list_dji_files(root, date_filter, index_filter)] == expected


def test_filter_step_order_and_calls(tmp_path, monkeypatch):
    root = _card(tmp_path, {1: 1, 2: 1, 3: 1})
    calls = []
    real_parse, real_match = md.parse_index_filter, md.matches_date_or_age_filter
    monkeypatch.setattr(md, "parse_index_filter", lambda expr: calls.append(("parse", expr)) or real_parse(expr))
    monkeypatch.setattr(md, "matches_date_or_age_filter",
                        lambda dt, expr: calls.append(("match", expr)) or real_match(dt, expr))
    assert [s.index for s in md.list_dji_files(root, "<99999d", "1,3")] == [1, 3]
    # One parse per listing; the date test only for sets the index filter kept.
    assert calls == [("parse", "1,3"), ("match", "<99999d"), ("match", "<99999d")]
    assert md.list_dji_files(str(tmp_path / "yok"), "", "1") == [] and calls[3:] == []


def test_filter_errors_reach_the_caller(tmp_path, monkeypatch):
    root = _card(tmp_path, {1: 1})

    def broken(dt, expr):
        raise OverflowError("taşma")

    monkeypatch.setattr(md, "matches_date_or_age_filter", broken)
    with pytest.raises(OverflowError, match="taşma"):
        md.list_dji_files(root)

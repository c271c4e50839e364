"""cleanup_dji_files on real card trees: target types, dry runs, undeletable files, the date-filter guard."""
import os

import pytest

import trakvia.mediadesk as md
from .mediadesk_cards import make_card, tree, write_file

FILES = {
    "DJI_0001.MP4": b"v" * 300, "DJI_0001.SRT": b"s" * 20, "DJI_0001.LRF": b"l" * 100, "DJI_0001.GPX": b"g",
    "DJI_0002.MP4": b"V" * 500, "DJI_0002.LRF": b"", "notes.txt": b"keep me",
}


class OsWithLockedFile:
    """The module's os, where removing one path fails as a file held open on Windows does."""

    def __init__(self, locked):
        self.locked = str(locked)
        self.removed = []

    def __getattr__(self, name):
        return getattr(os, name)

    def remove(self, path):
        if path == self.locked:
            raise PermissionError(13, "The process cannot access the file", path)
        self.removed.append(path)
        os.remove(path)


@pytest.fixture
def card(tmp_path):
    return make_card(tmp_path / "card", FILES)


def media(card, *names):
    return [str(card / "DCIM" / "DJI_001" / n) for n in names]


@pytest.mark.parametrize("target_type, names", [
    ("lrf", ["DJI_0001.LRF", "DJI_0002.LRF"]),
    ("SRT", ["DJI_0001.SRT"]),
    ("video", ["DJI_0001.MP4", "DJI_0002.MP4"]),
    (" ALL ", ["DJI_0001.LRF", "DJI_0001.SRT", "DJI_0001.MP4", "DJI_0002.LRF", "DJI_0002.MP4"]),
    ("gpx", []),
    ("TÜMÜ", []),
    ("", []),
])
def test_target_types(card, target_type, names):
    before = tree(card)
    expected = (len(names), sum(len(FILES[n]) for n in names), media(card, *names))
    assert md.cleanup_dji_files(str(card), target_type, dry_run=True) == expected
    assert tree(card) == before
    assert md.cleanup_dji_files(str(card), target_type) == expected
    left = tree(card / "DCIM" / "DJI_001")
    assert sorted(left) == sorted(set(FILES) - set(names))
    assert left["DJI_0001.GPX"] == b"g" and left["notes.txt"] == b"keep me"


def test_defaults_delete_the_previews(card):
    count, freed, paths = md.cleanup_dji_files(str(card))
    assert (count, freed, paths) == (2, 100, media(card, "DJI_0001.LRF", "DJI_0002.LRF"))
    assert not any(os.path.exists(p) for p in paths)


def test_undeletable_file_is_skipped_and_not_counted(card, monkeypatch):
    locked = media(card, "DJI_0001.MP4")[0]
    fake_os = OsWithLockedFile(locked)
    monkeypatch.setattr(md, "os", fake_os)
    assert md.cleanup_dji_files(str(card), "video", dry_run=True) == (2, 800, media(card, "DJI_0001.MP4", "DJI_0002.MP4"))
    assert md.cleanup_dji_files(str(card), "video") == (1, 500, media(card, "DJI_0002.MP4"))
    assert os.path.exists(locked) and fake_os.removed == media(card, "DJI_0002.MP4")


def test_other_errors_propagate(card, monkeypatch):
    class BrokenOs(OsWithLockedFile):
        def remove(self, path):
            raise RuntimeError("not an OSError")

    monkeypatch.setattr(md, "os", BrokenOs(""))
    with pytest.raises(RuntimeError):
        md.cleanup_dji_files(str(card))


def test_filters_select_the_sets(tmp_path):
    card = make_card(tmp_path / "card", {"DJI_0001.LRF": b"new"}, age_hours=2)
    write_file(card / "DCIM" / "DJI_001" / "DJI_0002.LRF", b"old!", os.path.getmtime(card) - 10 * 86400)
    write_file(card / "DCIM" / "DJI_001" / "DJI_0003.LRF", b"old3", os.path.getmtime(card) - 10 * 86400)
    assert md.cleanup_dji_files(str(card), "lrf", ">7d", "", True)[2] == media(card, "DJI_0002.LRF", "DJI_0003.LRF")
    assert md.cleanup_dji_files(str(card), "lrf", "<1d", "", True)[2] == media(card, "DJI_0001.LRF")
    assert md.cleanup_dji_files(str(card), "lrf", ">1w", "3")[:2] == (1, 4)
    assert md.cleanup_dji_files(str(card), "lrf", index_filter="9") == (0, 0, [])
    assert sorted(os.listdir(card / "DCIM" / "DJI_001")) == ["DJI_0001.LRF", "DJI_0002.LRF"]


@pytest.mark.parametrize("date_filter", ["<1d", " > 2 W ", "2024-05-01", "2024-13-40", "all", " Tümü ", "*", "", None])
def test_readable_date_filters_are_accepted(card, date_filter):
    assert md.cleanup_dji_files(str(card), "all", date_filter, dry_run=True)[0] in (0, 5)


@pytest.mark.parametrize("dry_run", [True, False])
@pytest.mark.parametrize("date_filter", ["7d", "<7", "<1.5d", "2024/05/01", "01.05.2024", "=1d", "son hafta"])
def test_unreadable_date_filter_deletes_nothing(card, monkeypatch, date_filter, dry_run):
    listed = []
    monkeypatch.setattr(md, "list_dji_files", lambda *a, **k: listed.append(a) or [])
    before = tree(card)
    with pytest.raises(ValueError) as err:
        md.cleanup_dji_files(str(card), "all", date_filter, "", dry_run)
    assert str(err.value) == f"Geçersiz tarih/yaş filtresi: '{date_filter}'. Örnek: <1d, >2w, 2024-05-01 ya da ALL"
    assert tree(card) == before and listed == []


def test_unreadable_date_filter_still_passes_through_list(card):
    # Listing keeps its lenient reading: a filter it cannot read filters nothing.
    assert len(md.list_dji_files(str(card), "7d")) == 2


def test_target_type_errors_come_after_the_listing(card):
    with pytest.raises(TypeError):
        md.cleanup_dji_files(str(card), b"lrf")
    with pytest.raises(AttributeError):
        md.cleanup_dji_files(str(card), 5)
    assert tree(card / "DCIM" / "DJI_001").keys() == FILES.keys()


def test_vanished_file_is_skipped(card, monkeypatch):
    real = md.list_dji_files

    def list_then_delete(*args, **kwargs):
        sets = real(*args, **kwargs)
        os.remove(media(card, "DJI_0001.LRF")[0])
        return sets

    monkeypatch.setattr(md, "list_dji_files", list_then_delete)
    assert md.cleanup_dji_files(str(card)) == (1, 0, media(card, "DJI_0002.LRF"))

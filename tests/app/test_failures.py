"""Failures are never reported as success: a missing input, a file cleanup could not delete,
and a file name that is no UTF-8, on real trees."""
import datetime
import os
import sys

import pytest

import trakvia.mediadesk

STAMP = datetime.datetime(2024, 5, 1, 12, 0)


@pytest.mark.parametrize("argv, what", [
    (["import", "{missing}", "{dest}"], "Kaynak klasör"),
    (["cleanup", "{missing}", "-t", "all"], "Klasör"),
])
def test_a_missing_input_is_an_error_and_creates_nothing(run_process, tmp_path, argv, what):
    missing, dest = tmp_path / "yok" / "kart", tmp_path / "hedef"
    before = sorted(os.listdir(tmp_path))
    done = run_process(*[a.format(missing=missing, dest=dest) for a in argv])
    assert (done.returncode, done.stdout, done.stderr) == (1, "", f"{what} bulunamadı: '{missing}'\n")
    assert sorted(os.listdir(tmp_path)) == before


class OsThatCannotRemove:
    """The media manager's os, for a card where one file is locked by another program."""

    def __init__(self, locked):
        self._locked = locked

    def __getattr__(self, name):
        return getattr(os, name)

    def remove(self, path):
        if os.path.basename(path) == self._locked:
            raise PermissionError(13, "Erişim engellendi", path)
        os.remove(path)


def test_cleanup_reports_each_skipped_file_and_fails(run_main, make_card, monkeypatch):
    card = make_card({"DJI_0001.LRF": (10, STAMP), "DJI_0002.LRF": (20, STAMP), "DJI_0003.LRF": (30, STAMP)})
    media = card / "DCIM" / "DJI_001"
    monkeypatch.setattr(trakvia.mediadesk, "os", OsThatCannotRemove("DJI_0002.LRF"))
    code, out, err = run_main("cleanup", card)
    assert code == 1
    assert out.splitlines() == ["[TEMİZLENDİ] Silinen LRF dosya sayısı: 2 | Kazanılan Alan: 0.0 KB",
                                f"  - {media / 'DJI_0001.LRF'}", f"  - {media / 'DJI_0003.LRF'}"]
    assert err == f"Silinemedi, atlandı: {media / 'DJI_0002.LRF'} (Erişim engellendi)\n"
    assert sorted(os.listdir(media)) == ["DJI_0002.LRF"]


@pytest.mark.skipif(sys.platform in ("win32", "darwin"), reason="file names there are always Unicode")
def test_a_name_that_is_no_utf8_is_shown_with_replacement_characters(run_process, make_card, tmp_path):
    card = make_card({"DJI_0001.MP4": (3, STAMP)})
    with open(os.path.join(os.fsencode(card / "DCIM" / "DJI_001"), b"\xffDJI_0001.SRT"), "wb") as f:
        f.write(b"no telemetry")
    done = run_process("import", card, tmp_path / "hedef")
    assert done.returncode == 0, done.stderr
    assert done.stdout.splitlines() == [f"[İÇE AKTARILDI] 2 dosya '{tmp_path / 'hedef'}' klasörüne kopyalandı.",
                                        "  -> GPX Dönüştürüldü: \ufffdDJI_0001 (0 nokta, 0 m)"]
    assert sorted(os.listdir(os.fsencode(tmp_path / "hedef"))) == [b"DJI_0001.MP4", b"\xffDJI_0001.SRT"]

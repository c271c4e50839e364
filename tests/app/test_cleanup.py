"""The cleanup command: what reaches cleanup_dji_files, the summary and path lines, the --date guard."""
import datetime
import types
from unittest import mock

import pytest

STAMP = datetime.datetime(2024, 5, 1, 12, 0)


def test_options_are_passed_by_keyword_as_typed(app, recorder, capsys):
    calls = recorder("cleanup_dji_files", result=(0, 0, []))
    for args in [types.SimpleNamespace(command="cleanup", dir="rel/kart", type="video", date=None, index=None,
                                       dry_run=0),
                 types.SimpleNamespace(command="cleanup", dir="K", type="all", date="<1d", index="2,5",
                                       dry_run=True)]:
        assert app._run_cli(args) == 0
    assert calls == [
        (("rel/kart",), {"target_type": "video", "date_filter": "", "index_filter": "", "dry_run": 0,
                         "on_skip": mock.ANY}),
        (("K",), {"target_type": "all", "date_filter": "<1d", "index_filter": "2,5", "dry_run": True,
                  "on_skip": mock.ANY}),
    ]
    assert capsys.readouterr().out.splitlines() == [
        "[TEMİZLENDİ] Silinen VIDEO dosya sayısı: 0 | Kazanılan Alan: 0.0 KB",
        "[DRY-RUN SİMÜLASYON] Silinen ALL dosya sayısı: 0 | Kazanılan Alan: 0.0 KB",
    ]


@pytest.mark.parametrize("argv, freed, summary", [
    ([], 3 * 1024 * 1024, "[TEMİZLENDİ] Silinen LRF dosya sayısı: 3 | Kazanılan Alan: 3072.0 KB"),
    (["--dry-run"], 1536, "[DRY-RUN SİMÜLASYON] Silinen LRF dosya sayısı: 3 | Kazanılan Alan: 1.5 KB"),
    (["-t", "srt"], 100, "[TEMİZLENDİ] Silinen SRT dosya sayısı: 3 | Kazanılan Alan: 0.1 KB"),
    (["--type", "video", "--dry-run"], 0, "[DRY-RUN SİMÜLASYON] Silinen VIDEO dosya sayısı: 3 | Kazanılan Alan: 0.0 KB"),
])
def test_summary_then_one_line_per_path(run_main, recorder, argv, freed, summary):
    recorder("cleanup_dji_files", result=[3, freed, ("/k/a.LRF", "/k/b c.LRF", "/k/ğüşİ.LRF")])
    assert run_main("cleanup", "K", *argv) == (
        0, f"{summary}\n  - /k/a.LRF\n  - /k/b c.LRF\n  - /k/ğüşİ.LRF\n", "")


@pytest.mark.parametrize("returned", [(1, 2), (1, 2, [], 4), 7])
def test_a_result_of_the_wrong_shape_raises_before_output(run_main, recorder, capsys, returned):
    recorder("cleanup_dji_files", result=returned)
    with pytest.raises((ValueError, TypeError)):
        run_main("cleanup", "K")
    assert capsys.readouterr().out == ""


@pytest.fixture
def card(make_card):
    return make_card({"DJI_0001.LRF": (1024, STAMP), "DJI_0001.MP4": (4096, STAMP),
                      "DJI_0002.LRF": (512, STAMP), "DJI_0002.SRT": (300, STAMP)})


def test_dry_run_on_a_real_card_lists_and_keeps(run_main, card):
    media = card / "DCIM" / "DJI_001"
    code, out, _ = run_main("cleanup", card, "--dry-run")
    assert (code, out.splitlines()) == (0, [
        "[DRY-RUN SİMÜLASYON] Silinen LRF dosya sayısı: 2 | Kazanılan Alan: 1.5 KB",
        f"  - {media / 'DJI_0001.LRF'}", f"  - {media / 'DJI_0002.LRF'}"])
    assert sorted(p.name for p in media.iterdir()) == [
        "DJI_0001.LRF", "DJI_0001.MP4", "DJI_0002.LRF", "DJI_0002.SRT"]


def test_real_cleanup_deletes_only_the_matching_kind_and_sets(run_main, card):
    media = card / "DCIM" / "DJI_001"
    code, out, _ = run_main("cleanup", card, "-i", "2", "-d", "2024-05-01")
    assert (code, out.splitlines()) == (0, [
        "[TEMİZLENDİ] Silinen LRF dosya sayısı: 1 | Kazanılan Alan: 0.5 KB", f"  - {media / 'DJI_0002.LRF'}"])
    assert sorted(p.name for p in media.iterdir()) == ["DJI_0001.LRF", "DJI_0001.MP4", "DJI_0002.SRT"]


@pytest.mark.parametrize("date", ["7d", "<7", "2024.05.01"])
def test_a_mistyped_date_deletes_nothing(run_process, card, date):
    before = sorted(p.name for p in (card / "DCIM" / "DJI_001").iterdir())
    done = run_process("cleanup", card, "-t", "all", "--date", date)
    assert done.returncode == 2 and done.stdout == ""
    assert f"geçersiz tarih/yaş filtresi: '{date}'" in done.stderr
    assert sorted(p.name for p in (card / "DCIM" / "DJI_001").iterdir()) == before

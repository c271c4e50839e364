"""The command runner's frame and the list command, on real card folders and with stand-ins."""
import datetime
import os
import types

import pytest

import trakvia

HEADER = f"=== {trakvia.R27_APP_NAME_TR} v{trakvia.R27_APP_VERSION} — DJI Medya & SRT Listesi ({{}}) ==="
NOT_FOUND = "Eşleşen DJI dosya seti bulunamadı."

CARD_FILES = {
    "DJI_0001.LRF": (1536, datetime.datetime(2024, 5, 1, 9, 5, 0)),
    "DJI_0001.MP4": (4096, datetime.datetime(2024, 5, 1, 9, 5, 30)),
    "DJI_0001.SRT": (512, datetime.datetime(2024, 5, 1, 9, 5, 59)),
    "DJI_0012.MP4": (1023, datetime.datetime(2024, 6, 2, 23, 59, 0)),
    "alt/DJI_0003.LRF": (2560, datetime.datetime(2023, 12, 31, 0, 0, 0)),
}
LINES = {
    1: "[#0001] Tarih: 2024-05-01 09:05 | Video: 1 | SRT: 1 | LRF: 1 (2 KB) | Toplam: 6.0 KB",
    3: "[#0003] Tarih: 2023-12-31 00:00 | Video: 0 | SRT: 0 | LRF: 1 (2 KB) | Toplam: 2.5 KB",
    12: "[#0012] Tarih: 2024-06-02 23:59 | Video: 1 | SRT: 0 | LRF: 0 (0 KB) | Toplam: 1.0 KB",
}


@pytest.fixture
def card(make_card):
    return make_card(CARD_FILES)


@pytest.mark.parametrize("filters, shown", [
    ([], [1, 3, 12]),
    (["-i", "1,3"], [1, 3]),
    (["--index", "12-3"], [3, 12]),
    (["-d", "2024-05-01"], [1]),
    (["-d", "ALL", "-i", "*"], [1, 3, 12]),
    (["-i", "99"], []),
])
def test_list_prints_header_and_one_line_per_set(run_main, card, filters, shown):
    result, out, err = run_main("list", card, *filters)
    header = HEADER.format(card / "DCIM" / "DJI_001")
    expected = [header] + ([LINES[i] for i in shown] if shown else [NOT_FOUND])
    assert (result, out.splitlines(), err) == (0, expected, "")


def test_list_of_a_missing_folder_is_no_error(run_main, tmp_path):
    result, out, _ = run_main("list", tmp_path / "yok")
    assert (result, out.splitlines()) == (0, [HEADER.format(tmp_path / "yok"), NOT_FOUND])


def test_list_as_a_process(run_process, card):
    done = run_process("list", card)
    assert done.returncode == 0 and done.stderr == ""
    assert done.stdout.splitlines() == [HEADER.format(card / "DCIM" / "DJI_001"), LINES[1], LINES[3], LINES[12]]


def fake_set(index_str="0012", mtime=datetime.datetime(2024, 5, 1, 14, 22, 59), videos=1, srts=1, lrfs=1,
             lrf_size=1500 * 1024, total=3 * 1024 * 1024):
    return types.SimpleNamespace(index_str=index_str, mtime=mtime, video_files=["v"] * videos,
                                 srt_files=["s"] * srts, lrf_files=["l"] * lrfs,
                                 lrf_size_bytes=lrf_size, total_size_bytes=total)


@pytest.mark.parametrize("record, line", [
    (fake_set(), "[#0012] Tarih: 2024-05-01 14:22 | Video: 1 | SRT: 1 | LRF: 1 (1500 KB) | Toplam: 3072.0 KB"),
    (fake_set(lrf_size=512, total=0), "(0 KB) | Toplam: 0.0 KB"),
    (fake_set(lrf_size=2560, total=1023), "(2 KB) | Toplam: 1.0 KB"),
    (fake_set(lrf_size=-1536, total=-51), "(-2 KB) | Toplam: -0.0 KB"),
    (fake_set(index_str="7", mtime=datetime.datetime(1999, 1, 2, 3, 4, 5), videos=0, srts=2, lrfs=0),
     "[#7] Tarih: 1999-01-02 03:04 | Video: 0 | SRT: 2 | LRF: 0 ("),
])
def test_list_line_pieces(recorder, run_main, record, line):
    recorder("list_dji_files", result=[record])
    recorder("resolve_dji_directory", result="/kart/DCIM/DJI_001")
    result, out, _ = run_main("list", "kart")
    assert result == 0
    assert out.splitlines()[0] == HEADER.format("/kart/DCIM/DJI_001")
    assert line in out.splitlines()[1]


def test_list_passes_the_folder_and_filters_as_typed(app, recorder, capsys):
    scans = recorder("list_dji_files", result=[])
    resolves = recorder("resolve_dji_directory", result="R")
    for date, index in [(None, None), ("", ""), ("<1d", "1-4")]:
        args = types.SimpleNamespace(command="list", dir="rel/../kart", date=date, index=index)
        assert app._run_cli(args) == 0
    assert scans == [(("rel/../kart",), {"date_filter": "", "index_filter": ""})] * 2 + [
        (("rel/../kart",), {"date_filter": "<1d", "index_filter": "1-4"})]
    assert resolves == [(("rel/../kart",), {})] * 3
    assert capsys.readouterr().out == f"{HEADER.format('R')}\n{NOT_FOUND}\n" * 3


def test_nothing_is_printed_when_the_scan_fails(app, recorder, capsys):
    def fail(*args, **kwargs):
        raise PermissionError("kart okunamadı")

    recorder("list_dji_files", side_effect=fail)
    with pytest.raises(PermissionError, match="kart okunamadı"):
        app._run_cli(types.SimpleNamespace(command="list", dir="X", date="", index=""))
    assert capsys.readouterr().out == ""


@pytest.mark.parametrize("command", [None, "", "List", "desktop", 0, b"list"])
def test_no_known_command_prints_nothing_and_returns_0(app, capsys, command):
    assert app._run_cli(types.SimpleNamespace(command=command)) == 0
    assert app._run_cli(args=types.SimpleNamespace(command=command)) == 0
    assert capsys.readouterr().out == ""


def test_numbers_and_lines_go_through_the_module_names(app, monkeypatch, recorder, run_main):
    recorder("list_dji_files", result=[fake_set()])
    recorder("resolve_dji_directory", result="R")
    monkeypatch.setattr(app, "format", lambda value, spec: f"<{value}|{spec}>", raising=False)
    monkeypatch.setattr(app, "len", lambda value: f"len{value}", raising=False)
    printed = recorder("print")
    assert run_main("list", "X") == (0, "", "")
    assert printed[1][0][0].endswith(
        " | Video: len['v'] | SRT: len['s'] | LRF: len['l'] (<1500.0|.0f> KB) | Toplam: <3072.0|.1f> KB")
    assert len(printed) == 2 and all(kwargs == {} for _, kwargs in printed)


def test_rebound_constants_reach_the_header(app, monkeypatch, recorder, run_main):
    recorder("list_dji_files", result=[])
    recorder("resolve_dji_directory", result=os.sep)
    monkeypatch.setattr(app, "R27_APP_NAME_TR", 42)
    monkeypatch.setattr(app, "R27_APP_VERSION", "x")
    assert run_main("list", "X")[1].splitlines()[0] == f"=== 42 vx — DJI Medya & SRT Listesi ({os.sep}) ==="

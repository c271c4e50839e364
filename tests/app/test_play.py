"""The play command: what reaches play_dji_file_by_index and how the outcome is reported."""
import datetime
import types

import pytest


@pytest.mark.parametrize("found", ["/kart/DCIM/DJI_001/DJI_0003.MP4", "C:\\Kart\\DJI 0003 ğ.SRT"])
def test_played_file_is_reported_unchanged(run_main, recorder, found):
    calls = recorder("play_dji_file_by_index", result=found)
    assert run_main("play", "kart", "3") == (0, f"Oynatılıyor: {found}\n", "")
    assert calls == [(("kart", 3), {})]


@pytest.mark.parametrize("returned", [None, "", 0])
def test_nothing_to_play_returns_1(run_main, recorder, returned):
    recorder("play_dji_file_by_index", result=returned)
    assert run_main("play", "kart", "007") == (1, "İndeks #7 bulunamadı.\n", "")


def test_index_is_converted_with_int(app, recorder, capsys):
    calls = recorder("play_dji_file_by_index", result=None)
    assert app._run_cli(types.SimpleNamespace(command="play", dir="K", index_num=True)) == 1
    assert calls == [(("K", 1), {})] and type(calls[0][0][1]) is int
    assert capsys.readouterr().out == "İndeks #True bulunamadı.\n"
    with pytest.raises(ValueError):
        app._run_cli(types.SimpleNamespace(command="play", dir="K", index_num="abc"))
    assert len(calls) == 1


def test_play_on_a_card_without_the_index(run_process, make_card, tmp_path):
    card = make_card({"DJI_0001.MP4": (10, datetime.datetime(2024, 5, 1))})
    done = run_process("play", card, "2")
    assert (done.returncode, done.stdout, done.stderr) == (1, "İndeks #2 bulunamadı.\n", "")
    done = run_process("play", tmp_path / "yok", "1")
    assert (done.returncode, done.stdout, done.stderr) == (1, "", f"Klasör bulunamadı: '{tmp_path / 'yok'}'\n")

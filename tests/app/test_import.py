"""The import command: the copy report, then one track per copied telemetry file."""
import datetime
import types

import pytest


def track(name="DJI_0007", points=1840, metres=3127.2):
    return types.SimpleNamespace(track_name=name, filtered_point_count=points, total_distance_m=metres,
                                 output_files=[])


# The stand-in options object; the command sets its keep_paths before each conversion.
OPTS = types.SimpleNamespace()


@pytest.fixture
def events(recorder):
    """Records the import, the options, the conversions and the printed lines in one ordered list."""
    log = []

    def logging(name, result=None):
        def effect(*args, **kwargs):
            log.append((name, args, kwargs))
            return result() if callable(result) else result
        recorder(name, side_effect=effect)

    logging("ConversionOptions", result=OPTS)
    logging("convert_srt_file", result=track)
    logging("print")
    return types.SimpleNamespace(log=log, install=logging)


def test_copy_report_comes_first_and_only_srt_files_are_converted(run_main, events):
    copied = ["rel/hedef/DJI_0007.MP4", "rel/hedef/DJI_0007.SRT", "rel/hedef/b.srt", "rel/hedef/c.srt.bak"]
    events.install("import_dji_files", result=(4, copied))
    assert run_main("import", "kart", "rel/hedef", "-d", "<2w", "-i", "7")[0] == 0
    assert events.log == [
        ("import_dji_files", ("kart", "rel/hedef"), {"date_filter": "<2w", "index_filter": "7"}),
        ("print", ("[İÇE AKTARILDI] 4 dosya 'rel/hedef' klasörüne kopyalandı.",), {}),
        ("ConversionOptions", (), {}),
        ("convert_srt_file", ("rel/hedef/DJI_0007.SRT", "rel/hedef", OPTS), {}),
        ("print", ("  -> GPX Dönüştürüldü: DJI_0007 (1840 nokta, 3127 m)",), {}),
        ("convert_srt_file", ("rel/hedef/b.srt", "rel/hedef", OPTS), {}),
        ("print", ("  -> GPX Dönüştürüldü: DJI_0007 (1840 nokta, 3127 m)",), {}),
    ]


@pytest.mark.parametrize("metres, shown", [(2456.5, "2456"), (2457.5, "2458"), (0, "0"), (-0.4, "-0")])
def test_distance_is_whole_metres_with_ties_to_even(run_main, recorder, metres, shown):
    recorder("import_dji_files", result=(1, ["D/X.SRT"]))
    recorder("ConversionOptions", result=types.SimpleNamespace())
    recorder("convert_srt_file", result=track(name="İz", points=3, metres=metres))
    out = run_main("import", "S", "D")[1]
    assert out.splitlines()[1] == f"  -> GPX Dönüştürüldü: İz (3 nokta, {shown} m)"


def test_nothing_copied_prints_the_report_only(run_main, events):
    events.install("import_dji_files", result=(0, []))
    assert run_main("import", "S", "D")[0] == 0
    assert [entry[0] for entry in events.log] == ["import_dji_files", "print", "ConversionOptions"]
    assert events.log[1][1] == ("[İÇE AKTARILDI] 0 dosya 'D' klasörüne kopyalandı.",)


@pytest.mark.parametrize("returned, error, message", [
    ((1, ["a"], "extra"), ValueError, r"too many values to unpack \(expected 2\)"),
    ((1,), ValueError, r"not enough values to unpack \(expected 2, got 1\)"),
    (None, TypeError, "cannot unpack non-iterable NoneType object"),
])
def test_a_result_of_the_wrong_shape_raises(app, recorder, capsys, returned, error, message):
    recorder("import_dji_files", result=returned)
    with pytest.raises(error, match=message):
        app._run_cli(types.SimpleNamespace(command="import", src="S", dest="D", date=None, index=None))
    assert capsys.readouterr().out == ""


def test_import_of_a_real_card(app, run_main, recorder, make_card, tmp_path, monkeypatch):
    stamp = datetime.datetime(2024, 5, 1, 12, 0)
    card = make_card({"DJI_0001.MP4": (10, stamp), "DJI_0001.SRT": (5, stamp), "DJI_0001.LRF": (7, stamp),
                      "DJI_0002.MP4": (3, stamp)})
    converts = recorder("convert_srt_file", result=track(name="DJI_0001", points=12, metres=99.5))
    monkeypatch.chdir(tmp_path)
    code, out, _ = run_main("import", card, "yedek", "-i", "1")
    assert code == 0
    assert out.splitlines() == ["[İÇE AKTARILDI] 2 dosya 'yedek' klasörüne kopyalandı.",
                                "  -> GPX Dönüştürüldü: DJI_0001 (12 nokta, 100 m)"]
    assert sorted(p.name for p in (tmp_path / "yedek").iterdir()) == ["DJI_0001.MP4", "DJI_0001.SRT"]
    [((path, dest, options), kwargs)] = converts
    assert (path.endswith("DJI_0001.SRT"), dest, kwargs) == (True, "yedek", {})
    assert type(options) is app.ConversionOptions

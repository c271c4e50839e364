"""The convert command: input collection, output folder, options and the summary lines."""
import os
import re
import shutil
import types

import pytest


def result(points=1523, metres=2456.7, speed=48.25, power=212.5, outputs=4):
    return types.SimpleNamespace(filtered_point_count=points, total_distance_m=metres, max_speed_kmh=speed,
                                 max_power_w=power, output_files=["o"] * outputs)


# The stand-in options object; the command sets its keep_paths before each conversion.
OPTS = types.SimpleNamespace()


@pytest.fixture
def engine(recorder):
    """Stand-ins for the conversion engine names; returns the recorded calls."""
    return types.SimpleNamespace(
        options=recorder("ConversionOptions", result=OPTS),
        converts=recorder("convert_srt_file", result=result()),
    )


def touch(folder, *names):
    for name in names:
        path = folder / name
        path.parent.mkdir(parents=True, exist_ok=True)
        path.write_text("x")


def test_folder_input_is_resolved_walked_and_sorted(run_main, engine, tmp_path):
    card = tmp_path / "SD"
    media = card / "DCIM" / "DJI_001"
    touch(media, "DJI_0010.SRT", "DJI_0002.srt", "Z.srt", "a.srt", "DJI_0002.MP4", "notes.txt",
          "sub/DJI_0100.Srt")
    touch(card, "DJI_9999.SRT", "DCIM/MISC/DJI_0003.SRT")  # beside the media folders: not visited
    touch(card / "DCIM" / "DJI_002", "DJI_0001.SRT")      # the card's next media folder
    out = tmp_path / "out"
    code, printed, _ = run_main("convert", card, "-o", out, "--sample", "5s")
    assert code == 0
    expected = [str(media / n) for n in ["DJI_0002.srt", "DJI_0010.SRT", "Z.srt", "a.srt"]] + [
        str(media / "sub" / "DJI_0100.Srt"), str(card / "DCIM" / "DJI_002" / "DJI_0001.SRT")]
    assert engine.converts == [((p, str(out), OPTS), {}) for p in expected]
    assert engine.options == [((), {"sample_mode": "5s"})]
    assert [line.split(" -> ")[0] for line in printed.splitlines()] == [
        "[OK] " + os.path.basename(p) for p in expected]


def test_the_output_folder_inside_the_input_is_not_read_back(app, monkeypatch, run_main, engine, tmp_path):
    monkeypatch.setattr(app, "ALL_SUPPORTED_EXTENSIONS", (".srt", ".gpx"))
    touch(tmp_path / "in", "DJI_0001.SRT", "izler/DJI_0001.gpx", "sub/x.gpx", "sub/izler/y.srt")
    run_main("convert", tmp_path / "in", "-o", tmp_path / "in" / "izler")
    assert [os.path.relpath(args[0], tmp_path / "in") for args, _ in engine.converts] == [
        "DJI_0001.SRT", os.path.join("sub", "x.gpx"), os.path.join("sub", "izler", "y.srt")]


def test_default_output_is_cikti_gpx_in_the_working_folder(run_main, engine, tmp_path, monkeypatch):
    monkeypatch.chdir(tmp_path)
    touch(tmp_path, "in/kayıt.txt")
    code, printed, _ = run_main("convert", "in/kayıt.txt")
    assert code == 0 and (tmp_path / "Cikti_GPX").is_dir()
    # A single file is handed on whatever its ending; paths are absolute.
    assert engine.converts == [((str(tmp_path / "in" / "kayıt.txt"), str(tmp_path / "Cikti_GPX"), OPTS), {})]
    assert engine.options == [((), {"sample_mode": "1hz"})]
    assert printed.startswith("[OK] kayıt.txt -> ")


def test_missing_input_is_an_error_and_creates_nothing(run_main, engine, tmp_path):
    out = tmp_path / "a" / "b"
    assert run_main("convert", tmp_path / "yok", "--output", out) == (
        1, "", f"Girdi bulunamadı: '{tmp_path / 'yok'}'\n")
    assert not (tmp_path / "a").exists() and engine.converts == []


def test_output_folder_that_is_a_file_ends_the_command(app, run_main, engine, tmp_path):
    (tmp_path / "dosya").write_text("x")
    with pytest.raises(FileExistsError):
        run_main("convert", tmp_path, "-o", tmp_path / "dosya")
    assert engine.converts == [] and engine.options == []


@pytest.mark.parametrize("values, line", [
    (result(), "[OK] DJI_0003.SRT -> 1523 nokta, 2.46 km, Maks Hız: 48.2 km/s, Güç: 212 W, Çıktılar: 4 dosya"),
    (result(points=0, metres=1234, speed=0, power=0, outputs=0),
     "[OK] DJI_0003.SRT -> 0 nokta, 1.23 km, Maks Hız: 0.0 km/s, Güç: 0 W, Çıktılar: 0 dosya"),
    (result(metres=5, speed=0.25, power=213.5, outputs=1),
     "[OK] DJI_0003.SRT -> 1523 nokta, 0.01 km, Maks Hız: 0.2 km/s, Güç: 214 W, Çıktılar: 1 dosya"),
])
def test_summary_line(run_main, recorder, engine, tmp_path, values, line):
    recorder("convert_srt_file", result=values)
    touch(tmp_path, "DJI_0003.SRT")
    assert run_main("convert", tmp_path / "DJI_0003.SRT", "-o", tmp_path / "o") == (0, line + "\n", "")


@pytest.mark.parametrize("endings, chosen", [
    (".gpx", ["b.GPX"]),
    ((".srt", ".lrf"), ["a.SRT", "c.lrf"]),
    ((), []),
])
def test_rebound_endings_choose_the_files(app, monkeypatch, run_main, engine, tmp_path, endings, chosen):
    monkeypatch.setattr(app, "ALL_SUPPORTED_EXTENSIONS", endings)
    touch(tmp_path / "in", "a.SRT", "b.GPX", "c.lrf")
    run_main("convert", tmp_path / "in", "-o", tmp_path / "o")
    assert [os.path.basename(args[0]) for args, _ in engine.converts] == chosen


def test_a_failing_conversion_stops_the_command(run_main, recorder, engine, tmp_path):
    def convert(path, out, options):
        if path.endswith("2.srt"):
            raise ValueError("bozuk telemetri")
        return result()

    calls = recorder("convert_srt_file", side_effect=convert)
    touch(tmp_path / "in", "1.srt", "2.srt", "3.srt")
    with pytest.raises(ValueError, match="bozuk telemetri"):
        run_main("convert", tmp_path / "in", "-o", tmp_path / "o")
    assert [os.path.basename(args[0]) for args, _ in calls] == ["1.srt", "2.srt"]


def test_convert_with_the_real_engine(run_process, shared_data, tmp_path):
    media = tmp_path / "SD" / "DCIM" / "DJI_001"
    media.mkdir(parents=True)
    for source in sorted((shared_data / "srt").glob("*.[sS][rR][tT]"))[:3]:
        shutil.copy(source, media / source.name)
    names = sorted(os.listdir(media))
    done = run_process("convert", tmp_path / "SD", "-o", tmp_path / "izler")
    assert done.returncode == 0, done.stderr
    line = re.compile(r"\[OK\] (.+) -> \d+ nokta, -?\d+\.\d\d km, Maks Hız: -?\d+\.\d km/s, "
                      r"Güç: -?\d+ W, Çıktılar: \d+ dosya")
    matches = [line.fullmatch(text) for text in done.stdout.splitlines()]
    assert all(matches) and [m.group(1) for m in matches] == names

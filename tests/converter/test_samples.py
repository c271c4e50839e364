"""create_sample_srt_files: realistic, deterministic sample telemetry in four layouts."""
import os
import pathlib
import re

import pytest

# (file, a line only that layout has)
LAYOUTS = [
    ("Mavic3_Goreme_Kapadokya.SRT", re.compile(r'^<font size="28">FrameCnt: \d+, DiffTime: 40ms$', re.M)),
    ("Mavic2Pro_Eymir_Ankara.SRT", re.compile(r"\[longtitude : \d+\.\d{6}\] \[altitude: \d+\.\d{6}\] </font>$", re.M)),
    ("Phantom4Pro_Salda_Burdur.SRT", re.compile(r"^F/2\.8, SS \d+, ISO \d+, EV 0, GPS \(29\.\d{6}, 37\.\d{6}, \d+\), D ", re.M)),
    ("MavicPro_Oludeniz_Fethiye.SRT", re.compile(r"^HOME\(29\.\d{4},36\.\d{4}\) 2017\.08\.12 \d\d:\d\d:\d\d$", re.M)),
]


def test_files_layouts_and_place(converter, tmp_path):
    base = tmp_path / "yeni klasör" / "örnek"  # missing, with Turkish letters and a space
    paths = converter.create_sample_srt_files(str(base))
    assert all(isinstance(p, str) for p in paths)
    assert [pathlib.Path(p) for p in paths] == [base / "Ornek_Telemetri" / name for name, _ in LAYOUTS]
    assert sorted(os.listdir(base)) == ["Ornek_Telemetri"]  # nothing else, no leftovers
    assert sorted(os.listdir(base / "Ornek_Telemetri")) == sorted(name for name, _ in LAYOUTS)
    for path, (_, pattern) in zip(paths, LAYOUTS):
        text = pathlib.Path(path).read_text(encoding="utf-8")
        assert pattern.search(text), path
        assert text.startswith("1\n") and text.endswith("\n\n")


def test_same_bytes_on_every_call_and_in_every_folder(converter, tmp_path, sample_srts):
    first = [pathlib.Path(p) for p in converter.create_sample_srt_files(tmp_path)]  # PathLike accepted
    contents = [p.read_bytes() for p in first]
    assert contents == [p.read_bytes() for p in sample_srts]
    mtimes = [p.stat().st_mtime_ns for p in first]
    second = [pathlib.Path(p) for p in converter.create_sample_srt_files(str(tmp_path))]
    assert second == first
    assert [p.read_bytes() for p in second] == contents
    assert [p.stat().st_mtime_ns for p in second] == mtimes  # unchanged files are not rewritten


def test_damaged_sample_is_restored(converter, tmp_path):
    paths = [pathlib.Path(p) for p in converter.create_sample_srt_files(tmp_path)]
    good = paths[2].read_bytes()
    paths[2].write_bytes(good[:100])
    converter.create_sample_srt_files(tmp_path)
    assert paths[2].read_bytes() == good


def test_a_file_where_the_folder_belongs(converter, tmp_path):
    (tmp_path / "Ornek_Telemetri").write_text("dosya")
    with pytest.raises(OSError):
        converter.create_sample_srt_files(tmp_path)


@pytest.mark.parametrize("index", range(len(LAYOUTS)))
def test_samples_are_plausible_flights(converter, sample_srts, tmp_path, index):
    result = converter.convert_srt_file(str(sample_srts[index]), str(tmp_path), converter.ConversionOptions(sample_mode="all"))
    assert result.track_name == sample_srts[index].stem
    assert result.raw_point_count == result.valid_point_count == result.filtered_point_count >= 170
    assert 300 <= result.total_distance_m <= 3000  # a loop of a few hundred metres or more
    assert 25 <= result.max_speed_kmh <= 75        # what these aircraft fly
    assert 40 <= result.duration_s <= 360
    assert result.warnings == []

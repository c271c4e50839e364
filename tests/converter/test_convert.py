"""convert_srt_file end to end: real and sample telemetry, every format read back by gpsbabel."""
import os
import pathlib
import threading
import time

import pytest

ALL_FORMATS = ("gpx", "kml", "geojson", "csv", "nmea", "mgjson")


def shared_files(kind):
    folder = pathlib.Path(__file__).resolve().parents[3] / "shared" / "data" / kind
    if os.environ.get("CI") and not folder.is_dir():
        raise RuntimeError(f"shared samples missing on CI: {folder}")  # a skip would hide it
    return sorted(p for p in folder.glob("*") if p.suffix.lower() == f".{kind}") if folder.is_dir() else []


def test_module_surface(converter):
    assert converter.ALL_SUPPORTED_EXTENSIONS == tuple(e.lower() for e in converter.ALL_SUPPORTED_EXTENSIONS)
    assert {".srt", ".gpx"} <= set(converter.ALL_SUPPORTED_EXTENSIONS)
    assert all(e.startswith(".") for e in converter.ALL_SUPPORTED_EXTENSIONS)
    assert "dji_0001.srt".endswith(converter.ALL_SUPPORTED_EXTENSIONS)


def test_functions_have_real_signatures(converter):
    import inspect

    signatures = {f.__name__: str(inspect.signature(f)) for f in
                  (converter.convert_srt_file, converter.read_track, converter.create_sample_srt_files)}
    assert signatures["convert_srt_file"] == (
        "(input_path: 'str | os.PathLike', output_dir: 'str | os.PathLike', "
        "options: 'ConversionOptions | None' = None) -> 'ConversionResult'")
    assert signatures["read_track"].startswith("(path: 'str | os.PathLike', options: 'ConversionOptions | None' = None,")
    assert signatures["create_sample_srt_files"] == "(folder: 'str | os.PathLike') -> 'list[str]'"
    with pytest.raises(TypeError, match="ConversionOptions ya da None olmalı, int verildi"):
        converter.convert_srt_file("a.srt", "out", 5)


def check_result_types(result):
    assert isinstance(result.filtered_point_count, int)
    for name in ("total_distance_m", "max_speed_kmh", "max_power_w", "duration_s"):
        assert isinstance(getattr(result, name), float), name
    assert isinstance(result.output_files, list) and all(isinstance(p, str) for p in result.output_files)
    assert isinstance(result.warnings, list)
    assert result.raw_point_count >= result.valid_point_count >= result.filtered_point_count


@pytest.mark.parametrize("sample_mode", ["all", "1hz", "5s", "dist2m"])
def test_samples_every_format(converter, sample_srts, tmp_path, check_read_back, sample_mode):
    options = converter.ConversionOptions(sample_mode=sample_mode, formats=ALL_FORMATS)
    for srt in sample_srts:
        result = converter.convert_srt_file(str(srt), str(tmp_path / srt.stem), options)
        check_result_types(result)
        assert result.filtered_point_count > 0
        written = [pathlib.Path(p) for p in result.output_files]
        # A track without dates (the Phantom 4 layout) cannot be NMEA: left out, with a warning.
        dateless = result.time_source == "cue"
        expected = [f for f in ALL_FORMATS if not (dateless and f == "nmea")]
        assert sorted(p.suffix for p in written) == sorted("." + f for f in expected)
        assert (("format_skipped_no_dates", 0, 0) in result.warning_codes) == dateless
        assert all(p.parent == tmp_path / srt.stem and p.stem == srt.stem for p in written)
        check_read_back(result)


# Without the sample folder one case remains, which the shared_data fixture skips (or fails in CI).
@pytest.mark.parametrize("path", shared_files("srt") + shared_files("gpx") or [None],
                         ids=lambda p: p.name if p else "no-samples")
def test_shared_data_converts(converter, shared_data, tmp_path, check_read_back, path):
    result = converter.convert_srt_file(str(path), str(tmp_path), converter.ConversionOptions(formats=ALL_FORMATS))
    check_result_types(result)
    assert result.track_name == path.stem
    if result.filtered_point_count == 0:
        assert result.output_files == [] and os.listdir(tmp_path) == []
    else:
        check_read_back(result)


@pytest.mark.parametrize(
    "content",
    [b"", b"1\n", b"1\n00:00:00,050 --> 00:00:00,133\nsignal:4 ch:2 flightTime:14 uavBat:16.2V delay:25ms\n\n",
     "Türkçe metin, telemetri yok.\n".encode()],
    ids=["empty", "index-only", "goggles-no-gps", "plain-text"],
)
def test_no_telemetry_writes_nothing(converter, tmp_path, content):
    src = tmp_path / "DJI_0005.SRT"
    src.write_bytes(content)
    out = tmp_path / "cikti"
    result = converter.convert_srt_file(str(src), str(out), converter.ConversionOptions())
    assert result.filtered_point_count == 0
    assert result.output_files == []
    assert result.track_name == "DJI_0005"
    assert out.is_dir() and os.listdir(out) == []


def test_turkish_paths_and_missing_output_folder(converter, sample_srts, tmp_path, check_read_back):
    src_dir = tmp_path / "Uçuşlar ğüşıöç İĞÜŞÖÇ"
    src_dir.mkdir()
    src = src_dir / "Göreme uçuşu.SRT"
    src.write_bytes(sample_srts[0].read_bytes())
    out = tmp_path / "Çıktı klasörü" / "iç içe"
    result = converter.convert_srt_file(src, out, converter.ConversionOptions())  # PathLike both
    assert result.track_name == "Göreme uçuşu"
    assert out.is_dir()
    assert result.output_files
    for p in result.output_files:
        assert pathlib.Path(p).parent == out and pathlib.Path(p).name.startswith("Göreme uçuşu")
    check_read_back(result)


@pytest.mark.skipif(os.name != "posix", reason="undecodable bytes in names exist on POSIX only")
def test_undecodable_file_name_round_trips(converter, sample_srts, tmp_path):
    raw_dir = os.path.join(os.fsencode(tmp_path), b"kay\xfdt")  # Latin-5 'ı', not UTF-8
    os.mkdir(raw_dir)
    src = os.path.join(raw_dir, b"DJI_0001.SRT")
    with open(src, "wb") as f:
        f.write(sample_srts[3].read_bytes())
    result = converter.convert_srt_file(src, os.fsdecode(raw_dir), converter.ConversionOptions())
    assert result.output_files
    assert all(os.path.exists(p) and os.fsencode(p).startswith(raw_dir) for p in result.output_files)


def write_long_srt(path, blocks):
    lines = []
    for i in range(blocks):
        ms = i * 40
        lines.append(
            f"{i + 1}\n00:{ms // 60000 % 60:02}:{ms // 1000 % 60:02},{ms % 1000:03} --> "
            f"00:{(ms + 40) // 60000 % 60:02}:{(ms + 40) // 1000 % 60:02},{(ms + 40) % 1000:03}\n"
            f'<font size="28">FrameCnt: {i + 1}, DiffTime: 40ms\n'
            f"2024-06-15 06:{41 + ms // 60000:02}:{ms // 1000 % 60:02}.{ms % 1000:03}\n"
            f"[iso: 100] [shutter: 1/1000.0] [fnum: 2.8] [ev: 0] [ct: 5400] [color_md : default] "
            f"[focal_len: 24.00] [latitude: {38.6 + i * 1e-6:.6f}] [longitude: 34.830000] "
            f"[rel_alt: 30.000 abs_alt: 1120.000] </font>\n\n"
        )
    path.write_text("".join(lines))


def test_gil_is_released_during_conversion(converter, tmp_path):
    src = tmp_path / "uzun.SRT"
    write_long_srt(src, 60_000)
    options = converter.ConversionOptions(sample_mode="all", formats=ALL_FORMATS)
    window = {}

    def convert():
        window["start"] = time.perf_counter()
        converter.convert_srt_file(str(src), str(tmp_path / "out"), options)
        window["end"] = time.perf_counter()

    worker = threading.Thread(target=convert)
    ticks = []
    worker.start()
    while worker.is_alive():
        ticks.append(time.perf_counter())
    worker.join()
    inside = [t for t in ticks if window["start"] < t < window["end"]]
    if window["end"] - window["start"] < 0.02:
        pytest.skip("conversion too quick to observe")
    # Holding the GIL would freeze this loop for the whole conversion.
    assert len(inside) > 1000


def test_outputs_do_not_depend_on_the_process_locale(converter, sample_srts, tmp_path):
    """The desktop's Qt start-up switches the whole process to the user's locale (a Turkish
    one writes 1,5): every format must come out byte for byte as under the C locale."""
    import locale

    options = converter.ConversionOptions(sample_mode="all", formats=list(ALL_FORMATS))
    outputs = {}
    saved = locale.setlocale(locale.LC_ALL)
    try:
        for name in ("C", "tr_TR.UTF-8"):
            try:
                locale.setlocale(locale.LC_ALL, name)
            except locale.Error:
                pytest.skip(f"locale {name} is not installed")
            result = converter.convert_srt_file(str(sample_srts[0]), str(tmp_path / name), options)
            outputs[name] = {pathlib.Path(p).name: pathlib.Path(p).read_bytes() for p in result.output_files}
    finally:
        locale.setlocale(locale.LC_ALL, saved)
    assert len(outputs["C"]) == len(ALL_FORMATS)
    assert outputs["tr_TR.UTF-8"] == outputs["C"]

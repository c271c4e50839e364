"""The exception seam: each engine exception becomes the matching Python exception."""
import errno
import os

import pytest


@pytest.mark.parametrize(
    "kind, code, expected_type",
    [
        ("input", errno.ENOENT, FileNotFoundError),
        ("input", errno.EACCES, PermissionError),
        ("input", errno.EISDIR, IsADirectoryError),
        ("input", 0, OSError),  # no errno given: reported as an I/O error
        ("filesystem", errno.ENOTDIR, NotADirectoryError),
        ("filesystem", errno.EEXIST, FileExistsError),
        ("system", errno.ENOSPC, OSError),
    ],
)
def test_os_errors_carry_errno_strerror_and_filename(converter, tmp_path, kind, code, expected_type):
    name = tmp_path / "Uçuş kaydı.SRT"
    with pytest.raises(OSError) as info:
        converter._raise_engine_exception(kind, "ayrıntı", code, name)
    err = info.value
    assert type(err) is expected_type
    expected_errno = code or errno.EIO
    assert err.errno == expected_errno
    assert os.strerror(expected_errno) in err.strerror
    assert err.filename == (None if kind == "system" else str(name))


@pytest.mark.parametrize(
    "kind, expected_type, message",
    [
        ("invalid_argument", ValueError, "bozuk değer"),
        ("domain_error", ValueError, "bozuk değer"),
        ("out_of_range", IndexError, "bozuk değer"),
        ("runtime_error", RuntimeError, "bozuk değer"),
        ("logic_error", RuntimeError, "bozuk değer"),
        ("bad_alloc", MemoryError, ""),
        ("not an exception", SystemError, "unknown C++ exception"),
    ],
)
def test_other_exceptions(converter, kind, expected_type, message):
    with pytest.raises(expected_type) as info:
        converter._raise_engine_exception(kind, "bozuk değer")
    assert type(info.value) is expected_type
    assert str(info.value) == message


def test_missing_input_is_file_not_found_with_its_name(converter, tmp_path):
    missing = tmp_path / "yok" / "DJI_0099.SRT"
    with pytest.raises(FileNotFoundError) as info:
        converter.convert_srt_file(str(missing), str(tmp_path / "out"), converter.ConversionOptions())
    assert info.value.errno == errno.ENOENT
    assert info.value.filename == str(missing)


def test_folder_as_input_is_an_os_error(converter, tmp_path):
    with pytest.raises(OSError) as info:
        converter.convert_srt_file(str(tmp_path), str(tmp_path / "out"), converter.ConversionOptions())
    assert info.value.filename == str(tmp_path)


@pytest.mark.skipif(not hasattr(os, "geteuid") or os.geteuid() == 0, reason="root reads every file")
def test_unreadable_input_is_permission_error(converter, tmp_path):
    f = tmp_path / "DJI_0001.SRT"
    f.write_text("1\n00:00:00,000 --> 00:00:01,000\nGPS(29.0,41.0,12) BAROMETER:1.0\n")
    f.chmod(0)
    with pytest.raises(PermissionError) as info:
        converter.convert_srt_file(str(f), str(tmp_path / "out"), converter.ConversionOptions())
    assert info.value.filename == str(f)


@pytest.mark.parametrize(
    "bad, error",
    [(42, TypeError), (None, TypeError), ("DJI\0.SRT", ValueError), (b"DJI\0.SRT", ValueError)],
)
def test_bad_path_arguments(converter, tmp_path, bad, error):
    with pytest.raises(error):
        converter.convert_srt_file(bad, str(tmp_path), converter.ConversionOptions())
    with pytest.raises(error):
        converter.convert_srt_file(str(tmp_path / "x.srt"), bad, converter.ConversionOptions())


def test_options_must_be_conversion_options(converter, tmp_path):
    with pytest.raises(TypeError):
        converter.convert_srt_file(str(tmp_path / "x.srt"), str(tmp_path), {"sample_mode": "all"})


@pytest.mark.parametrize("inside", ["", "alt"])
def test_output_folder_blocked_by_a_file(converter, sample_srts, tmp_path, inside):
    blocker = tmp_path / "Çıktı"
    blocker.write_text("dosya")
    with pytest.raises(OSError) as info:
        converter.convert_srt_file(str(sample_srts[3]), str(blocker / inside), converter.ConversionOptions())
    assert isinstance(info.value, (NotADirectoryError, FileExistsError))
    assert info.value.filename is not None and info.value.filename.startswith(str(blocker))
    assert blocker.read_text() == "dosya"

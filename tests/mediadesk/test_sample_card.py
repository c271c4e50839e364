"""create_sample_dji_sdcard_structure: the sample card tree, its placeholders and its telemetry copies."""
import os

import pytest

import trakvia.mediadesk as md
from .mediadesk_cards import tree, write_file

LRF = b"DJI_LRF_PREVIEW_STREAM_" * 2048
MP4 = b"DJI_MP4_VIDEO_HEADER_" * 4096


@pytest.fixture
def samples(tmp_path, monkeypatch):
    """Rebinds the module's sample SRT generator to one that returns `n` files outside the card."""
    calls = []

    def use(n):
        paths = [str(write_file(tmp_path / "samples" / f"sample{i}.SRT", f"sample {i}\n".encode()))
                 for i in range(n)]

        def generator(base):
            calls.append(base)
            return list(paths)

        monkeypatch.setattr(md, "create_sample_srt_files", generator)
        return calls

    return use


def card_files(root):
    return tree(root / "DJI_SD_Kart_Ornegi")


@pytest.mark.parametrize("n, srt_sources", [
    (0, []),
    (2, [0, 1, 0, 1]),
    (3, [0, 1, 2, 0]),
    (5, [0, 1, 2, 3]),
])
def test_tree_placeholders_and_telemetry(tmp_path, samples, n, srt_sources):
    calls = samples(n)
    base = tmp_path / "base"
    assert md.create_sample_dji_sdcard_structure(str(base)) == os.path.join(str(base), "DJI_SD_Kart_Ornegi")
    assert calls == [str(base)]
    expected = {}
    for idx in range(1, 5):
        stem = f"DCIM/DJI_001/DJI_{idx:04d}"
        expected[f"{stem}.LRF"] = LRF
        expected[f"{stem}.MP4"] = MP4
        if srt_sources:
            expected[f"{stem}.SRT"] = f"sample {srt_sources[idx - 1]}\n".encode()
    assert card_files(base) == expected
    assert len(LRF) == 47_104 and len(MP4) == 86_016
    if n:  # copy2 carries the sample's time over
        sample = tmp_path / "samples" / "sample0.SRT"
        copy = base / "DJI_SD_Kart_Ornegi" / "DCIM" / "DJI_001" / "DJI_0001.SRT"
        assert copy.stat().st_mtime_ns == sample.stat().st_mtime_ns


def test_second_call_writes_nothing(tmp_path, samples):
    calls = samples(2)
    root = tmp_path / "DJI_SD_Kart_Ornegi"
    md.create_sample_dji_sdcard_structure(str(tmp_path))
    old = 1_600_000_000
    for p in root.rglob("*"):
        os.utime(p, (old, old))
    before = card_files(tmp_path)
    assert md.create_sample_dji_sdcard_structure(str(tmp_path)) == str(root)
    assert len(calls) == 2 and card_files(tmp_path) == before
    assert all(p.stat().st_mtime == old for p in root.rglob("*") if p.is_file())


def test_existing_files_are_kept_and_missing_ones_completed(tmp_path, samples):
    samples(1)
    media = tmp_path / "DJI_SD_Kart_Ornegi" / "DCIM" / "DJI_001"
    write_file(media / "DJI_0002.MP4", b"my own footage")
    write_file(media / "DJI_0003.SRT", b"my own telemetry")
    (media / "DJI_0004.LRF").mkdir()  # a folder where a file would go counts as present
    md.create_sample_dji_sdcard_structure(str(tmp_path))
    got = tree(media)
    assert got["DJI_0002.MP4"] == b"my own footage" and got["DJI_0003.SRT"] == b"my own telemetry"
    assert got["DJI_0002.LRF"] == LRF and got["DJI_0004.MP4"] == MP4 and got["DJI_0001.SRT"] == b"sample 0\n"
    assert "DJI_0004.LRF" not in got and (media / "DJI_0004.LRF").is_dir()


def test_relative_base_gives_a_relative_root(tmp_path, samples, monkeypatch):
    calls = samples(1)
    monkeypatch.chdir(tmp_path)
    assert md.create_sample_dji_sdcard_structure("ornek") == os.path.join("ornek", "DJI_SD_Kart_Ornegi")
    assert calls == ["ornek"] and (tmp_path / "ornek" / "DJI_SD_Kart_Ornegi" / "DCIM" / "DJI_001").is_dir()


def test_failures_propagate(tmp_path, monkeypatch):
    def broken(base):
        raise RuntimeError("generator failed")

    monkeypatch.setattr(md, "create_sample_srt_files", broken)
    with pytest.raises(RuntimeError, match="generator failed"):
        md.create_sample_dji_sdcard_structure(str(tmp_path / "a"))
    assert (tmp_path / "a" / "DJI_SD_Kart_Ornegi" / "DCIM" / "DJI_001").is_dir()

    write_file(tmp_path / "b" / "DJI_SD_Kart_Ornegi" / "DCIM", b"a file where a folder belongs")
    with pytest.raises(OSError):
        md.create_sample_dji_sdcard_structure(str(tmp_path / "b"))


def test_real_generator_gives_a_card_with_four_sets(tmp_path):
    root = md.create_sample_dji_sdcard_structure(str(tmp_path))
    sets = md.list_dji_files(root)
    assert [s.index for s in sets] == [1, 2, 3, 4]
    assert all(len(s.video_files) == len(s.lrf_files) == len(s.srt_files) == 1 for s in sets)
    assert all(s.lrf_size_bytes == 47_104 and s.total_size_bytes > 47_104 + 86_016 for s in sets)
    # The whole sample card can then be imported, and cleaned of its previews.
    assert md.import_dji_files(root, str(tmp_path / "import"))[0] == 8
    assert md.cleanup_dji_files(root)[:2] == (4, 4 * 47_104)


def test_signature():
    import inspect
    assert str(inspect.signature(md.create_sample_dji_sdcard_structure)) == "(base_sample_dir: 'str') -> 'str'"
    with pytest.raises(TypeError):
        md.create_sample_dji_sdcard_structure()


def test_placeholder_is_closed_when_the_write_fails(tmp_path, samples, monkeypatch):
    samples(0)
    opened = []

    class FullDisk:
        def __init__(self, path, mode):
            self.path, self.mode, self.closed = path, mode, False
            opened.append(self)

        def write(self, data):
            raise OSError(28, "No space left on device", self.path)

        def close(self):
            self.closed = True

    monkeypatch.setattr(md, "open", FullDisk, raising=False)
    with pytest.raises(OSError, match="No space"):
        md.create_sample_dji_sdcard_structure(str(tmp_path))
    assert [(os.path.basename(f.path), f.mode, f.closed) for f in opened] == [("DJI_0001.LRF", "wb", True)]

"""resolve_dji_directory and list_dji_files on real folders with real modification times."""
import datetime as real_datetime
import os
import pathlib

import pytest

import trakvia.mediadesk as md

T0 = real_datetime.datetime(2024, 5, 3, 10, 0, 0).timestamp()


def make(root, rel, size=1, mtime=None):
    path = root / rel
    path.parent.mkdir(parents=True, exist_ok=True)
    path.write_bytes(b"\0" * size)
    if mtime is not None:
        os.utime(path, (mtime, mtime))
    return str(path)


def summary(sets):
    """(index, index_str, [file names by list]) per set, for compact comparisons."""
    names = lambda paths: [os.path.basename(p) for p in paths]
    return [(s.index, s.index_str, names(s.video_files), names(s.srt_files), names(s.lrf_files), names(s.gpx_files))
            for s in sets]


def test_one_clip_forms_one_set(tmp_path):
    mp4 = make(tmp_path, "DJI_0001.MP4", 300, T0 + 20)
    srt = make(tmp_path, "DJI_0001.SRT", 50, T0 + 10)
    lrf = make(tmp_path, "DJI_0001.LRF", 70, T0 + 30)
    [s] = md.list_dji_files(str(tmp_path))
    assert (s.index, s.index_str, s.base_dir) == (1, "0001", str(tmp_path))
    assert (s.video_files, s.srt_files, s.lrf_files, s.gpx_files) == ([mp4], [srt], [lrf], [])
    assert (s.total_size_bytes, s.lrf_size_bytes) == (420, 70)
    # LRF, MP4, SRT in code-point order: the SRT is processed last and sets the time.
    assert s.mtime == real_datetime.datetime.fromtimestamp(T0 + 10)


@pytest.mark.parametrize(
    "name,index,kind",
    [
        ("DJI_20240101123456_0007_D.MP4", 7, "video"),
        ("DJI_0001_001.MP4", 1, "video"),
        ("MAVIC_0099.MOV", 99, "video"),
        ("DJI_001.MP4", 1, "video"),
        ("GOPR0123.MP4", 123, "video"),
        ("DJI_12345.MP4", 2345, "video"),
        ("VID_20240101_123456.mp4", 101, "video"),
        ("DJI_0001.Mp4", 1, "video"),
        ("dji_0001.mp4", 1, "video"),
        ("._DJI_0001.MP4", 1, "video"),
        ("AVATA_0456.insv", 456, "video"),
        ("OSMO_0012.360", 12, "video"),
        ("DJI_0005.srt", 5, "srt"),
        ("DJI_0005.LRF", 5, "lrf"),
        ("DJI_0005.GPX", 5, "gpx"),
        ("Drone Uçuşu İstanbul DJI_0008.MP4", 8, "video"),
    ],
)
def test_name_recognition(tmp_path, name, index, kind):
    path = make(tmp_path, name, 5)
    [s] = md.list_dji_files(str(tmp_path))
    assert (s.index, s.index_str) == (index, format(index, "04d"))
    lists = {"video": s.video_files, "srt": s.srt_files, "lrf": s.lrf_files, "gpx": s.gpx_files}
    assert {k: v for k, v in lists.items() if v} == {kind: [path]}
    assert s.lrf_size_bytes == (5 if kind == "lrf" else 0)


def test_chaptered_clips_share_one_set(tmp_path):
    make(tmp_path, "GX020123.MP4")
    make(tmp_path, "GX010123.MP4")
    assert summary(md.list_dji_files(str(tmp_path))) == [(123, "0123", ["GX010123.MP4", "GX020123.MP4"], [], [], [])]


def test_unmatched_media_get_fallback_indexes(tmp_path):
    for name in ("clip.mp4", "12.mp4", "DJI_0001-1.MP4", "DJI_0001.MPG"):
        make(tmp_path, name)
    assert summary(md.list_dji_files(str(tmp_path))) == [
        (1000, "1000", ["12.mp4"], [], [], []),
        (1001, "1001", ["DJI_0001-1.MP4"], [], [], []),
        (1002, "1002", ["DJI_0001.MPG"], [], [], []),
        (1003, "1003", ["clip.mp4"], [], [], []),
    ]


def test_fallback_index_never_equals_a_recognised_index(tmp_path):
    make(tmp_path, "DJI_0001.MP4")
    make(tmp_path, "DJI_1003.MP4")
    make(tmp_path, "a.srt")        # two sets so far: 1002
    make(tmp_path, "b.gpx")        # three sets: 1003 belongs to DJI_1003, so 1004
    make(tmp_path, "sub/DJI_1005.SRT")   # recognised after the fallbacks were handed out
    make(tmp_path, "c.gpx")        # five sets: 1005 is taken by the later name, so 1006
    assert summary(md.list_dji_files(str(tmp_path))) == [
        (1, "0001", ["DJI_0001.MP4"], [], [], []),
        (1002, "1002", [], ["a.srt"], [], []),
        (1003, "1003", ["DJI_1003.MP4"], [], [], []),
        (1004, "1004", [], [], [], ["b.gpx"]),
        (1005, "1005", [], ["DJI_1005.SRT"], [], []),
        (1006, "1006", [], [], [], ["c.gpx"]),
    ]


def test_cleanup_of_a_real_index_spares_an_unnamed_video(tmp_path):
    # aile.mp4 used to get 1001 and join DJI_1001.MP4, so deleting set 1001 took the family video.
    media = tmp_path / "DCIM" / "DJI_001"
    make(media, "DJI_0001.MP4")
    family = make(media, "aile.mp4", 7)
    drone = make(media, "eski/DJI_1001.MP4")
    assert md.cleanup_dji_files(str(tmp_path), "video", index_filter="1001") == (1, 1, [drone])
    assert pathlib.Path(family).read_bytes() == b"\0" * 7


@pytest.mark.parametrize("first, second", [("DJI_001", "DJI_002"), ("100MEDIA", "101MEDIA")])
def test_every_media_folder_of_a_card_is_scanned(tmp_path, first, second):
    dcim = tmp_path / "DCIM"
    video = make(dcim / first, "DJI_0001.MP4")
    srt = make(dcim / second, "DJI_0001.SRT")      # same index in the next folder: one set
    other = make(dcim / second, "DJI_0002.MP4")
    make(dcim / "MISC", "DJI_0003.MP4")            # not a media folder
    sets = md.list_dji_files(str(tmp_path))
    assert [(s.index, s.video_files, s.srt_files) for s in sets] == [(1, [video], [srt]), (2, [other], [])]
    assert [s.index for s in md.list_dji_files(str(dcim))] == [1, 2, 3]   # DCIM given: walked whole
    assert md.resolve_dji_directory(str(tmp_path)) == str(dcim / first)
    assert md.resolve_dji_directories(str(tmp_path)) == [str(dcim / first), str(dcim / second)]
    assert md.resolve_dji_directories(str(dcim / first)) == [str(dcim / first)]
    assert md.resolve_dji_directories(str(tmp_path / "yok")) == []


def test_non_media_and_non_files_are_ignored(tmp_path):
    for name in ("IMG_1234.JPG", "notes.txt", "DJI_0001.MP4.bak", ".mp4"):
        make(tmp_path, name)
    (tmp_path / "DJI_0002.MP4").mkdir()
    os.symlink(tmp_path / "missing.MP4", tmp_path / "DJI_0003.MP4")
    assert md.list_dji_files(str(tmp_path)) == []


def test_sets_span_sub_folders_in_index_order(tmp_path):
    media = tmp_path / "DCIM" / "DJI_001"
    video = make(media, "DJI_0004.MP4", 10)
    old_srt = make(media, "old/DJI_0004.SRT", 3)
    make(media, "old/deeper/DJI_0002.LRF", 4)
    sets = md.list_dji_files(str(tmp_path))
    assert [s.index for s in sets] == [2, 4]
    assert sets[1].base_dir == str(media)
    assert (sets[1].video_files, sets[1].srt_files, sets[1].total_size_bytes) == ([video], [old_srt], 13)
    assert sets[0].base_dir == str(media / "old" / "deeper")


@pytest.mark.linux_only("a case-sensitive file system")
def test_case_sensitive_processing_order(tmp_path):
    make(tmp_path, "dji_0001.mp4", mtime=T0)
    make(tmp_path, "DJI_0001.MP4", mtime=T0 + 60)
    [s] = md.list_dji_files(str(tmp_path))
    assert [os.path.basename(p) for p in s.video_files] == ["DJI_0001.MP4", "dji_0001.mp4"]
    assert s.mtime == real_datetime.datetime.fromtimestamp(T0)


@pytest.mark.parametrize(
    "folders,files,expected",
    [
        (["DCIM/DJI_001", "DCIM/100MEDIA"], [], "DCIM/DJI_001"),
        (["DCIM/100MEDIA", "DCIM/100GOPRO"], [], "DCIM/100MEDIA"),
        (["DCIM/100GOPRO"], [], "DCIM/100GOPRO"),
        (["DCIM/DJI_002", "DCIM/MISC"], [], "DCIM/DJI_002"),
        (["DCIM/Camera", "DCIM/dji_002"], [], "DCIM/dji_002"),
        (["DCIM/DJI_002", "DCIM/100ANDRO"], [], "DCIM/100ANDRO"),
        (["DCIM/Camera"], ["DCIM/DJI_000"], "DCIM"),
        (["DCIM/Camera"], [], "DCIM"),
        (["DCIM"], [], "DCIM"),
        (["Misc"], ["DCIM"], ""),
        ([], [], ""),
    ],
)
def test_media_folder_resolution(tmp_path, folders, files, expected):
    root = tmp_path / "SD Kart Ğüşİö"
    root.mkdir()
    for rel in folders:
        (root / rel).mkdir(parents=True)
    for rel in files:
        make(root, rel)
    assert md.resolve_dji_directory(str(root)) == os.path.join(str(root), *expected.split("/") if expected else [])


def test_resolution_of_files_missing_and_relative_paths(tmp_path, monkeypatch):
    video = make(tmp_path, "DJI_0001.MP4")
    missing = str(tmp_path / "yok")
    assert md.resolve_dji_directory(video) == video
    assert md.resolve_dji_directory(missing + os.sep) == missing
    assert md.list_dji_files(video) == [] and md.list_dji_files(missing) == []
    (tmp_path / "sub" / "DCIM" / "DJI_001").mkdir(parents=True)
    monkeypatch.chdir(tmp_path / "sub")
    assert md.resolve_dji_directory("") == str(tmp_path / "sub" / "DCIM" / "DJI_001")
    assert md.resolve_dji_directory("DCIM/..//") == str(tmp_path / "sub" / "DCIM" / "DJI_001")
    monkeypatch.chdir(tmp_path)
    assert [s.index for s in md.list_dji_files("")] == [1]


class _FixedNow(real_datetime.datetime):
    @classmethod
    def now(cls, tz=None):
        return cls(2030, 1, 2, 3, 4, 5)


class _OsWithoutStat:
    """os as seen by the scan, except that reading a status fails."""

    def __getattr__(self, name):
        return getattr(os, name)

    def stat(self, path, *args, **kwargs):
        raise PermissionError(13, "izin yok", path)


def test_unreadable_status_keeps_the_file_with_now_and_size_zero(tmp_path, monkeypatch):
    path = make(tmp_path, "DJI_0001.MP4", 99, T0)
    monkeypatch.setattr(md, "datetime", _FixedNow)
    monkeypatch.setattr(md, "os", _OsWithoutStat())
    [s] = md.list_dji_files(str(tmp_path))
    assert (s.video_files, s.total_size_bytes, s.mtime) == ([path], 0, _FixedNow(2030, 1, 2, 3, 4, 5))
    monkeypatch.setattr(md, "os", os)
    [s] = md.list_dji_files(str(tmp_path))
    assert (s.total_size_bytes, s.mtime) == (99, real_datetime.datetime.fromtimestamp(T0))


class _NoDateFor(_FixedNow):
    """datetime as seen by the scan, for a card whose file times lie beyond the year 9999."""
    error = ValueError

    @classmethod
    def fromtimestamp(cls, t, tz=None):
        raise cls.error("year 401704 is out of range")


@pytest.mark.parametrize("error", [ValueError, OverflowError])
def test_time_out_of_the_date_range_is_taken_like_an_unreadable_status(tmp_path, monkeypatch, error):
    # Windows reports such a time as OSError; elsewhere it used to end the whole listing.
    make(tmp_path, "DJI_0001.MP4", 99, T0)
    make(tmp_path, "DJI_0002.MP4", 5, T0)
    monkeypatch.setattr(_NoDateFor, "error", error)
    monkeypatch.setattr(md, "datetime", _NoDateFor)
    got = [(s.index, s.total_size_bytes, s.mtime) for s in md.list_dji_files(str(tmp_path))]
    assert got == [(1, 0, _FixedNow(2030, 1, 2, 3, 4, 5)), (2, 0, _FixedNow(2030, 1, 2, 3, 4, 5))]


def test_each_listing_returns_fresh_records(tmp_path):
    make(tmp_path, "DJI_0001.MP4")
    first, second = md.list_dji_files(str(tmp_path)), md.list_dji_files(str(tmp_path))
    assert first == second and first[0] is not second[0]

"""import_dji_files on real card trees: nothing is overwritten, sets keep their pairs, re-imports are idempotent."""
import os
import pathlib
import shutil

import pytest

import trakvia.mediadesk as md
from .mediadesk_cards import make_card, tree, write_file


class CopyRecorder:
    """The module's shutil with copystat counted: the import calls it once for every file it copies."""

    def __init__(self):
        self.calls = []

    def __getattr__(self, name):
        return getattr(shutil, name)

    def copystat(self, src, dst, **kwargs):
        self.calls.append((src, dst))
        return shutil.copystat(src, dst, **kwargs)


def hook_open(monkeypatch, before):
    """Makes the module's `open` call before(path) first: the import opens each card file once to copy it."""
    def opening(path, *args, **kwargs):
        before(path)
        return open(path, *args, **kwargs)
    monkeypatch.setattr(md, "open", opening, raising=False)


class OsWithoutLinks:
    """The module's os on a file system without hard links (FAT, exFAT)."""

    def __getattr__(self, name):
        return getattr(os, name)

    @staticmethod
    def link(src, dst):
        raise PermissionError(1, "Operation not permitted", src)


@pytest.fixture
def recorder(monkeypatch):
    rec = CopyRecorder()
    monkeypatch.setattr(md, "shutil", rec)
    return rec


CARD_A = {"DJI_0001.MP4": b"video A1", "DJI_0001.SRT": b"srt A1", "DJI_0001.LRF": b"lrf A1",
          "DJI_0002.MP4": b"video A2", "DJI_0002.SRT": b"srt A2"}
CARD_B = {"DJI_0001.MP4": b"video B1 longer", "DJI_0001.SRT": b"srt B1"}


def dest_files(dest):
    return tree(dest)


def test_set_is_copied_video_first_with_times_kept(tmp_path):
    card = make_card(tmp_path / "card", CARD_A, age_hours=30)
    dest = tmp_path / "dest"
    count, copied = md.import_dji_files(str(card), str(dest))
    assert count == 4
    assert copied == [str(dest / n) for n in ("DJI_0001.MP4", "DJI_0001.SRT", "DJI_0002.MP4", "DJI_0002.SRT")]
    src = card / "DCIM" / "DJI_001"
    for name in ("DJI_0001.MP4", "DJI_0002.SRT"):
        assert (dest / name).read_bytes() == (src / name).read_bytes()
        assert (dest / name).stat().st_mtime_ns == (src / name).stat().st_mtime_ns
    assert not (dest / "DJI_0001.LRF").exists()


def test_two_cards_with_the_same_names_lose_nothing_and_keep_pairs(tmp_path):
    card_a = make_card(tmp_path / "a", CARD_A)
    card_b = make_card(tmp_path / "b", CARD_B)
    card_c = make_card(tmp_path / "c", {"DJI_0001.MP4": b"video C1", "DJI_0001.SRT": b"srt C1"})
    dest = tmp_path / "dest"
    md.import_dji_files(str(card_a), str(dest))
    count_b, copied_b = md.import_dji_files(str(card_b), str(dest))
    count_c, copied_c = md.import_dji_files(str(card_c), str(dest))

    assert (count_b, copied_b) == (2, [str(dest / "DJI_0001_2.MP4"), str(dest / "DJI_0001_2.SRT")])
    assert (count_c, copied_c) == (2, [str(dest / "DJI_0001_3.MP4"), str(dest / "DJI_0001_3.SRT")])
    got = dest_files(dest)
    assert got["DJI_0001.MP4"] == b"video A1" and got["DJI_0001.SRT"] == b"srt A1"
    assert got["DJI_0001_2.MP4"] == b"video B1 longer" and got["DJI_0001_2.SRT"] == b"srt B1"
    assert got["DJI_0001_3.MP4"] == b"video C1"
    # The suffixed files still carry clip index 1.
    sets = md.list_dji_files(str(dest))
    assert [s.index for s in sets] == [1, 2]
    assert len(sets[0].video_files) == 3 and len(sets[0].srt_files) == 3


def test_reimport_copies_nothing_and_counts_everything(tmp_path, recorder):
    card_a = make_card(tmp_path / "a", CARD_A)
    card_b = make_card(tmp_path / "b", CARD_B)
    dest = tmp_path / "dest"
    first_a = md.import_dji_files(str(card_a), str(dest))
    first_b = md.import_dji_files(str(card_b), str(dest))
    before = dest_files(dest)
    recorder.calls.clear()

    assert md.import_dji_files(str(card_a), str(dest)) == first_a
    assert md.import_dji_files(str(card_b), str(dest)) == first_b
    assert recorder.calls == []
    assert dest_files(dest) == before


def test_same_size_and_time_but_other_bytes_is_not_taken_for_a_copy(tmp_path):
    card = make_card(tmp_path / "card", {"DJI_0001.MP4": b"AAAA"})
    src = card / "DCIM" / "DJI_001" / "DJI_0001.MP4"
    dest = tmp_path / "dest"
    st = src.stat()
    write_file(dest / "DJI_0001.MP4", b"BBBB", st.st_mtime)
    assert md.import_dji_files(str(card), str(dest)) == (1, [str(dest / "DJI_0001_2.MP4")])
    assert (dest / "DJI_0001.MP4").read_bytes() == b"BBBB"


def test_same_bytes_with_another_time_is_taken_for_a_copy(tmp_path, recorder):
    # Copied earlier without its time (cp, a download): the content is there, so nothing new is written.
    card = make_card(tmp_path / "card", {"DJI_0001.MP4": b"video", "DJI_0001.SRT": b"srt"}, age_hours=30)
    dest = tmp_path / "dest"
    write_file(dest / "DJI_0001.MP4", b"video")
    assert md.import_dji_files(str(card), str(dest)) == (2, [str(dest / "DJI_0001.MP4"), str(dest / "DJI_0001.SRT")])
    assert [os.path.basename(src) for src, _ in recorder.calls] == ["DJI_0001.SRT"]
    assert sorted(os.listdir(dest)) == ["DJI_0001.MP4", "DJI_0001.SRT"]


def test_a_foreign_srt_moves_the_whole_set(tmp_path):
    # Only the SRT name is taken, yet the video follows it to the suffix so the pair stays together.
    card = make_card(tmp_path / "card", {"DJI_0001.MP4": b"v", "DJI_0001.SRT": b"s"})
    dest = tmp_path / "dest"
    write_file(dest / "DJI_0001.SRT", b"someone else's telemetry")
    count, copied = md.import_dji_files(str(card), str(dest))
    assert copied == [str(dest / "DJI_0001_2.MP4"), str(dest / "DJI_0001_2.SRT")]
    assert not (dest / "DJI_0001.MP4").exists()


@pytest.mark.linux_only("a symbolic link without privileges")
def test_folder_and_dangling_link_in_the_way_are_left_alone(tmp_path):
    card = make_card(tmp_path / "card", {"DJI_0001.MP4": b"v", "DJI_0001.SRT": b"s"})
    dest = tmp_path / "dest"
    (dest / "DJI_0001.MP4").mkdir(parents=True)
    (dest / "DJI_0001.SRT").symlink_to(tmp_path / "nowhere")
    assert md.import_dji_files(str(card), str(dest))[1] == [str(dest / "DJI_0001_2.MP4"), str(dest / "DJI_0001_2.SRT")]
    assert (dest / "DJI_0001.MP4").is_dir() and os.readlink(dest / "DJI_0001.SRT") == str(tmp_path / "nowhere")
    assert not (tmp_path / "nowhere").exists()


# Wine's symbolic links are Unix links behind the Windows calls: lstat does not see them as links.
@pytest.mark.parametrize("second_name", [
    pytest.param(os.symlink, marks=pytest.mark.linux_only("symbolic links that lstat reports"), id="symlink"),
    pytest.param(os.link, id="link"),
])
def test_a_link_to_the_card_file_is_no_backup(tmp_path, second_name):
    card = make_card(tmp_path / "card", {"DJI_0001.MP4": b"v", "DJI_0001.SRT": b"s"})
    media = card / "DCIM" / "DJI_001"
    dest = tmp_path / "dest"
    dest.mkdir()
    for name in ("DJI_0001.MP4", "DJI_0001.SRT"):
        second_name(media / name, dest / name)
    assert md.import_dji_files(str(card), str(dest))[1] == [str(dest / "DJI_0001_2.MP4"), str(dest / "DJI_0001_2.SRT")]
    shutil.rmtree(card)   # the card is formatted
    assert tree(dest)["DJI_0001_2.MP4"] == b"v" and tree(dest)["DJI_0001_2.SRT"] == b"s"


def test_video_only_then_full_import_keeps_the_pair(tmp_path):
    card_b = make_card(tmp_path / "b", CARD_B)
    dest = tmp_path / "dest"
    write_file(dest / "DJI_0001.SRT", b"card A telemetry")
    assert md.import_dji_files(str(card_b), str(dest), include_srt=False)[1] == [str(dest / "DJI_0001_2.MP4")]
    count, copied = md.import_dji_files(str(card_b), str(dest))
    assert (count, copied) == (2, [str(dest / "DJI_0001_2.MP4"), str(dest / "DJI_0001_2.SRT")])


def test_same_name_in_two_folders_of_one_card(tmp_path):
    card = make_card(tmp_path / "card", {"DJI_0001.MP4": b"new take", "DJI_0001.SRT": b"new srt",
                                         "old/DJI_0001.MP4": b"old take", "old/DJI_0001.SRT": b"old srt"})
    dest = tmp_path / "dest"
    count, copied = md.import_dji_files(str(card), str(dest))
    assert count == 4 and len(set(copied)) == 4
    got = dest_files(dest)
    assert sorted(got.values()) == sorted([b"new take", b"new srt", b"old take", b"old srt"])
    assert got["DJI_0001_2.MP4"] == b"old take" and got["DJI_0001_2.SRT"] == b"old srt"
    assert md.import_dji_files(str(card), str(dest)) == (count, copied)


@pytest.mark.parametrize("dest_parts", [("yedek",), ()])
def test_destination_inside_the_media_folder_gains_no_duplicates(tmp_path, dest_parts):
    # The earlier copies are listed with the card on the next run; they are not sources.
    card = make_card(tmp_path / "card", {"DJI_0001.MP4": b"new take", "DJI_0001.SRT": b"new srt",
                                         "old/DJI_0001.MP4": b"old take"})
    dest = card.joinpath("DCIM", "DJI_001", *dest_parts)
    first = md.import_dji_files(str(card), str(dest))
    before = dest_files(dest)
    assert md.import_dji_files(str(card), str(dest)) == first
    assert dest_files(dest) == before
    flat = {name: data for name, data in before.items() if "/" not in name}
    assert sorted(flat.values()) == sorted([b"new take", b"new srt", b"old take"])


def test_video_and_srt_in_different_folders_stay_paired(tmp_path):
    card = make_card(tmp_path / "card", {"DJI_0001.MP4": b"v", "old/DJI_0001.SRT": b"s"})
    dest = tmp_path / "dest"
    assert md.import_dji_files(str(card), str(dest))[1] == [str(dest / "DJI_0001.MP4"), str(dest / "DJI_0001.SRT")]


@pytest.mark.parametrize("name, suffixed, index", [
    ("DJI_0001.MP4", "DJI_0001_2.MP4", 1),
    ("DJI_0007_D.MP4", "DJI_0007_D2.MP4", 7),
    ("GX010123.MP4", "GX010123_2.MP4", 123),
    ("VID_20240101_123456.mp4", "VID_20240101_1234562.mp4", 101),
    ("dji_0042.srt", "dji_0042_2.srt", 42),
    ("clip.mp4", "clip_2.mp4", None),
])
def test_suffixed_names_keep_their_clip_index(tmp_path, name, suffixed, index):
    card = make_card(tmp_path / "card", {name: b"from the card"})
    dest = tmp_path / "dest"
    write_file(dest / name, b"already there")
    assert md.import_dji_files(str(card), str(dest))[1] == [str(dest / suffixed)]
    if index is not None:
        (dest / name).unlink()
        assert [s.index for s in md.list_dji_files(str(dest))] == [index]


@pytest.mark.parametrize("include_video, include_srt, expected", [
    (True, True, ["DJI_0001.MP4", "DJI_0001.SRT"]),
    (True, 0, ["DJI_0001.MP4"]),
    (None, "yes", ["DJI_0001.SRT"]),
    (False, False, []),
])
def test_flags_choose_the_kinds_and_lrf_gpx_never_go(tmp_path, include_video, include_srt, expected):
    card = make_card(tmp_path / "card", {"DJI_0001.MP4": b"v", "DJI_0001.SRT": b"s",
                                         "DJI_0001.LRF": b"l", "DJI_0001.GPX": b"g"})
    dest = tmp_path / "new" / "dest"
    result = md.import_dji_files(str(card), str(dest), "", "", include_video, include_srt)
    assert result == (len(expected), [str(dest / n) for n in expected])
    assert sorted(os.listdir(dest)) == expected


def test_filters_are_passed_by_keyword(tmp_path, monkeypatch):
    card = make_card(tmp_path / "card", CARD_A)
    seen = []
    real = md.list_dji_files

    def spy(*args, **kwargs):
        seen.append((args, kwargs))
        return real(*args, **kwargs)

    monkeypatch.setattr(md, "list_dji_files", spy)
    dest = tmp_path / "dest"
    assert md.import_dji_files(str(card), str(dest), "<1w", "2")[1] == [str(dest / "DJI_0002.MP4"),
                                                                          str(dest / "DJI_0002.SRT")]
    assert seen == [((str(card),), {"date_filter": "<1w", "index_filter": "2"})]
    assert md.import_dji_files(str(card), str(dest / "none"), index_filter="9") == (0, [])
    assert (dest / "none").is_dir()


def test_relative_destination_gives_relative_paths(tmp_path, monkeypatch):
    make_card(tmp_path / "card", {"DJI_0003.MP4": b"v"})
    monkeypatch.chdir(tmp_path)
    assert md.import_dji_files("card", os.path.join("out", "sub")) == (1, [os.path.join("out", "sub", "DJI_0003.MP4")])
    assert (tmp_path / "out" / "sub" / "DJI_0003.MP4").read_bytes() == b"v"


def test_source_removed_after_listing_is_skipped(tmp_path, monkeypatch):
    card = make_card(tmp_path / "card", CARD_A)
    real = md.list_dji_files

    def list_then_pull(*args, **kwargs):
        sets = real(*args, **kwargs)
        (card / "DCIM" / "DJI_001" / "DJI_0001.SRT").unlink()
        return sets

    monkeypatch.setattr(md, "list_dji_files", list_then_pull)
    dest = tmp_path / "dest"
    count, copied = md.import_dji_files(str(card), str(dest))
    assert count == 3 and str(dest / "DJI_0001.SRT") not in copied
    assert sorted(os.listdir(dest)) == ["DJI_0001.MP4", "DJI_0002.MP4", "DJI_0002.SRT"]


def test_source_vanishing_during_the_copy_raises_and_leaves_nothing(tmp_path, monkeypatch):
    card = make_card(tmp_path / "card", {"DJI_0001.MP4": b"v"})
    hook_open(monkeypatch, os.remove)
    dest = tmp_path / "dest"
    with pytest.raises(FileNotFoundError):
        md.import_dji_files(str(card), str(dest))
    assert os.listdir(dest) == []


def test_destination_that_is_a_file(tmp_path, recorder):
    card = make_card(tmp_path / "card", CARD_A)
    dest = write_file(tmp_path / "dest", b"not a folder")
    with pytest.raises(FileExistsError):
        md.import_dji_files(str(card), str(dest))
    assert dest.read_bytes() == b"not a folder" and recorder.calls == []


@pytest.mark.parametrize("fail_at", [1, 2])
def test_interrupted_copy_leaves_no_partial_file(tmp_path, monkeypatch, fail_at):
    big = os.urandom(3 << 20)   # three chunks
    card = make_card(tmp_path / "card", {"DJI_0001.MP4": big, "DJI_0001.SRT": b"s" * 5000,
                                         "DJI_0002.MP4": b"two"})
    dest = tmp_path / "dest"
    written = []

    class PulledCard:
        """The card file, pulled out of the reader after the first chunk."""
        def __init__(self, path, *args):
            self._file = open(path, *args)
            self._reads = 0

        def readinto(self, buffer):
            self._reads += 1
            if self._reads == 2:
                written.extend(n for n in os.listdir(dest))
                raise OSError(5, "Input/output error")
            return self._file.readinto(buffer)

        def close(self):
            self._file.close()

    opened = []

    def opening(path, *args):
        opened.append(path)
        return PulledCard(path, *args) if len(opened) == fail_at else open(path, *args)

    monkeypatch.setattr(md, "open", opening, raising=False)
    with pytest.raises(OSError, match="Input/output"):
        md.import_dji_files(str(card), str(dest))
    # The chunk went to a hidden part file in the destination, never to the real name.
    assert [n for n in written if not n.startswith(".")] == []
    assert any(n.endswith(".trakvia-part") for n in written)
    # A set is put under its names together: nothing of set 1 is there, set 2 was not reached.
    assert dest_files(dest) == {}

    monkeypatch.undo()
    assert md.import_dji_files(str(card), str(dest))[0] == 3
    assert dest_files(dest)["DJI_0001.MP4"] == big


def test_name_taken_by_another_writer_moves_the_whole_set(tmp_path, monkeypatch):
    card = make_card(tmp_path / "card", {"DJI_0001.MP4": b"ours", "DJI_0001.SRT": b"srt"})
    dest = tmp_path / "dest"

    def racing(path):
        if path.endswith("DJI_0001.SRT") and not (dest / "DJI_0001.SRT").exists():
            write_file(dest / "DJI_0001.SRT", b"theirs")

    hook_open(monkeypatch, racing)
    count, copied = md.import_dji_files(str(card), str(dest))
    assert (count, copied) == (2, [str(dest / "DJI_0001_2.MP4"), str(dest / "DJI_0001_2.SRT")])
    assert dest_files(dest) == {"DJI_0001.SRT": b"theirs", "DJI_0001_2.MP4": b"ours", "DJI_0001_2.SRT": b"srt"}


def test_file_system_without_hard_links(tmp_path, monkeypatch):
    card_a = make_card(tmp_path / "a", CARD_A)
    card_b = make_card(tmp_path / "b", CARD_B)
    monkeypatch.setattr(md, "os", OsWithoutLinks())
    dest = tmp_path / "dest"
    md.import_dji_files(str(card_a), str(dest))
    assert md.import_dji_files(str(card_b), str(dest))[1] == [str(dest / "DJI_0001_2.MP4"),
                                                               str(dest / "DJI_0001_2.SRT")]
    assert dest_files(dest)["DJI_0001.MP4"] == b"video A1"
    assert not [n for n in os.listdir(dest) if n.startswith(".")]


def test_import_into_the_card_itself_is_a_no_op(tmp_path, recorder):
    card = make_card(tmp_path / "card", CARD_B)
    media = card / "DCIM" / "DJI_001"
    before = tree(card)
    assert md.import_dji_files(str(card), str(media)) == (2, [str(media / "DJI_0001.MP4"), str(media / "DJI_0001.SRT")])
    assert tree(card) == before and recorder.calls == []


def test_turkish_names_and_spaces(tmp_path):
    card = make_card(tmp_path / "Uçuş kartı", {"DJI_0001.MP4": b"v"})
    dest = tmp_path / "Şubat İçe Aktarım"
    write_file(dest / "DJI_0001.MP4", b"other")
    assert md.import_dji_files(str(card), str(dest))[1] == [str(dest / "DJI_0001_2.MP4")]


def test_signature():
    import inspect
    sig = inspect.signature(md.import_dji_files)
    assert str(sig) == ("(source_dir: 'str', dest_dir: 'str', date_filter: 'str' = '', index_filter: 'str' = '', "
                        "include_video: 'bool' = True, include_srt: 'bool' = True) -> 'Tuple[int, List[str]]'")
    with pytest.raises(TypeError):
        md.import_dji_files("a")
    with pytest.raises(TypeError):
        md.import_dji_files("a", "b", overwrite=True)


def test_a_file_that_appears_while_a_copy_is_renamed_into_place_is_kept(tmp_path, monkeypatch):
    # A card without hard links (FAT, exFAT) is published by renaming: a file that another
    # program writes under the chosen name in the meantime must not be replaced.
    card = make_card(tmp_path / "card", {"DJI_0001.MP4": b"v", "DJI_0001.SRT": b"s"})
    dest = tmp_path / "dest"
    real_rename = os.rename
    planted = []

    class NoLinks(OsWithoutLinks):
        def rename(self, src, dst):
            if str(dst).endswith("DJI_0001.MP4") and not os.path.exists(dst):
                write_file(pathlib.Path(dst), b"another program's file")
                planted.append(dst)
            return real_rename(src, dst)

    monkeypatch.setattr(md, "os", NoLinks())
    count, copied = md.import_dji_files(str(card), str(dest))
    monkeypatch.undo()
    got = dest_files(dest)
    # Linux refuses the taken name in the rename itself, so the hook above is never reached
    # there; where the rename is the interpreter's, the planted file must survive it.
    stem = "DJI_0001_2" if planted else "DJI_0001"
    assert (count, copied) == (2, [str(dest / f"{stem}.MP4"), str(dest / f"{stem}.SRT")])
    assert got[f"{stem}.MP4"] == b"v" and got[f"{stem}.SRT"] == b"s"
    if planted:
        assert got["DJI_0001.MP4"] == b"another program's file"

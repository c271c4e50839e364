"""import_dji_file_sets, the one import path: bytes reported as they are copied, and a cancel
honoured in the middle of a file without leaving anything partial."""
import inspect
import os

import trakvia.mediadesk as md
from .mediadesk_cards import make_card, tree

BIG = 3 << 20


def card_with_two_sets(tmp_path):
    return make_card(tmp_path / "card", {"DJI_0001.MP4": os.urandom(BIG), "DJI_0001.SRT": b"s" * 100,
                                         "DJI_0001.LRF": b"not copied", "DJI_0002.MP4": b"v" * 10})


def test_progress_counts_bytes_up_to_the_total(tmp_path):
    sets = md.list_dji_files(str(card_with_two_sets(tmp_path)))
    dest = tmp_path / "dest"
    seen = []
    result = md.import_dji_file_sets(sets, str(dest), progress=lambda done, total: seen.append((done, total)))
    assert result == (3, [str(dest / n) for n in ("DJI_0001.MP4", "DJI_0001.SRT", "DJI_0002.MP4")])
    total = BIG + 110
    assert seen[0] == (0, total) and seen[-1] == (total, total)
    assert all(a[0] <= b[0] and b[1] == total for a, b in zip(seen, seen[1:]))
    assert len(seen) >= 4   # the big file reports chunk by chunk
    # Found already in place on the next run: counted at once, nothing copied.
    seen.clear()
    assert md.import_dji_file_sets(sets, str(dest), progress=lambda d, t: seen.append((d, t))) == result
    assert seen[-1] == (total, total)


def test_cancel_in_the_middle_of_a_file_leaves_nothing_partial(tmp_path):
    card = card_with_two_sets(tmp_path)
    sets = md.list_dji_files(str(card))
    dest = tmp_path / "dest"
    reports = []
    result = md.import_dji_file_sets(sets, str(dest), progress=lambda d, t: reports.append(d),
                                     cancel=lambda: bool(reports) and reports[-1] > 0)
    assert result == (0, [])
    assert 0 < reports[-1] < BIG and os.listdir(dest) == []
    # The next import copies everything.
    assert md.import_dji_file_sets(sets, str(dest))[0] == 3
    assert tree(dest)["DJI_0001.MP4"] == tree(card)["DCIM/DJI_001/DJI_0001.MP4"]


def test_import_dji_files_goes_through_it(tmp_path, monkeypatch):
    card = card_with_two_sets(tmp_path)
    calls = []
    real = md.import_dji_file_sets

    def spy(*args, **kwargs):
        calls.append((args, kwargs))
        return real(*args, **kwargs)

    monkeypatch.setattr(md, "import_dji_file_sets", spy)
    dest = str(tmp_path / "dest")
    assert md.import_dji_files(str(card), dest, index_filter="2", include_srt=False) == (
        1, [os.path.join(dest, "DJI_0002.MP4")])
    [((sets, called_dest, video, srt), kwargs)] = calls
    assert [s.index for s in sets] == [2] and (called_dest, video, srt, kwargs) == (dest, True, False, {})
    assert str(inspect.signature(real)) == (
        "(file_sets: 'List[DjiFileSet]', dest_dir: 'str', include_video: 'bool' = True, include_srt: 'bool' = True, "
        "*, progress: 'Optional[Callable[[int, int], None]]' = None, cancel: 'Optional[Callable[[], bool]]' = None) "
        "-> 'Tuple[int, List[str]]'")

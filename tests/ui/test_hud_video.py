"""The HUD on real video: export with the HUD burned in, and frames found by time for the preview."""
import os
from fractions import Fraction

import pytest

av = pytest.importorskip("av")

from trakvia.ui.hud_clip import ClipFrames  # noqa: E402
from trakvia.ui.hud_preview_worker import FrameRequest, PreviewRenderWorker  # noqa: E402
from trakvia.ui.hud_themes import THEMES  # noqa: E402
from trakvia.ui.hud_track_source import load_track  # noqa: E402
from trakvia.ui.hud_video import ExportCancelled, export_hud_video  # noqa: E402

from .hud_clips import (GREY, gray_bytes, gray_pictures, index_of, make_clip, make_srt,  # noqa: E402
                        pixels_apart, region, stream_packets, video_times)

# Where the default theme draws: the clock panel (top left) and the map (top right).
_HUD_REGIONS = ((0.03, 0.04, 0.25, 0.16), (0.78, 0.06, 0.96, 0.30))
_FRAMES = 24


@pytest.fixture
def clip_folder(tmp_path):
    def make(audio=False, vfr=False, frames=_FRAMES):
        video = str(tmp_path / "DJI_0001.MP4")
        times = make_clip(video, frames, audio=audio, vfr=vfr)
        make_srt(str(tmp_path / "DJI_0001.SRT"), times)
        return video, str(tmp_path / "DJI_0001.SRT"), times
    return make


@pytest.mark.parametrize("audio, vfr", [(True, False), (False, True)])
def test_export_draws_the_hud_on_every_source_frame_and_keeps_time_and_audio(qapp, tmp_path, clip_folder,
                                                                            audio, vfr):
    video, srt, times = clip_folder(audio=audio, vfr=vfr)
    reports = []
    out = export_hud_video(video, srt, str(tmp_path / "x_HUD.mp4"),
                           progress=reports.append)
    pictures = gray_pictures(out)
    assert [index_of(p) for p in pictures] == list(range(_FRAMES))   # every frame, its own picture
    for picture in pictures:
        for box in _HUD_REGIONS:
            assert max(abs(v - GREY) for v in region(picture, *box)) > 40   # the HUD is on it
    in_base, in_times = video_times(video)
    out_base, out_times = video_times(out)
    assert out_times == pytest.approx(in_times, abs=1e-9) and out_base == in_base
    assert stream_packets(out, "audio") == stream_packets(video, "audio")
    assert bool(stream_packets(out, "audio")) == audio
    assert reports[-1].frames_done == reports[-1].frames_total == _FRAMES
    with open(out, "rb") as fh:   # faststart: the index comes before the media data
        head = fh.read(4096)
    assert head.find(b"moov") < head.find(b"mdat") or b"mdat" not in head


def test_offset_shifts_the_hud_against_the_picture(qapp, tmp_path, clip_folder):
    video, srt, times = clip_folder()
    step = 10   # frames: one second at 10 frames per second, so the clock changes too
    plain = gray_pictures(export_hud_video(video, srt, str(tmp_path / "a.mp4")))
    shifted = gray_pictures(export_hud_video(video, srt, str(tmp_path / "b.mp4"), offset_s=step / 10))

    def hud(picture):
        return b"".join(region(picture, *box) for box in _HUD_REGIONS)

    for n in (0, 7, 13):
        later, same, moved = hud(plain[n + step]), hud(plain[n]), hud(shifted[n])
        assert pixels_apart(moved, later) * 4 < pixels_apart(moved, same)
    assert [index_of(p) for p in shifted] == list(range(_FRAMES))


@pytest.mark.parametrize("vfr", [False, True])
def test_frames_are_found_by_time(tmp_path, clip_folder, vfr):
    video, _srt, times = clip_folder(vfr=vfr, frames=40)
    clip = ClipFrames(video)
    assert clip.frame_count == 40
    # forward, backward, far jumps and times between two frames: the frame showing at that time
    for wanted in (0, 17, 3, 39, 38, 21, 22, 30, 9):
        between = times[wanted] + 0.01
        frame = clip.exact(between)
        assert index_of(gray_bytes(frame)) == wanted == clip.index_of(frame)
    key = clip.keyframe(times[23] + 0.01)
    assert key.key_frame and index_of(gray_bytes(key)) <= 23
    clip.close()


@pytest.mark.parametrize("entries, frame_time", [
    (120, lambda n: n * 0.033),            # one entry per frame: frame n shows entry n
    (119, lambda n: n * 1001 / 30000),     # otherwise the frame's own time
])
def test_a_29_97_fps_frame_shows_its_own_entry_when_entries_and_frames_pair(qapp, tmp_path, entries, frame_time):
    video = str(tmp_path / "DJI_0002.MP4")
    make_clip(video, 120, fps=Fraction(30000, 1001))
    make_srt(str(tmp_path / "DJI_0002.SRT"), [n * 0.033 for n in range(entries)])   # DJI's whole milliseconds
    track = load_track(str(tmp_path / "DJI_0002.SRT"))
    worker = PreviewRenderWorker()
    shown = worker._make(FrameRequest(64, 36, track, 119 * 1001 / 30000, THEMES[0], video))
    assert shown.hud_t_s == pytest.approx(frame_time(119), abs=1e-3)   # 3.927 s vs 3.971 s
    worker.close_clip()


def test_cancel_and_errors_leave_nothing_behind(qapp, tmp_path, clip_folder):
    video, srt, _times = clip_folder(audio=True)
    before = sorted(os.listdir(tmp_path))
    # What an export killed half-way left: gone once the next export writes into the folder.
    (tmp_path / ".c.mp4.999999999.0123abcd.trakvia-part").write_bytes(b"half a video")
    calls = []
    with pytest.raises(ExportCancelled):
        export_hud_video(video, srt, str(tmp_path / "c.mp4"), cancel=lambda: calls.append(1) or len(calls) > 3)
    assert sorted(os.listdir(tmp_path)) == before
    broken = tmp_path / "broken.MP4"
    with open(video, "rb") as fh:
        broken.write_bytes(fh.read()[:3000])
    with pytest.raises(ValueError, match="Video okunamadı"):
        export_hud_video(str(broken), srt, str(tmp_path / "d.mp4"))
    assert sorted(os.listdir(tmp_path)) == sorted(before + ["broken.MP4"])
    taken = tmp_path / "taken.mp4"
    taken.write_bytes(b"kept")
    with pytest.raises(FileExistsError):
        export_hud_video(video, srt, str(taken))
    assert taken.read_bytes() == b"kept"

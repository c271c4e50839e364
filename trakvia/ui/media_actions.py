"""The window's narrow interface to trakvia.mediadesk and trakvia.converter.

Each function does one user action and reports through the task it is given (progress, log
lines, cancel checks), so the tabs only start tasks and show results. The backend modules are
looked up at call time."""
import os
from dataclasses import dataclass, field
from typing import Iterable, List, Optional, Sequence

from .conversion_batch import ConversionBatch
from .free_space import check_free_space


def _mediadesk():
    from trakvia import mediadesk
    return mediadesk


def _converter():
    from trakvia import converter
    return converter


def cleanup_types() -> tuple:
    """(target_type, title) pairs of the clean-up choice, as the media manager names them."""
    return tuple(_mediadesk().CLEANUP_TYPES)


def sample_modes() -> tuple:
    """(sample_mode, title) pairs of the conversion's sampling choice."""
    return tuple(_converter().SAMPLE_MODES)


def output_formats() -> tuple:
    """(format, title) pairs of the conversion's output formats."""
    return tuple(_converter().OUTPUT_FORMATS)


def default_options():
    """The converter's default options: the sampling mode and formats a new user starts with."""
    return _converter().ConversionOptions()


def default_output_folder(base_dir: str) -> str:
    return os.path.join(base_dir, _converter().DEFAULT_OUTPUT_FOLDER)


def index_filter_for(indexes: Iterable[int]) -> str:
    """The index filter text that selects exactly these sets ("1,3,1002")."""
    return ",".join(str(i) for i in sorted(set(indexes)))


def resolve_media_folder(folder: str) -> str:
    return _mediadesk().resolve_dji_directory(folder)


def list_sets(folder: str, date_filter: str = "", index_filter: str = "") -> list:
    return _mediadesk().list_dji_files(folder, date_filter=date_filter, index_filter=index_filter)


def create_sample_card(base_dir: str) -> str:
    return _mediadesk().create_sample_dji_sdcard_structure(base_dir)


def play_set(folder: str, index: int) -> Optional[str]:
    return _mediadesk().play_dji_file_by_index(folder, index)


@dataclass
class CleanupResult:
    count: int
    freed_bytes: int
    paths: List[str] = field(default_factory=list)
    skipped: List[tuple] = field(default_factory=list)   # (path, Turkish reason) of files left in place


def cleanup(folder: str, target_type: str, date_filter: str, index_filter: str, dry_run: bool) -> CleanupResult:
    from .error_texts import file_error_reason
    skipped = []
    count, freed, paths = _mediadesk().cleanup_dji_files(
        folder, target_type=target_type, date_filter=date_filter, index_filter=index_filter, dry_run=dry_run,
        on_skip=lambda path, error: skipped.append((path, file_error_reason(error))))
    return CleanupResult(int(count), int(freed), list(paths), skipped)


def cleanup_confirmed(task, folder: str, target_type: str, date_filter: str, index_filter: str,
                      confirmed: Sequence[str]) -> CleanupResult:
    """Deletes what the user confirmed, and only that: when the card no longer holds exactly
    the confirmed files (it changed since the preview), nothing is deleted and ValueError says so."""
    now = cleanup(folder, target_type, date_filter, index_filter, dry_run=True)
    if sorted(now.paths) != sorted(confirmed):
        raise ValueError("Karttaki dosyalar onaydan sonra değişti; hiçbir dosya silinmedi. "
                         "Lütfen listeyi yenileyip yeniden deneyin.")
    task.check_cancelled()
    return cleanup(folder, target_type, date_filter, index_filter, dry_run=False)


def cleanup_summary(result: CleanupResult, target_type: str, dry_run: bool) -> str:
    """The summary line the cleanup command prints, for the window's log."""
    return _mediadesk().cleanup_summary_line(target_type, result.count, result.freed_bytes, dry_run)


def convert_files(task, inputs: Sequence[str], output_dir: str, sample_mode: str, formats: Sequence[str]):
    """Converts each input into `output_dir` as one batch (see ConversionBatch). A cancel stops
    before the next file and says how far the batch got. Returns the batch with its counts."""
    from .workers import TaskCancelled
    os.makedirs(output_dir, exist_ok=True)
    batch = ConversionBatch(inputs, output_dir, task.log, sample_mode, formats)
    for n, path in enumerate(inputs):
        if task.cancel_requested:
            raise TaskCancelled(f"{n} / {len(inputs)} dosya işlenmişti: {batch.counts()}")
        task.report(n, len(inputs), os.path.basename(path))
        batch.convert(path)
    task.report(len(inputs), len(inputs), "")
    return batch


def collect_inputs(input_path: str, output_dir: str) -> List[str]:
    """The telemetry files of a file or folder input, chosen as the convert command chooses them
    (earlier outputs inside the input are not fed back in)."""
    return list(_mediadesk().collect_conversion_inputs(os.path.abspath(input_path), output_dir,
                                                       _converter().ALL_SUPPORTED_EXTENSIONS))


@dataclass
class ImportResult:
    """What an import did, file by file: copied now, found in the destination already, gone from
    the card; and for the telemetry copied, tracks made, files without position, failures."""
    dest: str
    copied: List[str] = field(default_factory=list)
    already_there: List[str] = field(default_factory=list)
    missing_on_card: List[str] = field(default_factory=list)
    tracks: int = 0
    no_position: int = 0
    track_failures: int = 0

    def copy_lines(self) -> List[str]:
        out = [f"{len(self.copied)} dosya '{self.dest}' klasörüne kopyalandı."]
        if self.already_there:
            out.append(f"{len(self.already_there)} dosya hedefte zaten vardı (aynı içerik); yeniden kopyalanmadı.")
        if self.missing_on_card:
            out.append(f"{len(self.missing_on_card)} dosya kartta bulunamadı (kart çıkarılmış ya da dosya "
                       "silinmiş olabilir); kopyalanmadı.")
        return out

    def track_lines(self) -> List[str]:
        out = [f"{self.tracks} GPS izi üretildi."] if self.tracks else []
        if self.no_position:
            out.append(f"{self.no_position} SRT dosyasında konum yok; bunlardan iz üretilmedi.")
        if self.track_failures:
            out.append(f"{self.track_failures} SRT dosyası dönüştürülemedi (ayrıntılar kayıtlarda).")
        return out


def _files_in(folder: str) -> set:
    try:
        return {os.path.normcase(name) for name in os.listdir(folder)}
    except OSError:
        return set()


def import_sets(task, source: str, dest: str, sets: Sequence, convert_tracks: bool) -> ImportResult:
    """Copies the videos and SRT files of the sets into `dest` in one call of the media manager,
    with byte progress and a cancel that stops within one chunk and leaves no partial file; then
    makes a GPS track of every SRT file copied. Refuses to start when the card is gone or the
    destination's disk cannot hold what is still to be copied."""
    from .copy_rate import CopyMeter
    from .workers import TaskCancelled
    if not os.path.isdir(source):
        raise ValueError(f"Kart çıkarıldı ya da klasör bulunamadı: {source}\nHiçbir dosya kopyalanmadı.")
    check_free_space(dest, sets)
    wanted = [p for s in sets for p in list(s.video_files) + list(s.srt_files)]
    before = _files_in(dest)
    try:
        _count, paths = _mediadesk().import_dji_file_sets(
            list(sets), dest, True, True, progress=CopyMeter(task.report_bytes), cancel=lambda: task.cancel_requested)
    except OSError:
        if os.path.isdir(source):
            raise
        raise ValueError(f"Kart içe aktarma sırasında çıkarıldı: {source}\nTamamlanan dosyalar hedefte "
                         "kaldı; yarım dosya bırakılmadı.") from None
    result = ImportResult(dest)
    for path in paths:
        # Nothing in the destination is ever replaced, so a name there before holds these bytes.
        (result.already_there if os.path.normcase(os.path.basename(path)) in before else result.copied).append(path)
    if task.cancel_requested:
        raise TaskCancelled(f"{len(result.copied)} dosya tamamen kopyalandı, yarım dosya bırakılmadı; "
                            "GPS izi üretilmedi.")
    result.missing_on_card = [p for p in wanted if not os.path.exists(p)]
    first, *rest = result.copy_lines()
    task.log(f"[İÇE AKTARILDI] {first}")
    for line in rest:
        task.log(f"  {line}")
    if convert_tracks:
        srts = [p for p in paths if p.lower().endswith(".srt")]
        tracks = ConversionBatch(paths, dest, task.log, indent="  ",
                                 line_for=lambda _path, track: _converter().imported_track_line(track))
        for n, path in enumerate(srts):
            if task.cancel_requested:
                raise TaskCancelled(f"{len(result.copied)} dosya kopyalanmıştı; {tracks.converted} GPS izi "
                                    f"üretildi, kalan {len(srts) - n} SRT dosyasından iz üretilmedi.")
            task.report(n, len(srts), f"{os.path.basename(path)} dönüştürülüyor")
            tracks.convert(path)
        result.tracks, result.no_position, result.track_failures = \
            tracks.converted, tracks.no_position, tracks.failed
    return result


def sample_telemetry_files(folder: str) -> List[str]:
    return list(_converter().create_sample_srt_files(folder))

"""The window's narrow interface to trakvia.mediadesk and trakvia.converter.

Each function does one user action and reports through the task it is given (progress, log
lines, cancel checks), so the tabs only start tasks and show results. The backend modules are
looked up at call time."""
import os
from dataclasses import dataclass, field
from typing import Iterable, List, Optional, Sequence

from .formatting import format_kb
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


def cleanup(folder: str, target_type: str, date_filter: str, index_filter: str, dry_run: bool) -> CleanupResult:
    count, freed, paths = _mediadesk().cleanup_dji_files(
        folder, target_type=target_type, date_filter=date_filter, index_filter=index_filter, dry_run=dry_run)
    return CleanupResult(int(count), int(freed), list(paths))


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
    label = "[DRY-RUN SİMÜLASYON]" if dry_run else "[TEMİZLENDİ]"
    return (f"{label} Silinen {target_type.upper()} dosya sayısı: {result.count} | "
            f"Kazanılan Alan: {format_kb(result.freed_bytes)}")


def conversion_line(path: str, result) -> str:
    line = (f"[OK] {os.path.basename(path)} -> {result.filtered_point_count} nokta, "
            f"{result.total_distance_m / 1000.0:.2f} km, Maks Hız: {result.max_speed_kmh:.1f} km/sa")
    if result.max_power_w:
        line += f", Güç: {result.max_power_w:.0f} W"
    return line + f", Çıktılar: {len(result.output_files)} dosya"


def convert_files(task, inputs: Sequence[str], output_dir: str, sample_mode: str, formats: Sequence[str]) -> dict:
    """Converts each input into `output_dir`. A file that fails is logged and skipped, so one bad
    file does not stop the batch; the summary counts both."""
    conv = _converter()
    os.makedirs(output_dir, exist_ok=True)
    options = conv.ConversionOptions(sample_mode=sample_mode, formats=list(formats))
    done, failed, written = 0, 0, 0
    for n, path in enumerate(inputs):
        task.check_cancelled()
        task.report(n, len(inputs), os.path.basename(path))
        try:
            result = conv.convert_srt_file(path, output_dir, options)
        except Exception as exc:  # noqa: BLE001 - reported per file, the batch goes on
            from .error_texts import describe_error
            failed += 1
            task.log(f"[HATA] {os.path.basename(path)}: {describe_error(exc, output_dir)}")
            continue
        done += 1
        written += len(result.output_files)
        task.log(conversion_line(path, result))
    task.report(len(inputs), len(inputs), "")
    return {"converted": done, "failed": failed, "outputs": written, "output_dir": output_dir}


def collect_inputs(input_path: str, output_dir: str) -> List[str]:
    """The telemetry files of a file or folder input, chosen as the convert command chooses them
    (earlier outputs inside the input are not fed back in)."""
    return list(_mediadesk().collect_conversion_inputs(os.path.abspath(input_path), output_dir,
                                                       _converter().ALL_SUPPORTED_EXTENSIONS))


def import_sets(task, source: str, dest: str, sets: Sequence, convert_tracks: bool) -> dict:
    """Copies the videos and SRT files of each set into `dest`, one set at a time (so progress
    and cancel work per set), then makes a GPX track of every copied SRT file. Refuses to start
    when the destination's disk cannot hold what is still to be copied."""
    md = _mediadesk()
    check_free_space(dest, sets)
    copied: List[str] = []
    for n, file_set in enumerate(sets):
        task.check_cancelled()
        task.report(n, len(sets), f"Set {file_set.index:04d} kopyalanıyor")
        _count, paths = md.import_dji_files(source, dest, date_filter="", index_filter=str(file_set.index))
        copied.extend(paths)
    task.log(f"[İÇE AKTARILDI] {len(copied)} dosya '{dest}' klasörüne kopyalandı.")
    tracks = 0
    if convert_tracks:
        conv = _converter()
        options = conv.ConversionOptions()
        srts = [p for p in copied if p.lower().endswith(".srt")]
        for n, path in enumerate(srts):
            task.check_cancelled()
            task.report(n, len(srts), f"{os.path.basename(path)} dönüştürülüyor")
            result = conv.convert_srt_file(path, dest, options)
            tracks += 1
            task.log(f"  -> GPX Dönüştürüldü: {result.track_name} ({result.filtered_point_count} nokta, "
                     f"{result.total_distance_m:.0f} m)")
    return {"copied": len(copied), "tracks": tracks, "dest": dest}


def sample_telemetry_files(folder: str) -> List[str]:
    return list(_converter().create_sample_srt_files(folder))

"""One batch of conversions in the window: the convert tab's files and the tracks of an import.

The batch owns what happens to each file, so both callers report alike: a track that is written
is logged with the command line's own line; a file without a usable position writes nothing and
is named, as is a file that holds no telemetry at all (a video given by mistake); a file that fails is logged and skipped, so one bad file does not stop the others; and
no track ever replaces one of the batch's inputs nor a file the batch wrote before it."""
import os
from typing import Callable, Optional, Sequence

from .error_texts import describe_error


def _converter():
    from trakvia import converter
    return converter


class ConversionBatch:
    """`log(line)` receives the per-file lines, each prefixed with `indent`; `line_for(path,
    result)` words a written track (default: the converter's conversion line)."""

    def __init__(self, inputs: Sequence[str], output_dir: str, log: Callable[[str], None],
                 sample_mode: Optional[str] = None, formats: Optional[Sequence[str]] = None,
                 line_for: Optional[Callable] = None, indent: str = ""):
        conv = _converter()
        self._convert = conv.convert_srt_file
        self._telemetry_endings = tuple(conv.ALL_SUPPORTED_EXTENSIONS)
        self._options = conv.ConversionOptions()
        if sample_mode is not None:
            self._options.sample_mode = sample_mode
        if formats is not None:
            self._options.formats = list(formats)
        self._line_for = line_for or conv.conversion_report_line
        self._kept = list(inputs)
        self._output_dir = output_dir
        self._log = log
        self._indent = indent
        self.converted = self.no_position = self.not_telemetry = self.failed = self.outputs = 0

    def convert(self, path: str) -> None:
        name = os.path.basename(path)
        if not name.lower().endswith(self._telemetry_endings):
            self.not_telemetry += 1
            self._log(f"{self._indent}[ATLANDI] {name}: telemetri dosyası değil (SRT veya GPX seçin); "
                      "dönüştürülmedi.")
            return
        self._options.keep_paths = self._kept
        try:
            result = self._convert(path, self._output_dir, self._options)
        except Exception as exc:  # noqa: BLE001 - reported per file, the batch goes on
            self.failed += 1
            self._log(f"{self._indent}[HATA] {name}: {describe_error(exc, self._output_dir)}")
            return
        self._kept.extend(result.output_files)
        if not result.output_files:
            self.no_position += 1
            reason = " ".join(result.warnings) or "Dosyada geçerli konum yok; iz dosyası yazılmadı."
            self._log(f"{self._indent}[KONUM YOK] {name}: {reason}")
            return
        self.converted += 1
        self.outputs += len(result.output_files)
        self._log(self._line_for(path, result))

    def counts(self) -> str:
        """"3 dosya dönüştürüldü, 6 çıktı yazıldı; 1 dosyada konum yok (çıktı yazılmadı)."."""
        text = f"{self.converted} dosya dönüştürüldü, {self.outputs} çıktı yazıldı"
        if self.no_position:
            text += f"; {self.no_position} dosyada konum yok (çıktı yazılmadı)"
        if self.not_telemetry:
            text += f"; {self.not_telemetry} dosya telemetri değil (atlandı)"
        if self.failed:
            text += f"; {self.failed} dosya dönüştürülemedi (ayrıntılar yukarıda)"
        return text + "."

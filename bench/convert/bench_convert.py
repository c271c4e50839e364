"""Conversion throughput and memory of trakvia.converter on a large telemetry file.

Writes an SRT of about --size-mb MB in the Mavic 3 bracket layout into a temporary folder,
times convert_srt_file (sample_mode "all", default formats, best of --repeat) and the floor
`cat FILE > /dev/null` on the same file; read_track on it against the CSV round trip the
desktop used before (convert to CSV in a temporary folder, parse it back: hud_track.load_track);
the time-zone lookup per file (first call, then the ones after it, on the shared samples'
positions); and the conversion's peak memory in a child
process: ru_maxrss after the conversion minus ru_maxrss after importing the module. On Linux
the kernel carries the parent's peak into a child's ru_maxrss across exec, so there the child
reads the peak of its own address space (VmHWM) instead, and the memory run comes first, while
this process is still small.

Run from the repository root after building the bundle:
    TRAKVIA_BUNDLE=$PWD/build/bundle .venv/bin/python bench/convert/bench_convert.py
"""
import argparse
import math
import os
import pathlib
import shutil
import subprocess
import sys
import tempfile
import textwrap
import time

REPO = pathlib.Path(__file__).resolve().parents[2]
BUNDLE = pathlib.Path(os.environ.get("TRAKVIA_BUNDLE", REPO / "build" / "bundle")).resolve()

TARGET_MB_S = 150.0
TARGET_MEMORY_FACTOR = 3.0


def write_large_srt(path: pathlib.Path, size_mb: float) -> int:
    """A 30 fps flight circling at 12 m/s, in the Mavic 3 layout; returns the block count."""
    lat0, lon0, radius = 38.643580, 34.839210, 150.0
    m_per_deg_lat = 111_000.0
    m_per_deg_lon = m_per_deg_lat * math.cos(math.radians(lat0))
    start_s = 6 * 3600 + 41 * 60 + 12
    target = int(size_mb * 1_000_000)
    written, i = 0, 0
    with open(path, "w", encoding="utf-8", newline="\n") as out:
        chunk = []
        while written < target:
            ms = i * 1000 // 30
            end = (i + 1) * 1000 // 30
            angle = ms / 1000.0 * 12.0 / radius
            lat = lat0 + radius * math.sin(angle) / m_per_deg_lat
            lon = lon0 + radius * (1 - math.cos(angle)) / m_per_deg_lon
            wall = start_s * 1000 + ms
            block = (
                f"{i + 1}\n{ms // 3600000:02}:{ms // 60000 % 60:02}:{ms // 1000 % 60:02},{ms % 1000:03} --> "
                f"{end // 3600000:02}:{end // 60000 % 60:02}:{end // 1000 % 60:02},{end % 1000:03}\n"
                f'<font size="28">FrameCnt: {i + 1}, DiffTime: {end - ms}ms\n'
                f"2024-06-15 {wall // 3600000 % 24:02}:{wall // 60000 % 60:02}:{wall // 1000 % 60:02}.{wall % 1000:03}\n"
                f"[iso: 100] [shutter: 1/1000.0] [fnum: 2.8] [ev: 0] [ct: 5400] [color_md : default] "
                f"[focal_len: 24.00] [latitude: {lat:.6f}] [longitude: {lon:.6f}] "
                f"[rel_alt: {60 + 10 * math.sin(angle / 3):.3f} abs_alt: {1154.8 + 10 * math.sin(angle / 3):.3f}] </font>\n\n"
            )
            chunk.append(block)
            written += len(block)
            i += 1
            if len(chunk) == 10_000:
                out.write("".join(chunk))
                chunk.clear()
        out.write("".join(chunk))
    return i


def best_time(action, repeat: int) -> tuple[float, float]:
    """Best wall time and best CPU time (user + system of this process) over `repeat` runs."""
    best_wall = best_cpu = math.inf
    for _ in range(repeat):
        c0 = time.process_time()
        t0 = time.perf_counter()
        action()
        best_wall = min(best_wall, time.perf_counter() - t0)
        best_cpu = min(best_cpu, time.process_time() - c0)
    return best_wall, best_cpu


CHILD = textwrap.dedent(
    """
    import resource, sys

    def peak_kib():
        try:
            with open("/proc/self/status") as f:
                for line in f:
                    if line.startswith("VmHWM:"):
                        return int(line.split()[1]), "VmHWM"
        except OSError:
            pass
        return resource.getrusage(resource.RUSAGE_SELF).ru_maxrss, "ru_maxrss"

    sys.path.insert(0, sys.argv[1])
    from trakvia import converter
    imported, how = peak_kib()
    converter.read_track(sys.argv[4])  # loads the time-zone boundary data once per process
    base, how = peak_kib()
    r = converter.convert_srt_file(sys.argv[2], sys.argv[3], converter.ConversionOptions(sample_mode="all"))
    peak, how = peak_kib()
    print(base, peak, r.filtered_point_count, how, base - imported)
    """
)


def track_point_size() -> int:
    """sizeof(TrackPoint), compiled from the engine header; 0 when no compiler is at hand."""
    cxx = shutil.which("c++") or shutil.which("g++") or shutil.which("clang++")
    if not cxx:
        return 0
    with tempfile.TemporaryDirectory() as tmp:
        src = pathlib.Path(tmp, "size.cpp")
        src.write_text('#include <cstdio>\n#include "trakvia/engine/track.hpp"\n'
                       'int main() { std::printf("%zu", sizeof(trakvia::engine::TrackPoint)); }\n')
        exe = pathlib.Path(tmp, "size")
        built = subprocess.run([cxx, "-std=c++20", "-I", str(REPO / "engine" / "include"), str(src), "-o", str(exe)],
                               capture_output=True, check=False)
        if built.returncode != 0:
            return 0
        return int(subprocess.run([str(exe)], capture_output=True, text=True, check=True).stdout)


def csv_round_trip_time(srt: pathlib.Path, repeat: int) -> float:
    """Best time of the desktop's former way to a track; 0 when that reader is gone."""
    sys.path.insert(0, str(REPO))
    try:
        from trakvia.ui import hud_track
    except ImportError:
        return 0.0
    if not hasattr(hud_track, "read_track_csv"):
        return 0.0
    return best_time(lambda: hud_track.load_track(str(srt)), repeat)[0]


ZONE_CHILD = textwrap.dedent(
    """
    import sys, time
    sys.path.insert(0, sys.argv[1])
    from trakvia import converter
    given = converter.ConversionOptions(sample_mode="all", utc_offset_minutes=180)
    converter.read_track(sys.argv[2], given)  # everything but the lookup warmed up
    t0 = time.perf_counter()
    converter.read_track(sys.argv[2])
    print(time.perf_counter() - t0)
    """
)


def write_one_block_srt(work: pathlib.Path) -> pathlib.Path:
    """One block with a local stamp and a fix: reading it costs one zone lookup."""
    one = work / "one_block.SRT"
    one.write_text('1\n00:00:00,000 --> 00:00:00,033\n<font size="28">FrameCnt: 1, DiffTime: 33ms\n'
                   "2024-06-15 12:00:00.000\n[latitude: 38.643580] [longitude: 34.839210] "
                   "[rel_alt: 60.000 abs_alt: 1154.800] </font>\n\n")
    return one


def zone_lookup_cost(converter, one: pathlib.Path) -> tuple[float, float]:
    """The lookup's cost per recording: a one-block file read with a zone lookup (a local stamp)
    minus the same with a given offset (no lookup). The first call in a process also loads the
    boundary data and the zone rules; it is timed in a fresh child process."""
    child = subprocess.run([sys.executable, "-c", ZONE_CHILD, str(BUNDLE), str(one)],
                           capture_output=True, text=True, check=True)
    first = float(child.stdout)
    given = converter.ConversionOptions(sample_mode="all", utc_offset_minutes=180)
    converter.read_track(str(one))
    runs = 2000
    t0 = time.perf_counter()
    for _ in range(runs):
        converter.read_track(str(one))
    with_lookup = (time.perf_counter() - t0) / runs
    t0 = time.perf_counter()
    for _ in range(runs):
        converter.read_track(str(one), given)
    without = (time.perf_counter() - t0) / runs
    return first * 1000, max(0.0, with_lookup - without) * 1e6


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--size-mb", type=float, default=100.0, help="size of the generated SRT (MB)")
    parser.add_argument("--repeat", type=int, default=3, help="timed runs; the best counts")
    parser.add_argument("--keep", metavar="DIR", help="generate into DIR and keep the files")
    args = parser.parse_args()

    work = pathlib.Path(args.keep) if args.keep else pathlib.Path(tempfile.mkdtemp(prefix="trakvia_bench_"))
    work.mkdir(parents=True, exist_ok=True)
    try:
        srt = work / "DJI_0001.SRT"
        t0 = time.perf_counter()
        blocks = write_large_srt(srt, args.size_mb)
        size = srt.stat().st_size
        print(f"input: {srt} ({size / 1e6:.1f} MB, {blocks} blocks, generated in {time.perf_counter() - t0:.1f} s)")

        one = write_one_block_srt(work)
        child = subprocess.run([sys.executable, "-c", CHILD, str(BUNDLE), str(srt), str(work / "out_mem"), str(one)],
                               capture_output=True, text=True, check=True)
        base_kb, peak_kb, kept, how, zone_kb = child.stdout.split()
        base_kb, peak_kb, kept, zone_kb = int(base_kb), int(peak_kb), int(kept), int(zone_kb)
        peak_bytes = (peak_kb - base_kb) * 1024

        sys.path.insert(0, str(BUNDLE))
        from trakvia import converter

        out = work / "out"
        options = converter.ConversionOptions(sample_mode="all")
        result = None

        def convert():
            nonlocal result
            result = converter.convert_srt_file(str(srt), str(out), options)

        t_convert, cpu_convert = best_time(convert, args.repeat)
        t_cat, _ = best_time(lambda: subprocess.run(f"cat '{srt}' > /dev/null", shell=True, check=True), args.repeat)

        track = None

        def read():
            nonlocal track
            track = converter.read_track(str(srt))

        t_read, _ = best_time(read, args.repeat)
        t_round_trip = csv_round_trip_time(srt, args.repeat)

        point_size = track_point_size()

        convert_mb_s = size / 1e6 / t_convert
        cat_mb_s = size / 1e6 / t_cat
        outputs = sum(pathlib.Path(p).stat().st_size for p in result.output_files)
        print(f"points: {result.raw_point_count} read, {result.filtered_point_count} kept; "
              f"{len(result.output_files)} files, {outputs / 1e6:.1f} MB written")
        print(f"convert_srt_file: {t_convert:.3f} s  {convert_mb_s:7.1f} MB/s  (best of {args.repeat}; "
              f"target >= {TARGET_MB_S:.0f} MB/s: {'ok' if convert_mb_s >= TARGET_MB_S else 'MISSED'})")
        print(f"  CPU time (one core, unaffected by other load): {cpu_convert:.3f} s  "
              f"{size / 1e6 / cpu_convert:7.1f} MB/s")
        print(f"cat > /dev/null:  {t_cat:.3f} s  {cat_mb_s:7.1f} MB/s  (floor)")
        print(f"ratio convert/cat time: {t_convert / t_cat:.1f}x")
        print(f"read_track: {t_read:.3f} s  {size / 1e6 / t_read:7.1f} MB/s  ({len(track)} points, every column "
              f"not yet built; best of {args.repeat})")
        t_columns, _ = best_time(lambda: [track.time_utc_s, track.lat_deg, track.lon_deg, track.elevation_m,
                                          track.speed_mps], args.repeat)
        print(f"  five columns of it as array.array: {t_columns * 1000:.0f} ms")
        if t_round_trip:
            print(f"CSV round trip (hud_track.load_track, before read_track): {t_round_trip:.3f} s  "
                  f"-> read_track is {t_round_trip / t_read:.1f}x faster")
        first_ms, next_us = zone_lookup_cost(converter, one)
        print(f"time-zone lookup per file: first call in the process {first_ms:.0f} ms, then {next_us:.0f} us "
              f"(read_track of a one-block file, with lookup minus without); its boundary data stays resident: "
              f"{zone_kb / 1024:.1f} MiB once per process")
        print(f"peak memory of the conversion: {peak_bytes / 1e6:.1f} MB "
              f"({how} {peak_kb / 1024:.1f} MiB - {base_kb / 1024:.1f} MiB after import)")
        if point_size and kept:
            per_point = peak_bytes / kept
            factor = per_point / point_size
            print(f"memory per kept point: {per_point:.0f} B vs sizeof(TrackPoint) {point_size} B = {factor:.2f}x "
                  f"(target < {TARGET_MEMORY_FACTOR:.0f}x: {'ok' if factor < TARGET_MEMORY_FACTOR else 'MISSED'})")
        else:
            print(f"memory per kept point: {peak_bytes / max(kept, 1):.0f} B (sizeof(TrackPoint) unknown: no compiler)")
    finally:
        if not args.keep:
            shutil.rmtree(work, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())

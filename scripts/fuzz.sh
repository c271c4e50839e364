#!/usr/bin/env bash
# Builds the libFuzzer targets of the engine with clang (ASan + UBSan) in their own build
# folder and runs each for a bounded time; any crash, leak or sanitizer report fails the run.
#   FUZZ_SECONDS   seconds per target (default 30)
#   FUZZ_BUILD_DIR build folder (default build-fuzz)
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR="${FUZZ_BUILD_DIR:-build-fuzz}"
SECONDS_PER_TARGET="${FUZZ_SECONDS:-30}"
DATA_DIR="$(cd .. && pwd)/shared/data"

if [ ! -f "$BUILD_DIR/build.ninja" ]; then
  CC=clang CXX=clang++ cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DTRAKVIA_BUILD_PYTHON=OFF -DTRAKVIA_BUILD_TESTS=OFF -DTRAKVIA_BUILD_FUZZERS=ON >/dev/null
fi
cmake --build "$BUILD_DIR" --target fuzz_srt_reader fuzz_gpx_reader

# Seeds: short inputs of every layout. The first byte of each input steers the harness
# (read chunk size, sampling mode, UTC offset), so every seed comes with a few of them.
SEEDS="$BUILD_DIR/fuzz-seeds"
rm -rf "$SEEDS"
mkdir -p "$SEEDS/srt" "$SEEDS/gpx"
seed() {  # seed <dir> <name> <text>
  local n=0
  for control in '\x00' '\x03' '\x51' '\x7f'; do
    printf "$control%s" "$3" >"$SEEDS/$1/$2_$n"
    n=$((n + 1))
  done
}
seed srt l1 $'1\n00:00:01,000 --> 00:00:02,000\nHOME(149.0251,-20.2532) 2017.08.05 14:11:51\nGPS(149.0251,-20.2533,16) BAROMETER:1.9\nISO:100 Shutter:60 EV: Fnum:2.2\n\n2\n00:00:02,000 --> 00:00:03,000\nHOME(149.0251,-20.2532) 2017.08.05 14:11:52\nGPS(N/A,N/A,4) BAROMETER:2.0\n'
seed srt l2 $'1\n00:00:00,000 --> 00:00:01,000\nF/5.6, SS 400, ISO 100, EV 0, GPS (-58.851745, -34.237922, 15), HOME (-58.847509, -34.232707, -57.98m), D 698.70m, H 85.80m, H.S 0.00m/s, V.S n/a, F.PRY (2.7\xc2\xb0, -7.0\xc2\xb0, 110.1\xc2\xb0)\n'
seed srt l3 $'\xef\xbb\xbf1\r\n00:00:00,000 --> 00:00:00,033\r\n<font size="36">FrameCnt : 1, DiffTime : 33ms\r\n2024-05-20 15:21:15,591,499\r\n[iso : 100] [dzoom_ratio: 10000, delta:0],[latitude : 49.128078] [longtitude : 14.635573] [altitude: 457.871002] \r\n</font>\r\n'
seed srt l4 $'1\n00:00:00,000 --> 00:00:00,020\n<font size="28">FrameCnt: 1, DiffTime: 20ms\n2021-12-25 12:27:52.373\n[iso: 220] [latitude: 3.41531] [longitude: -3.37440] [rel_alt: -2.400 abs_alt: 0.401] </font>\n\n2\n00:00:00,020 --> 00:00:00,040\n<font size="28">FrameCnt: 2, DiffTime: 20ms\n2021-12-25 12:27:52.393\n[latitude: 3.41532] [longitude: -3.37440] [rel_alt: -2.300 abs_alt: 0.501] </font>\n'
seed srt l5 $'1\n00:00:00,000 --> 00:00:00,033\n<font size="28">FrameCnt: 1, DiffTime: 33ms\n2024-05-20 15:06:07.221\n[latitude: 49.125749] [longitude: 14.634775] [rel_alt: 54.821 abs_alt: 535.407] \n[drone_speedx: 0.0 drone_speedy: 0.0 drone_speedz: -0.1] \n\n0\n[ae_meter_md : 2] \n</font>\n'
seed srt l6 $'60\r\n00:00:59,000 --> 00:00:60,000\r\n2022.06.21 16:07:16\r\nGPS(36.6153,-6.1130,0.0M) BAROMETER:83.8M\r\n'
seed srt l7 $'1\n00:00:00,050 --> 00:00:00,133\nsignal:4 ch:2 flightTime:14 uavBat:16.2V glsBat:79% delay:25ms bitrate:25.4Mbps\n'
seed srt nocue $'1\n2017.08.05 14:11:51,393,525\n[latitude : -20.2533] [longtitude : 149.0251]\n\n2\n2017.08.05 14:11:52,393,525\n[latitude : -20.2534] [longtitude : 149.0251]\n'
seed gpx trk $'<?xml version="1.0"?>\n<gpx version="1.1"><trk><trkseg><trkpt lat="41.0" lon="29.0"><ele>5</ele><time>2021-09-06T02:23:48.100Z</time><extensions><power>250</power><gpxtpx:TrackPointExtension><gpxtpx:hr>141</gpxtpx:hr></gpxtpx:TrackPointExtension></extensions></trkpt><trkpt lat="41.0001" lon="29.0"><time>2021-09-06T05:23:49+03:00</time></trkpt></trkseg></trk></gpx>\n'
seed gpx rte $'<gpx version="1.0"><!-- c --><wpt lat="1" lon="2"/><rte><rtept lat="10" lon="20"><speed>3.2</speed></rtept><rtept lat=\'10.1\' lon=\'20\'/></rte></gpx>'

status=0
for target in srt gpx; do
  corpus="$BUILD_DIR/fuzz-corpus/$target"
  artifacts="$BUILD_DIR/fuzz-artifacts/$target/"
  mkdir -p "$corpus" "$artifacts"
  extra=("engine/fuzz/regressions/$target")  # inputs that once crashed
  if [ -d "$DATA_DIR/$target" ]; then extra+=("$DATA_DIR/$target"); fi
  echo "== fuzz_${target}_reader: ${SECONDS_PER_TARGET}s"
  if ! "$BUILD_DIR/engine/fuzz_${target}_reader" -max_total_time="$SECONDS_PER_TARGET" -max_len=16384 \
        -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 -dict="engine/fuzz/$target.dict" \
        -artifact_prefix="$artifacts" "$corpus" "$SEEDS/$target" "${extra[@]}" 2>"$BUILD_DIR/fuzz-$target.log"; then
    tail -n 60 "$BUILD_DIR/fuzz-$target.log"
    echo "fuzz_${target}_reader FAILED; reproducer in $artifacts" >&2
    status=1
  else
    grep -E "^stat::number_of_executed_units|Done [0-9]+ runs" "$BUILD_DIR/fuzz-$target.log" || true
  fi
done
exit $status

#!/usr/bin/env bash
# Runs the Windows bundle of scripts/build-windows.sh under wine, in a fresh prefix, as a user
# would: --version; the sample card, listed by both walks of the scan (native and interpreter),
# then list, convert and import, each compared with the Linux build's result on the same card;
# cleanup --dry-run; the screenshot mode; the HUD sample clip exported; a start-up failure;
# a closed pipe;
# then the extension modules' pytest suites with the embeddable interpreter. Needs the Linux
# bundle (scripts/build.sh) for the comparisons.
#   TRAKVIA_WINE_LANG  locale wine runs in (default en_US.UTF-8: code page 1252, which has no byte
#                      for "ı" or "ş", so redirected report lines prove the streams are UTF-8)
set -euo pipefail
cd "$(dirname "$0")/../.."
source scripts/windows/wine-env.sh
PY="$PWD/.venv/bin/python"
VERSION="$(sed -n 's/^R27_APP_VERSION = "\(.*\)"$/\1/p' trakvia/__init__.py)"
BUNDLE="$WINDOWS_OUT/bundle"
RUNTIME="$WINDOWS_OUT/python312"
LINUX_LAUNCHER="$(realpath -m "${BUILD_DIR:-build}")/bundle/Trakvia_Launcher"
WORK="$WINDOWS_OUT/checks"
TEST_COPY="$WORK/test-copy"
export LANG="${TRAKVIA_WINE_LANG:-en_US.UTF-8}"

fail() { echo "wine-checks: $*" >&2; exit 1; }
step() { echo "== wine-checks: $*"; }
# A Linux path as the Windows programs see it (through wine's Z: drive); it need not exist yet.
winpath() { local path; path="$(realpath -m "$1")"; printf 'Z:%s' "${path//\//\\}"; }
# Report lines as text: UTF-8, or the ANSI code page where the streams still use it.
as_text() { "$PY" -c 'import sys
raw = sys.stdin.buffer.read()
try:
    text = raw.decode("utf-8")
except UnicodeDecodeError:
    text = raw.decode("cp1254")
sys.stdout.write(text)'; }
# windows NAME ARGS...: runs the Windows launcher of the bundle (of $LAUNCHER_DIR when set);
# output in $WORK/NAME.win, shown indented.
windows() {
  local name=$1 status=0
  shift
  wine_run "${LAUNCHER_DIR:-$BUNDLE}/Trakvia_Launcher.exe" "$@" >"$WORK/$name.raw" || status=$?
  as_text <"$WORK/$name.raw" >"$WORK/$name.win"
  sed 's/^/   | /' "$WORK/$name.win"
  return "$status"
}
# linux NAME ARGS...: the same command through the Linux launcher, output in $WORK/NAME.linux.
linux() {
  local name=$1
  shift
  env -u TZ QT_QPA_PLATFORM=offscreen "$LINUX_LAUNCHER" "$@" >"$WORK/$name.linux"
}
# Lines that carry no path, which differ between the two systems by design.
set_lines() { grep '^\[#' "$1"; }

for need in "$BUNDLE/Trakvia_Launcher.exe" "$RUNTIME/python.exe"; do
  [ -f "$need" ] || fail "$need is missing: run scripts/build-windows.sh"
done
[ -x "$LINUX_LAUNCHER" ] || fail "$LINUX_LAUNCHER is missing: run scripts/build.sh"
started=$SECONDS

step "fresh wine prefix ($WINEPREFIX, $LANG)"
wine_prefix_fresh
rm -rf "$WORK"
mkdir -p "$WORK"
appdata="$(winepath -u "$(wine_run cmd /c echo %LOCALAPPDATA%)")"
[ -d "$appdata" ] || fail "no LOCALAPPDATA folder in the prefix ($appdata)"

# The test copy: the bundle, the embeddable python.exe, pytest, and what wine 8.0 lacks
# (sitecustomize.py, bcryptprimitives.dll; see their sources).
# Hard links keep it cheap; every file changed here is replaced, never written through.
step "test copy of the bundle"
cp -al "$BUNDLE" "$TEST_COPY"
cp "$RUNTIME/python.exe" "$TEST_COPY/"
rm -f "$TEST_COPY/python312._pth"
printf 'python312.zip\n.\nLib\\site-packages\ntest-site-packages\nimport site\n' >"$TEST_COPY/python312._pth"
"$PY" -m pip install -q --disable-pip-version-check --no-index --find-links "$WINDOWS_OUT/downloads" \
    --require-hashes --no-deps --only-binary=:all: --platform win_amd64 --python-version 3.12 \
    --implementation cp --no-compile --target "$TEST_COPY/test-site-packages" \
    -r scripts/windows/requirements-test.txt
rm -rf "$TEST_COPY/test-site-packages/bin"
cp scripts/windows/sitecustomize.py "$TEST_COPY/test-site-packages/"
x86_64-w64-mingw32-gcc-posix -O2 -Wall -Werror -shared -static scripts/windows/bcryptprimitives_shim.c \
    -lbcrypt -o "$TEST_COPY/bcryptprimitives.dll"
test_python() { wine_run "$TEST_COPY/python.exe" -B "$@"; }

step "--version"
windows version --version || fail "--version exited with $?"
grep -q "v$VERSION" "$WORK/version.win" || fail "--version does not print v$VERSION"

step "packages of Lib/site-packages"
cat >"$WORK/imports.py" <<'EOF'
import importlib, pathlib, sys
site = pathlib.Path(sys.executable).parent / "Lib" / "site-packages"
names = sorted(p.name for p in site.iterdir() if (p / "__init__.py").is_file())
for name in names + ["PyQt5.QtWidgets", "PyQt5.QtGui"]:
    module = importlib.import_module(name)
    print(f"   {name} {getattr(module, '__version__', '')}".rstrip())
EOF
test_python "$(winpath "$WORK/imports.py")" || fail "a package of the bundle does not import"

step "sample SD card"
card_root="$WORK/kart"
test_python -c 'import sys, trakvia.mediadesk as m; print(m.create_sample_dji_sdcard_structure(sys.argv[1]))' \
    "$(winpath "$card_root")" >"$WORK/card.win" || fail "the sample card was not made: $(cat "$WORK/card.win")"
card="$(winepath -u "$(tail -n 1 "$WORK/card.win")")"
[ -d "$card" ] || fail "the sample card is not where its generator said: $(cat "$WORK/card.win")"
snapshot() { (cd "$card_root" && find . -type f -printf '%p %s %T@\n' | sort); }
snapshot >"$WORK/card.before"
echo "   $(wc -l <"$WORK/card.before") files in $card"

step "the scan's native walk against the interpreter's, on the sample card"
cat >"$WORK/walks.py" <<'EOF'
import sys
sys.path.insert(0, sys.argv[1])
import trakvia.mediadesk as md
from scan_trees import list_both
native, interpreted = list_both(md, sys.argv[2])
files = sum(len(s.video_files) + len(s.srt_files) + len(s.lrf_files) + len(s.gpx_files) for s in native)
print(f"   {len(native)} sets, {files} files: {'the same' if native == interpreted else 'DIFFERENT'}")
sys.exit(0 if native and native == interpreted else 1)
EOF
test_python "$(winpath "$WORK/walks.py")" "$(winpath tests/mediadesk)" "$(winpath "$card")" \
    || fail "the native walk and the interpreter's list the sample card differently"

step "list"
windows list list "$(winpath "$card")" || fail "list exited with $?"
linux list list "$card"
[ "$(set_lines "$WORK/list.win" | wc -l)" -gt 0 ] || fail "list printed no file set"
diff <(set_lines "$WORK/list.linux") <(set_lines "$WORK/list.win") || fail "list differs from the Linux build's"

# The time-zone lookup (tzfpy) calls ProcessPrng, which wine 8.0 lacks: without the test copy's
# stand-in it would fall back to the computer's zone, and the UTC times would differ.
step "convert (outputs against the Linux build's, byte by byte; from the test copy)"
LAUNCHER_DIR="$TEST_COPY" windows convert convert "$(winpath "$card")" --output "$(winpath "$WORK/convert.win.out")" || fail "convert exited with $?"
linux convert convert "$card" --output "$WORK/convert.linux.out"
[ -n "$(ls -A "$WORK/convert.win.out")" ] || fail "convert wrote nothing"
diff -r "$WORK/convert.linux.out" "$WORK/convert.win.out" || fail "convert outputs differ from the Linux build's"
echo "   $(find "$WORK/convert.win.out" -type f | wc -l) files identical"

# The copies go through shutil.copy2, which needs the sitecustomize of the test copy under wine.
step "import (copies and tracks against the Linux build's; from the test copy)"
LAUNCHER_DIR="$TEST_COPY" windows import import "$(winpath "$card")" "$(winpath "$WORK/import.win.out")" || fail "import exited with $?"
linux import import "$card" "$WORK/import.linux.out"
diff -r "$WORK/import.linux.out" "$WORK/import.win.out" || fail "import results differ from the Linux build's"
echo "   $(find "$WORK/import.win.out" -type f | wc -l) files identical"

step "cleanup --dry-run"
windows cleanup cleanup "$(winpath "$card")" -t lrf --dry-run || fail "cleanup --dry-run exited with $?"
linux cleanup cleanup "$card" -t lrf --dry-run
diff "$WORK/card.before" <(snapshot) || fail "cleanup --dry-run changed the card"
lrf_count="$(grep -c '\.LRF ' "$WORK/card.before")"
[ "$(grep -c '\.LRF' "$WORK/cleanup.win")" = "$lrf_count" ] || fail "cleanup --dry-run did not name the card's $lrf_count LRF files"
[ "$(wc -l <"$WORK/cleanup.win")" = "$(wc -l <"$WORK/cleanup.linux")" ] || fail "cleanup --dry-run reports differ from the Linux build's"

step "screenshot mode"
shots="$WORK/ekran"
windows screenshots --screenshot-dir "$(winpath "$shots")" || fail "screenshot mode exited with $?"
"$PY" - "$shots" <<'EOF' || fail "screenshot mode did not write its six images"
import pathlib, struct, sys
expected = ["tab_1.png", "tab_2.png", "tab_2_theme_clean_white.png", "tab_2_theme_f1.png",
            "tab_2_theme_garmin.png", "tab_3.png"]
folder = pathlib.Path(sys.argv[1])
found = sorted(p.name for p in folder.glob("*.png"))
for name in found:
    data = (folder / name).read_bytes()
    width, height = struct.unpack(">II", data[16:24]) if data[:8] == b"\x89PNG\r\n\x1a\n" else (0, 0)
    print(f"   {name}: {width}x{height}, {len(data)} bytes")
    if width < 200 or height < 200:
        sys.exit(f"{name} is not a window image")
sys.exit(0 if found == expected else f"images {found}, expected {expected}")
EOF

# PyAV's FFmpeg and x264 as the zip ships them, with the HUD painted by the Windows Qt.
step "HUD video: the sample clip made and exported under wine"
cat >"$WORK/hud_export.py" <<'EOF2'
import sys, time
from PyQt5.QtWidgets import QApplication
app = QApplication(["hud"])
from trakvia.ui.hud_sample_clip import sample_clip
from trakvia.ui.hud_video import export_hud_video
video = sample_clip(sys.argv[1])
started = time.perf_counter()
out = export_hud_video(video, video[:-4] + ".SRT", sys.argv[2], quality=sys.argv[3])
print(f"{out} in {time.perf_counter() - started:.1f} s")
EOF2
hud_out="$WORK/HUD Uçuş"   # a Turkish folder name: FFmpeg opens it through UTF-8 paths
QT_QPA_PLATFORM=offscreen PYTHONIOENCODING=utf-8 test_python "$(winpath "$WORK/hud_export.py")" "$(winpath "$hud_out")" \
    "$(winpath "$hud_out/DJI_0001_HUD.mp4")" ultrafast >"$WORK/hud.win" || fail "the HUD export failed under wine: $(cat "$WORK/hud.win")"
echo "   $(tail -n 1 "$WORK/hud.win")"
"$PY" - "$hud_out" <<'EOF2' || fail "the HUD export under wine is not the clip with its HUD"
import sys, av
folder = sys.argv[1]
def streams(path):
    with av.open(path) as f:
        video = [(p.pts, p.size > 0) for p in f.demux(f.streams.video[0]) if p.size]
    with av.open(path) as f:
        audio = [(p.pts, bytes(p)) for p in f.demux(f.streams.audio[0]) if p.size]
    return video, audio
source, exported = streams(f"{folder}/HUD_Ornek_Klip/DJI_0001.MP4"), streams(f"{folder}/DJI_0001_HUD.mp4")
print(f"   {len(exported[0])} frames (source {len(source[0])}), {len(exported[1])} audio packets")
assert sorted(source[0]) == sorted(exported[0]), "frames or their times differ from the source's"
assert source[1] == exported[1], "the audio is not the source's, packet for packet"
def first_picture(path):
    with av.open(path) as f:
        return bytes(next(f.decode(video=0)).reformat(width=320, height=180, format="gray").planes[0])
first, plain = first_picture(f"{folder}/DJI_0001_HUD.mp4"), first_picture(f"{folder}/HUD_Ornek_Klip/DJI_0001.MP4")
changed = sum(abs(x - y) > 40 for x, y in zip(first, plain)) / len(plain)
print(f"   first frame: {changed:.1%} of pixels carry the HUD")
assert changed > 0.01, "no HUD on the first frame"
EOF2

step "start-up failure (trakvia_app removed from a copy)"
broken="$WORK/broken-copy"
cp -al "$BUNDLE" "$broken"
rm -f "$broken"/trakvia_app.*
log="$appdata/Durnavo/startup_error.log"
rm -f "$log"
status=0
wine_run "$broken/Trakvia_Launcher.exe" list "$(winpath "$card")" >"$WORK/broken.win" || status=$?
[ "$status" = 1 ] || fail "a start without trakvia_app exited with $status, not 1"
grep -q "trakvia_app" "$log" 2>/dev/null || fail "no startup_error.log naming trakvia_app in $appdata/Durnavo"
echo "   exit 1; $(winepath -w "$log"): $(tail -n 1 "$log")"

# Windows reports a write into a pipe whose reader has gone as EINVAL: the reader's choice
# must end the run quietly, not as a crash with a log and a message box.
step "list into a pipe closed after its first line"
big="$WORK/buyuk-kart/DCIM/DJI_001"
mkdir -p "$big"
for i in $(seq -w 1 3000); do : >"$big/DJI_$i.MP4"; done
rm -f "$log"
set +e
wine_run "$BUNDLE/Trakvia_Launcher.exe" list "$(winpath "$WORK/buyuk-kart")" | head -n 1 >"$WORK/closed-pipe.win"
status=${PIPESTATUS[0]}
set -e
# The wine processes the closed pipe ended go down on their own time; the next step must not
# connect to a wine server that is shutting down behind them.
wineserver --wait
[ ! -e "$log" ] || fail "a closed pipe was taken for a crash: $(tail -n 1 "$log")"
[ "$status" = 1 ] || fail "list into a closed pipe exited with $status, not 1"
echo "   exit 1, no startup_error.log: $(head -c 60 "$WORK/closed-pipe.win")…"

step "extension module tests with the embeddable interpreter"
status=0
TRAKVIA_BUNDLE="$(winpath "$TEST_COPY")" test_python -m pytest -q -p no:cacheprovider \
    tests/converter tests/mediadesk tests/app tests/ui >"$WORK/pytest.out" || status=$?
tail -n 15 "$WORK/pytest.out" | sed 's/^/   | /'
[ "$status" = 0 ] || fail "pytest under wine failed (exit $status; $WORK/pytest.out)"
# An interpreter that wine aborts half-way can still leave exit code 0: only pytest's own closing
# summary, with nothing failed, counts as a pass.
summary="$(tail -n 1 "$WORK/pytest.out" | tr -d '\r')"
[[ "$summary" =~ [0-9]+\ passed && ! "$summary" =~ failed|error ]] ||
  fail "pytest under wine ended without a clean summary ('$summary'; $WORK/pytest.out)"

echo "wine-checks: OK in $((SECONDS - started)) s"

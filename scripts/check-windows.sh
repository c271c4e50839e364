#!/usr/bin/env bash
# Cross-compiles the Windows-only launcher code with mingw-w64 so a Windows-only mistake cannot
# land: the platform layer, the entry file and the resources (icon drawn by make_icon.py) are
# linked into a GUI program, with a stand-in for the interpreter part, and into a console probe
# of the platform layer; the scan's Windows folder listing into a console probe of its own.
# Checks the program's subsystem, imports and resources. When wine is installed it also runs the
# probes: the guard, the bypass texts, the folder set-up, and the folder listing on a tree
# whose view from Linux is known.
set -euo pipefail
cd "$(dirname "$0")/.."
OUT="${BUILD_DIR:-build}/windows-check"
CXX=x86_64-w64-mingw32-g++-posix
WINDRES=x86_64-w64-mingw32-windres
OBJDUMP=x86_64-w64-mingw32-objdump
PY=.venv/bin/python
[ -x "$PY" ] || PY=python3
for tool in "$CXX" "$WINDRES" "$OBJDUMP"; do
  command -v "$tool" >/dev/null || { echo "check-windows: $tool is missing (apt: g++-mingw-w64-x86-64-posix)" >&2; exit 1; }
done
mkdir -p "$OUT"

"$PY" launcher/make_icon.py "$OUT/trakvia.ico"
"$WINDRES" -I launcher -I "$OUT" -O coff launcher/launcher.rc -o "$OUT/launcher_res.o"

CXXFLAGS=(-std=c++20 -O2 -Wall -Wextra -Werror -Ilauncher -municode)
objects=()
for src in launcher/platform_win32.cpp launcher/instance_guard.cpp launcher/main.cpp \
           tests/launcher/win32_launcher_stub.cpp tests/launcher/win32_platform_probe.cpp; do
  obj="$OUT/$(basename "${src%.cpp}").o"
  "$CXX" "${CXXFLAGS[@]}" -c "$src" -o "$obj"
  objects+=("$obj")
done
LIBS=(-static -luser32 -lshell32)
"$CXX" -mwindows -municode -o "$OUT/Trakvia_Launcher.exe" \
  "$OUT/main.o" "$OUT/win32_launcher_stub.o" "$OUT/platform_win32.o" "$OUT/instance_guard.o" \
  "$OUT/launcher_res.o" "${LIBS[@]}"
"$CXX" -o "$OUT/platform_probe.exe" \
  "$OUT/win32_platform_probe.o" "$OUT/platform_win32.o" "$OUT/instance_guard.o" "${LIBS[@]}"
# The scan's folder listing (trakvia/mediadesk), with a console probe that walks a folder with it.
"$CXX" "${CXXFLAGS[@]}" -o "$OUT/folder_probe.exe" tests/mediadesk/win32_folder_probe.cpp \
  trakvia/mediadesk/folder_listing_win32.cpp -static

fail() { echo "check-windows: $*" >&2; exit 1; }
headers="$("$OBJDUMP" -p "$OUT/Trakvia_Launcher.exe")"
grep -q "Subsystem[[:space:]]*00000002" <<<"$headers" || fail "Trakvia_Launcher.exe is not a GUI program"
grep -q "^architecture: i386:x86-64" <<<"$("$OBJDUMP" -f "$OUT/Trakvia_Launcher.exe")" || fail "not x86-64"
for fn in GetCommandLineW CreateMutexW GetLastError CloseHandle MultiByteToWideChar EnumWindows \
          GetWindowTextW IsIconic ShowWindow SetForegroundWindow BringWindowToTop GetModuleFileNameW \
          SetCurrentDirectoryW SetDllDirectoryW _wputenv_s CommandLineToArgvW LocalFree MessageBoxA \
          GetCurrentDirectoryW GetStdHandle AttachConsole; do
  grep -qw "$fn" <<<"$headers" || fail "Trakvia_Launcher.exe does not import $fn"
done
"$OBJDUMP" -h "$OUT/Trakvia_Launcher.exe" | grep -q "\.rsrc" || fail "no resources in Trakvia_Launcher.exe"

if command -v wine >/dev/null && [ "${TRAKVIA_SKIP_WINE:-0}" != 1 ]; then
  source scripts/windows/wine-env.sh  # the prefix the Windows bundle's checks use
  wine_prefix_ready
  probe="$OUT/platform_probe.exe"
  release="$OUT/release"
  rm -f "$release" "$OUT/first.txt"
  trap 'touch "$release"' EXIT  # the first probe ends also when a check below fails
  wine "$probe" guard --wait "$(winepath -w "$release" 2>/dev/null)" >"$OUT/first.txt" &
  first=$!
  for _ in $(seq 200); do grep -q guard-passed "$OUT/first.txt" 2>/dev/null && break; sleep 0.1; done
  grep -q guard-passed "$OUT/first.txt" || fail "first probe did not claim the guard"
  out="$(wine "$probe" guard list kart | tr -d '\r')" && rc=0 || rc=$?
  [ "$rc" = 0 ] && [ "$out" = another-copy ] || fail "second copy: exit $rc, '$out'"
  for text in --r27-elevated-task --r27-root-helper --service --install-service --uninstall-service \
              --status --headless --self-test --screenshot-dir; do
    out="$(wine "$probe" guard "x$text" | tr -d '\r')" && rc=0 || rc=$?
    [ "$rc" = 3 ] && [ "$out" = guard-passed ] || fail "bypass $text: exit $rc, '$out'"
  done
  touch "$release"
  wait "$first" || [ $? = 3 ] || fail "first probe failed"
  wine "$probe" info "Çekim Günü" "a b" | tr -d '\r' >"$OUT/info.txt"
  grep -qx "arg\[1\]=info" "$OUT/info.txt" && grep -qx "arg\[2\]=Çekim Günü" "$OUT/info.txt" \
    && grep -qx "arg\[3\]=a b" "$OUT/info.txt" || fail "argument split: $(cat "$OUT/info.txt")"
  folder="$(sed -n 's/^folder=//p' "$OUT/info.txt")"
  grep -qxF "cwd=$folder" "$OUT/info.txt" && grep -qxF "PYTHONPATH=$folder" "$OUT/info.txt" \
    || fail "folder set-up: $(cat "$OUT/info.txt")"
  # At a drive's root the folder is "C:\", not "C:" (that drive's current directory, here C:\windows).
  cp "$probe" "$WINEPREFIX/drive_c/platform_probe.exe"
  wine cmd /c 'cd /d C:\windows && C:\platform_probe.exe info' | tr -d '\r' >"$OUT/info_root.txt"
  rm -f "$WINEPREFIX/drive_c/platform_probe.exe"
  grep -qxF 'folder=C:\' "$OUT/info_root.txt" && grep -qxF 'cwd=C:\' "$OUT/info_root.txt" \
    && grep -qxF 'start=C:\windows' "$OUT/info_root.txt" \
    || fail "program at a drive's root: $(cat "$OUT/info_root.txt")"
  tree="$OUT/scan_tree"
  rm -rf "$tree" && mkdir -p "$tree"
  "$PY" tests/mediadesk/win32_folder_check.py make "$tree"
  wine "$OUT/folder_probe.exe" "$(winepath -w "$tree" 2>/dev/null)" >"$OUT/folder_probe.txt"
  "$PY" tests/mediadesk/win32_folder_check.py compare "$tree" "$OUT/folder_probe.txt" \
    || fail "the scan's folder listing under wine differs from the tree"
  echo "check-windows: wine run of the platform probe passed"
fi
echo "check-windows: OK ($OUT)"

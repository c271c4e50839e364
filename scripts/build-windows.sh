#!/usr/bin/env bash
# Builds the Windows x86-64 bundle on Linux and packs it as dist/Trakvia-<version>-win64.zip.
#  1. downloads the pinned wheels (scripts/windows/python-runtime.txt, requirements-windows.txt,
#     scripts/windows/requirements-test.txt) with --require-hashes;
#  2. unpacks the python.org embeddable CPython 3.12 and verifies the Authenticode signatures of
#     its programs and libraries at the time they were signed;
#  3. makes the Windows CPython headers (the Linux ones with scripts/windows/pyconfig.h) and an
#     import library of python312.dll, and proves them right with the ABI probe under wine;
#  4. cross-compiles Trakvia_Launcher.exe and the three extension modules with mingw-w64 through
#     the project's CMake files (cmake/mingw-w64-x86_64.cmake);
#  5. assembles the bundle (runtime, modules, package, Lib/site-packages, licences), checks what
#     the built files import, and zips it.
# Everything but the zip stays in ${BUILD_DIR:-build}/windows. Needs wine (the ABI probe).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/windows/wine-env.sh
PY="$PWD/.venv/bin/python"
MINGW=x86_64-w64-mingw32
OBJDUMP=$MINGW-objdump
VERSION="$(sed -n 's/^R27_APP_VERSION = "\(.*\)"$/\1/p' trakvia/__init__.py)"
ZIP="dist/Trakvia-$VERSION-win64.zip"

DOWNLOADS="$WINDOWS_OUT/downloads"
RUNTIME="$WINDOWS_OUT/python312"   # the whole embeddable distribution, python.exe included (CI only)
SDK="$WINDOWS_OUT/sdk"             # headers and import library the modules are built against
CMAKE_BUILD="$WINDOWS_OUT/cmake"
BUILT="$WINDOWS_OUT/built"         # what CMake builds: launcher, modules, the trakvia package
SITE="$WINDOWS_OUT/site-packages"  # the wheels of requirements-windows.txt, installed
BUNDLE="$WINDOWS_OUT/bundle"       # what the zip holds, put together afresh by every build

fail() { echo "build-windows: $*" >&2; exit 1; }
step() { echo "== build-windows: $*"; }

for tool in $MINGW-gcc-posix $MINGW-g++-posix $MINGW-dlltool $OBJDUMP osslsigncode wine wineboot; do
  command -v "$tool" >/dev/null || fail "$tool is missing (scripts/apt-packages.txt; run scripts/setup.sh)"
done
[ -n "$VERSION" ] || fail "no R27_APP_VERSION in trakvia/__init__.py"
mkdir -p "$WINDOWS_OUT" "$DOWNLOADS"

# --- 1. wheels ------------------------------------------------------------------------------
step "wheels (sha256-pinned)"
for list in scripts/windows/python-runtime.txt requirements-windows.txt scripts/windows/requirements-test.txt; do
  "$PY" -m pip download -q --disable-pip-version-check --require-hashes --no-deps \
      --only-binary=:all: --platform win_amd64 --python-version 3.12 --implementation cp \
      -d "$DOWNLOADS" -r "$list" 2> >(grep -v "^WARNING: Location" >&2) || fail "download of $list failed"
done

# --- 2. the embeddable CPython ----------------------------------------------------------------
# Fills $RUNTIME once per pinned wheel; a changed pin starts it over.
runtime_pin="$(grep -v '^#' scripts/windows/python-runtime.txt)"
if ! [ -f "$RUNTIME/.pin" ] || [ "$(cat "$RUNTIME/.pin")" != "$runtime_pin" ]; then
  step "embeddable CPython from $(ls "$DOWNLOADS"/[Qq][Ee]nv[Pp]ython312-*.whl | xargs -n1 basename)"
  rm -rf "$RUNTIME" "$WINDOWS_OUT/runtime-unpack"
  "$PY" -m zipfile -e "$DOWNLOADS"/[Qq][Ee]nv[Pp]ython312-*.whl "$WINDOWS_OUT/runtime-unpack"
  mkdir -p "$RUNTIME"
  # The distribution itself: the files at the top of python312/; not the Lib/ (pip, setuptools)
  # or Scripts/ the wheel adds.
  find "$WINDOWS_OUT/runtime-unpack/QPT_SDK/QEnvPython/python312" -maxdepth 1 -type f \
      -exec cp -p {} "$RUNTIME/" \;
  rm -rf "$WINDOWS_OUT/runtime-unpack"
  # The wheel's ._pth adds folders and `import site`; python.org's own is this.
  printf 'python312.zip\n.\n\n# Uncomment to run site.main() automatically\n#import site\n' \
      >"$RUNTIME/python312._pth"
  echo "$runtime_pin" >"$RUNTIME/.pin"
fi
[ -f "$RUNTIME/python312.dll" ] && [ -f "$RUNTIME/python.exe" ] || fail "no python312.dll in the runtime wheel"

# Signed by the Python Software Foundation, verified at signing time (the certificate expired
# in January 2025). vcruntime140*.dll carry Microsoft's signature, whose root Debian's CA store
# lacks; the wheel's pinned hash covers them.
step "Authenticode signatures of the runtime"
signed_at="$(date -u -d 2023-10-02 +%s)"
signed=0
for file in "$RUNTIME"/*.dll "$RUNTIME"/*.pyd "$RUNTIME"/*.exe; do
  case "$(basename "$file")" in vcruntime140*.dll) continue ;; esac
  report="$(osslsigncode verify -ignore-crl -time "$signed_at" -in "$file" 2>&1)" || true
  grep -q "^Signature verification: ok" <<<"$report" \
    && grep -q "Subject: .*/O=Python Software Foundation/CN=Python Software Foundation" <<<"$report" \
    || fail "$(basename "$file"): no valid signature of the Python Software Foundation"
  signed=$((signed + 1))
done
echo "   $signed files signed by the Python Software Foundation, python312.dll and python.exe among them"

# --- 3. headers, import library, ABI probe ------------------------------------------------------
step "CPython headers and import library for Windows"
host_include="$("$PY" -c 'import sysconfig; print(sysconfig.get_paths()["include"])')"
"$PY" -c 'import sys; assert sys.version_info[:2] == (3, 12)' || fail "the venv is not CPython 3.12"
# Replaced only when they change, so an unchanged SDK does not make ninja rebuild everything.
replace_if_changed() {  # replace_if_changed NEW CURRENT
  if diff -rq "$1" "$2" >/dev/null 2>&1; then rm -rf "$1"; else rm -rf "$2"; mv "$1" "$2"; fi
}
mkdir -p "$SDK"
rm -rf "$SDK/include.new"
cp -rp "$host_include" "$SDK/include.new"
cp -p scripts/windows/pyconfig.h "$SDK/include.new/pyconfig.h"
replace_if_changed "$SDK/include.new" "$SDK/include"
# Export list of the DLL as a module definition; dlltool makes the import library from it.
{
  echo "LIBRARY python312.dll"
  echo "EXPORTS"
  "$OBJDUMP" -p "$RUNTIME/python312.dll" \
    | sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p' | sed -n 's/^[[:space:]]*\[[[:space:]]*[0-9]*\] //p'
} >"$SDK/python312.def.new"
exports=$(($(wc -l <"$SDK/python312.def.new") - 2))
[ "$exports" -gt 1000 ] || fail "only $exports exports read from python312.dll"
replace_if_changed "$SDK/python312.def.new" "$SDK/python312.def"
if [ ! -f "$SDK/libpython312.dll.a" ] || [ "$SDK/python312.def" -nt "$SDK/libpython312.dll.a" ]; then
  $MINGW-dlltool -d "$SDK/python312.def" -D python312.dll -l "$SDK/libpython312.dll.a"
fi
echo "   $exports exports of python312.dll"

step "ABI probe under wine"
# abi_probe INCLUDE_DIR FOLDER: builds the probe against INCLUDE_DIR into FOLDER and runs it.
abi_probe() {
  mkdir -p "$2"
  $MINGW-gcc-posix -std=c11 -O1 -Wall -Werror -shared -static -I "$1" \
    scripts/windows/abi_probe.c "$SDK/libpython312.dll.a" -o "$2/abi_probe.pyd"
  wine_run "$RUNTIME/python.exe" "$(winepath -w scripts/windows/abi_probe.py)" "$(winepath -w "$2")"
}
wine_prefix_ready
abi_probe "$SDK/include" "$WINDOWS_OUT/probe" || fail "the Windows headers do not match python312.dll"
# The probe itself is checked too: headers without MS_WINDOWS lay PyConfig out differently.
rm -rf "$WINDOWS_OUT/probe-wrong"
cp -r "$SDK/include" "$WINDOWS_OUT/probe-wrong"
sed -i '/^#define MS_WINDOWS$/d' "$WINDOWS_OUT/probe-wrong/pyconfig.h"
abi_probe "$WINDOWS_OUT/probe-wrong" "$WINDOWS_OUT/probe-wrong" >/dev/null \
  && fail "the ABI probe accepted headers without MS_WINDOWS"
echo "   (and it rejects the same headers without MS_WINDOWS)"

# --- 4. launcher and extension modules --------------------------------------------------------
step "cross-compiling with mingw-w64"
cmake -S . -B "$CMAKE_BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" \
  -DTRAKVIA_BUILD_TESTS=OFF -DTRAKVIA_BUNDLE_DIR="$BUILT" \
  -DPython_EXECUTABLE="$PY" -DPython_INCLUDE_DIR="$SDK/include" \
  -DPython_LIBRARY="$SDK/libpython312.dll.a" -DPython_RUNTIME_LIBRARY="$RUNTIME/python312.dll" \
  -DPython_SOABI=cp312-win_amd64 -DNB_SUFFIX=.cp312-win_amd64.pyd -DNB_SUFFIX_S=.pyd >/dev/null
PATH="$PWD/.venv/bin:$PATH" cmake --build "$CMAKE_BUILD" -j"$(nproc)"

# The programs we built must need nothing but python312.dll and DLLs every Windows has:
# kernel32, msvcrt (mingw-w64's C runtime), user32 (message box, windows), shell32 (argv split).
step "imports of the built files"
for file in "$BUILT/Trakvia_Launcher.exe" "$BUILT/trakvia_app.cp312-win_amd64.pyd" \
            "$BUILT/trakvia/converter.cp312-win_amd64.pyd" "$BUILT/trakvia/mediadesk.cp312-win_amd64.pyd"; do
  [ -f "$file" ] || fail "$(basename "$file") was not built"
  imports="$("$OBJDUMP" -p "$file" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u | tr '\n' ' ')"
  for dll in $imports; do
    case "$dll" in
      python312.dll | kernel32.dll | msvcrt.dll | user32.dll | shell32.dll) ;;
      *) fail "$(basename "$file") imports $dll" ;;
    esac
  done
  echo "   $(basename "$file"): $imports"
done
grep -q "Subsystem[[:space:]]*00000002" <<<"$("$OBJDUMP" -p "$BUILT/Trakvia_Launcher.exe")" \
  || fail "Trakvia_Launcher.exe is not a GUI program"

# --- 5. bundle and zip ----------------------------------------------------------------------
# Lib/site-packages, where the bootstrap script looks; installed again when the wheel list changes.
if ! cmp -s requirements-windows.txt "$SITE/.requirements-windows.txt"; then
  step "installing requirements-windows.txt"
  rm -rf "$SITE"
  "$PY" -m pip install -q --disable-pip-version-check --no-index --find-links "$DOWNLOADS" \
      --require-hashes --no-deps --only-binary=:all: --platform win_amd64 --python-version 3.12 \
      --implementation cp --no-compile --target "$SITE" -r requirements-windows.txt
  rm -rf "$SITE/bin"  # console scripts pip made for Linux
  cp requirements-windows.txt "$SITE/.requirements-windows.txt"
fi

# Put together from its parts every time (hard links, so it is quick), so nothing a run of the
# bundle or an earlier build left in it reaches the zip.
step "bundle"
rm -rf "$BUNDLE"
cp -al "$BUILT" "$BUNDLE"
# The runtime without its interpreter programs; the catalog stays with the files it signs.
find "$RUNTIME" -maxdepth 1 -type f ! -name 'python.exe' ! -name 'pythonw.exe' ! -name '.pin' \
    ! -name 'LICENSE.txt' -exec cp -l {} "$BUNDLE/" \;
mkdir "$BUNDLE/Lib"
cp -al "$SITE" "$BUNDLE/Lib/site-packages"
rm -f "$BUNDLE/Lib/site-packages/.requirements-windows.txt"
"$PY" scripts/windows/collect_licenses.py "$BUNDLE" "$RUNTIME/LICENSE.txt"

# Only what a user runs: no interpreter program, installer or tests; no byte code of this build.
find "$BUNDLE" -name __pycache__ -type d -prune -exec rm -rf {} +
for unwanted in python.exe pythonw.exe pip 'pip-*' tests conftest.py; do
  found="$(find "$BUNDLE" -iname "$unwanted" -print -quit)"
  [ -z "$found" ] || fail "the bundle must not ship ${found#"$BUNDLE"/}"
done

step "zip"
"$PY" scripts/windows/pack_zip.py "$BUNDLE" "$ZIP" "Trakvia-$VERSION"
echo "build-windows: $ZIP ($(du -m "$ZIP" | cut -f1) MB; bundle $(du -sm "$BUNDLE" | cut -f1) MB in $BUNDLE)"

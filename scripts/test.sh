#!/usr/bin/env bash
# Sets up, builds and runs every test: C++ unit tests (ctest), the Python suites (pytest),
# short fuzzing runs of the readers under ASan/UBSan, and the Windows release: the bundle and
# dist/Trakvia-<version>-win64.zip built, then run under wine.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
./scripts/build.sh
BUILD_DIR="${BUILD_DIR:-build}"
export PATH="$PWD/.venv/bin:$PATH"
ctest --test-dir "$BUILD_DIR" --output-on-failure -j"$(nproc)"
./scripts/fuzz.sh
./scripts/build-windows.sh
./scripts/windows/wine-checks.sh
./scripts/check-windows.sh
TRAKVIA_BUNDLE="$PWD/$BUILD_DIR/bundle" QT_QPA_PLATFORM=offscreen .venv/bin/python -m pytest -q

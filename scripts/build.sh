#!/usr/bin/env bash
# Configures and builds the bundle into ${BUILD_DIR:-build}/bundle with the project's venv.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR="${BUILD_DIR:-build}"
PY="$PWD/.venv/bin/python"
export PATH="$PWD/.venv/bin:$PATH"
if [ ! -f "$BUILD_DIR/build.ninja" ]; then
  cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DPython_EXECUTABLE="$PY" "$@" >/dev/null
fi
cmake --build "$BUILD_DIR" -j"$(nproc)"

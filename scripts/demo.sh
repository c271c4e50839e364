#!/usr/bin/env bash
# The main job on the bundled sample data: installs and builds, creates the sample SD card in
# work/demo, then lists, converts and imports it through the launcher as a user would.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
./scripts/build.sh >/dev/null
BUNDLE="$PWD/${BUILD_DIR:-build}/bundle"
WORK="$PWD/work/demo"
mkdir -p "$WORK"

# The launcher makes its own folder the working directory, so every path given to it is absolute.
trakvia() {
  if [ -x "$BUNDLE/Trakvia_Launcher" ]; then
    "$BUNDLE/Trakvia_Launcher" "$@"
  else
    PYTHONPATH="$BUNDLE" .venv/bin/python -P -c "import sys, trakvia_app; sys.exit(trakvia_app.main())" "$@"
  fi
}

CARD=$(PYTHONPATH="$BUNDLE" .venv/bin/python -P -c \
  "import sys, trakvia.mediadesk as m; print(m.create_sample_dji_sdcard_structure(sys.argv[1]))" "$WORK")
echo "== Örnek SD kart: $CARD"
echo "== trakvia list"
trakvia list "$CARD"
echo "== trakvia convert"
trakvia convert "$CARD" --output "$WORK/izler"
echo "== trakvia import"
trakvia import "$CARD" "$WORK/ice_aktarilan"
echo "== Yazılan dosyalar"
find "$WORK/izler" "$WORK/ice_aktarilan" -type f -printf '%10s  %p\n' | sort -k2

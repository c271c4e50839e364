#!/usr/bin/env bash
# Installs what a fresh Debian machine needs: system packages from apt and a
# virtual environment (.venv) made from CPython 3.12 with the pinned Python packages.
set -euo pipefail
cd "$(dirname "$0")/.."

as_root() { if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi; }

missing=()
while read -r pkg; do
  [[ -z "$pkg" || "$pkg" == \#* ]] && continue
  dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || missing+=("$pkg")
done < scripts/apt-packages.txt
if [ ${#missing[@]} -gt 0 ]; then
  echo "apt: installing ${missing[*]}"
  as_root apt-get update -qq
  DEBIAN_FRONTEND=noninteractive as_root apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# Tests check that numbers are written the same under a Turkish locale; the Windows bundle runs
# under wine in an English one (code page 1252, where Turkish letters have no byte).
for loc in tr_TR en_US; do
  if ! locale -a 2>/dev/null | grep -qi "^$loc.utf8$"; then
    as_root localedef -i "$loc" -f UTF-8 "$loc.UTF-8" 2>/dev/null || echo "$loc.UTF-8 locale unavailable" >&2
  fi
done

find_python312() {
  if command -v python3.12 >/dev/null 2>&1 && python3.12 -c 'import sys' 2>/dev/null; then
    command -v python3.12; return
  fi
  local root="${PYENV_ROOT:-$HOME/.pyenv}"
  for p in "$root"/versions/3.12*/bin/python3.12; do
    [ -x "$p" ] && { echo "$p"; return; }
  done
  echo "CPython 3.12 bulunamadı (python3.12 ya da pyenv)" >&2; exit 1
}

if [ ! -x .venv/bin/python ] || ! .venv/bin/python -c 'import sys; assert sys.version_info[:2] == (3, 12)' 2>/dev/null; then
  rm -rf .venv
  "$(find_python312)" -m venv .venv
fi
if ! cmp -s requirements.txt .venv/.requirements.installed; then
  .venv/bin/python -m pip install -q --disable-pip-version-check --upgrade pip
  .venv/bin/python -m pip install -q --disable-pip-version-check -r requirements.txt
  cp requirements.txt .venv/.requirements.installed
fi

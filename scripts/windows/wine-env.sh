# Sourced by the Windows scripts: one wine prefix under the build folder, never in the home folder
# or the repository, and a quiet, deterministic wine.
#   wine_prefix_ready        makes the prefix if it is missing and waits until wine is idle
#   wine_prefix_fresh        throws the prefix away and makes a new one
#   wine_run PROGRAM ARGS... runs a Windows program with its output through a pipe (wine treats a
#                            Linux file as stdout as an invalid handle), carriage returns removed;
#                            returns the program's exit code, 124 when it outlived WINE_TIMEOUT
#                            seconds (default 900), so a hung program cannot stall CI
WINDOWS_OUT="$(realpath -m "${WINDOWS_OUT:-${BUILD_DIR:-build}/windows}")"
export WINEPREFIX="${WINEPREFIX:-$WINDOWS_OUT/wineprefix}"
export WINEDEBUG=-all WINEARCH=win64
# No "Wine Mono/Gecko missing" dialogs, no desktop integration, no display: a failed start
# returns at once instead of waiting on a message box nobody can close.
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
unset DISPLAY WAYLAND_DISPLAY

wine_prefix_ready() {
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    wineboot --init >/dev/null 2>&1
  fi
  wineserver --wait
}

wine_prefix_fresh() {
  wineserver --kill 2>/dev/null || true
  rm -rf "$WINEPREFIX"
  wine_prefix_ready
}

wine_run() {
  # "!" keeps errexit from ending the caller here; PIPESTATUS still holds wine's own status.
  ! timeout "${WINE_TIMEOUT:-900}" wine "$@" 2>&1 </dev/null | tr -d '\r'
  return "${PIPESTATUS[0]}"
}

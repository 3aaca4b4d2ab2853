#!/usr/bin/env bash
# tools/screenshots.sh WINDOWS_BUILD_DIR [OUT_DIR]
# Renders the main window under Xvfb and Wine into PNG files: fresh
# (main-fresh.png) and with the bundled example playlist loaded and planned
# (main-planned.png). OUT_DIR defaults to docs/screenshots. Uses its own
# scratch Wine prefix and X display, and removes both at the end.
set -eu

build=$(cd "${1:?usage: tools/screenshots.sh WINDOWS_BUILD_DIR [OUT_DIR]}" && pwd)
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/tools/common.sh"
out=${2:-$root/docs/screenshots}
exe=$build/app/voltrak.exe
[ -f "$exe" ] || { echo "no voltrak.exe in $build" >&2; exit 1; }
mkdir -p "$out"

scratch=$(mktemp -d /tmp/voltrak-shots.XXXXXX)
export WINEPREFIX=$scratch/prefix WINEDEBUG=-all WINEARCH=win64 WINEDLLOVERRIDES="mscoree=;mshtml="
cleanup() {
  wineserver -k 2>/dev/null || true
  end_display
  rm -rf "$scratch"
}
trap cleanup EXIT

start_display
init_wine_prefix
draw_own_frames
# Split by time, so that the planned list shows its volumes.
write_voltrak_settings $'[Options]\r\nFillMode=1\r\n'

capture_window "$exe" "Voltrak" "$out/main-fresh.png"

capture_window "$exe" "example.m3u" "$out/main-planned.png" "$(winepath -w "$root/examples/example.m3u")"

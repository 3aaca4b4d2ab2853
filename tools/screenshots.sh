#!/usr/bin/env bash
# tools/screenshots.sh WINDOWS_BUILD_DIR [OUT_DIR]
# Renders the main window under Xvfb and Wine into PNG files: fresh
# (main-fresh.png) and with the bundled example playlist loaded and planned
# (main-planned.png); the Edit dialog and the Tree view on that list
# (edit.png, tree-view.png); and the Options dialog (options.png). OUT_DIR
# defaults to docs/screenshots. Uses its own scratch Wine prefix and X
# display, and removes both at the end.
set -eu

build=$(cd "${1:?usage: tools/screenshots.sh WINDOWS_BUILD_DIR [OUT_DIR]}" && pwd)
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/tools/common.sh"
out=${2:-$root/docs/screenshots}
exe=$build/app/voltrak.exe
[ -f "$exe" ] || { echo "no voltrak.exe in $build" >&2; exit 1; }
mkdir -p "$out"

# A control's id, as resources/resource.h defines it.
control_id() { sed -n "s/^#define $1 \([0-9]*\)$/\1/p" "$root/resources/resource.h"; }

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

# The Edit dialog on the planned example with its fifth entry chosen (four
# Down keys), then the Tree view over it with the volumes' branch opened
# (the keypad's * opens it all, - and + show it from its start).
press=$build/app/press_button.exe
wine "$exe" "$(winepath -w "$root/examples/example.m3u")" >/dev/null 2>&1 &
pid=$!
window_line "example.m3u" >/dev/null
sleep 1.5  # the splash goes first
wine "$press" "example.m3u" "$(control_id IDC_EDIT)"
wine "$press" "Edit" "$(control_id IDC_EDIT_LIST)" 40 40 40 40
save_window "Edit" "$out/edit.png"
wine "$press" "Edit" "$(control_id IDC_EDIT_TREE_VIEW)"
wine "$press" "Tree View" "$(control_id IDC_TREE)" 106 109 107
save_window "Tree View" "$out/tree-view.png"
kill "$pid" 2>/dev/null || true
wait "$pid" 2>/dev/null || true
wineserver -w

# Fresh again, with a player's folder for the Options dialog to show.
write_voltrak_settings $'[Directories]\r\nWinAmp=C:\\Program Files\\Winamp\r\n'
capture_dialog "$exe" "Voltrak" "$build/app/press_button.exe" "$(control_id IDC_OPTIONS)" "Options" \
  "$out/options.png"

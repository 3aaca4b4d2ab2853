#!/usr/bin/env bash
# The program's main job on the bundled example playlist.
#   tools/run-example.sh           plan the example by play time onto CD-R and print the plan
#                                  (voltrak-cli, native)
#   tools/run-example.sh --window  start voltrak.exe under Wine on the example; with no display
#                                  it runs under Xvfb and writes a screenshot of the window
# Installs what is missing and builds what is needed first.
set -u
. "$(dirname "$0")/common.sh"

example=$VOLTRAK_ROOT/examples/example.m3u
ensure_packages || { echo "could not install the packages" >&2; exit 1; }

if [ "${1:-}" != "--window" ]; then
  build_native >/dev/null || exit 1
  exec "$VOLTRAK_BUILD/native/cli/voltrak-cli" --fill=time --medium=0 "$example"
fi

build_windows >/dev/null || exit 1
exe=$VOLTRAK_BUILD/windows/app/voltrak.exe
windows_example="Z:$(tr / '\\' <<<"$example")"

# With no display the window runs under an X server of our own; it must be
# there before Wine first starts in the prefix, or Wine's desktop process
# comes up without one and no window can be made.
headless=
if [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then
  start_display || exit 1
  headless=1
fi

# A prefix of its own, kept between runs so that only the first start waits for it.
export WINEPREFIX=$VOLTRAK_BUILD/wine-prefix
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "Making a Wine prefix in $WINEPREFIX ..."
  init_wine_prefix
  draw_own_frames
  # Split by time onto the first medium, CD-R, as the plan above.
  write_voltrak_settings $'[Options]\r\nFillMode=1\r\n'
fi
export WINEDEBUG=-all WINEARCH=win64

[ -n "$headless" ] || exec wine "$exe" "$windows_example"

screenshot=$VOLTRAK_BUILD/voltrak-example.png
capture_window "$exe" "example.m3u" "$screenshot" "$windows_example" >/dev/null
status=$?
wineserver -k 2>/dev/null
end_display
[ $status -eq 0 ] && echo "Screenshot of the window: $screenshot"
exit $status

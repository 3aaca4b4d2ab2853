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

# A prefix of its own, kept between runs so that only the first start waits for it.
export WINEPREFIX=$VOLTRAK_BUILD/wine-prefix WINEDEBUG=-all WINEARCH=win64
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "Making a Wine prefix in $WINEPREFIX ..."
  init_wine_prefix
  # Wine draws the caption itself, so that it shows without a window manager.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null 2>&1
  wineserver -w
fi

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  exec wine "$exe" "$windows_example"
fi

ensure_display || exit 1
screenshot=$VOLTRAK_BUILD/voltrak-example.png
wine "$exe" "$windows_example" >/dev/null 2>&1 &
# The title names the playlist once it is loaded and planned.
window=
for _ in $(seq 300); do
  window=$(xwininfo -root -tree 2>/dev/null | grep -E '^ +0x[0-9a-f]+ "example\.m3u' | awk '{print $1}' | head -n 1)
  [ -n "$window" ] && break
  sleep 0.1
done
sleep 0.5  # let the window finish painting
import -window "${window:-root}" "$screenshot"
wineserver -k 2>/dev/null
end_display
echo "Screenshot of the window: $screenshot"

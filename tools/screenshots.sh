#!/usr/bin/env bash
# tools/screenshots.sh WINDOWS_BUILD_DIR [OUT_DIR]
# Renders the main window under Xvfb and Wine into PNG files: fresh
# (main-fresh.png) and with a loaded, planned example list
# (main-planned.png). OUT_DIR defaults to docs/screenshots. Uses its own
# scratch Wine prefix and X display, and removes both at the end.
set -eu

build=$(cd "${1:?usage: tools/screenshots.sh WINDOWS_BUILD_DIR [OUT_DIR]}" && pwd)
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/tools/common.sh"
out=${2:-$root/docs/screenshots}
exe=$build/app/voltrak.exe
maker=$build/make_example_playlist.exe
[ -f "$exe" ] && [ -f "$maker" ] || { echo "no voltrak.exe or make_example_playlist.exe in $build" >&2; exit 1; }
mkdir -p "$out"

scratch=$(mktemp -d /tmp/voltrak-shots.XXXXXX)
export WINEPREFIX=$scratch/prefix WINEDEBUG=-all WINEARCH=win64 WINEDLLOVERRIDES="mscoree=;mshtml="
xvfb_pid=
voltrak_pid=
cleanup() {
  [ -n "$voltrak_pid" ] && kill "$voltrak_pid" 2>/dev/null
  wineserver -k 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  rm -rf "$scratch"
}
trap cleanup EXIT

# A display of our own, 96 DPI like a plain Windows desktop.
for n in $(seq 130 160); do
  [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] && continue
  Xvfb ":$n" -screen 0 1024x768x24 -dpi 96 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  export DISPLAY=":$n"
  for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
  xdpyinfo >/dev/null 2>&1 && break
  kill "$xvfb_pid" 2>/dev/null; xvfb_pid=
done
[ -n "$xvfb_pid" ] || { echo "no X display could be started" >&2; exit 1; }

init_wine_prefix
# No window manager runs here: let Wine draw the caption and frame itself.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d Y /f >/dev/null 2>&1

# The settings file wherever the program looks for it: split by time.
appdata=$(wine cmd /c echo %APPDATA% 2>/dev/null | tr -d '\r')
settings=$(winepath -u "$appdata")/Voltrak
mkdir -p "$settings"
printf '[Options]\r\nFillMode=1\r\n' >"$settings/Voltrak.INI"

# capture TITLE_PREFIX FILE [ARGS...]: starts the program, waits for a top
# window whose name starts with TITLE_PREFIX, and saves it as FILE.
capture() {
  local title=$1 file=$2 line geometry
  shift 2
  wine "$exe" "$@" >/dev/null 2>&1 &
  voltrak_pid=$!
  for _ in $(seq 300); do
    line=$(xwininfo -root -tree 2>/dev/null | grep -F "\"$title" | head -n 1 || true)
    [ -n "$line" ] && break
    sleep 0.1
  done
  [ -n "$line" ] || { echo "no window titled $title..." >&2; exit 1; }
  # Let the splash go and the window paint.
  sleep 1.5
  line=$(xwininfo -root -tree 2>/dev/null | grep -F "\"$title" | head -n 1)
  # "  0x... "Title": ("class" "class")  WxH+x+y  +X+Y": size and absolute place.
  geometry=$(sed -E 's/.* ([0-9]+x[0-9]+)\+-?[0-9]+\+-?[0-9]+ +\+(-?[0-9]+)\+(-?[0-9]+).*/\1+\2+\3/' <<<"$line")
  import -window root -crop "$geometry" +repage "$file"
  echo "wrote $file ($geometry)"
  kill "$voltrak_pid" 2>/dev/null || true
  wait "$voltrak_pid" 2>/dev/null || true
  voltrak_pid=
  wineserver -w
}

capture "Voltrak" "$out/main-fresh.png"

mkdir -p "$scratch/lists"
wine "$maker" "$(winepath -w "$scratch/lists")" --count=60 >/dev/null 2>&1
capture "example.m3u" "$out/main-planned.png" "$(winepath -w "$scratch/lists")\\example.m3u"

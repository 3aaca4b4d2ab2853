# Shared by the project's scripts: package installation and the three builds.
# Source it; it changes nothing until a function is called.

VOLTRAK_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
VOLTRAK_BUILD=${VOLTRAK_BUILD:-$VOLTRAK_ROOT/build}
VOLTRAK_JOBS=${VOLTRAK_JOBS:-$(nproc)}

VOLTRAK_PACKAGES="cmake ninja-build g++ ccache libgtest-dev googletest g++-mingw-w64-x86-64
  wine wine64 xvfb xauth x11-utils imagemagick python3 python3-mutagen time
  python3-html5lib cuetools"

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# Installs whatever of the project's packages this machine lacks.
ensure_packages() {
  local missing=()
  for package in $VOLTRAK_PACKAGES; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
      missing+=("$package")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  as_root apt-get update -qq &&
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq \
      "${missing[@]}" >/dev/null
}

# configure_and_build NAME [cmake options...]: one build tree under $VOLTRAK_BUILD.
configure_and_build() {
  local name=$1
  shift
  local dir=$VOLTRAK_BUILD/$name
  cmake -S "$VOLTRAK_ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >"$dir.configure.log" 2>&1 ||
    { mkdir -p "$dir"; cat "$dir.configure.log"; return 1; }
  cmake --build "$dir" -j "$VOLTRAK_JOBS" || return 1
}

build_native() { mkdir -p "$VOLTRAK_BUILD" && configure_and_build native "$@"; }
build_sanitized() { mkdir -p "$VOLTRAK_BUILD" && configure_and_build sanitized -DVOLTRAK_SANITIZE=ON "$@"; }
build_windows() {
  mkdir -p "$VOLTRAK_BUILD" &&
    configure_and_build windows -DCMAKE_TOOLCHAIN_FILE="$VOLTRAK_ROOT/cmake/mingw-w64.cmake" "$@"
}

# Fills the prefix named by $WINEPREFIX. Mono and Gecko are left out: their
# install prompts would wait for a user who is not there. Wine's own fonts go
# where a prefix's fonts are looked for, since this Wine does not find them
# itself: without Marlett the caption buttons show letters.
init_wine_prefix() {
  export WINEDEBUG=-all WINEARCH=win64
  WINEDLLOVERRIDES="mscoree=;mshtml=" wineboot -i >/dev/null 2>&1
  wineserver -w
  cp -n /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
}

# Makes a scratch Wine prefix for this run and exports it.
make_wine_prefix() {
  export WINEPREFIX
  WINEPREFIX=$(mktemp -d /tmp/voltrak-wine.XXXXXX)
  init_wine_prefix
}

end_wine_prefix() {
  [ -n "${WINEPREFIX:-}" ] || return 0
  wineserver -k 2>/dev/null
  rm -rf "$WINEPREFIX"
}

# Starts an X server of our own, 96 DPI like a plain Windows desktop, and
# exports it.
start_display() {
  local n
  for n in $(seq 90 160); do
    [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] && continue
    Xvfb ":$n" -screen 0 1024x768x24 -dpi 96 -nolisten tcp >/dev/null 2>&1 &
    VOLTRAK_XVFB_PID=$!
    export DISPLAY=":$n"
    for _ in $(seq 50); do
      xdpyinfo >/dev/null 2>&1 && return 0
      sleep 0.1
    done
    kill "$VOLTRAK_XVFB_PID" 2>/dev/null
  done
  echo "no X display could be started" >&2
  return 1
}

# The display there is, or one of our own when there is none.
ensure_display() {
  [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1 && return 0
  start_display
}

end_display() {
  [ -n "${VOLTRAK_XVFB_PID:-}" ] && kill "$VOLTRAK_XVFB_PID" 2>/dev/null
  VOLTRAK_XVFB_PID=
}

# No window manager runs under Xvfb: let Wine draw captions and frames itself.
draw_own_frames() {
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d Y /f >/dev/null 2>&1
}

# write_voltrak_settings TEXT: the settings file wherever the program in
# this prefix looks for it.
write_voltrak_settings() {
  local appdata folder
  appdata=$(wine cmd /c echo %APPDATA% 2>/dev/null | tr -d '\r')
  folder=$(winepath -u "$appdata")/Voltrak
  mkdir -p "$folder"
  printf '%s' "$1" >"$folder/Voltrak.INI"
}

# capture_window EXE TITLE FILE [ARGS...]: starts EXE under Wine, waits for
# a top window whose name starts with TITLE, saves it as FILE and ends the
# program.
capture_window() {
  local exe=$1 title=$2 file=$3 line geometry pid
  shift 3
  wine "$exe" "$@" >/dev/null 2>&1 &
  pid=$!
  for _ in $(seq 300); do
    line=$(xwininfo -root -tree 2>/dev/null | grep -F "\"$title" | head -n 1 || true)
    [ -n "$line" ] && break
    sleep 0.1
  done
  if [ -z "$line" ]; then
    echo "no window titled $title..." >&2
    kill "$pid" 2>/dev/null
    return 1
  fi
  # Let the splash go and the window paint.
  sleep 1.5
  line=$(xwininfo -root -tree 2>/dev/null | grep -F "\"$title" | head -n 1)
  # "  0x... "Title": ("class" "class")  WxH+x+y  +X+Y": size and absolute place.
  geometry=$(sed -E 's/.* ([0-9]+x[0-9]+)\+-?[0-9]+\+-?[0-9]+ +\+(-?[0-9]+)\+(-?[0-9]+).*/\1+\2+\3/' <<<"$line")
  import -window root -crop "$geometry" +repage "$file"
  echo "wrote $file ($geometry)"
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  wineserver -w
}

# Shared by the project's scripts: package installation and the three builds.
# Source it; it changes nothing until a function is called.

VOLTRAK_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
VOLTRAK_BUILD=${VOLTRAK_BUILD:-$VOLTRAK_ROOT/build}
VOLTRAK_JOBS=${VOLTRAK_JOBS:-$(nproc)}

VOLTRAK_PACKAGES="cmake ninja-build g++ ccache libgtest-dev googletest g++-mingw-w64-x86-64
  wine wine64 xvfb xauth x11-utils imagemagick python3 python3-mutagen time
  python3-html5lib cuetools cups-daemon cups-client printer-driver-cups-pdf ghostscript
  poppler-utils"

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

# Starts a print server of our own, reached only through $CUPS_SERVER (which
# Wine's printing reads), with one default printer that writes each job's
# PostScript to the file $VOLTRAK_E2E_PRINTOUT; the end-to-end suite prints
# there when it is set. Start it before the Wine programs that print.
start_print_server() {
  local dir ppd=/usr/share/ppd/cups-pdf/CUPS-PDF_noopt.ppd
  command -v cupsd >/dev/null && command -v lpadmin >/dev/null && [ -f "$ppd" ] || return 1
  dir=$(mktemp -d /tmp/voltrak-print.XXXXXX)
  mkdir -p "$dir/spool" "$dir/cache" "$dir/state" "$dir/tmp" "$dir/out"
  # The jobs run as the server's own user.
  chmod 755 "$dir" && chmod 777 "$dir/out"
  printf '%s\n' "Listen $dir/cups.sock" "WebInterface No" "DefaultAuthType None" \
    "<Location />" "Order allow,deny" "Allow all" "</Location>" >"$dir/cupsd.conf"
  printf '%s\n' "ServerRoot $dir" "RequestRoot $dir/spool" "CacheDir $dir/cache" \
    "StateDir $dir/state" "TempDir $dir/tmp" "Printcap $dir/printcap" \
    "AccessLog $dir/access_log" "ErrorLog $dir/error_log" "PageLog $dir/page_log" \
    "FileDevice Yes" >"$dir/cups-files.conf"
  cupsd -f -c "$dir/cupsd.conf" -s "$dir/cups-files.conf" >/dev/null 2>&1 &
  VOLTRAK_CUPSD_PID=$!
  VOLTRAK_PRINT_DIR=$dir
  export CUPS_SERVER=$dir/cups.sock
  for _ in $(seq 50); do
    [ -S "$CUPS_SERVER" ] && break
    sleep 0.1
  done
  if ! lpadmin -p VoltrakPDF -E -v "file://$dir/out/print.ps" -P "$ppd" 2>/dev/null ||
    ! lpadmin -d VoltrakPDF; then
    end_print_server
    return 1
  fi
  export VOLTRAK_E2E_PRINTOUT=$dir/out/print.ps
}

end_print_server() {
  [ -n "${VOLTRAK_CUPSD_PID:-}" ] && kill "$VOLTRAK_CUPSD_PID" 2>/dev/null && wait "$VOLTRAK_CUPSD_PID" 2>/dev/null
  [ -n "${VOLTRAK_PRINT_DIR:-}" ] && rm -rf "$VOLTRAK_PRINT_DIR"
  VOLTRAK_CUPSD_PID= VOLTRAK_PRINT_DIR=
  unset CUPS_SERVER VOLTRAK_E2E_PRINTOUT
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

# window_line TITLE: xwininfo's line of the first top window whose name
# starts with TITLE, waiting up to 30 seconds for one.
window_line() {
  local line
  for _ in $(seq 300); do
    line=$(xwininfo -root -tree 2>/dev/null | grep -F "\"$1" | head -n 1 || true)
    [ -n "$line" ] && { printf '%s\n' "$line"; return 0; }
    sleep 0.1
  done
  echo "no window titled $1..." >&2
  return 1
}

# save_window TITLE FILE: once it has painted, saves the window as FILE.
save_window() {
  local line geometry
  sleep 1.5
  line=$(window_line "$1") || return 1
  # "  0x... "Title": ("class" "class")  WxH+x+y  +X+Y": size and absolute place.
  geometry=$(sed -E 's/.* ([0-9]+x[0-9]+)\+-?[0-9]+\+-?[0-9]+ +\+(-?[0-9]+)\+(-?[0-9]+).*/\1+\2+\3/' <<<"$line")
  import -window root -crop "$geometry" +repage "$2"
  echo "wrote $2 ($geometry)"
}

# capture_window EXE TITLE FILE [ARGS...]: starts EXE under Wine, waits for
# a top window whose name starts with TITLE, saves it as FILE and ends the
# program.
capture_window() {
  local exe=$1 title=$2 file=$3
  shift 3
  capture_dialog "$exe" "$title" "" "" "$title" "$file" "$@"
}

# capture_dialog EXE TITLE PRESS ID DIALOG FILE [ARGS...]: as capture_window,
# but first presses button ID of the window with the Windows program PRESS
# (tools/press_button.cpp), and saves the window titled DIALOG it opens.
capture_dialog() {
  local exe=$1 title=$2 press=$3 id=$4 dialog=$5 file=$6 pid status=0
  shift 6
  wine "$exe" "$@" >/dev/null 2>&1 &
  pid=$!
  if ! window_line "$title" >/dev/null; then
    status=1
  elif [ -n "$press" ]; then
    sleep 1.5  # the splash goes first
    wine "$press" "$title" "$id" && window_line "$dialog" >/dev/null || status=1
  fi
  if [ $status -eq 0 ]; then save_window "$dialog" "$file" || status=1; fi
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  wineserver -w
  return $status
}

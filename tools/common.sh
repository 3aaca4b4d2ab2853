# Shared by the project's scripts: package installation and the three builds.
# Source it; it changes nothing until a function is called.

VOLTRAK_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
VOLTRAK_BUILD=${VOLTRAK_BUILD:-$VOLTRAK_ROOT/build}
VOLTRAK_JOBS=${VOLTRAK_JOBS:-$(nproc)}
VOLTRAK_FUZZ_BUILD=${VOLTRAK_FUZZ_BUILD:-$VOLTRAK_BUILD/fuzz}

VOLTRAK_PACKAGES="cmake ninja-build g++ ccache libgtest-dev googletest g++-mingw-w64-x86-64
  wine wine64 xvfb xauth x11-utils imagemagick python3 python3-mutagen time
  python3-html5lib cuetools cups-daemon cups-client printer-driver-cups-pdf ghostscript
  poppler-utils gcovr clang-14 libclang-rt-14-dev ffmpeg lame help2man man-db"

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
# The coverage tree starts each test run from zero: the counts of an earlier
# run, or of objects since rebuilt, would be added in (and the build's own
# listing of the tests would warn of them).
build_coverage() {
  mkdir -p "$VOLTRAK_BUILD/coverage" &&
    find "$VOLTRAK_BUILD/coverage" -name '*.gcda' -delete &&
    configure_and_build coverage -DCMAKE_BUILD_TYPE=Debug -DVOLTRAK_COVERAGE=ON "$@" &&
    find "$VOLTRAK_BUILD/coverage" -name '*.gcda' -delete
}
build_windows() {
  mkdir -p "$VOLTRAK_BUILD" &&
    configure_and_build windows -DCMAKE_TOOLCHAIN_FILE="$VOLTRAK_ROOT/cmake/mingw-w64.cmake" "$@"
}

# The libFuzzer tree in $VOLTRAK_FUZZ_BUILD: clang, with the sanitizers.
configure_fuzz() {
  local dir=$VOLTRAK_FUZZ_BUILD
  mkdir -p "$dir"
  CC=clang-14 CXX=clang++-14 cmake -S "$VOLTRAK_ROOT" -B "$dir" -G Ninja \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVOLTRAK_FUZZ=ON -DBUILD_TESTING=OFF >"$dir.configure.log" 2>&1 ||
    { cat "$dir.configure.log"; return 1; }
}

# run_fuzz_smoke [SECONDS]: builds every target of fuzz/, runs each once over
# each of its seeds, then for an even share of SECONDS (default 60) on a copy
# of them in $VOLTRAK_FUZZ_BUILD/smoke, where a finding stays. Each target is
# one test, added to $passed or $failed.
run_fuzz_smoke() {
  local total=${1:-60} targets=() source target seconds run log status stats
  for source in "$VOLTRAK_ROOT"/fuzz/*_fuzz.cpp; do
    target=${source##*/}
    targets+=("${target%_fuzz.cpp}")
  done
  seconds=$((total / ${#targets[@]}))
  [ "$seconds" -ge 1 ] || seconds=1
  echo "== fuzz targets, ${seconds}s each"
  if ! configure_fuzz ||
    ! cmake --build "$VOLTRAK_FUZZ_BUILD" -j "$VOLTRAK_JOBS" --target "${targets[@]/#/fuzz_}" \
      >"$VOLTRAK_FUZZ_BUILD.build.log" 2>&1; then
    tail -n 40 "$VOLTRAK_FUZZ_BUILD.build.log" 2>/dev/null
    echo "fuzz build failed: ${#targets[@]} targets not run" >&2
    failed=$((${failed:-0} + ${#targets[@]}))
    return 1
  fi
  for target in "${targets[@]}"; do
    run=$VOLTRAK_FUZZ_BUILD/smoke/$target
    log=$run/log
    rm -rf "$run" && mkdir -p "$run/corpus"
    status=0
    # No seeds is a fault of its own: the run would start from nothing.
    cp "$VOLTRAK_ROOT/fuzz/corpus/$target"/* "$run/corpus/" 2>"$log" || status=1
    [ "$status" -eq 0 ] &&
      "$VOLTRAK_FUZZ_BUILD/fuzz/fuzz_$target" -artifact_prefix="$run/" "$run"/corpus/* >>"$log" 2>&1 &&
      "$VOLTRAK_FUZZ_BUILD/fuzz/fuzz_$target" -artifact_prefix="$run/" -max_total_time="$seconds" \
        -print_final_stats=1 "$run/corpus" >>"$log" 2>&1 || status=1
    stats=$(sed -nE 's/^stat::number_of_executed_units: *([0-9]+)/\1 runs/p
      s/^stat::average_exec_per_sec: *([0-9]+)/\1 per second/p' "$log" | sed ':a;N;s/\n/, /;ba')
    if [ "$status" -eq 0 ]; then
      echo "fuzz $target: passed ($stats)"
      passed=$((${passed:-0} + 1))
    else
      grep -E -m 5 'broken:|ERROR|SUMMARY|cannot stat|Test unit written' "$log" >&2
      echo "fuzz $target: FAILED (see $run)" >&2
      failed=$((${failed:-0} + 1))
    fi
  done
}

# report_coverage DIR: after the tests of the coverage tree DIR, prints one
# line of the core's line and branch coverage, whole and per folder, and
# writes the per-file report (lines with those not run, then branches) to
# DIR/coverage.txt. Only the core's folders count; the Win32 side of the
# system layer is not built here. Branches gcc adds for exceptions and for
# lines without code are left out (--exclude-throw-branches,
# --exclude-unreachable-branches): every call that may throw has one, and
# they would bury the program's own decisions. gcovr with workers waits
# forever when one of them fails, hence the time limit.
report_coverage() {
  local dir=$1
  (cd "$VOLTRAK_ROOT" &&
    timeout 900 gcovr -j 2 -r . --object-directory "$dir" --filter '(playlist|planning|outputs|support)/' \
      --exclude '.*_win32\.cpp$' --exclude-throw-branches --exclude-unreachable-branches \
      --json "$dir/coverage.json" --json-summary "$dir/coverage-summary.json" \
      --txt "$dir/coverage.txt" "$dir" &&
    gcovr -r . -a "$dir/coverage.json" --branches --txt "$dir/coverage-branches.txt" &&
    cat "$dir/coverage-branches.txt" >>"$dir/coverage.txt") >"$dir/coverage.log" 2>&1 ||
    { cat "$dir/coverage.log" >&2; return 1; }
  python3 - "$dir/coverage-summary.json" <<'EOF'
import json, sys
files = json.load(open(sys.argv[1]))["files"]
def figures(chosen):
    counts = [sum(f[key] for f in chosen) for key in
              ("line_covered", "line_total", "branch_covered", "branch_total")]
    return [100.0 * c / t if t else 100.0 for c, t in (counts[0:2], counts[2:4])] + counts
lines, branches, lc, lt, bc, bt = figures(files)
folders = ", ".join("%s/ %.1f%%" % (folder, figures(
    [f for f in files if f["filename"].startswith(folder + "/")])[0])
    for folder in ("playlist", "planning", "outputs", "support"))
print("coverage of the core: lines %.1f%% (%d/%d), branches %.1f%% (%d/%d) \u2014 %s"
      % (lines, lc, lt, branches, bc, bt, folders))
EOF
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

#!/usr/bin/env bash
# Installs what is missing, builds the native, sanitized, coverage and Windows
# trees, and runs every test: the unit tests natively, under AddressSanitizer
# and UndefinedBehaviorSanitizer, with coverage counted (one line of the
# core's figures), and as .exe files under Wine, then the
# end-to-end suite of the real program under Wine, and a short run of every
# fuzz target. Ends with "N passed, M failed".
set -u
. "$(dirname "$0")/common.sh"

ensure_packages || { echo "could not install the packages" >&2; exit 1; }

passed=0
failed=0
# run_ctest LABEL DIR: runs one tree's tests and adds its counts.
run_ctest() {
  local label=$1 dir=$2 log
  log=$(mktemp)
  echo "== $label"
  (cd "$dir" && ctest --output-on-failure --timeout 900 -j "$VOLTRAK_JOBS") 2>&1 | tee "$log" |
    grep -E -v '^ +Start |^ *[0-9]+/[0-9]+ Test +#[0-9]+: .* Passed'
  local line total bad
  line=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1)
  if [ -z "$line" ]; then
    echo "$label: no test summary" >&2
    failed=$((failed + 1))
  else
    total=$(sed -E 's/.*out of ([0-9]+).*/\1/' <<<"$line")
    bad=$(sed -E 's/.*passed, ([0-9]+) tests? failed.*/\1/' <<<"$line")
    passed=$((passed + total - bad))
    failed=$((failed + bad))
  fi
  rm -f "$log"
}

build_failed() {
  echo "$1 build failed" >&2
  failed=$((failed + 1))
}

build_windows -DVOLTRAK_WERROR=ON || build_failed windows
windows_cli=$VOLTRAK_BUILD/windows/cli/voltrak-cli.exe
native_options=(-DVOLTRAK_WERROR=ON)
[ -f "$windows_cli" ] && native_options+=(-DVOLTRAK_WINDOWS_CLI="$windows_cli")
build_native "${native_options[@]}" || build_failed native
build_sanitized -DVOLTRAK_WERROR=ON || build_failed sanitized
build_coverage -DVOLTRAK_WERROR=ON || build_failed coverage

# One display and one prefix for the whole run; the Wine-side tests share
# them. The display comes first, so that Wine starts in the prefix with it.
ensure_display
make_wine_prefix
# Without a printer the end-to-end suite skips its printing cases.
start_print_server || echo "no print server: the printing cases will be skipped" >&2
trap 'end_print_server; end_wine_prefix; end_display' EXIT

[ -d "$VOLTRAK_BUILD/native" ] && run_ctest "native" "$VOLTRAK_BUILD/native"
[ -d "$VOLTRAK_BUILD/sanitized" ] &&
  ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 run_ctest "native, sanitized" "$VOLTRAK_BUILD/sanitized"
if [ -d "$VOLTRAK_BUILD/coverage" ]; then
  run_ctest "native, coverage" "$VOLTRAK_BUILD/coverage"
  report_coverage "$VOLTRAK_BUILD/coverage" || echo "no coverage report" >&2
fi
[ -d "$VOLTRAK_BUILD/windows" ] && run_ctest "windows, under wine" "$VOLTRAK_BUILD/windows"
# A short run of every fuzz target, its seeds first; each counts as one test.
run_fuzz_smoke

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ] && [ "$passed" -gt 0 ]

#!/usr/bin/env bash
# Sets everything up and runs every test: native unit tests (ASan, UBSan),
# Windows tests under Wine (registry, files, spooler, services), window and
# end-to-end tests under Xvfb, and bounded fuzz runs.
#   test.sh [--x64] [ctest arguments for the native and the Windows build, e.g. -R catalog]
#
# The Windows tests run the 32-bit programs that ship, where this machine can
# start 32-bit programs; where it cannot, they run the x86-64 build of the
# same sources under 64-bit Wine. --x64 takes that route on any machine. The
# 32-bit build, its import check and the native tests run either way, and
# the x86-64 build is always compiled, so that it cannot rot unseen.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

route=32 why=
if [ "${1:-}" = --x64 ]; then
  route=64 why="--x64 asks for it"
  shift
fi

bash scripts/setup.sh || exit 1
. sim/wine/machine-check.sh
if [ $route = 32 ] && reason=$(qv_32bit_refused); then
  route=64 why=$reason
fi
if [ $route = 64 ]; then
  route_line="Windows tests: x86-64 build under 64-bit Wine, because $why"
  windows_preset=windows-x64
else
  route_line="Windows tests: 32-bit build (the programs that ship) under Wine"
  windows_preset=windows
fi
echo "$route_line"

bash scripts/build.sh all || { echo "build failed"; exit 1; }

# One X server for every test that opens windows.
xvfb_pid=
if [ -z "${DISPLAY:-}" ] || [ -n "${CI:-}" ]; then
  for n in $(seq 90 120); do
    [ -e "/tmp/.X${n}-lock" ] && continue
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    export DISPLAY=":$n"
    sleep 1
    kill -0 "$xvfb_pid" 2>/dev/null && break
    xvfb_pid=
  done
fi
cleanup() { [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null; true; }
trap cleanup EXIT

jobs=$(nproc 2>/dev/null || echo 2)
status=0
passed=0
failed=0
skipped=0
count() {
  # Adds the counts of a CTest summary line to the totals. CTest counts a
  # skipped test as passed; here it is counted as what it is.
  local log=$1 line total fail skip
  line=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests failed out of [0-9]+' "$log" | tail -1)
  [ -n "$line" ] || return 0
  fail=$(echo "$line" | sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\1/')
  total=$(echo "$line" | sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\2/')
  skip=$(grep -cE '^[[:space:]]*[0-9]+ - .*\(Skipped\)$' "$log")
  passed=$((passed + total - fail - skip))
  failed=$((failed + fail))
  skipped=$((skipped + skip))
}

mkdir -p build
echo "== native tests"
ctest --preset native -j "$jobs" "$@" 2>&1 | tee build/native-tests.log
[ "${PIPESTATUS[0]}" -eq 0 ] || status=1
count build/native-tests.log

echo "== $route_line"
ctest --preset $windows_preset -j "$jobs" "$@" 2>&1 | tee build/windows-tests.log
[ "${PIPESTATUS[0]}" -eq 0 ] || status=1
count build/windows-tests.log

if [ $# -eq 0 ] && [ -f fuzz/run.sh ]; then
  echo "== fuzzing the INF reader (bounded)"
  if bash fuzz/run.sh 30 inf; then passed=$((passed + 1)); else failed=$((failed + 1)); status=1; fi
  echo "== fuzzing the SNMP reply reader and the device id (bounded)"
  if bash fuzz/run.sh 15 snmp; then passed=$((passed + 1)); else failed=$((failed + 1)); status=1; fi
fi

echo "Screenshots and logs: build/$windows_preset/test-output/"
# Every skip says why: the reason each skipped test printed.
for name in $(sed -nE 's/^[[:space:]]*[0-9]+ - ([^ ]+) .*\(Skipped\)$/\1/p' build/native-tests.log build/windows-tests.log); do
  for log in build/native/Testing/Temporary/LastTest.log build/$windows_preset/Testing/Temporary/LastTest.log; do
    [ -f "$log" ] && awk -v test="$name" '$0 ~ ("^[0-9]+/[0-9]+ Test: " test "$") { on = 1 }
      on && /^SKIPPED: / { print; on = 0 } /^<end of output>/ { on = 0 }' "$log"
  done
done
echo "$passed passed, $failed failed, $skipped skipped. $route_line"
exit $status

#!/usr/bin/env bash
# Sets everything up and runs every test: native unit tests (ASan, UBSan),
# Windows tests under Wine (registry, files, spooler, services), window and
# end-to-end tests under Xvfb, and a bounded fuzz run.
#   test.sh [ctest arguments for both builds, e.g. -R catalog]
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash scripts/setup.sh || exit 1
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

echo "== Windows tests under Wine"
. sim/wine/machine-check.sh
if reason=$(qv_32bit_refused); then
  echo "NOTE: the Windows tests are skipped: $reason."
fi
ctest --preset windows -j "$jobs" "$@" 2>&1 | tee build/windows-tests.log
[ "${PIPESTATUS[0]}" -eq 0 ] || status=1
count build/windows-tests.log

if [ $# -eq 0 ] && [ -f fuzz/run.sh ]; then
  echo "== fuzzing the INF reader (bounded)"
  if bash fuzz/run.sh 30; then passed=$((passed + 1)); else failed=$((failed + 1)); status=1; fi
fi

echo "Screenshots and logs: build/windows/test-output/"
if [ $skipped -gt 0 ]; then
  echo "NOTE: $skipped tests were skipped${reason:+: $reason}."
fi
echo "$passed passed, $failed failed, $skipped skipped"
exit $status

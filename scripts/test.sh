#!/usr/bin/env bash
# Sets everything up and runs every test: native unit tests (ASan, UBSan),
# Windows tests under Wine (registry, files, spooler, services), window and
# end-to-end tests under Xvfb, bounded fuzz runs and the release tests.
#   test.sh [--x64] [ctest arguments for the native and the Windows build, e.g. -R catalog]
#
# The Windows tests run the 32-bit programs that ship, where this machine can
# start 32-bit programs; where it cannot, they run the x86-64 build of the
# same sources under 64-bit Wine. --x64 takes that route on any machine. The
# 32-bit build, its import check and the native tests run either way, and
# the other route's programs are always compiled, so that they cannot rot
# unseen. At the end it prints how long each phase and each Windows test
# took, and the five slowest tests.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

route=32 why=
if [ "${1:-}" = --x64 ]; then
  route=64 why="--x64 asks for it"
  shift
fi

# Wall time of each phase, in the order they ran.
run_start=$(date +%s.%N)
phase_names=() phase_seconds=()
phase_start=0
begin() { phase_start=$(date +%s.%N); echo "== $1"; }
end() {
  phase_names+=("$1")
  phase_seconds+=("$(awk -v a="$(date +%s.%N)" -v b="$phase_start" 'BEGIN { printf "%.1f", a - b }')")
}

begin "package set-up"
bash scripts/setup.sh || exit 1
end "package set-up"
. sim/wine/machine-check.sh
if [ $route = 32 ] && reason=$(qv_32bit_refused); then
  route=64 why=$reason
fi
if [ $route = 64 ]; then
  route_line="Windows tests: x86-64 build under 64-bit Wine, because $why"
  windows_preset=windows-x64 other_preset=windows
else
  route_line="Windows tests: 32-bit build (the programs that ship) under Wine"
  windows_preset=windows other_preset=windows-x64
fi
echo "$route_line"

# The route's build with its tests, in front: the Windows tests need it.
# Of the other build, the programs (so that they cannot rot unseen) and, on
# the 32-bit route, what its check of the x86-64 bench runs
# (sim_bench_without_32bit, which runs late for that); its other tests would
# not run here. The 32-bit programs are always there for the import check.
# That build, the native one and the fuzz targets' build run behind, at a
# lower priority: they take the processor time the Windows tests leave idle
# while they wait on Wine, windows and services, and are waited for before
# the tests that need them.
other_targets="QuorvexSetup QPHelper qpack netprobe"
[ $route = 32 ] && other_targets="$other_targets printui_standin app_platform_detection install_wine_test"
mkdir -p build
rm -f build/background-times.txt
set -m  # the builds behind get a process group of their own, to be stopped as one
(
  renice -n 10 -p "$BASHPID" >/dev/null 2>&1
  timed() {  # timed NAME COMMAND...: runs it, appends "seconds NAME" to the times
    local start rc
    start=$(date +%s.%N)
    "${@:2}"
    rc=$?
    awk -v a="$(date +%s.%N)" -v b="$start" -v n="$1" 'BEGIN { printf "%.1f %s\n", a - b, n }' \
      >>build/background-times.txt
    return $rc
  }
  timed "configure and build: native" bash scripts/build.sh native &&
    timed "configure and build: $other_preset (its programs)" \
      env QV_BUILD_TARGETS="$other_targets" bash scripts/build.sh "$other_preset" &&
    if [ $# -eq 0 ] && [ -f fuzz/run.sh ]; then
      timed "configure and build: fuzz targets" \
        bash -c 'cmake --preset fuzz >/dev/null && cmake --build --preset fuzz --target inf_fuzzer snmp_fuzzer'
    fi
) >build/background-build.log 2>&1 &
background_pid=$!
set +m
xvfb_pid=
cleanup() {
  [ -n "$background_pid" ] && kill -- -"$background_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  true
}
trap cleanup EXIT
background_done() {  # waits for the builds behind; false (and their log shown) when one failed
  [ -n "$background_pid" ] || return 0
  wait "$background_pid"
  local rc=$?
  background_pid=
  [ $rc = 0 ] && return 0
  tail -40 build/background-build.log
  echo "build failed (behind the Windows tests; build/background-build.log)"
  return 1
}

begin "configure and build: $windows_preset"
bash scripts/build.sh "$windows_preset" || { echo "build failed"; exit 1; }
end "configure and build: $windows_preset"

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


# One X server for the Windows tests that open no window of their own; every
# test that does has its own server (sim/wine/run-test.sh), so that they too
# run two at a time.
if [ -z "${DISPLAY:-}" ] || [ -n "${CI:-}" ]; then
  for n in $(seq 90 120); do
    [ -e "/tmp/.X${n}-lock" ] && continue
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    export DISPLAY=":$n"
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
    kill -0 "$xvfb_pid" 2>/dev/null && break
    xvfb_pid=
  done
fi

# The release tests build the programs from nothing, on both cores: they
# come after the others, with the test that needs the other build.
begin "$route_line"
ctest --preset $windows_preset -j "$jobs" -LE '^(release|other-build)$' "$@" 2>&1 | tee build/windows-tests.log
[ "${PIPESTATUS[0]}" -eq 0 ] || status=1
count build/windows-tests.log
end "Windows tests"

begin "waiting for the builds behind the Windows tests"
background_done || exit 1
end "waiting for the builds behind the Windows tests"

begin "native tests"
ctest --preset native -j "$jobs" "$@" 2>&1 | tee build/native-tests.log
[ "${PIPESTATUS[0]}" -eq 0 ] || status=1
count build/native-tests.log
end "native tests"

# The bounded fuzz runs take one core each, beside the release tests, which
# spend much of their time signing, zipping and waiting on Wine.
fuzz_pid=
if [ $# -eq 0 ] && [ -f fuzz/run.sh ]; then
  fuzz_start=$(date +%s.%N)
  (
    rc=0
    echo "== fuzzing the INF reader (bounded)"
    bash fuzz/run.sh 30 inf || rc=$((rc | 1))
    echo "== fuzzing the SNMP reply reader and the device id (bounded)"
    bash fuzz/run.sh 15 snmp || rc=$((rc | 2))
    exit $rc
  ) >build/fuzz.log 2>&1 &
  fuzz_pid=$!
fi

begin "release tests and the x86-64 bench check"
ctest --preset $windows_preset -j "$jobs" -L '^(release|other-build)$' -FS '.*' "$@" 2>&1 | tee build/release-tests.log
[ "${PIPESTATUS[0]}" -eq 0 ] || status=1
count build/release-tests.log
end "release tests and the x86-64 bench check"

if [ -n "$fuzz_pid" ]; then
  wait "$fuzz_pid"
  fuzz_rc=$?
  cat build/fuzz.log
  # Two bounded runs, one bit of the code each.
  for bit in 1 2; do
    if [ $((fuzz_rc & bit)) = 0 ]; then passed=$((passed + 1)); else failed=$((failed + 1)); status=1; fi
  done
  phase_names+=("fuzzing: the INF reader (30 s) and the SNMP reply reader (15 s), beside the release tests")
  phase_seconds+=("$(awk -v a="$(date +%s.%N)" -v b="$fuzz_start" 'BEGIN { printf "%.1f", a - b }')")
fi

echo "Screenshots and logs: build/$windows_preset/test-output/"
# Every skip says why: the reason each skipped test printed.
for name in $(sed -nE 's/^[[:space:]]*[0-9]+ - ([^ ]+) .*\(Skipped\)$/\1/p' build/native-tests.log \
                build/windows-tests.log build/release-tests.log); do
  for log in build/native/Testing/Temporary/LastTest.log build/$windows_preset/Testing/Temporary/LastTest.log; do
    [ -f "$log" ] && awk -v test="$name" '$0 ~ ("^[0-9]+/[0-9]+ Test: " test "$") { on = 1 }
      on && /^SKIPPED: / { print; on = 0 } /^<end of output>/ { on = 0 }' "$log"
  done
done

# Where the time went.
tests_by_time() {  # "seconds name" for every test of the logs, slowest first
  sed -nE 's/^ *[0-9]+\/[0-9]+ Test +#[0-9]+: ([^ ]+) \.+[^0-9]* ([0-9.]+) sec$/\2 \1/p' "$@" | sort -rn
}
echo "Time by phase (wall):"
for i in "${!phase_names[@]}"; do
  printf '  %7.1f s  %s\n' "${phase_seconds[$i]}" "${phase_names[$i]}"
done
[ -f build/background-times.txt ] && awk '{ t = $1; $1 = ""; printf "  %7.1f s %s (behind, at a lower priority)\n", t, $0 }' build/background-times.txt
awk -v a="$(date +%s.%N)" -v b="$run_start" 'BEGIN { printf "  %7.1f s  in all, start to end\n", a - b }'
echo "Each Windows test (its own time; two run at a time):"
tests_by_time build/windows-tests.log build/release-tests.log | awk '{ printf "  %7.1f s  %s\n", $1, $2 }'
echo "The five slowest tests:"
tests_by_time build/native-tests.log build/windows-tests.log build/release-tests.log | head -5 |
  awk '{ printf "  %7.1f s  %s\n", $1, $2 }'
echo "$passed passed, $failed failed, $skipped skipped. $route_line"
exit $status

#!/usr/bin/env bash
# Builds the fuzz preset and fuzzes the INF reader for a bounded time.
#   fuzz/run.sh [seconds]     default 30; 0 runs until interrupted (Ctrl+C)
# Seeds: the INF files of the sample package (UTF-16 LE, UTF-8, ANSI) plus
# their UTF-16 BE form. Inputs found on the way are kept in
# <build>/fuzz/corpus for the next run; a crash, a sanitizer report or a
# broken invariant stops the run, leaves the input in <build>/fuzz/findings
# and makes this script fail. QV_FUZZ_BUILD chooses the build folder.
set -euo pipefail
seconds=${1:-30}
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QV_FUZZ_BUILD:-$root/build/fuzz}

cmake --preset fuzz -B "$build" >/dev/null
cmake --build "$build" --target inf_fuzzer

work=$build/fuzz
mkdir -p "$work/corpus" "$work/seeds" "$work/findings"
for inf in "$root"/samples/package/*.INF; do
  cp "$inf" "$work/seeds/"
done
# The UTF-16 LE sample, byte-swapped: the same file with a big-endian mark.
python3 - "$root/samples/package/QX1000.INF" "$work/seeds/QX1000-BE.INF" <<'PY' || true
import sys
data = open(sys.argv[1], 'rb').read()
swapped = bytearray(len(data) - len(data) % 2)
swapped[0::2], swapped[1::2] = data[1::2][:len(swapped) // 2], data[0::2][:len(swapped) // 2]
open(sys.argv[2], 'wb').write(bytes(swapped))
PY

echo "fuzz: running inf_fuzzer for ${seconds}s (0 = until interrupted)"
"$work/inf_fuzzer" -max_total_time="$seconds" -max_len=16384 -timeout=10 \
  -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$work/findings/" \
  "$work/corpus" "$work/seeds"
echo "fuzz: no findings"

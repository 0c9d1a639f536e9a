#!/usr/bin/env bash
# Builds the fuzz preset and fuzzes for a bounded time.
#   fuzz/run.sh [seconds] [inf|snmp|all]   default 30 seconds for each, all targets;
#                                          0 runs until interrupted (Ctrl+C)
# inf: the INF reader. Seeds: the INF files of the sample package (UTF-16 LE,
# UTF-8, ANSI) plus their UTF-16 BE form.
# snmp: the SNMP reply reader and the device id. Seeds: GetResponses with a
# device id, a description, noSuchName, and a device id alone.
# Inputs found on the way are kept in <build>/fuzz/corpus[-snmp] for the next
# run; a crash, a sanitizer report or a broken invariant stops the run,
# leaves the input in <build>/fuzz/findings and makes this script fail.
# QV_FUZZ_BUILD chooses the build folder.
set -euo pipefail
seconds=${1:-30}
which=${2:-all}
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QV_FUZZ_BUILD:-$root/build/fuzz}
case $which in
  inf) targets=inf_fuzzer ;;
  snmp) targets=snmp_fuzzer ;;
  all) targets="inf_fuzzer snmp_fuzzer" ;;
  *) echo "usage: fuzz/run.sh [seconds] [inf|snmp|all]" >&2; exit 2 ;;
esac

cmake --preset fuzz -B "$build" >/dev/null
cmake --build "$build" --target $targets

work=$build/fuzz
mkdir -p "$work/findings"

run_inf() {
  mkdir -p "$work/corpus" "$work/seeds"
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
}

run_snmp() {
  mkdir -p "$work/corpus-snmp" "$work/seeds-snmp"
  # Replies as an agent sends them, written from their fields here rather
  # than by the code under test.
  python3 - "$work/seeds-snmp" <<'PY'
import os, sys
def tlv(tag, content):
    n = len(content)
    if n < 0x80: head = bytes([n])
    elif n < 0x100: head = bytes([0x81, n])
    else: head = bytes([0x82, n >> 8, n & 0xFF])
    return bytes([tag]) + head + content
def oid(arcs):
    out = bytes([arcs[0] * 40 + arcs[1]])
    for a in arcs[2:]:
        digits = [a & 0x7F]
        a >>= 7
        while a:
            digits.insert(0, 0x80 | (a & 0x7F)); a >>= 7
        out += bytes(digits)
    return out
PPM = [1,3,6,1,4,1,2699,1,2,1,2,1,1,3,1]
DESCR = [1,3,6,1,2,1,25,3,2,1,3,1]
def reply(varbinds, rid=0x1234, status=0, index=0, community=b'public'):
    vb = b''.join(tlv(0x30, tlv(0x06, oid(o)) + tlv(t, v)) for o, t, v in varbinds)
    pdu = tlv(0x02, rid.to_bytes(2, 'big')) + tlv(0x02, bytes([status])) + tlv(0x02, bytes([index])) + tlv(0x30, vb)
    return tlv(0x30, tlv(0x02, b'\x00') + tlv(0x04, community) + tlv(0xA2, pdu))
device_id = b'MFG:Quorvex;MDL:QX1000;CMD:PCL,PJL;CLS:PRINTER;DES:Quorvex QX1000;'
seeds = {
    'device-id': reply([(PPM, 0x04, device_id)]),
    'both': reply([(PPM, 0x04, device_id), (DESCR, 0x04, b'Quorvex QX1000')]),
    'description': reply([(DESCR, 0x04, b'Quorvex QX2000 Series')]),
    'no-such-name': reply([(PPM, 0x05, b'')], status=2, index=1),
    'length-prefix': reply([(PPM, 0x04, len(device_id).to_bytes(2, 'big') + device_id)]),
    'text': device_id,
}
for name, data in seeds.items():
    open(os.path.join(sys.argv[1], name), 'wb').write(data)
PY
  echo "fuzz: running snmp_fuzzer for ${seconds}s (0 = until interrupted)"
  "$work/snmp_fuzzer" -max_total_time="$seconds" -max_len=4096 -timeout=10 \
    -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$work/findings/" \
    "$work/corpus-snmp" "$work/seeds-snmp"
}

for target in $targets; do
  case $target in
    inf_fuzzer) run_inf ;;
    snmp_fuzzer) run_snmp ;;
  esac
done
echo "fuzz: no findings"

#!/usr/bin/env bash
# The bench on a machine whose kernel refuses 32-bit programs, simulated by
# sim/wine/without-32bit.sh: the machine check says why, a run of a 32-bit
# program is reported as skipped (never as passed), and the x86-64 build
# runs in a 64-bit prefix made there from nothing, the spooler and the
# printer-installation stand-in included.
#   without-32bit-test.sh SOURCE_DIR X64_BUILD_DIR SCRATCH_DIR
set -uo pipefail
src=$1 x64=$2 scratch=$3
wine_dir=$src/sim/wine
without() { bash "$wine_dir/without-32bit.sh" "$@"; }
failed=0
check() {
  if [ "$2" = 0 ]; then echo "ok: $1"; else echo "FAILED: $1"; failed=1; fi
}

reason=$(without bash -c ". '$wine_dir/machine-check.sh'; qv_32bit_refused" 2>&1)
rc=$?
if [ $rc = 77 ]; then
  echo "$reason"
  exit 77
fi
echo "machine check: $reason"
[ $rc = 0 ] && [[ $reason == *"Exec format error"* ]]
check "the machine check finds that 32-bit programs cannot start, and says why" $?

# A scratch build folder: its own prefixes, made under the simulation.
rm -rf "$scratch"
mkdir -p "$scratch/sim"
cp "$x64/sim/printui.dll" "$scratch/sim/"
detection=$x64/tests/app/app_platform_detection.exe

without bash "$wine_dir/run-test.sh" --build "$scratch" --bits 32 --arch win32 --name refused -- \
  "$detection" >"$scratch/refused.log" 2>&1
rc=$?
cat "$scratch/refused.log"
[ $rc = 77 ] && grep -q '^SKIPPED: ' "$scratch/refused.log"
check "a 32-bit run is reported as skipped (77), with the reason" $?

without bash "$wine_dir/run-test.sh" --build "$scratch" --bits 64 --arch win64 --version win7 --name detection -- \
  "$detection" --major=6 --minor=1 --wow64=0 --processor=AMD64 --dir=AMD64 --legacy=0 "--env=Windows x64"
check "the x86-64 build runs in a 64-bit prefix made without 32-bit support" $?

without bash "$wine_dir/run-test.sh" --build "$scratch" --bits 64 --arch win64 --name printui -- \
  "$x64/tests/install/wine/install_wine_test.exe" --gtest_filter=Printers.InstallsThroughPrintUi*
check "the x86-64 build installs through the 64-bit stand-in and spooler there" $?

[ $failed = 0 ] && rm -rf "$scratch"
exit $failed

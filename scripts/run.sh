#!/usr/bin/env bash
# Sets everything up and runs the installer wizard on the bundled sample
# driver package, in a Wine prefix prepared as a 32-bit Windows 7 machine
# with a virtual Quorvex QX1000 printer on USB port 3 and the stand-in for
# the system's printer-installation entry point.
#
# With a display the wizard opens on it; without one (or with --headless)
# it runs under Xvfb, walks through every page by itself and saves a
# screenshot of each in build/windows*/test-output/demo/. Either way it then
# prints what the installation changed on the simulated machine.
#
# It shows the 32-bit program that ships. On a machine that cannot start
# 32-bit programs (or with --x64) it shows the x86-64 build of the same
# sources, on a 64-bit Windows 7 machine, and says so.
#   run.sh [--headless] [--x64]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

headless=0 route=32 why=
for arg in "$@"; do
  case $arg in
    --headless) headless=1 ;;
    --x64) route=64 why="--x64 asks for it" ;;
    *) echo "run: unknown argument $arg (--headless, --x64)" >&2; exit 2 ;;
  esac
done
[ -z "${DISPLAY:-}" ] && headless=1

bash scripts/setup.sh
. sim/wine/machine-check.sh
if [ $route = 32 ] && reason=$(qv_32bit_refused); then
  route=64 why=$reason
fi
if [ $route = 64 ]; then
  preset=windows-x64 arch=win64
  echo "run: showing the x86-64 build of the wizard under 64-bit Wine, because $why;" \
       "the program that ships is the 32-bit build."
else
  preset=windows arch=win32
  echo "run: showing the 32-bit wizard, the program that ships."
fi
bash scripts/build.sh $preset
cmake --build --preset $preset --target sample_package qvdemo >/dev/null

build=$root/build/$preset
package=$build/package
[ -f "$package/QuorvexSetup.exe" ] || { echo "run: the sample package was not assembled" >&2; exit 1; }

# What the prefix gets before the wizard starts: the package on drive C:
# and a virtual USB printer of each USB model, so that whichever model is
# chosen finds its own printer.
prepare="mkdir -p \"\$WINEPREFIX/drive_c/QuorvexPackage\" && cp -r \"$package/.\" \"\$WINEPREFIX/drive_c/QuorvexPackage/\""
if [ -f "$build/sim/qvdevice.exe" ]; then
  prepare="$prepare && wine \"$build/sim/qvdevice.exe\" plug-usb QuorvexQX10007A2B 3 0000 >/dev/null"
  prepare="$prepare && wine \"$build/sim/qvdevice.exe\" plug-usb QuorvexQX20005E6F 4 0001 >/dev/null"
fi

mode=--interactive
[ $headless = 1 ] && mode=--walk
if [ $headless = 1 ]; then
  unset DISPLAY
fi
QV_PREPARE=$prepare bash sim/wine/run-test.sh --build "$build" --bits $route --arch $arch --version win7 \
  --lang "${LC_ALL:-en_US.UTF-8}" --name demo --keep -- "$build/tests/e2e/qvdemo.exe" $mode
status=$?
if [ $headless = 1 ]; then
  echo "Screenshots: $build/test-output/demo/"
fi
echo "The demo machine stays in $build/prefixes/run/demo (WINEPREFIX) for a closer look."
exit $status

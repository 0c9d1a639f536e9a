#!/usr/bin/env bash
# Configures and builds the Windows programs and the native tests.
#   build.sh [windows|windows-x64|native|all]   (default: all)
# windows is the 32-bit build, the programs that ship; windows-x64 the same
# sources for x86-64, which the bench runs where 32-bit programs cannot start.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
what=${1:-all}
case $what in
  all|native|windows|windows-x64) ;;
  *) echo "build: unknown build $what (windows, windows-x64, native or all)" >&2; exit 2 ;;
esac
jobs=$(nproc 2>/dev/null || echo 2)
if [ "$what" = all ] || [ "$what" = native ]; then
  cmake --preset native >/dev/null
  cmake --build --preset native -j "$jobs"
fi
for preset in windows windows-x64; do
  if [ "$what" = all ] || [ "$what" = $preset ]; then
    cmake --preset $preset >/dev/null
    cmake --build --preset $preset -j "$jobs"
  fi
done

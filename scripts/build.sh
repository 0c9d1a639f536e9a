#!/usr/bin/env bash
# Configures and builds the Windows programs and the native tests.
#   build.sh [windows|windows-x64|native|all]   (default: all)
# QV_BUILD_TARGETS="a b" builds those targets of the Windows builds alone
# (the default: everything). Compiles through ccache where it is installed.
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
targets=()
[ -z "${QV_BUILD_TARGETS:-}" ] || read -r -a targets <<<"--target $QV_BUILD_TARGETS"
# Paths below the checkout are hashed relative to it, and the build folder
# is not hashed (the native build has debug information), so that another
# clone of the same sources finds the same cache entries. Its debug
# information then names the first clone's folder: only a debugger minds.
export CCACHE_BASEDIR=$root CCACHE_NOHASHDIR=1
if [ "$what" = all ] || [ "$what" = native ]; then
  cmake --preset native -DQV_COMPILER_CACHE=ON >/dev/null
  cmake --build --preset native -j "$jobs"
fi
for preset in windows windows-x64; do
  if [ "$what" = all ] || [ "$what" = $preset ]; then
    cmake --preset $preset -DQV_COMPILER_CACHE=ON >/dev/null
    cmake --build --preset $preset -j "$jobs" "${targets[@]}"
  fi
done

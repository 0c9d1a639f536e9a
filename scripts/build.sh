#!/usr/bin/env bash
# Configures and builds the Windows programs and the native tests.
#   build.sh [windows|native|all]   (default: all)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
what=${1:-all}
jobs=$(nproc 2>/dev/null || echo 2)
if [ "$what" = all ] || [ "$what" = native ]; then
  cmake --preset native >/dev/null
  cmake --build --preset native -j "$jobs"
fi
if [ "$what" = all ] || [ "$what" = windows ]; then
  cmake --preset windows >/dev/null
  cmake --build --preset windows -j "$jobs"
fi

#!/usr/bin/env bash
# Runs a command as on a machine whose kernel refuses 32-bit executables:
#   without-32bit.sh command [args...]
# In a mount namespace of its own, every 32-bit program of Wine (its 32-bit
# loader and server) is covered by a copy whose ELF header names no machine
# the kernel knows, so starting it fails with "Exec format error", as it does
# where the kernel has no 32-bit support. Nothing outside the command sees a
# change. Needs root (a mount namespace); exits with 77 when it cannot make one.
set -euo pipefail
[ $# -gt 0 ] || { echo "without-32bit: usage: without-32bit.sh command [args...]" >&2; exit 2; }

if [ -z "${QV_WITHOUT_32BIT_INSIDE:-}" ]; then
  if ! unshare -m true 2>/dev/null; then
    echo "SKIPPED: without-32bit: no mount namespace here (needs root)" >&2
    exit 77
  fi
  exec env QV_WITHOUT_32BIT_INSIDE=1 unshare -m --propagation private bash "$0" "$@"
fi

work=$(mktemp -d)
covered=0
for f in /usr/lib/wine/wine /usr/lib/wine/wineserver32 /usr/lib/i386-linux-gnu/wine/wine \
         /usr/lib/wine/wine-preloader /usr/lib/i386-linux-gnu/wine/wine-preloader; do
  [ -f "$f" ] || continue
  # e_ident[EI_CLASS] 1 is a 32-bit ELF file; only those are covered.
  [ "$(od -An -tu1 -j4 -N1 "$f" | tr -d ' ')" = 1 ] || continue
  copy=$work/$(echo "$f" | tr / _)
  cp "$f" "$copy"
  # e_machine (bytes 18-19) set to 0xFFFF, a machine no kernel runs.
  printf '\xff\xff' | dd of="$copy" bs=1 seek=18 conv=notrunc status=none
  mount --bind "$copy" "$f"
  covered=$((covered + 1))
done
[ $covered -gt 0 ] || echo "without-32bit: no 32-bit Wine program found to cover" >&2
exec "$@"

#!/usr/bin/env bash
# Creates a throwaway Wine prefix that tests copy from:
#   make-prefix.sh [--bits 32|64] --arch win32|win64 --dir DIR
# win32 is a 32-bit prefix; win64 a 64-bit one, where our 32-bit programs run
# under WOW64 and the x86-64 build (--bits 64) runs natively. With --bits 64
# the prefix is made with Wine's 64-bit loader alone, as on a machine that
# cannot start 32-bit programs. Nothing here touches ~/.wine.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
bits=32 arch=win32 dir=
while [ $# -gt 0 ]; do
  case $1 in
    --bits) bits=$2; shift 2 ;;
    --arch) arch=$2; shift 2 ;;
    --dir) dir=$2; shift 2 ;;
    *) echo "make-prefix: unknown argument $1" >&2; exit 2 ;;
  esac
done
[ -n "$dir" ] || { echo "make-prefix: --dir is required" >&2; exit 2; }
. "$here/machine-check.sh"
if [ "$bits" = 64 ] && [ "$arch" = win64 ]; then
  qv_use_wine64
else
  qv_require_32bit_wine
fi

stamp="$(cat "$0" "$here/prefix.reg" | md5sum | cut -d' ' -f1)-$(wine --version)"
if [ -f "$dir/.ready" ] && [ "$(cat "$dir/.ready")" = "$stamp" ]; then
  exit 0
fi

rm -rf "$dir"
mkdir -p "$(dirname "$dir")"
export WINEPREFIX=$dir WINEARCH=$arch WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
unset DISPLAY
start=$(date +%s)
wineboot -i >/dev/null 2>&1
wineserver -w
wine regedit /S "$here/prefix.reg" >/dev/null 2>&1 || wine reg import "$here/prefix.reg" >/dev/null 2>&1
wineserver -w
# Window captions draw their buttons with Marlett. Wine carries the font but
# does not always find it in its own data folder; in the prefix's Fonts
# folder it always does, and the close box shows its symbol, not an "r".
for fonts in /usr/share/wine/fonts /usr/lib/wine/fonts /usr/share/fonts/truetype/wine; do
  if [ -f "$fonts/marlett.ttf" ]; then
    cp "$fonts/marlett.ttf" "$dir/drive_c/windows/Fonts/"
    break
  fi
done
wineserver -k 2>/dev/null || true
echo "$stamp" > "$dir/.ready"
echo "make-prefix: $arch prefix ready in $(( $(date +%s) - start )) s at $dir"

#!/usr/bin/env bash
# Runs one Windows program in a fresh copy of a prepared Wine prefix:
#   run-test.sh --build DIR [--bits 32|64] --arch win32|win64
#               --version default|win98|nt40|win2k|winxp|win7|win10
#               --lang en_US.UTF-8 --name NAME [--dpi N] [--serial COMn] [--own-display] [--keep]
#               -- program.exe [args...]
# --bits says which build DIR holds: 32 (the programs that ship; the default)
# or 64 (the x86-64 build, which runs in a win64 prefix under Wine's 64-bit
# loader, also where this machine cannot start 32-bit programs).
# --dpi sets the display's dots per inch of the prefix (96 is 100 %, 120 is
# 125 %, 144 is 150 %, 192 is 200 %), as the display settings would.
# --serial gives the prefix a serial port COMn whose other end is a file (see
# sim/serial/ptycom.py and sim/README.md).
# --own-display gives the run an X server of its own (Xvfb), so that its
# screenshots show its windows alone while other tests run beside it;
# QV_TEST_DISPLAY=:N runs it on that display instead (to watch it; run one
# test at a time then). Without any DISPLAY every run gets its own server.
# A run with --own-display also keeps Wine's desktop open until the program
# ends (see the desktop holder below).
# The copy lives in DIR/prefixes/run/NAME and is removed after a passing run
# (kept after a failing one, for a look). The program sees:
#   QV_TEST_OUTPUT   a Windows path (Z:\...) of DIR/test-output/NAME, for screenshots
#   QV_BUILD_DIR     the Windows path of DIR
#   QV_SERIAL_PORT   with --serial: the port's name, "COMn"
#   QV_SERIAL_CAPTURE  with --serial: the Windows path of the file that every
#                    byte written to the port is appended to
# Every process of the prefix is ended before this script returns.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build= bits=32 arch=win32 version=default lang=en_US.UTF-8 name= dpi= serial= keep=0 own_display=0
while [ $# -gt 0 ]; do
  case $1 in
    --build) build=$2; shift 2 ;;
    --bits) bits=$2; shift 2 ;;
    --arch) arch=$2; shift 2 ;;
    --version) version=$2; shift 2 ;;
    --lang) lang=$2; shift 2 ;;
    --name) name=$2; shift 2 ;;
    --dpi) dpi=$2; shift 2 ;;
    --serial) serial=$2; shift 2 ;;
    --keep) keep=1; shift ;;
    --own-display) own_display=1; shift ;;
    --) shift; break ;;
    *) echo "run-test: unknown argument $1" >&2; exit 2 ;;
  esac
done
[ -n "$build" ] && [ -n "$name" ] && [ $# -gt 0 ] || { echo "run-test: usage: see the header of $0" >&2; exit 2; }
. "$here/machine-check.sh"
case $bits in
  32) qv_require_32bit_wine ;;
  64) [ "$arch" = win64 ] || { echo "run-test: a 64-bit program runs only in a win64 prefix" >&2; exit 2; }
      qv_use_wine64 ;;
  *) echo "run-test: --bits is 32 or 64" >&2; exit 2 ;;
esac

xvfb_pid=
if [ $own_display = 1 ] && [ -n "${QV_TEST_DISPLAY:-}" ]; then
  export DISPLAY=$QV_TEST_DISPLAY
elif [ $own_display = 1 ] || [ -z "${DISPLAY:-}" ]; then
  # The server picks a free display number itself and writes it to the
  # pipe once it takes connections, so that runs started together never
  # race for one number.
  fifo=$(mktemp -u "${TMPDIR:-/tmp}/qv-xvfb.XXXXXX")
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
  xvfb_pid=$!
  trap 'kill "$xvfb_pid" 2>/dev/null' EXIT
  display=
  read -r -t 30 display <"$fifo"
  rm -f "$fifo"
  [ -n "$display" ] || { kill "$xvfb_pid" 2>/dev/null; echo "run-test: Xvfb did not start" >&2; exit 1; }
  export DISPLAY=":$display"
fi

template=$build/prefixes/template-$arch
mkdir -p "$build/prefixes"
(
  flock 9
  bash "$here/make-prefix.sh" --bits "$bits" --arch "$arch" --dir "$template" >&2
) 9>"$build/prefixes/.lock-$arch"

prefix=$build/prefixes/run/$name
rm -rf "$prefix"
mkdir -p "$(dirname "$prefix")"
# Hard links keep the copy cheap. Files that Wine rewrites in place (the
# registry hives, the .ini files) get copies of their own.
cp -al "$template" "$prefix"
find "$prefix" -maxdepth 3 \( -name '*.reg' -o -name '*.ini' \) -type f -print0 |
  while IFS= read -r -d '' f; do cp --remove-destination "$template/${f#$prefix/}" "$f"; done

export WINEPREFIX=$prefix WINEARCH=$arch WINEDEBUG=${WINEDEBUG:--all}
export LC_ALL=$lang LANG=$lang
overrides="mscoree,mshtml,winemenubuilder.exe="

# The stand-ins, when the build has them (see sim/README.md), in the system
# folder that programs of its bitness load from: the print-installation entry
# point, and the Standard TCP/IP Port monitor that prefix.reg registers
# (Wine's spooler runs in the program's own process and loads the monitor
# there; Wine has no tcpmon.dll of its own to override).
sysdir=system32
[ "$arch" = win64 ] && [ "$bits" = 32 ] && sysdir=syswow64
standin=$build/sim/printui.dll
if [ -f "$standin" ]; then
  cp --remove-destination "$standin" "$prefix/drive_c/windows/$sysdir/printui.dll"
  overrides="$overrides;printui=n"
fi
if [ -f "$build/sim/tcpmon.dll" ]; then
  cp --remove-destination "$build/sim/tcpmon.dll" "$prefix/drive_c/windows/$sysdir/tcpmon.dll"
fi
export WINEDLLOVERRIDES=$overrides

serial_pid=
cleanup() {
  [ -n "$serial_pid" ] && kill "$serial_pid" 2>/dev/null
  wineserver -k >/dev/null 2>&1 || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  true
}
trap cleanup EXIT
trap 'exit 143' TERM INT

# A serial port's SERIALCOMM entry lives in a volatile key, as on Windows:
# one server for the whole run keeps it from the entry to the program's end.
[ -n "$serial" ] && wineserver -p

if [ "$version" != default ]; then
  wine reg add 'HKCU\Software\Wine' /v Version /d "$version" /f >/dev/null 2>&1
fi

if [ -n "$dpi" ]; then
  # Where Wine reads the scale from (the user's desktop settings), and where
  # older Wine versions did.
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
  wine reg add 'HKCC\Software\Fonts' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1 || true
fi

winpath() { printf 'Z:%s' "$(printf '%s' "$1" | tr / '\\')"; }
out=$build/test-output/$name
rm -rf "$out"; mkdir -p "$out"
export QV_TEST_OUTPUT=$(winpath "$out") QV_BUILD_DIR=$(winpath "$build")

if [ -n "$serial" ]; then
  capture=$out/serial-$serial.bin
  ready=$prefix/.serial-ready
  : > "$capture"
  python3 "$here/../serial/ptycom.py" --prefix "$prefix" --com "$serial" --capture "$capture" \
    --ready "$ready" --seconds "${QV_SERIAL_SECONDS:-300}" &
  serial_pid=$!
  for _ in $(seq 100); do
    [ -f "$ready" ] && break
    kill -0 "$serial_pid" 2>/dev/null || break
    sleep 0.1
  done
  [ -f "$ready" ] || { echo "run-test: the serial bench did not start" >&2; exit 1; }
  wine "$build/sim/qvdevice.exe" plug-com "$serial" "$(head -n1 "$ready")" ||
    { echo "run-test: $serial could not be entered in the prefix" >&2; exit 1; }
  export QV_SERIAL_PORT=$serial QV_SERIAL_CAPTURE=$(winpath "$capture")
fi

# Hooks a test may need before its program starts (virtual devices and so on).
if [ -n "${QV_PREPARE:-}" ]; then
  bash -c "$QV_PREPARE" || { echo "run-test: preparation failed" >&2; exit 1; }
fi

# Wine (8.0) closes a desktop a second after a user of it goes away and the
# users left are as many as the desktop process's threads. Under load that
# fires while a window test still has windows up, after a program the test
# started exits: the desktop goes, and X refuses the test's next window
# (BadWindow on X_CreateWindow, which ends the program). A console program
# waiting for input it never gets stays a user of the desktop for the run;
# the server is stopped after the test, and the waiting program with it.
if [ $own_display = 1 ]; then
  held=$prefix/.desktop-held
  hold=$(mktemp -u "${TMPDIR:-/tmp}/qv-hold.XXXXXX")
  mkfifo "$hold"
  exec 5<>"$hold"
  rm -f "$hold"
  rm -f "$held"
  wine cmd.exe /c "echo held& pause" <&5 >"$held" 2>/dev/null &
  for _ in $(seq 300); do
    grep -q held "$held" 2>/dev/null && break
    sleep 0.1
  done
  grep -q held "$held" 2>/dev/null || { echo "run-test: the desktop holder did not start" >&2; exit 1; }
fi

wine "$@"
rc=$?
wineserver -k >/dev/null 2>&1
wineserver -w >/dev/null 2>&1
[ $own_display = 1 ] && exec 5>&-
if [ -n "$serial_pid" ]; then
  kill "$serial_pid" 2>/dev/null
  wait "$serial_pid" 2>/dev/null
  serial_pid=
fi

# Screenshots are taken as BMP by the Windows side; keep PNG copies.
for bmp in "$out"/*.bmp; do
  [ -f "$bmp" ] || continue
  convert "$bmp" "${bmp%.bmp}.png" 2>/dev/null && rm -f "$bmp"
done

if [ $rc -eq 0 ] && [ $keep = 0 ]; then
  rm -rf "$prefix"
fi
exit $rc

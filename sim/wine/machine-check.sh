# Sourced by the prefix scripts and the test command: can this machine run
# our 32-bit Windows programs, and how to run the x86-64 build instead.
#
# The programs that ship are 32-bit, and Wine starts every 32-bit Windows
# program through its 32-bit loader, a 32-bit Linux executable. Some
# machines' kernels refuse 32-bit executables outright ("Exec format error"),
# whatever is installed. There the bench runs the x86-64 build of the same
# sources under Wine's 64-bit loader (qv_use_wine64). A 32-bit run asked for
# on such a machine is reported as skipped (77, the code CTest is told means
# "skipped"), never as passed, and the reason is printed. Any other failure
# of Wine stays a failure.
QV_SKIP_CODE=77
QV_WINE_SHIMS=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/wine64

# Prints why this machine cannot run 32-bit programs and succeeds when it
# cannot; fails (prints nothing) when it can, or when Wine fails otherwise.
qv_32bit_refused() {
  local out
  # Without the 32-bit Wine (wine32; its i386 packages may have been out of
  # reach when the machine was set up) `wine` falls back to the 64-bit
  # loader, which starts no 32-bit program either.
  if ! qv_wine32_loader >/dev/null; then
    echo "the 32-bit Wine (wine32) is not installed on this machine, so Wine cannot start" \
         "32-bit Windows programs here"
    return 0
  fi
  out=$(wine --version 2>&1) && return 1
  printf '%s' "$out" | grep -qi 'exec format error' || return 1
  echo "this machine's kernel does not run 32-bit executables, so Wine cannot start" \
       "32-bit Windows programs here ($out)"
}

# Wine's 32-bit loader, where Wine has one.
qv_wine32_loader() {
  local c
  for c in /usr/lib/wine/wine /usr/lib/i386-linux-gnu/wine/wine /usr/lib32/wine/wine; do
    [ -x "$c" ] && { echo "$c"; return 0; }
  done
  # A Wine installed elsewhere (built from source): its `wine` is the loader.
  c=$(command -v wine 2>/dev/null) || return 1
  case $(head -c 4 "$c" 2>/dev/null | od -An -c | tr -d ' ') in
    *177ELF*) echo "$c"; return 0 ;;
  esac
  return 1
}

# Wine's 64-bit loader. The `wine` command starts the 32-bit loader whenever
# it is installed, even for a 64-bit program, so the x86-64 route names the
# 64-bit one itself.
qv_wine64_loader() {
  local c
  for c in /usr/lib/wine/wine64 /usr/lib/x86_64-linux-gnu/wine/wine64 /usr/lib64/wine/wine64 \
           "$(command -v wine64 2>/dev/null)"; do
    [ -n "$c" ] && [ -x "$c" ] && { echo "$c"; return 0; }
  done
  return 1
}

# From here on, `wine` (and every Wine script that calls it, wineboot among
# them) is the 64-bit loader, and Wine starts its own programs with it too.
qv_use_wine64() {
  local loader
  loader=$(qv_wine64_loader) || { echo "no 64-bit Wine loader (wine64) on this machine" >&2; exit 1; }
  export WINELOADER=$loader PATH="$QV_WINE_SHIMS:$PATH"
}

qv_require_32bit_wine() {
  local reason
  if reason=$(qv_32bit_refused); then
    echo "SKIPPED: $reason" >&2
    exit $QV_SKIP_CODE
  fi
}

# Sourced by the prefix scripts and the test command: can this machine run
# our Windows programs at all?
#
# Our Windows programs are 32-bit, and Wine starts every 32-bit Windows
# program through its 32-bit loader, a 32-bit Linux executable. Some virtual
# machines' kernels refuse 32-bit executables outright ("Exec format error"),
# whatever is installed. There no Windows test can run: such a run is
# reported as skipped (77, the code CTest is told means "skipped"), never as
# passed, and the reason is printed. Any other failure of Wine stays a failure.
QV_SKIP_CODE=77

# Prints why this machine cannot run 32-bit programs and succeeds when it
# cannot; fails (prints nothing) when it can, or when Wine fails otherwise.
qv_32bit_refused() {
  local out
  out=$(wine --version 2>&1) && return 1
  printf '%s' "$out" | grep -qi 'exec format error' || return 1
  echo "this machine's kernel does not run 32-bit executables, so Wine cannot start" \
       "32-bit Windows programs here ($out)"
}

qv_require_32bit_wine() {
  local reason
  if reason=$(qv_32bit_refused); then
    echo "SKIPPED: $reason" >&2
    exit $QV_SKIP_CODE
  fi
}

#!/usr/bin/env bash
# Installs everything the build, the Wine bench and the tests need, from
# Debian's packages. Safe to run again: it only installs what is missing.
set -euo pipefail

PACKAGES=(
  cmake ninja-build g++ make locales
  mingw-w64 g++-mingw-w64-i686 binutils-mingw-w64-i686
  g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64  # the x86-64 build of the bench
  wine wine32 wine64
  xvfb xauth x11-utils imagemagick fonts-wqy-microhei
  googletest libgtest-dev libbenchmark-dev
  clang libclang-rt-14-dev
  python3-pil  # only to redraw the wizard artwork (wizard/res/art)
  osslsigncode openssl python3 zip  # scripts/release.sh: signing, the zip, its test
  # (python3 also runs the serial bench's cable, sim/serial/ptycom.py)
  python3-yaml python3-jsonschema  # scripts/release.sh and its test: the package manager manifests against their schemas
  ccache  # the build scripts compile through it: a second build takes most from the cache
)

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# A mirror in the middle of a sync serves an index that fails its checksum
# for a while: try once more, and then go on with the lists apt has (the
# install below fails clearly if a package is really out of reach).
apt_update() {
  as_root apt-get update -qq && return 0
  echo "setup: apt-get update failed; trying once more in 10 s" >&2
  sleep 10
  as_root apt-get update -qq && return 0
  echo "setup: going on with the package lists apt already has" >&2
}

# True when apt knows a version of package $1 it could install.
installable() {
  local candidate
  candidate=$(apt-cache policy "$1" 2>/dev/null | sed -nE 's/^ *Candidate: *//p')
  [ -n "$candidate" ] && [ "$candidate" != "(none)" ]
}

apt_install() {
  local p name rest=()
  for p in "$@"; do
    name=$p
    [ "$p" = wine32 ] && name=wine32:i386
    # The i386 lists are the ones a mirror sync breaks most, and some
    # machines have none: without them the 32-bit Wine cannot be installed,
    # but everything else can, and the Windows tests then take the x86-64
    # route (the test command says so). Known at once: no waiting for it.
    if [ "$p" = wine32 ] && ! installable "$name"; then
      echo "setup: installing without wine32 (the 32-bit Wine is not in the package lists); the Windows tests will run the x86-64 build" >&2
      continue
    fi
    rest+=("$p")
  done
  [ ${#rest[@]} -gt 0 ] || return 0
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${rest[@]}" >/dev/null && return 0
  echo "setup: apt-get install failed; fetching the package lists again and trying once more" >&2
  apt_update
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${rest[@]}" >/dev/null && return 0
  # Listed but not installable (i386 lists out of step with the others).
  local without=()
  for p in "${rest[@]}"; do [ "$p" = wine32 ] || without+=("$p"); done
  [ ${#without[@]} -lt ${#rest[@]} ] || return 1
  echo "setup: installing without wine32 (the 32-bit Wine); the Windows tests will run the x86-64 build" >&2
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${without[@]}" >/dev/null
}

missing=()
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  as_root dpkg --add-architecture i386
  need_update=1
fi
for p in "${PACKAGES[@]}"; do
  # wine32 is an i386 package; dpkg names it with its architecture.
  name=$p
  [ "$p" = wine32 ] && name=wine32:i386
  if ! dpkg-query -W -f='${Status}' "$name" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ] || [ "${need_update:-0}" = 1 ]; then
  echo "setup: installing ${missing[*]:-(package lists only)}"
  apt_update
  if [ ${#missing[@]} -gt 0 ]; then
    apt_install "${missing[@]}"
  fi
fi
echo "setup: all build and test packages present"

# Wine takes the user-interface language from LC_ALL, which only works for
# locales that the C library has generated.
for loc in en_US zh_CN zh_TW; do
  if ! locale -a 2>/dev/null | grep -qix "${loc}.utf-\?8"; then
    echo "setup: generating locale ${loc}.UTF-8"
    as_root localedef -i "$loc" -f UTF-8 "${loc}.UTF-8"
  fi
done

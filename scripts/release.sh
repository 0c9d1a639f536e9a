#!/usr/bin/env bash
# Builds a release of the Quorvex printer driver from the committed sources:
#   release.sh --unidrv DIR --pkcs12 FILE [--pass-file FILE] [--timestamp URL]
#              [--ca FILE] [--out DIR] [--download-url URL]
#   release.sh --unidrv DIR --unsigned [--out DIR] [--download-url URL]
# --unidrv    the folder of the real unidriver core files (unidrv.dll,
#             unidrvui.dll, unires.dll, unidrv.hlp) that the installer carries
# --pkcs12    the code-signing certificate and key; --pass-file holds the key's
#             pass phrase (never give it on the command line)
# --timestamp a time-stamp server for the signatures (osslsigncode -ts); a
#             release for shipping should have one
# --ca        the CA certificates the signatures are verified against after
#             signing (default: the system's bundle)
# --unsigned  no signatures (to reproduce a release and compare it)
# --download-url  where the zip will be published, for the package manager
#             manifest (default: the maker's web address, downloads/<zip>)
# --out       where the release goes (default: build/release); replaced as a
#             whole when the release is made, untouched when it is refused
# --bench-x64 BENCH ONLY, NEVER SHIPPED: the same release built for x86-64,
#             so that the Wine bench can install it where 32-bit programs
#             cannot start
#
# Writes to --out: the package folder as users get it, a zip of it named with
# the version, SHA256SUMS of the zip and of every file in the folder, and in
# winget/ the Windows Package Manager manifests of the zip
# (scripts/winget/README.md).
# Refuses, writing nothing, when the working tree has uncommitted changes, the
# unidriver folder lacks a file or holds the build's generated stand-ins,
# qpack check finds a model the installer would not list or a package file
# missing, qpack cannot write the package's digest list (no digests command,
# the command fails, or the list is empty), the pass phrase is wrong, or a
# signature does not verify.
#
# QV_QPACK=FILE names a built qpack to use; otherwise the native build's is
# built (build/native).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

fail() { echo "release: REFUSED: $*" >&2; exit 1; }
usage() { sed -n '2,/^[^#]/s/^# \{0,1\}//p' "$0" >&2; exit 2; }

unidrv= pkcs12= pass_file= timestamp= ca=/etc/ssl/certs/ca-certificates.crt unsigned=0 bench=0
out=$root/build/release download_url=
while [ $# -gt 0 ]; do
  case $1 in
    --unidrv) unidrv=${2:?}; shift 2 ;;
    --pkcs12) pkcs12=${2:?}; shift 2 ;;
    --pass-file) pass_file=${2:?}; shift 2 ;;
    --timestamp) timestamp=${2:?}; shift 2 ;;
    --ca) ca=${2:?}; shift 2 ;;
    --unsigned) unsigned=1; shift ;;
    --out) out=${2:?}; shift 2 ;;
    --download-url) download_url=${2:?}; shift 2 ;;
    --bench-x64) bench=1; shift ;;
    -h|--help) usage ;;
    *) echo "release: unknown argument $1" >&2; usage ;;
  esac
done
[ -n "$unidrv" ] || { echo "release: --unidrv DIR is required" >&2; usage; }
if [ $unsigned = 1 ]; then
  [ -z "$pkcs12$pass_file$timestamp" ] || { echo "release: --unsigned takes no --pkcs12, --pass-file or --timestamp" >&2; exit 2; }
else
  [ -n "$pkcs12" ] || { echo "release: give --pkcs12 FILE, or --unsigned" >&2; usage; }
fi
abs() { (cd "$(dirname "$1")" && printf '%s/%s' "$(pwd)" "$(basename "$1")"); }
out=$(mkdir -p "$(dirname "$out")" && abs "$out")

# ---- Checks that need no build ----------------------------------------------
cd "$root"
git rev-parse --is-inside-work-tree >/dev/null 2>&1 || fail "$root is not a git checkout"
changes=$(git status --porcelain)
[ -z "$changes" ] || fail "the working tree has uncommitted changes; a release is made from a commit:
$changes"
commit=$(git rev-parse HEAD)

[ -d "$unidrv" ] || fail "--unidrv $unidrv is not a folder"
unidrv=$(cd "$unidrv" && pwd)
for name in $(sed -nE 's/^#define QV_EMBEDDED_UNI[A-Z_]*_NAME "([^"]+)"$/\1/p' context/EmbeddedFiles.h); do
  [ -f "$unidrv/$name" ] || fail "the unidriver folder $unidrv has no $name"
  # app/CMakeLists.txt writes its stand-ins with this header and payload.
  if head -c 200 "$unidrv/$name" | grep -aq 'QUORVEX BUILD STAND-IN' ||
     grep -aq 'stand-in payload 0123456789' "$unidrv/$name"; then
    fail "$unidrv/$name is the build's generated stand-in, not the Windows file"
  fi
done

if [ $unsigned = 0 ]; then
  [ -f "$pkcs12" ] || fail "no certificate file $pkcs12"
  [ -z "$pass_file" ] || [ -f "$pass_file" ] || fail "no pass-phrase file $pass_file"
  [ -f "$ca" ] || fail "no CA file $ca to verify the signatures against"
  pass_arg=(-passin pass:)
  [ -z "$pass_file" ] || pass_arg=(-passin "file:$pass_file")
  openssl pkcs12 -in "$pkcs12" "${pass_arg[@]}" -noout >/dev/null 2>&1 ||
    fail "cannot open $pkcs12 with the pass phrase given (wrong pass phrase, or not a PKCS#12 file)"
  command -v osslsigncode >/dev/null || fail "osslsigncode is missing (bash scripts/setup.sh installs it)"
fi

version=$(sed -nE 's/^#define QV_VERSION_TEXT "([^"]+)"$/\1/p' context/Version.h)
[ -n "$version" ] || fail "context/Version.h has no QV_VERSION_TEXT"
toolchain=cmake/mingw-i686.cmake name=QuorvexPrinterDriver-$version arch=x86
if [ $bench = 1 ]; then
  toolchain=cmake/mingw-x86_64.cmake name=$name-bench-x64 arch=x64
  echo "release: --bench-x64: an x86-64 build for the Wine bench, NOT FOR SHIPPING"
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/qv-release.XXXXXX")
trap 'rm -rf "$work"' EXIT
stage=$work/out pkg=$work/out/$name
mkdir -p "$pkg"
# The package folder: the sample driver package, without its README.
cp -R samples/package/. "$pkg/"
rm -f "$pkg/README.md"

qpack=${QV_QPACK:-}
if [ -z "$qpack" ]; then
  cmake --preset native >/dev/null
  cmake --build --preset native --target qpack >/dev/null
  qpack=$root/build/native/tools/qpack/qpack
fi
if ! "$qpack" check "$pkg" >"$work/qpack-check.txt" 2>&1; then
  cat "$work/qpack-check.txt" >&2
  fail "qpack check: the package has a model the installer would not list, or lacks a file (above)"
fi

# A shipping installer carries the package's digest list: it is what makes
# the installer refuse package files changed after the release. A qpack
# without the command cannot make one, so there is no release without it.
# The help text is read whole first: grep -q leaving the pipe early could
# kill qpack mid-write and, under pipefail, pass for "no such command".
help=$("$qpack" --help 2>/dev/null) || help=
grep -q 'qpack digests' <<<"$help" ||
  fail "$qpack has no digests command; a release installer must carry the package's digest list (build a newer qpack)"
if ! "$qpack" digests "$pkg" >"$work/digests.txt" 2>"$work/qpack-digests.txt"; then
  cat "$work/qpack-digests.txt" >&2
  fail "qpack digests failed (above); the installer would carry no digest list"
fi
[ -s "$work/digests.txt" ] || fail "qpack digests wrote an empty list; the installer would vouch for no package file"
digests=(-DQV_PACKAGE_DIGESTS="$work/digests.txt")
echo "release: the installer carries the package's file digests ($(wc -l <"$work/digests.txt") files)"

# ---- Build -----------------------------------------------------------------
# A fresh build folder, the shipping preset's toolchain and settings.
build=$work/build
start=$(date +%s)
configure() {
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/$toolchain" -DCMAKE_BUILD_TYPE=Release \
    -DQV_UNIDRV_DIR="$unidrv" "${digests[@]}" "$@" >"$work/configure.log" 2>&1 ||
    { cat "$work/configure.log" >&2; fail "configuring the build failed"; }
}
compile() {
  cmake --build "$build" -j 2 --target "$1" >"$work/build-$1.log" 2>&1 ||
    { tail -50 "$work/build-$1.log" >&2; fail "building $1 failed"; }
}
configure
compile QPHelper

sign() {  # sign IN OUT: signs, verifies, and checks that only the signature was added
  local args=(sign -pkcs12 "$pkcs12" -h sha256 -n "Quorvex printer driver" -in "$1" -out "$2")
  [ -z "$pass_file" ] || args+=(-readpass "$pass_file")
  [ -z "$timestamp" ] || args+=(-ts "$timestamp")
  osslsigncode "${args[@]}" >"$work/sign.log" 2>&1 || { cat "$work/sign.log" >&2; fail "signing $(basename "$1") failed"; }
  osslsigncode verify -CAfile "$ca" -in "$2" >"$work/verify.log" 2>&1 ||
    { cat "$work/verify.log" >&2; fail "the signature of $(basename "$2") does not verify"; }
  local recorded unsigned_digest
  recorded=$(sed -nE 's/^Current message digest *: *([0-9A-Fa-f]+).*/\1/p' "$work/verify.log" | head -1 | tr A-F a-f)
  unsigned_digest=$(python3 "$root/scripts/authenticode.py" "$1")
  [ -n "$recorded" ] && [ "$recorded" = "$unsigned_digest" ] ||
    fail "$(basename "$2"): the signature's digest ($recorded) is not the unsigned file's ($unsigned_digest)"
  echo "release: $(basename "$2") signed; its signature's digest is the unsigned file's: $recorded"
}

if [ $unsigned = 0 ]; then
  mkdir -p "$work/signed"
  sign "$build/helper/QPHelper.exe" "$work/signed/QPHelper.exe"
  configure -DQV_HELPER_EXE="$work/signed/QPHelper.exe"
  compile QuorvexSetup
  sign "$build/app/QuorvexSetup.exe" "$pkg/QuorvexSetup.exe"
else
  compile QuorvexSetup
  cp "$build/app/QuorvexSetup.exe" "$pkg/QuorvexSetup.exe"
fi
echo "release: built in $(( $(date +%s) - start )) s"

# ---- Zip and sums ----------------------------------------------------------
python3 - "$stage" "$name" <<'EOF'
import os, sys, zipfile
stage, name = sys.argv[1], sys.argv[2]
paths = []
for d, dirs, files in os.walk(os.path.join(stage, name)):
    paths += [os.path.relpath(os.path.join(d, f), stage) for f in files]
# Fixed order, times and modes: the zip depends on the files alone.
with zipfile.ZipFile(os.path.join(stage, name + ".zip"), "w") as z:
    for p in sorted(paths, key=lambda p: p.encode()):
        info = zipfile.ZipInfo(p.replace(os.sep, "/"), date_time=(1980, 1, 1, 0, 0, 0))
        info.compress_type = zipfile.ZIP_DEFLATED
        info.create_system = 3
        info.external_attr = 0o100644 << 16
        with open(os.path.join(stage, p), "rb") as f:
            z.writestr(info, f.read(), compresslevel=9)
EOF
(cd "$stage" && { sha256sum "$name.zip"; find "$name" -type f | LC_ALL=C sort | xargs -d '\n' sha256sum; } >SHA256SUMS)

# ---- Package manager manifests -----------------------------------------------
if [ -z "$download_url" ]; then
  web=$(sed -nE 's/^constexpr wchar_t kWebAddress\[\] = L"([^"]+)";$/\1/p' context/ProductInfo.h)
  [ -n "$web" ] || fail "context/ProductInfo.h has no kWebAddress for the download address"
  download_url=${web%/}/downloads/$name.zip
fi
python3 scripts/winget/manifest.py --root "$root" --version "$version" --arch "$arch" \
  --zip "$stage/$name.zip" --installer "$name/QuorvexSetup.exe" --url "$download_url" --out "$stage/winget" >/dev/null ||
  fail "the package manager manifests could not be written (above)"
python3 scripts/winget/check.py "$stage" || fail "the package manager manifests do not check (above)"

rm -rf "$out"
mkdir -p "$out"
cp -R "$stage/." "$out/"
echo "release: $name of commit $commit$( [ $unsigned = 1 ] && echo ", unsigned") in $out"

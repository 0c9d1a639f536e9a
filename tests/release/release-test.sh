#!/usr/bin/env bash
# Tests of scripts/release.sh, each on clones of the committed sources.
#   release-test.sh signed SOURCE_DIR BENCH_BUILD BITS SCRATCH QPACK
#     refusals (each leaves nothing in --out), then a signed release of the
#     bench's bitness (BITS 64: --bench-x64) with a throwaway CA: both
#     signatures verify, the installer carries the signed helper and the
#     package's digest list, one changed byte breaks the signature,
#     SHA256SUMS holds, the zip is the folder, the package manager manifests
#     check (and a broken one does not); and
#     one unattended installation from its package folder under Wine
#   release-test.sh reproducible SOURCE_DIR BENCH_BUILD BITS SCRATCH QPACK
#     two --unsigned releases of the shipping build from two clones in
#     different folders are byte-identical, the zip included
set -uo pipefail
mode=$1 src=$2 bench=$3 bits=$4 scratch=$5
export QV_QPACK=$6
failed=0
check() {
  if [ "$2" = 0 ]; then echo "ok: $1"; else echo "FAILED: $1"; failed=1; fi
}
for tool in osslsigncode openssl python3 git; do
  command -v $tool >/dev/null || { echo "SKIPPED: $tool is missing (bash scripts/setup.sh installs it)"; exit 77; }
done
[ -x "$QV_QPACK" ] || { echo "FAILED: no native qpack at $QV_QPACK (build the native preset)"; exit 1; }

rm -rf "$scratch"
mkdir -p "$scratch"
commit=$(git -C "$src" rev-parse HEAD)
clone() {  # the committed sources, checked out in a folder of their own
  git clone -q --no-checkout "$src" "$1" && git -C "$1" checkout -q "$commit" &&
    git -C "$1" config user.name "release test" && git -C "$1" config user.email test@example.invalid
}
# Placeholder unidriver files: not Windows', and not the build's stand-ins.
unidrv=$scratch/unidrv
mkdir -p "$unidrv"
for f in unidrv.dll unidrvui.dll unires.dll unidrv.hlp; do
  for i in $(seq 200); do echo "release test placeholder for $f, line $i"; done >"$unidrv/$f"
done
version=$(sed -nE 's/^#define QV_VERSION_TEXT "([^"]+)"$/\1/p' "$src/context/Version.h")

if [ "$mode" = reproducible ]; then
  clone "$scratch/a" || exit 1
  clone "$scratch/elsewhere/deeper/b" || exit 1
  for c in a elsewhere/deeper/b; do
    start=$(date +%s)
    (cd "$scratch/$c" && bash scripts/release.sh --unidrv "$unidrv" --unsigned --out "$scratch/out-${c##*/}") \
      >"$scratch/release-${c##*/}.log" 2>&1
    check "an unsigned release from the clone in $c (in $(( $(date +%s) - start )) s)" $?
  done
  name=QuorvexPrinterDriver-$version
  [ -f "$scratch/out-a/$name.zip" ] && [ -f "$scratch/out-a/$name/QuorvexSetup.exe" ]
  check "the release holds the zip and the package folder" $?
  diff -r "$scratch/out-a" "$scratch/out-b"
  check "the two releases are byte-identical, zip, sums and programs" $?
  [ $failed = 0 ] || tail -30 "$scratch"/release-*.log
  exit $failed
fi

# ---- signed ------------------------------------------------------------------
# A throwaway CA and code-signing certificate, made for this run only.
keys=$scratch/keys
mkdir -p "$keys"
(
  cd "$keys" &&
  openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.crt -days 2 -subj "/CN=Release test CA" \
    -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign,cRLSign &&
  openssl req -newkey rsa:2048 -nodes -keyout signer.key -out signer.csr -subj "/CN=Release test signer" &&
  printf '[cs]\nbasicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n' >ext.cnf &&
  openssl x509 -req -in signer.csr -CA ca.crt -CAkey ca.key -CAcreateserial -out signer.crt -days 2 \
    -extfile ext.cnf -extensions cs &&
  echo 'release test pass phrase' >pass.txt && echo 'not the pass phrase' >wrong.txt &&
  openssl pkcs12 -export -in signer.crt -inkey signer.key -certfile ca.crt -out signer.p12 -passout file:pass.txt
) >"$scratch/keys.log" 2>&1 || { cat "$scratch/keys.log"; echo "FAILED: making the throwaway certificates"; exit 1; }

clone "$scratch/a" || exit 1
bench_arg=()
name=QuorvexPrinterDriver-$version
if [ "$bits" = 64 ]; then bench_arg=(--bench-x64); name=$name-bench-x64; fi
signed=(--pkcs12 "$keys/signer.p12" --pass-file "$keys/pass.txt" --ca "$keys/ca.crt" "${bench_arg[@]}")

refused() {  # refused WHAT EXPECTED_TEXT release.sh arguments...
  local what=$1 text=$2 out=$scratch/refused
  shift 2
  rm -rf "$out"
  (cd "$scratch/a" && bash scripts/release.sh "$@" --out "$out") >"$scratch/refusal.log" 2>&1
  local rc=$?
  [ $rc != 0 ] && grep -q "REFUSED: .*$text" "$scratch/refusal.log" && [ -z "$(ls -A "$out" 2>/dev/null)" ]
  local ok=$?
  [ $ok = 0 ] || { echo "exit code $rc:"; cat "$scratch/refusal.log"; }
  check "refused, nothing in --out: $what" $ok
}
standins=$scratch/standins
mkdir -p "$standins"
cp "$bench/app/embedded/"{unidrv.dll,unidrvui.dll,unires.dll,unidrv.hlp} "$standins/"
refused "the build's stand-ins as unidriver files" "stand-in" --unidrv "$standins" "${signed[@]}"
mkdir -p "$scratch/three" && cp "$unidrv"/* "$scratch/three/" && rm "$scratch/three/unires.dll"
refused "a unidriver file missing" "has no unires.dll" --unidrv "$scratch/three" "${signed[@]}"
echo "local edit" >>"$scratch/a/README.md"
refused "an uncommitted change" "uncommitted changes" --unidrv "$unidrv" --unsigned
git -C "$scratch/a" checkout -q -- README.md
refused "a wrong pass phrase" "pass phrase" --unidrv "$unidrv" --pkcs12 "$keys/signer.p12" \
  --pass-file "$keys/wrong.txt" --ca "$keys/ca.crt"
# A committed INF whose SecurityID the installer does not accept.
sed -i 's/^SecurityID=.*/SecurityID=0000000000000000/' "$scratch/a/samples/package/VKT300.INF"
git -C "$scratch/a" commit -qam "a broken SecurityID"
refused "an INF that qpack check rejects" "qpack check" --unidrv "$unidrv" --unsigned
git -C "$scratch/a" reset -q --hard "$commit"
# qpacks that cannot give the digest list: one from before the digests
# command (its help does not name it), and ones whose digests command fails
# or writes nothing. Every other command is the real qpack's.
{
  echo '#!/usr/bin/env bash'
  echo "real=$(printf %q "$QV_QPACK")"
  cat <<'EOF'
case ${1:-}:$QV_TEST_DIGESTS in
  -h:missing|--help:missing|help:missing) "$real" "$@" | grep -v digests; exit "${PIPESTATUS[0]}" ;;
  digests:missing) echo 'qpack: unknown command "digests"; run "qpack --help"' >&2; exit 2 ;;
  digests:fails) echo "qpack: $2: cannot read the package folder" >&2; exit 2 ;;
  digests:empty) exit 0 ;;
esac
exec "$real" "$@"
EOF
} >"$scratch/qpack-wrapper"
chmod +x "$scratch/qpack-wrapper"
QV_QPACK=$scratch/qpack-wrapper QV_TEST_DIGESTS=missing \
  refused "a qpack without the digests command" "no digests command" --unidrv "$unidrv" "${signed[@]}"
QV_QPACK=$scratch/qpack-wrapper QV_TEST_DIGESTS=fails \
  refused "qpack digests fails" "qpack digests failed" --unidrv "$unidrv" "${signed[@]}"
QV_QPACK=$scratch/qpack-wrapper QV_TEST_DIGESTS=empty \
  refused "qpack digests writes an empty list" "empty list" --unidrv "$unidrv" "${signed[@]}"

# The signed release.
out=$scratch/out
start=$(date +%s)
(cd "$scratch/a" && bash scripts/release.sh --unidrv "$unidrv" "${signed[@]}" --out "$out") \
  >"$scratch/release.log" 2>&1
rc=$?
cat "$scratch/release.log"
echo "signed release: $(( $(date +%s) - start )) s"
check "a signed release is made" $rc
pkg=$out/$name
setup=$pkg/QuorvexSetup.exe
[ -f "$setup" ] || { echo "FAILED: no $setup"; exit 1; }

osslsigncode verify -CAfile "$keys/ca.crt" -in "$setup" >"$scratch/verify.log" 2>&1
check "the installer's signature verifies against the throwaway CA" $?
# The helper inside the installer: a whole PE file with a signature.
python3 - "$setup" "$scratch/QPHelper.exe" <<'EOF'
import struct, sys
data = open(sys.argv[1], "rb").read()
found = []
at = data.find(b"MZ", 1)
while at > 0:
    try:
        pe = at + struct.unpack_from("<I", data, at + 0x3C)[0]
        if data[pe:pe + 4] == b"PE\0\0":
            opt = pe + 24
            dirs = opt + (96 if struct.unpack_from("<H", data, opt)[0] == 0x10B else 112)
            off, size = struct.unpack_from("<II", data, dirs + 32)
            if off and size:
                found.append(data[at:at + off + size])
    except struct.error:
        pass
    at = data.find(b"MZ", at + 1)
if len(found) != 1:
    sys.exit("%d signed programs inside the installer" % len(found))
open(sys.argv[2], "wb").write(found[0])
EOF
[ $? = 0 ] && osslsigncode verify -CAfile "$keys/ca.crt" -in "$scratch/QPHelper.exe" >"$scratch/verify-helper.log" 2>&1
check "the installer carries the signed helper, and its signature verifies" $?
# The digest list, read through the installer's resource directory as the
# installer reads it, must be byte for byte what qpack makes of the package
# folder the release ships.
python3 "$src/scripts/peresource.py" "$setup" RCDATA 240 >"$scratch/carried-digests.txt" &&
  "$QV_QPACK" digests "$pkg" >"$scratch/package-digests.txt" && [ -s "$scratch/package-digests.txt" ] &&
  cmp "$scratch/carried-digests.txt" "$scratch/package-digests.txt"
check "the installer carries the package's digest list (RCDATA 240), exactly as qpack digests writes it" $?
grep -q 'QPHelper.exe signed; its signature.s digest is the unsigned file.s' "$scratch/release.log" &&
  grep -q 'QuorvexSetup.exe signed; its signature.s digest is the unsigned file.s' "$scratch/release.log"
check "each signature's digest is the Authenticode digest of the unsigned build" $?

python3 - "$setup" "$scratch/tampered.exe" <<'EOF'
import sys
data = bytearray(open(sys.argv[1], "rb").read())
data[len(data) // 3] ^= 0x01
open(sys.argv[2], "wb").write(data)
EOF
! osslsigncode verify -CAfile "$keys/ca.crt" -in "$scratch/tampered.exe" >/dev/null 2>&1
check "one changed byte in the signed installer fails verification" $?

(cd "$out" && sha256sum --quiet -c SHA256SUMS) && [ "$(wc -l <"$out/SHA256SUMS")" = $(( $(find "$pkg" -type f | wc -l) + 1 )) ]
check "SHA256SUMS covers the zip and every file of the package, and matches" $?
python3 - "$out" "$name" <<'EOF'
import os, sys, zipfile
out, name = sys.argv[1:]
on_disk = {}
for d, _, files in os.walk(os.path.join(out, name)):
    for f in files:
        p = os.path.join(d, f)
        on_disk[os.path.relpath(p, out)] = open(p, "rb").read()
with zipfile.ZipFile(os.path.join(out, name + ".zip")) as z:
    zipped = {i.filename: z.read(i) for i in z.infolist()}
sys.exit(0 if zipped == on_disk else "zip and folder differ: %s" % sorted(set(zipped) ^ set(on_disk)))
EOF
check "the zip holds exactly the package folder" $?

# The package manager manifests: they match the kept schemas and the zip
# (check.py), and check.py finds a manifest that does not.
python3 "$src/scripts/winget/check.py" "$out" >"$scratch/winget-check.txt" 2>&1
rc=$?
cat "$scratch/winget-check.txt"
manifests=$out/winget/manifests/q/Quorvex/PrinterDriver/$version
installer=$manifests/Quorvex.PrinterDriver.installer.yaml
[ $rc = 0 ] && grep -q "^  InstallerSha256: $(sha256sum "$out/$name.zip" | cut -c1-64 | tr a-f A-F)\$" "$installer" &&
  grep -q "^- Architecture: $([ "$bits" = 64 ] && echo x64 || echo x86)\$" "$installer"
check "the package manager manifests match their schemas, the zip's SHA-256 and the build's architecture" $?
manifest_refused() {  # manifest_refused WHAT EXPECTED_TEXT sed-expression
  rm -rf "$scratch/bad-release" && cp -R "$out" "$scratch/bad-release"
  sed -i "$3" "$scratch/bad-release/winget/manifests/q/Quorvex/PrinterDriver/$version/Quorvex.PrinterDriver.installer.yaml"
  ! python3 "$src/scripts/winget/check.py" "$scratch/bad-release" >"$scratch/bad-check.txt" 2>&1 &&
    grep -q "$2" "$scratch/bad-check.txt"
  local ok=$?
  [ $ok = 0 ] || cat "$scratch/bad-check.txt"
  check "check.py finds $1" $ok
}
manifest_refused "a SHA-256 that is not the zip's" "is not the zip's" 's/^\(  InstallerSha256: \)0/\1F/; t; s/^\(  InstallerSha256: \)./\10/'
manifest_refused "a response the format does not know" "does not match the installer schema" 's/ReturnResponse: downgrade/ReturnResponse: refused/'
manifest_refused "a field the format does not know" "does not match the installer schema" 's/^Scope: machine$/Scope: machine\nRunAsAdmin: true/'
manifest_refused "an installer path not in the zip" "not in the zip" 's/QuorvexSetup.exe/Setup.exe/'

# One unattended installation from the package folder under Wine.
. "$src/sim/wine/machine-check.sh"
if [ "$bits" = 32 ] && reason=$(qv_32bit_refused); then
  echo "SKIPPED: the installation of the 32-bit release: $reason"
  exit 77
fi
arch=win$bits
run=release_install_$bits
bash "$src/sim/wine/run-test.sh" --build "$bench" --bits "$bits" --arch "$arch" --name $run --keep -- \
  "$setup" /quiet /model QX1000 /cable parallel /log 'C:\windows\release-install.log' >"$scratch/install.log" 2>&1
rc=$?
prefix=$bench/prefixes/run/$run
cat "$prefix/drive_c/windows/release-install.log" 2>/dev/null
check "the signed package installs unattended under Wine ($arch): exit code $rc" $rc
grep -q 'Printers\\\\Quorvex QX1000\]' "$prefix/system.reg"
check "the printer Quorvex QX1000 is on the machine" $?
[ $failed = 0 ] && rm -rf "$prefix"
exit $failed

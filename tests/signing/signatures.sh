#!/usr/bin/env bash
# The build's signatures: every file Quintavera ships verifies, the copies other files embed are
# the signed ones, a file changed after signing fails; and the signer: the test certificate when
# no certificate is named, a named file that is not there stops it, a file it cannot sign (wrong
# password, no version resource) is deleted rather than left unsigned.
set -u
build=$(cd "$1" && pwd) || exit 1
script="$(cd "$(dirname "$0")/../.." && pwd)/scripts/authenticode.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
check() {
  if "${@:2}" >/dev/null 2>&1; then echo "ok: $1"; else echo "FAILED: $1"; failures=$((failures + 1)); fi
}
verified() { bash "$script" verify "$build/signing" "$1"; }
signer() { bash "$script" "$1" "$work/signing" "${@:2}"; }

cd "$build"
for file in package/drv/{qvinstall.exe,orbmon64.dll,orbdrv64.dll,orbui64.dll} package/qvatray.exe \
            setup/msi_action/qvmsiaction.dll setup/QuintaveraSetup.exe setup/Quintavera-*-x64.msi; do
  check "signed: $file" verified "$file"
done
msiinfo extract setup/Quintavera-*-x64.msi Binary.QvMsiAction >"$work/action.dll"
check "the package carries the signed qvmsiaction.dll" cmp "$work/action.dll" setup/msi_action/qvmsiaction.dll
# qvinstall.exe inside qvmsiaction.dll: found by its last bytes (its signature's), compared whole;
# looked for in hexadecimal, where none of them can be taken for a line's end.
hex() { od -An -tx1 -v | tr -d ' \n'; }
size=$(stat -c %s package/drv/qvinstall.exe)
last=$(tail -c 32 package/drv/qvinstall.exe | hex)
end=$(hex <setup/msi_action/qvmsiaction.dll | grep -ob "$last" | awk -F: '$1 % 2 == 0 {print $1 / 2; exit}')
check "qvmsiaction.dll carries the signed qvinstall.exe" \
  cmp -n "$size" -i "$((${end:-0} + 32 - size)):0" setup/msi_action/qvmsiaction.dll package/drv/qvinstall.exe

cp package/drv/qvinstall.exe "$work/changed.exe"
printf 'X' | dd of="$work/changed.exe" bs=1 seek=4096 conv=notrunc status=none
check "a file changed after signing fails" eval '! verified "$work/changed.exe"'

mkdir "$work/signing"
cp signing/test-root.pem signing/test-signing.p12 signing/test-signing.pass "$work/signing"
cp package/qvatray.exe "$work/a.exe"
check "without QV_SIGN_PKCS12 the test certificate signs" eval 'env -u QV_SIGN_PKCS12 bash "$script" \
  identity "$work/signing" && signer sign "$work/a.exe" &&
  osslsigncode verify -CAfile signing/test-root.pem -in "$work/a.exe"'
cp "$work/signing/identity" "$work/identity.before"
QV_SIGN_PKCS12="$work/missing.p12" signer identity 2>"$work/err"
check "a missing certificate file stops the build, named" grep -q "QV_SIGN_PKCS12 names '$work/missing.p12'" "$work/err"
check "... before the identity changes" cmp "$work/signing/identity" "$work/identity.before"
cp signing/test-signing.p12 "$work/release.p12"
QV_SIGN_PKCS12="$work/release.p12" signer identity
QV_SIGN_PASSWORD=wrong signer sign "$work/a.exe" 2>/dev/null
check "a file the certificate cannot sign is deleted" test ! -e "$work/a.exe"
cp tools/qvrun.exe "$work/noversion.exe"
QV_SIGN_PASSWORD=$(cat signing/test-signing.pass) signer sign "$work/noversion.exe" 2>/dev/null
check "a program without a version resource is refused" test ! -e "$work/noversion.exe"
exit $((failures > 0))

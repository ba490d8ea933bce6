#!/usr/bin/env bash
# Authenticode signatures of what Quintavera ships (osslsigncode, SHA-256), run by the build
# (cmake/qv_sign.cmake) and by hand. <dir> is the build tree's signing folder.
#
#   authenticode.sh test-certificate <dir>  the test root and the test signing certificate, once
#   authenticode.sh identity <dir>          the certificate the build signs with, from the
#                                           environment, into <dir>/identity (rewritten only when
#                                           it changes, so that a new certificate re-signs all)
#   authenticode.sh sign <dir> <file>       sign <file> in place with that certificate; a file
#                                           that cannot be signed is deleted, never left unsigned
#   authenticode.sh verify <dir> <file>     check the signature up to the root that certificate
#                                           chains to (the test root, else the system's roots)
#
# Environment: QV_SIGN_PKCS12 (absolute path of the PKCS#12 file with the certificate, its chain
# and its key; unset: the test certificate), QV_SIGN_PASSWORD (its password, read only while
# signing, never written anywhere), QV_SIGN_TIMESTAMP_URL (an RFC 3161 time-stamp service).
set -euo pipefail

qv_die() { echo "authenticode: $*" >&2; exit 1; }

# The test root (its key is thrown away once it has issued the certificate) and the test signing
# certificate with its key in a PKCS#12 file under a random password.
qv_test_certificate() {
  local dir="$1"
  [ -s "$dir/test-signing.p12" ] && return 0
  umask 077
  work=$(mktemp -d)  # global: the exit trap removes it
  trap 'rm -rf "$work"' EXIT
  openssl rand -hex 16 >"$work/pass"
  openssl req -x509 -newkey rsa:3072 -nodes -days 3650 -keyout "$work/root.key" \
    -out "$work/root.pem" -subj "/O=Orbelin/CN=Quintavera test root" \
    -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign" \
    2>/dev/null
  openssl req -newkey rsa:3072 -nodes -keyout "$work/signing.key" -out "$work/signing.csr" \
    -subj "/O=Orbelin/CN=Orbelin (test signing)" 2>/dev/null
  printf '%s\n' "basicConstraints=critical,CA:FALSE" "keyUsage=critical,digitalSignature" \
    "extendedKeyUsage=codeSigning" >"$work/signing.ext"
  openssl x509 -req -days 3650 -in "$work/signing.csr" -CA "$work/root.pem" \
    -CAkey "$work/root.key" -CAcreateserial -extfile "$work/signing.ext" \
    -out "$work/signing.pem" 2>/dev/null
  openssl pkcs12 -export -inkey "$work/signing.key" -in "$work/signing.pem" \
    -passout "file:$work/pass" -out "$work/signing.p12"
  cp "$work/root.pem" "$dir/test-root.pem"
  cp "$work/pass" "$dir/test-signing.pass"
  mv "$work/signing.p12" "$dir/test-signing.p12"  # last: it marks the set as complete
}

# identity: "pkcs12", "sha256" and "timestamp" lines; a PKCS#12 file named but not there stops
# the build before anything is signed.
qv_identity() {
  local dir="$1" pkcs12="${QV_SIGN_PKCS12:-}"
  if [ -z "$pkcs12" ]; then
    pkcs12="$dir/test-signing.p12"
  else
    case "$pkcs12" in /*) ;; *) qv_die "QV_SIGN_PKCS12 must be an absolute path, not '$pkcs12'" ;; esac
    [ -f "$pkcs12" ] && [ -r "$pkcs12" ] ||
      qv_die "QV_SIGN_PKCS12 names '$pkcs12', which does not exist or cannot be read: nothing is signed"
  fi
  [ -f "$pkcs12" ] || qv_die "no test certificate in $dir: configure the build again"
  printf 'pkcs12=%s\nsha256=%s\ntimestamp=%s\n' "$pkcs12" "$(sha256sum <"$pkcs12" | cut -d' ' -f1)" \
    "${QV_SIGN_TIMESTAMP_URL:-}" >"$dir/identity.new"
  if cmp -s "$dir/identity.new" "$dir/identity"; then rm "$dir/identity.new"
  else mv "$dir/identity.new" "$dir/identity"; fi
}

qv_identity_value() { sed -n "s/^$2=//p" "$1/identity"; }

# Windows shows a file's publisher beside its version: every signed program or library carries a
# version resource (type 16 at the top of its own resource tree, not one of a file it embeds).
qv_has_version_resource() {
  [ "$(head -c 2 "$1")" = MZ ] || return 0  # a Windows Installer package carries its version itself
  "${QV_OBJDUMP:-x86_64-w64-mingw32-objdump}" -p "$1" | grep -qE '^[0-9a-f]+   Entry: ID: 0x000010,'
}

qv_refuse() { rm -f "$1" "$1.signed"; qv_die "$1 is not signed ($2): the file is deleted"; }

# The password of the test certificate is in its file; a real one comes from the environment,
# through a pipe, so that it shows on no command line.
qv_sign() {
  local dir="$1" file="$2" pkcs12 timestamp
  [ -f "$dir/identity" ] || qv_die "no signing identity in $dir: build the target qv_signing_identity"
  pkcs12=$(qv_identity_value "$dir" pkcs12)
  timestamp=$(qv_identity_value "$dir" timestamp)
  local args=(sign -pkcs12 "$pkcs12" -readpass - -h sha256 -n Quintavera)
  [ -z "$timestamp" ] || args+=(-ts "$timestamp")
  local password="${QV_SIGN_PASSWORD:-}"
  [ "$pkcs12" != "$dir/test-signing.p12" ] || password=$(cat "$dir/test-signing.pass")
  rm -f "$file.signed"
  qv_has_version_resource "$file" || qv_refuse "$file" "it has no version resource"
  printf '%s' "$password" | osslsigncode "${args[@]}" -in "$file" -out "$file.signed" >/dev/null ||
    qv_refuse "$file" "osslsigncode cannot sign it with $pkcs12"
  mv "$file.signed" "$file"
}

qv_verify() {
  local dir="$1" file="$2" roots=()
  [ "$(qv_identity_value "$dir" pkcs12)" != "$dir/test-signing.p12" ] ||
    roots=(-CAfile "$dir/test-root.pem")
  osslsigncode verify "${roots[@]}" -in "$file" >/dev/null 2>&1 || qv_die "$file: no valid signature"
}

qv_usage() { qv_die "usage: authenticode.sh test-certificate|identity|sign|verify <dir> [<file>]"; }
[ $# -ge 2 ] || qv_usage
[ "$1" != test-certificate ] || mkdir -p "$2"
dir=$(cd "$2" && pwd -P) || qv_die "no folder $2"
case "$1" in
  test-certificate) qv_test_certificate "$dir" ;;
  identity) qv_identity "$dir" ;;
  sign) qv_sign "$dir" "${3:?the file to sign}" ;;
  verify) qv_verify "$dir" "${3:?the file to check}" ;;
  *) qv_usage ;;
esac

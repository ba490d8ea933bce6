#!/usr/bin/env bash
# Installs what the build and the tests need on a Debian machine, when it is missing.
# Idempotent and quiet when everything is present. Runs apt-get as root, or through sudo.
set -euo pipefail

QV_PACKAGES=(g++-mingw-w64-x86-64-posix mingw-w64-tools wine wine64 cmake ninja-build
             googletest fp-utils nsis msitools wixl osslsigncode openssl)

qv_missing_packages() {
  local missing=()
  for package in "${QV_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
      missing+=("$package")
  done
  echo "${missing[@]:-}"
}

missing=$(qv_missing_packages)
if [ -n "$missing" ]; then
  echo "Installing: $missing"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  # shellcheck disable=SC2086
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq $missing >/dev/null
fi

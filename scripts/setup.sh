#!/usr/bin/env bash
# Installs what building and testing twk needs on a Debian machine (run as root).
# Idempotent: when every package is present it only checks and returns.
set -euo pipefail

packages=(
  cmake ninja-build g++-mingw-w64-x86-64-posix wine wine64 googletest
  dpkg-dev xz-utils bc nlohmann-json3-dev
  xvfb xdotool imagemagick xclip fonts-symbola fonts-dejavu-core
  wixl msitools osslsigncode zip unzip openssl jq
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
fi
echo "setup: packages ready"

# The GUI library header comes from a Debian source package, checked by hash.
"$(dirname "${BASH_SOURCE[0]}")/fetch-nuklear.sh"

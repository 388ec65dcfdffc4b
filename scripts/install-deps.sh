#!/usr/bin/env bash
# Installs the Debian packages that the build and the tests need, and only those that are missing,
# so a prepared machine is not touched and a fresh Debian 12 machine (as root) gets everything.
set -euo pipefail

packages=(
  build-essential cmake make pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libssl-dev libpng-dev zlib1g-dev
  googletest libgtest-dev libbenchmark-dev
  e2fsprogs util-linux mount
  xvfb xauth fonts-dejavu-core python3-jsonschema locales
  qt6-translations-l10n
  openbox xdotool imagemagick
  python3 python3-libtorrent
)
if [ "${1:-}" = "--bench" ]; then
  packages+=(mktorrent btcheck time bc)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing missing packages: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"

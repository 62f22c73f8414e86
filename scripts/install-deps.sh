#!/usr/bin/env bash
# Installs the Debian 12 packages that ZEM needs to build, run and test. Run as root.
set -euo pipefail

packages=(
  cmake g++ make pkg-config clang-format
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev
  libx11-dev libxext-dev libxtst-dev libxrandr-dev libxi-dev
  libtomlplusplus-dev libpng-dev
  xvfb x11-utils xauth
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get -o DPkg::Lock::Timeout=600 update -qq
  apt-get -o DPkg::Lock::Timeout=600 install -y -qq --no-install-recommends "${missing[@]}"
fi

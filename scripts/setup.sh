#!/usr/bin/env bash
# Installs what building, testing and benchmarking need on Debian 12. Safe to run again.
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config git
  libfreeimage-dev libtiff-dev libjpeg-dev libpng-dev zlib1g-dev
  libcairo2-dev libpango1.0-dev libfontconfig-dev fonts-liberation fonts-dejavu-core
  libgtest-dev libgmock-dev
  libtiff-tools imagemagick
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  sudo=""
  [[ $(id -u) -ne 0 ]] && sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

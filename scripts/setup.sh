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
"$(dirname "$0")/install-packages.sh" "${packages[@]}"

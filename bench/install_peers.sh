#!/usr/bin/env bash
# Installs what the benchmark scripts compare against and build their corpora with, when
# missing: the peers (ImageMagick, GraphicsMagick, libvips), the libtiff tools and GNU time.
# The tests need none of these, so scripts/setup.sh leaves them to this.
set -euo pipefail
declare -A wanted=([imagemagick]=/usr/bin/convert [graphicsmagick]=/usr/bin/gm [libvips-tools]=/usr/bin/vips
  [libtiff-tools]=/usr/bin/tiffcp [time]=/usr/bin/time)
missing=()
for package in "${!wanted[@]}"; do
  [[ -x ${wanted[$package]} ]] || missing+=("$package")
done
((${#missing[@]})) || exit 0
sudo=""
[[ $(id -u) -ne 0 ]] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"

#!/usr/bin/env bash
# Installs what the benchmark scripts compare against and build their corpora with: the
# peers (ImageMagick, GraphicsMagick, libvips), the libtiff tools and GNU time. The tests
# need none of these, so scripts/setup.sh leaves the last ones to this.
set -euo pipefail
"$(dirname "$0")/../scripts/install-packages.sh" imagemagick graphicsmagick libvips-tools libtiff-tools time

#!/usr/bin/env bash
# Sets up, builds, and converts the bundled sample TIFFs into out/samples/.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh release
mkdir -p out/samples
build/rastrel -i samples/ -o out/samples/

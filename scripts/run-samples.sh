#!/usr/bin/env bash
# Sets up, builds the program, and converts the bundled sample TIFFs into out/samples/.
# Only the executable is built: the samples need neither the tests nor the benchmarks.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build --target rastrel -j "$(nproc)"
mkdir -p out/samples
build/rastrel -i samples/ -o out/samples/

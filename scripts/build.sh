#!/usr/bin/env bash
# Configures and builds one flavour: `release` into build/, `asan` (Address and Undefined
# Behaviour sanitizers) into build-asan/.
set -euo pipefail
cd "$(dirname "$0")/.."
flavour=${1:-release}
case "$flavour" in
  release) dir=build; extra=(-DCMAKE_BUILD_TYPE=Release) ;;
  asan) dir=build-asan; extra=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DRASTREL_SANITIZE=ON -DRASTREL_BENCH=OFF) ;;
  *) echo "usage: $0 [release|asan]" >&2; exit 2 ;;
esac
cmake -S . -B "$dir" -G Ninja "${extra[@]}" >/dev/null
cmake --build "$dir" -j "$(nproc)"

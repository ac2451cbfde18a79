#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, builds, and runs every test: once in the release
# build, once under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh release
(cd build && ctest --output-on-failure -j 2)
scripts/build.sh asan
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
# fontconfig and pango keep their caches for the life of the process; only those are suppressed.
export LSAN_OPTIONS=suppressions=$PWD/tests/fuzz/lsan.supp:print_suppressions=0
(cd build-asan && ctest --output-on-failure -j 2)

#!/usr/bin/env bash
# Short fuzzing run of the project's own parsers and of the conversion of one file, outside
# the test run. Installs clang and libFuzzer when missing, builds the targets with
# AddressSanitizer and UndefinedBehaviorSanitizer into build-fuzz/, writes the starting
# corpora from the project's fixture writers and runs each target for a while.
#
#   scripts/fuzz.sh [seconds per target] [target...]
#
# Defaults: 30 seconds for each of the six targets. Corpora grow in build-fuzz/corpus/<target>/
# from run to run; crashes, hangs, leaks and out-of-memory inputs land in
# build-fuzz/findings/<target>/, logs in build-fuzz/logs/. A finding in the project's code is
# fixed and its input kept as a regression test; one inside FreeImage or libtiff is listed in
# docs/third-party-faults.md (the worker processes contain those in real batches).
# JOBS sets the build parallelism (default 2). Warnings are errors here as in every build.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-30}
shift || true
targets=("$@")
if ((${#targets[@]} == 0)); then
  targets=(command_line_fuzz ini_fuzz list_file_fuzz signature_fuzz placeholder_fuzz tiff_convert_fuzz)
fi

packages=(clang-14 libfuzzer-14-dev libclang-rt-14-dev cmake ninja-build pkg-config
  libfreeimage-dev libtiff-dev libcairo2-dev libpango1.0-dev libfontconfig-dev libgtest-dev fonts-dejavu-core)
scripts/install-packages.sh "${packages[@]}"

dir="$PWD/build-fuzz"  # absolute: some targets work in a folder of their own
cmake -S . -B "$dir" -G Ninja -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRASTREL_FUZZ=ON -DRASTREL_BENCH=OFF -DRASTREL_WERROR=ON >/dev/null
cmake --build "$dir" -j "${JOBS:-2}" --target fuzz_seeds "${targets[@]}"

mkdir -p "$dir/corpus" "$dir/findings" "$dir/logs"
"$dir/tests/fuzz/fuzz_seeds" "$dir/corpus" >/dev/null

# Leaks count; the libraries' one-time allocations (fontconfig's caches) are not leaks of a run.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:allocator_may_return_null=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/tests/fuzz/lsan.supp:print_suppressions=0}

status=0
for target in "${targets[@]}"; do
  mkdir -p "$dir/findings/$target"
  log="$dir/logs/$target.log"
  before=$(find "$dir/findings/$target" -type f | wc -l)
  # Keep going past a finding, so that one run reports every distinct one it meets.
  "$dir/tests/fuzz/$target" "$dir/corpus/$target" -max_total_time="$seconds" -timeout=20 \
    -rss_limit_mb=2048 -max_len=65536 -fork=1 -ignore_crashes=1 \
    -ignore_timeouts=1 -ignore_ooms=1 -artifact_prefix="$dir/findings/$target/" >"$log" 2>&1 || true
  # Fork mode reports "#<runs>: cov: ... oom/timeout/crash: a/b/c ..." lines; the last one
  # holds the total number of runs.
  last=$(grep -E '^#[0-9]+: cov:' "$log" | tail -1 || true)
  runs=$(sed -nE 's/^#([0-9]+):.*/\1/p' <<<"$last")
  rate=$((${runs:-0} / (seconds > 0 ? seconds : 1)))
  findings=$(($(find "$dir/findings/$target" -type f | wc -l) - before))
  printf '%-18s %5ss %10s runs %7s exec/s %4s new findings\n' "$target" "$seconds" "${runs:-0}" "$rate" "$findings"
  ((findings == 0)) || status=1
done
exit $status

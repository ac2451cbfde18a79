#!/usr/bin/env bash
# Start-up cost of the console face: `rastrel -v` against a program that only initialises
# FreeImage. Target: at most 1.5 times the baseline. Also checks that the executable pulls
# in no window toolkit and no drawing library (those come with rastrel-overlay.so, loaded
# only by batches that draw).
#
#   bench/startup.sh [build-folder] [runs]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
runs=${2:-300}

cmake --build "$build" --target rastrel freeimage_init_bench -j2 >/dev/null
rastrel="$build/rastrel"
linked="$build/bench/freeimage_init_bench"
# The same baseline linked against FreeImage alone, as a minimal program would be.
minimal="$build/bench/freeimage_init_minimal"
c++ -O2 -std=c++20 bench/freeimage_init_bench.cpp -lfreeimage -o "$minimal"

heavy='gtk|wx_|libwx|gdk|cairo|pango|fontconfig|harfbuzz|libX11|libxcb'
if ldd "$rastrel" | grep -Ei "$heavy" >/dev/null; then
  echo "FAIL: $rastrel links a window toolkit or drawing library:" >&2
  ldd "$rastrel" | grep -Ei "$heavy" >&2
  exit 1
fi
echo "ldd: no GTK/wxWidgets, cairo, pango or X11 in $rastrel ($(ldd "$rastrel" | wc -l) libraries)"

# A private lock folder, so a copy the user has open does not turn -v into a refusal.
runtime=$(mktemp -d)
trap 'rm -rf "$runtime"' EXIT
export XDG_RUNTIME_DIR="$runtime"
[[ $("$rastrel" -v) == "3.3" ]] || { echo "FAIL: $rastrel -v did not print 3.3" >&2; exit 1; }

# Wall time and CPU time (user + system, children included) of one run, in microseconds.
# On a busy machine wall time mostly measures the queue; CPU time is what start-up costs,
# so the target is checked on it.
measure() {
  local TIMEFORMAT='%R %U %S' times
  for ((i = 0; i < 20; i++)); do "$@" >/dev/null; done  # warm the page cache
  times=$({ time (for ((i = 0; i < runs; i++)); do "$@" >/dev/null; done); } 2>&1)
  awk -v n="$runs" '{ printf "%d %d\n", $1 * 1e6 / n, ($2 + $3) * 1e6 / n }' <<<"$times"
}

if command -v hyperfine >/dev/null; then
  hyperfine -N --warmup 20 --runs "$runs" "$minimal" "$linked" "$rastrel -v"
fi

read -r wall_min cpu_min < <(measure "$minimal")
read -r wall_linked cpu_linked < <(measure "$linked")
read -r wall_rastrel cpu_rastrel < <(measure "$rastrel" -v)
ratio=$(awk -v a="$cpu_rastrel" -v b="$cpu_min" 'BEGIN { printf "%.2f", a / b }')
printf '%-34s %8s %8s\n' "" "wall us" "cpu us"
printf '%-34s %8d %8d\n' "freeimage only (minimal link)" "$wall_min" "$cpu_min"
printf '%-34s %8d %8d\n' "freeimage only (project link)" "$wall_linked" "$cpu_linked"
printf '%-34s %8d %8d\n' "rastrel -v" "$wall_rastrel" "$cpu_rastrel"
printf 'cpu ratio rastrel / minimal: %s (target <= 1.50); load average: %s\n' "$ratio" "$(cut -d' ' -f1-3 /proc/loadavg)"
awk -v r="$ratio" 'BEGIN { exit !(r <= 1.5) }' || { echo "FAIL: start-up ratio above 1.5" >&2; exit 1; }

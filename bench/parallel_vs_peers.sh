#!/usr/bin/env bash
# The whole program with its worker processes against itself with one worker and against
# two peers, each with its own default threading, on the standard corpus; and the peak
# memory of each run's whole process tree.
#
#   bench/parallel_vs_peers.sh [CORPUS_FOLDER]
#
# Without a folder the corpus is generated once (scale 1) and kept in
# ${RASTREL_CORPUS_CACHE:-/tmp/rastrel-corpus-1}. The single-page sets (photo, scan, deep)
# are converted at JPEG quality 95 without chroma subsampling by:
#   rastrel            one console run over a list file, default workers (one per processor)
#   rastrel -threads=1 the same with one worker process
#   vips               `vips copy` once per file, vips' own default threading
#   mogrify            one `mogrify` over all files, ImageMagick's default threading
# Wall time is what parallel work shortens, so it is the measure here; REPEAT=n takes the
# best of n runs, the four contenders taking turns. Peak memory is the largest sum of the
# resident sizes of the run's processes, sampled every 50 ms.
#
# On a machine shared with other work, Linux gives every session an equal share of the
# processors (autogroup scheduling), whatever the number of processes in it: no program can
# then show a parallel speed-up. Run it alone, or as root give its session a larger share
# (echo -15 > /proc/self/autogroup) or the processors outright for the few minutes it takes
# (chrt -f 5 bench/parallel_vs_peers.sh), the same for every contender.
# Needs libvips-tools, imagemagick and libtiff-tools (for the corpus).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
repeat=${REPEAT:-1}

source "$root/bench/standard_corpus.sh"
cmake --build "$build" --target rastrel -j2 >/dev/null
program=$build/rastrel

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The program's instance lock lives here, away from any copy the user is running.
export XDG_RUNTIME_DIR=$work

now_ms() { date +%s%3N; }

# Sum of the resident sizes (kB) of process $1 and all its descendants, in $tree_kb. Bash
# builtins only, so that sampling costs the measured run next to nothing.
tree_rss() {
  tree_kb=0
  local queue=("$1") p key value rest children kids
  while ((${#queue[@]})); do
    p=${queue[0]}
    queue=("${queue[@]:1}")
    if [[ -r /proc/$p/status ]]; then
      while read -r key value rest; do
        [[ $key == VmRSS: ]] && tree_kb=$((tree_kb + value))
      done 2>/dev/null </proc/"$p"/status || true
    fi
    for children in /proc/"$p"/task/*/children; do
      [[ -r $children ]] || continue
      read -r -a kids 2>/dev/null <"$children" || true
      queue+=("${kids[@]}")
    done
  done
}

# Runs "$@" in the background with a fresh output folder $1 and prints its wall time (ms),
# the peak memory of its process tree (kB) and the processor time of the whole tree (ms).
measure() {
  local out=$1; shift
  rm -rf "$out"; mkdir -p "$out"
  local start end peak=0 pid
  start=$(now_ms)
  ("$@" >/dev/null 2>&1; times >"$work/times") &
  pid=$!
  while kill -0 "$pid" 2>/dev/null; do
    tree_rss "$pid"
    ((tree_kb > peak)) && peak=$tree_kb
    sleep 0.05
  done
  wait "$pid" || true
  end=$(now_ms)
  local cpu
  cpu=$(tail -n 1 "$work/times" | awk '
    function ms(t,  m, s) { m = t; sub(/m.*/, "", m); s = t; sub(/^[0-9]+m/, "", s); sub(/s$/, "", s); return (m * 60 + s) * 1000 }
    { printf "%d", ms($1) + ms($2) }')
  echo "$((end - start)) $peak $cpu"
}

run_rastrel() {
  local out=$1; shift
  "$program" -q -i "$work/list.txt" -o "$out" --jpg-quality=95 "$@"
}
run_vips() {
  local out=$1 f
  while read -r f; do
    vips copy "$f" "$out/$(basename "${f%.*}").jpg[Q=95,subsample_mode=off]"
  done <"$work/list.txt"
}
run_mogrify() {
  local out=$1
  mapfile -t files <"$work/list.txt"
  mogrify -path "$out" -format jpg -quality 95 -sampling-factor 1x1 "${files[@]}"
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }'; }

find "$corpus/photo" "$corpus/scan" "$corpus/deep" -maxdepth 1 -name '*.tif' | sort >"$work/list.txt"
count=$(wc -l <"$work/list.txt")
((count > 0)) || { echo "no files in $corpus" >&2; exit 3; }

# Every run reads the inputs from the file cache.
xargs cat <"$work/list.txt" >/dev/null

# Best wall time of the runs in $1 ("wall peak cpu" lines), with that run's other figures.
best() { sort -n "$1" | head -n 1; }
for _ in $(seq 1 "$repeat"); do
  measure "$work/r" run_rastrel "$work/r" >>"$work/r.times"
  measure "$work/o" run_rastrel "$work/o" --threads=1 >>"$work/o.times"
  measure "$work/v" run_vips "$work/v" >>"$work/v.times"
  measure "$work/m" run_mogrify "$work/m" >>"$work/m.times"
done
written=$(find "$work/r" -name '*.jpg' | wc -l)
read -r rw rp rc < <(best "$work/r.times")
read -r ow op oc < <(best "$work/o.times")
read -r vw vp vc < <(best "$work/v.times")
read -r mw mp mc < <(best "$work/m.times")

echo "files: $count single-page TIFF files ($written written by rastrel); processors: $(nproc)"
printf '%-22s %10s %10s %14s %10s\n' run wall:ms cpu:ms peak-tree:kB "speed-up"
printf '%-22s %10d %10d %14d %10s\n' "rastrel (default)" "$rw" "$rc" "$rp" "1.00"
printf '%-22s %10d %10d %14d %10s\n' "rastrel --threads=1" "$ow" "$oc" "$op" "$(ratio "$ow" "$rw")"
printf '%-22s %10d %10d %14d %10s\n' "vips copy per file" "$vw" "$vc" "$vp" "$(ratio "$vw" "$rw")"
printf '%-22s %10d %10d %14d %10s\n' "mogrify" "$mw" "$mc" "$mp" "$(ratio "$mw" "$rw")"
echo "speed-up = that run's wall time / rastrel's; targets: --threads=1 >= 1.80, vips >= 2.00, mogrify >= 3.50"
echo "cpu = user + system time of every process of the run"

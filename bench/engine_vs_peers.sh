#!/usr/bin/env bash
# Single-worker conversion speed against two peers on the standard corpus, and peak memory
# for one A4 colour page.
#
#   bench/engine_vs_peers.sh [CORPUS_FOLDER]
#
# Without a folder the corpus is generated once (scale 1) and kept in
# ${RASTREL_CORPUS_CACHE:-/tmp/rastrel-corpus-1}. Converts the single-page sets (photo,
# scan, deep) with the program (`rastrel -i SET/ -o OUT/ --threads=1`: one worker), with the
# engine alone (bench/convert_bench: one process, one thread, no start-up or collection),
# with `vips copy` once per file (VIPS_CONCURRENCY=1) and with `mogrify`
# (MAGICK_THREAD_LIMIT=1), all at JPEG quality 95 without chroma subsampling. The ratios
# compare the peers with the program. REPEAT=n takes the best of n runs.
# Needs libvips-tools, imagemagick, libtiff-tools (for the corpus) and GNU time.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
repeat=${REPEAT:-1}

source "$root/bench/standard_corpus.sh"
cmake --build "$build" --target convert_bench rastrel -j2 >/dev/null
engine=$build/bench/convert_bench
program=$build/rastrel

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

now_ms() { date +%s%3N; }

# Runs "$@" `repeat` times with a fresh output folder and prints the best wall time and the
# best processor time (user + system of every process it started), both in ms. Processor
# time is what a machine busy with other work disturbs least.
best_of() {
  local out=$1; shift
  local best_wall= best_cpu=
  for _ in $(seq 1 "$repeat"); do
    rm -rf "$out"; mkdir -p "$out"
    local start end cpu
    start=$(now_ms)
    cpu=$( ("$@" >/dev/null 2>&1; times) | tail -n 1 | awk '
      function ms(t,  m, s) { m = t; sub(/m.*/, "", m); s = t; sub(/^[0-9]+m/, "", s); sub(/s$/, "", s); return (m * 60 + s) * 1000 }
      { printf "%d", ms($1) + ms($2) }')
    end=$(now_ms)
    local wall=$((end - start))
    [[ -z $best_wall || $wall -lt $best_wall ]] && best_wall=$wall
    [[ -z $best_cpu || $cpu -lt $best_cpu ]] && best_cpu=$cpu
  done
  echo "$best_wall $best_cpu"
}

run_engine() { "$engine" "$1" "${@:2}"; }
# The program takes the set's folder; the files are listed for the others only.
run_program() { "$program" -i "$2" -o "$1/" --threads=1; }
run_vips() {
  local out=$1; shift
  local f
  for f in "$@"; do
    VIPS_CONCURRENCY=1 vips copy "$f" "$out/$(basename "${f%.*}").jpg[Q=95,subsample_mode=off]"
  done
}
run_mogrify() {
  local out=$1; shift
  MAGICK_THREAD_LIMIT=1 mogrify -path "$out" -format jpg -quality 95 -sampling-factor 1x1 "$@"
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }'; }

row() {  # set files program engine vips magick, for wall then processor time
  printf '%-6s %5s | %8s %8s %8s %8s %7s %7s | %8s %8s %8s %8s %7s %7s\n' "$@"
}
row set files wall:us engine vips magick vips/us mgk/us cpu:us engine vips magick vips/us mgk/us
declare -A total=()
for set in photo scan deep; do
  mapfile -t files < <(find "$corpus/$set" -maxdepth 1 -name '*.tif' | sort)
  ((${#files[@]})) || continue
  read -r pw pc < <(best_of "$work/p" run_program "$work/p" "$corpus/$set/")
  read -r ew ec < <(best_of "$work/e" run_engine "$work/e" "${files[@]}")
  read -r vw vc < <(best_of "$work/v" run_vips "$work/v" "${files[@]}")
  read -r mw mc < <(best_of "$work/m" run_mogrify "$work/m" "${files[@]}")
  row "$set" "${#files[@]}" "$pw" "$ew" "$vw" "$mw" "$(ratio "$vw" "$pw")" "$(ratio "$mw" "$pw")" \
    "$pc" "$ec" "$vc" "$mc" "$(ratio "$vc" "$pc")" "$(ratio "$mc" "$pc")"
  for k in n:${#files[@]} pw:$pw ew:$ew vw:$vw mw:$mw pc:$pc ec:$ec vc:$vc mc:$mc; do
    total[${k%%:*}]=$(( ${total[${k%%:*}]:-0} + ${k#*:} ))
  done
done
row total "${total[n]}" "${total[pw]}" "${total[ew]}" "${total[vw]}" "${total[mw]}" \
  "$(ratio "${total[vw]}" "${total[pw]}")" "$(ratio "${total[mw]}" "${total[pw]}")" \
  "${total[pc]}" "${total[ec]}" "${total[vc]}" "${total[mc]}" \
  "$(ratio "${total[vc]}" "${total[pc]}")" "$(ratio "${total[mc]}" "${total[pc]}")"
echo "targets: vips/us >= 1.25, magick/us >= 2.00"

# Peak memory for one A4 colour page stored with LZW.
page=$(find "$corpus/photo" -name 'photo-lzw-*.tif' | sort | head -n 1)
if [[ -n $page ]]; then
  read -r w h spp bps < <(tiffinfo "$page" 2>/dev/null | awk '
    /Image Width:/ { w = $3; h = $6 }
    /Samples\/Pixel:/ { s = $2 }
    /Bits\/Sample:/ { b = $2 }
    END { print w, h, s, b }')
  decoded_kb=$((w * h * spp * bps / 8 / 1024))
  peak_kb() {
    rm -rf "$work/p"; mkdir -p "$work/p"
    /usr/bin/time -v "$engine" "$work/p" "$@" 2>&1 >/dev/null | awk -F: '/Maximum resident set size/ { gsub(/ /, "", $2); print $2 }'
  }
  tiny="$work/tiny.tif"
  vips crop "$page" "$tiny[compression=lzw]" 0 0 16 16
  page_peak=$(peak_kb "$page")
  base_peak=$(peak_kb "$tiny")
  # The program converts in a worker process; GNU time reports the largest process.
  mkdir -p "$work/one" && ln -sf "$page" "$work/one/page.tif"
  rm -rf "$work/po"; mkdir -p "$work/po"
  program_peak=$(/usr/bin/time -v "$program" -i "$work/one/" -o "$work/po/" --threads=1 2>&1 >/dev/null |
    awk -F: '/Maximum resident set size/ { gsub(/ /, "", $2); print $2 }')
  echo "peak memory for one ${w}x${h} LZW page, engine alone: ${page_peak} kB (decoded page ${decoded_kb} kB, ratio $(ratio "$page_peak" "$decoded_kb"));" \
    "process baseline on a 16x16 page ${base_peak} kB, page share $(ratio "$((page_peak - base_peak))" "$decoded_kb")"
  echo "program (largest process): ${program_peak} kB, ratio $(ratio "$program_peak" "$decoded_kb")"
  echo "target: peak <= 1.50 x decoded page"
fi

# Sourced by the scripts that compare the program with its peers on the standard corpus,
# after they set `root`: installs the peers, sets `corpus` (the script's first argument, or
# the corpus generated once at scale 1 and kept in ${RASTREL_CORPUS_CACHE:-/tmp/rastrel-corpus-1})
# and `build` (${BUILD_DIR:-build}, configured for a release build when new).
"$root/bench/install_peers.sh"

corpus=${1:-}
if [[ -z $corpus ]]; then
  corpus=${RASTREL_CORPUS_CACHE:-/tmp/rastrel-corpus-1}
  if [[ ! -d $corpus ]]; then
    echo "building the corpus in $corpus (once)" >&2
    /work/shared/bench/make-corpus.sh "$corpus.partial" 1 >/dev/null
    mv "$corpus.partial" "$corpus"
  fi
fi

build=${BUILD_DIR:-$root/build}
[[ -f $build/build.ninja ]] || cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null

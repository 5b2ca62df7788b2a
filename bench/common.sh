# shellcheck shell=bash
# What both benchmark scripts share: their arguments, the corpus and the medians.
# Sourced by bench/run.sh and bench/ui/run.sh; sets build, size, runs, generator, cache,
# corpus, single and files.

readonly SINGLE_LINE_MB=200

usage() {
    echo "usage: $0 BUILD_DIR [SIZE_MB=$default_size] [RUNS=$default_runs]" >&2
    exit 2
}

fail() {
    echo "$(basename "$0"): $*" >&2
    exit 1
}

# parse_arguments DEFAULT_SIZE DEFAULT_RUNS "$@": BUILD_DIR [SIZE_MB] [RUNS].
parse_arguments() {
    default_size=$1
    default_runs=$2
    shift 2
    [[ $# -ge 1 && $# -le 3 ]] || usage
    build=$1
    size=${2:-$default_size}
    runs=${3:-$default_runs}
    [[ $size =~ ^[1-9][0-9]{0,4}$ ]] || usage
    [[ $runs =~ ^[1-9][0-9]{0,2}$ ]] || usage
    generator=$build/bench/fendix-corpus
}

# require_tools PATH...: every tool must have been built.
require_tools() {
    local tool
    for tool in "$@"; do
        [[ -x $tool ]] || fail "$tool is missing: build the project first"
    done
}

# require_search: sets search to fendix-search of the build, which must be there with the
# corpus generator and /usr/bin/time.
require_search() {
    search=$build/tools/fendix-search
    require_tools "$search" "$generator"
    [[ -x /usr/bin/time ]] || fail "/usr/bin/time is missing (Debian package 'time')"
}

# prepare_corpus: the corpus of SIZE_MB in $corpus and the single line of 200 MB in
# $single/ONE.BBS, written again only when the generator changed, then read once so that
# every run finds them in the page cache.
prepare_corpus() {
    cache=${TMPDIR:-/tmp}/fendix-bench-$size
    corpus=$cache/corpus
    single=$cache/single
    local stamp=$cache/stamp bytes want
    want="size=$size single=$SINGLE_LINE_MB generator=$(cksum <"$generator")"
    if [[ ! -f $stamp || $(<"$stamp") != "$want" ]]; then
        echo "writing the corpus into $cache ..."
        rm -rf -- "$corpus" "$single" "$stamp"
        mkdir -p -- "$cache"
        "$generator" "$size" "$corpus"
        "$generator" --single-line "$SINGLE_LINE_MB" "$single/ONE.BBS"
        printf '%s\n' "$want" >"$stamp"
    fi
    files=("$corpus"/*)
    [[ -f ${files[0]} ]] || fail "no files in $corpus"
    bytes=$(stat -c %s -- "${files[@]}" | awk '{ s += $1 } END { print s }')
    echo "corpus:  $corpus, ${#files[@]} files, $bytes bytes"
    warm_cache
}

# warm_cache: reads the corpus and the single line, so that the next commands find them in
# the page cache.
warm_cache() {
    cat -- "${files[@]}" "$single/ONE.BBS" >/dev/null
}

# median VALUE...: the median, with one decimal.
median() {
    printf '%s\n' "$@" | sort -g | awk '
        { v[NR] = $1 }
        END { m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
              printf "%.1f", m }'
}

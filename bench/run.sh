#!/usr/bin/env bash
# Times fendix-search against grep, ripgrep and ugrep on a generated corpus.
#
#   bench/run.sh BUILD_DIR [SIZE_MB=250] [RUNS=31]
#
# The corpus is written by BUILD_DIR/bench/fendix-corpus into
# ${TMPDIR:-/tmp}/fendix-bench-SIZE_MB and reused while the generator is the
# same. Each of RUNS rounds reads the corpus into the page cache, then runs
# every command of every scenario once, in shuffled order: fendix-search
# --count, grep -F -c, rg -j1 -F -c and ugrep -J1 -F -c (the last two when they
# are installed), and wc -l as the cost of reading alone. The table shows the
# median times in ms, fendix's time over each peer's (below 1: fendix is
# faster), the peak memory of fendix-search from one more run and the number
# of entries it found.
#
# With FENDIX_BASELINE set to another fendix-search (the one from before a
# change), that binary runs every scenario in the same rounds too, and the
# table gives fendix's time over the baseline's.
set -euo pipefail

# Plain bytes everywhere: the files are code page 437, and grep is at its
# fastest in the C locale, which makes it the stronger baseline.
export LC_ALL=C

# shellcheck source=bench/common.sh
source "$(dirname "$0")/common.sh"
parse_arguments 250 31 "$@"
require_search
baseline=${FENDIX_BASELINE:-}
[[ -z $baseline || -x $baseline ]] || fail "FENDIX_BASELINE=$baseline is not an executable"
command -v shuf >/dev/null || fail "shuf is missing (Debian package 'coreutils')"

work=$(mktemp -d "${TMPDIR:-/tmp}/fendix-bench-run.XXXXXX")
trap 'rm -rf -- "$work"' EXIT

# ---------------------------------------------------------------------------
# The machine and the peers

cpu=$(grep -m1 '^model name' /proc/cpuinfo 2>/dev/null | cut -d: -f2- | sed 's/^ *//' || true)
echo "machine: $(nproc) processors, ${cpu:-$(uname -m)}, load $(cut -d' ' -f1-3 /proc/loadavg)"
peers=(grep)
echo "grep:    $(grep -V | sed -n 1p)"
if command -v rg >/dev/null; then
    peers+=(rg)
    echo "rg:      $(rg --version | sed -n 1p)"
fi
if command -v ugrep >/dev/null; then
    peers+=(ugrep)
    echo "ugrep:   $(ugrep --version | sed -n 1p)"
fi

prepare_corpus
echo "rounds:  $runs, each command once per round in shuffled order, the cache warmed first"
echo

# ---------------------------------------------------------------------------
# The commands: NAME is SCENARIO.TOOL; read_alone is wc -l over the corpus.

declare -A command
# add_command NAME WORDS...: a command to time.
add_command() {
    local name=$1
    shift
    command[$name]=$(printf '%q ' "$@")
}

declare -A texts=([S1]="Zorglub" [S2]="shareware" [S3]="shareware demo zorglub")
# shellcheck disable=SC2034  # titles are read through indirection below
declare -A title=([S1]="one rare text, case kept" [S2]="one common text, ignore case"
    [S3]="common AND NOT other OR rare, ignore case")
add_command S1.fendix "$search" --count --c1 Zorglub "$corpus"
add_command S2.fendix "$search" --count --ignore-case --c1 shareware "$corpus"
add_command S3.fendix "$search" --count --ignore-case --c1 shareware --c2 demo --non2 --c3 zorglub --ou3 "$corpus"
if [[ -n $baseline ]]; then
    echo "baseline: $baseline"
    add_command S1.baseline "$baseline" --count --c1 Zorglub "$corpus"
    add_command S2.baseline "$baseline" --count --ignore-case --c1 shareware "$corpus"
    add_command S3.baseline "$baseline" --count --ignore-case --c1 shareware --c2 demo --non2 --c3 zorglub --ou3 "$corpus"
fi
for scenario in S1 S2 S3; do
    read -r -a words <<<"${texts[$scenario]}"
    patterns=()
    for word in "${words[@]}"; do
        patterns+=(-e "$word")
    done
    case=()
    [[ $scenario == S1 ]] || case=(-i)
    add_command "$scenario.grep" grep -F -c "${case[@]}" "${patterns[@]}" "${files[@]}"
    if [[ " ${peers[*]} " == *" rg "* ]]; then
        add_command "$scenario.rg" rg --no-config -j1 -F -c "${case[@]}" "${patterns[@]}" "${files[@]}"
    fi
    if [[ " ${peers[*]} " == *" ugrep "* ]]; then
        add_command "$scenario.ugrep" ugrep -J1 -F -c "${case[@]}" "${patterns[@]}" "${files[@]}"
    fi
done
add_command read.wc wc -l "${files[@]}"

# ---------------------------------------------------------------------------
# Timing

if [[ -n ${EPOCHREALTIME:-} ]]; then
    clock() { now=${EPOCHREALTIME//[!0-9]/}; } # microseconds, no fork
else
    clock() { now=$(($(date +%s%N) / 1000)); }
fi

# check_status STATUS COMMAND: 0 is a match, 1 is no match; anything else is a failure.
check_status() {
    if (($1 > 1)); then
        echo "run.sh: exit status $1 from: $2" >&2
        cat -- "$work/errors" >&2
        exit 1
    fi
}

# timed NAME: runs the command NAME with its output in a file (never /dev/null: grep stops at
# its first match when it writes there) and adds its time, in microseconds, to its list.
declare -A times
timed() {
    local name=$1 start status=0
    clock
    start=$now
    eval "${command[$name]}" >"$work/out.$name" 2>"$work/errors" || status=$?
    clock
    check_status "$status" "${command[$name]}"
    times[$name]+="$((now - start)) "
}

for ((round = 0; round < runs; round++)); do
    warm_cache
    while read -r name; do
        timed "$name"
    done < <(printf '%s\n' "${!command[@]}" | shuf)
done

# median_ms NAME: the median time of a command, in ms with one decimal.
median_ms() {
    local values=() value
    for value in ${times[$1]}; do
        values+=("$(awk -v u="$value" 'BEGIN { printf "%.3f", u / 1000 }')")
    done
    median "${values[@]}"
}

# peak_rss COMMAND...: sets rss to the peak resident memory of COMMAND, in MB.
peak_rss() {
    local status=0 kilobytes
    /usr/bin/time -f %M -o "$work/time" "$@" >"$work/rss-out" 2>"$work/errors" || status=$?
    check_status "$status" "$*"
    kilobytes=$(tail -n1 "$work/time")
    [[ $kilobytes =~ ^[0-9]+$ ]] || fail "no memory figure from /usr/bin/time for: $*"
    rss=$(awk -v k="$kilobytes" 'BEGIN { printf "%.1f", k / 1024 }')
}

# ---------------------------------------------------------------------------
# The table

header=$(printf '%-4s %-44s %10s' "" "scenario" "fendix ms")
columns=("${peers[@]}")
[[ -z $baseline ]] || columns=(baseline "${peers[@]}")
for peer in "${columns[@]}"; do
    header+=$(printf ' %18s' "$peer ms (ratio)")
done
header+=$(printf ' %8s %9s' "RSS MB" "entries")
echo "$header"
for scenario in S1 S2 S3; do
    fendix_ms=$(median_ms "$scenario.fendix")
    row=$(printf '%-4s %-44s %10s' "$scenario" "${title[$scenario]}" "$fendix_ms")
    for peer in "${columns[@]}"; do
        peer_ms=$(median_ms "$scenario.$peer")
        ratio=$(awk -v f="$fendix_ms" -v p="$peer_ms" 'BEGIN { if (p > 0) printf "%.2f", f / p; else print "-" }')
        row+=$(printf ' %18s' "$peer_ms ($ratio)")
    done
    eval "peak_rss ${command[$scenario.fendix]}"
    found=$(tail -n1 "$work/out.$scenario.fendix" | tr -d '\r')
    row+=$(printf ' %8s %9s' "$rss" "${found:--}")
    echo "$row"
done
echo "reading alone (wc -l): $(median_ms read.wc) ms"

# M1: one line of 200 MB, memory only.
peak_rss "$search" --count --c1 Zorglub "$single"
found=$(tail -n1 "$work/rss-out" | tr -d '\r')
echo "M1 one line of $SINGLE_LINE_MB MB (ONE.BBS): peak memory $rss MB, $found entries"

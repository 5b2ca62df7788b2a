#!/usr/bin/env bash
# Times fendix-search against grep on a generated corpus.
#
#   bench/run.sh BUILD_DIR [SIZE_MB=200] [RUNS=7]
#
# The corpus is written by BUILD_DIR/bench/fendix-corpus into
# ${TMPDIR:-/tmp}/fendix-bench-SIZE_MB and reused while the generator is the
# same.  Each scenario runs fendix-search and grep one after the other, RUNS
# times each, and the table shows the median times, their ratio and the peak
# memory of fendix-search, measured in one more run.
set -euo pipefail

# Plain bytes everywhere: the files are code page 437, and grep is at its
# fastest in the C locale, which makes it the stronger baseline.
export LC_ALL=C

# shellcheck source=bench/common.sh
source "$(dirname "$0")/common.sh"
parse_arguments "$@"
search=$build/tools/fendix-search
require_tools "$search" "$generator"
[[ -x /usr/bin/time ]] || fail "/usr/bin/time is missing (Debian package 'time')"

work=$(mktemp -d "${TMPDIR:-/tmp}/fendix-bench-run.XXXXXX")
trap 'rm -rf -- "$work"' EXIT

# ---------------------------------------------------------------------------
# The machine

cpu=$(grep -m1 '^model name' /proc/cpuinfo 2>/dev/null | cut -d: -f2- | sed 's/^ *//' || true)
echo "machine: $(nproc) processors, ${cpu:-$(uname -m)}"
echo "grep:    $(grep -V | sed -n 1p)"

# ---------------------------------------------------------------------------
# The corpus, made again only when the generator changed

prepare_corpus
echo "runs:    $runs of each command, alternating"
echo

# ---------------------------------------------------------------------------
# Timing

if [[ -n ${EPOCHREALTIME:-} ]]; then
    clock() { now=${EPOCHREALTIME//[!0-9]/}; }        # microseconds, no fork
else
    clock() { now=$(($(date +%s%N) / 1000)); }
fi

# check_status STATUS ERROR_FILE COMMAND...: 0 is a match, 1 is no match;
# anything else is a failure.
check_status() {
    local status=$1 errors=$2
    shift 2
    if ((status > 1)); then
        echo "run.sh: exit status $status from: $*" >&2
        cat -- "$errors" >&2
        exit 1
    fi
}

# timed OUT COMMAND...: runs COMMAND with its output in the file OUT (never
# /dev/null: grep stops at its first match when it writes there) and sets
# elapsed to the time taken, in microseconds.
timed() {
    local out=$1 start status=0
    shift
    clock
    start=$now
    "$@" >"$out" 2>"$work/errors" || status=$?
    clock
    elapsed=$((now - start))
    check_status "$status" "$work/errors" "$@"
}

# peak_rss COMMAND...: sets rss to the peak resident memory of COMMAND, in MB.
peak_rss() {
    local status=0 kilobytes
    /usr/bin/time -f %M -o "$work/time" "$@" >"$work/rss-out" 2>"$work/errors" || status=$?
    check_status "$status" "$work/errors" "$@"
    kilobytes=$(tail -n1 "$work/time")
    [[ $kilobytes =~ ^[0-9]+$ ]] || fail "no memory figure from /usr/bin/time for: $*"
    rss=$(awk -v k="$kilobytes" 'BEGIN { printf "%.1f", k / 1024 }')
}

# ms VALUE...: microseconds as milliseconds.
ms() {
    local value
    for value in "$@"; do
        awk -v u="$value" 'BEGIN { printf "%.3f\n", u / 1000 }'
    done
}

row_format='%-4s %-46s %10s %10s %7s %9s %10s %10s\n'
# shellcheck disable=SC2059
printf "$row_format" "" "scenario" "fendix ms" "grep ms" "ratio" "RSS MB" "entries" "grep lines"

# scenario NAME TITLE FENDIX_ARRAY GREP_ARRAY
scenario() {
    local name=$1 title=$2 i found lines
    local -n fendix_cmd=$3 grep_cmd=$4
    local fendix_times=() grep_times=()
    for ((i = 0; i < runs; i++)); do
        timed "$work/fendix-out" "${fendix_cmd[@]}"
        fendix_times+=("$elapsed")
        timed "$work/grep-out" "${grep_cmd[@]}"
        grep_times+=("$elapsed")
    done
    found=$(tail -n1 "$work/fendix-out" | tr -d '\r')
    lines=$(awk -F: '{ s += $NF } END { print s + 0 }' "$work/grep-out")
    peak_rss "${fendix_cmd[@]}"
    local fendix_ms grep_ms ratio fendix_ms_list grep_ms_list
    mapfile -t fendix_ms_list < <(ms "${fendix_times[@]}")
    fendix_ms=$(median "${fendix_ms_list[@]}")
    mapfile -t grep_ms_list < <(ms "${grep_times[@]}")
    grep_ms=$(median "${grep_ms_list[@]}")
    ratio=$(awk -v f="$fendix_ms" -v g="$grep_ms" 'BEGIN { if (g > 0) printf "%.2f", f / g; else print "-" }')
    # shellcheck disable=SC2059
    printf "$row_format" "$name" "$title" "$fendix_ms" "$grep_ms" "$ratio" "$rss" "${found:--}" "$lines"
}

# shellcheck disable=SC2034  # the arrays are used through scenario's namerefs
{
    s1_fendix=("$search" --count --c1 Zorglub "$corpus")
    s1_grep=(grep -F -c Zorglub "${files[@]}")
    s2_fendix=("$search" --count --ignore-case --c1 shareware "$corpus")
    s2_grep=(grep -F -i -c shareware "${files[@]}")
    s3_fendix=("$search" --count --ignore-case --c1 shareware --c2 demo --non2 --c3 zorglub --ou3 "$corpus")
    s3_grep=(grep -F -i -c -e shareware -e demo -e zorglub "${files[@]}")
}

scenario S1 "one rare text, case kept" s1_fendix s1_grep
scenario S2 "one common text, ignore case" s2_fendix s2_grep
scenario S3 "common AND NOT other OR rare, ignore case" s3_fendix s3_grep

# M1: one line of 200 MB, memory only.
peak_rss "$search" --count --c1 Zorglub "$single"
found=$(tail -n1 "$work/rss-out" | tr -d '\r')
# shellcheck disable=SC2059
printf "$row_format" M1 "one line of $SINGLE_LINE_MB MB (ONE.BBS), memory" - - - "$rss" "${found:--}" -

#!/usr/bin/env bash
# Times fendix-search on the corpus packed into CD images against the same corpus in its
# folder.
#
#   bench/images.sh BUILD_DIR [SIZE_MB=250] [RUNS=31]
#
# The corpus of bench/run.sh is packed, once, into an .iso (genisoimage, Rock Ridge and
# Joliet names) and into a raw .bin of 2352-byte MODE1 sectors with its .cue sheet; a third
# image of about 700 MB holds the corpus and a filler. Each round reads the folder and the
# images into the page cache, then runs every command once, in shuffled order:
# fendix-search --count S1 to S3 on the folder, the .iso and the .cue, and fendix-search
# --list on the 700 MB image (opening it and listing its root). The table shows the median
# times in ms and each image's time over the folder's; then the peak memory of each search.
set -euo pipefail
export LC_ALL=C

# shellcheck source=bench/common.sh
source "$(dirname "$0")/common.sh"
parse_arguments 250 31 "$@"
require_search
command -v genisoimage >/dev/null || fail "genisoimage is missing (Debian package 'genisoimage')"

work=$(mktemp -d "${TMPDIR:-/tmp}/fendix-bench-images.XXXXXX")
trap 'rm -rf -- "$work"' EXIT

echo "machine: $(nproc) processors, load $(cut -d' ' -f1-3 /proc/loadavg)"
prepare_corpus

# The images, made again when the corpus changed.
images=$cache/images
want="$(<"$cache/stamp") images=2"
if [[ ! -f $images/stamp || $(<"$images/stamp") != "$want" ]]; then
    echo "packing the corpus into $images ..."
    rm -rf -- "$images"
    mkdir -p -- "$images/filler"
    genisoimage -quiet -R -J -o "$images/CORPUS.ISO" "$corpus"
    "$generator" --raw-image "$images/CORPUS.ISO" "$images/CORPUS.BIN"
    corpus_mb=$(($(stat -c %s "$images/CORPUS.ISO") / 1000000))
    if ((corpus_mb < 700)); then
        head -c $(((700 - corpus_mb) * 1000000)) /dev/zero >"$images/filler/FILLER.DAT"
    fi
    genisoimage -quiet -R -J -graft-points -o "$images/BIG.ISO" "$corpus" "FILLER=$images/filler"
    rm -rf -- "$images/filler"
    printf '%s\n' "$want" >"$images/stamp"
fi
echo "images:  $(cd "$images" && stat -c '%n %s bytes' CORPUS.ISO CORPUS.BIN BIG.ISO | paste -sd ' ')"
echo "rounds:  $runs, each command once per round in shuffled order, the cache warmed first"
echo

declare -A command
declare -A places=([folder]="$corpus" [iso]="$images/CORPUS.ISO" [bin]="$images/CORPUS.cue")
for place in folder iso bin; do
    command[S1.$place]=$(printf '%q ' "$search" --count --c1 Zorglub "${places[$place]}")
    command[S2.$place]=$(printf '%q ' "$search" --count --ignore-case --c1 shareware "${places[$place]}")
    command[S3.$place]=$(printf '%q ' "$search" --count --ignore-case --c1 shareware --c2 demo --non2 --c3 zorglub \
        --ou3 "${places[$place]}")
done
command[open.big]=$(printf '%q ' "$search" --list "$images/BIG.ISO")

clock() { now=${EPOCHREALTIME//[!0-9]/}; }
declare -A times
timed() {
    local name=$1 start status=0
    clock
    start=$now
    eval "${command[$name]}" >"$work/out.$name" 2>"$work/errors" || status=$?
    clock
    ((status <= 1)) || { cat -- "$work/errors" >&2; fail "exit status $status from: ${command[$name]}"; }
    times[$name]+="$((now - start)) "
}
median_ms() {
    local values=() value
    for value in ${times[$1]}; do
        values+=("$(awk -v u="$value" 'BEGIN { printf "%.3f", u / 1000 }')")
    done
    median "${values[@]}"
}

for ((round = 0; round < runs; round++)); do
    warm_cache
    cat -- "$images/CORPUS.ISO" "$images/CORPUS.BIN" >/dev/null
    while read -r name; do
        timed "$name"
    done < <(printf '%s\n' "${!command[@]}" | shuf)
done

printf '%-4s %10s %18s %18s %9s\n' "" "folder ms" "iso ms (ratio)" "bin ms (ratio)" "entries"
for scenario in S1 S2 S3; do
    folder_ms=$(median_ms "$scenario.folder")
    row=$(printf '%-4s %10s' "$scenario" "$folder_ms")
    for place in iso bin; do
        ms=$(median_ms "$scenario.$place")
        ratio=$(awk -v i="$ms" -v f="$folder_ms" 'BEGIN { printf "%.2f", i / f }')
        row+=$(printf ' %18s' "$ms ($ratio)")
        [[ $(<"$work/out.$scenario.$place") == $(<"$work/out.$scenario.folder") ]] \
            || fail "$scenario: the $place counted otherwise than the folder"
    done
    echo "$row $(printf '%9s' "$(<"$work/out.$scenario.folder")")"
done
echo "opening the 700 MB image and listing its root (--list): $(median_ms open.big) ms"

for place in folder iso bin; do
    /usr/bin/time -f %M -o "$work/time" "$search" --count --ignore-case --c1 shareware "${places[$place]}" >/dev/null
    echo "peak memory, S2 on the $place: $(awk '{ printf "%.1f", $1 / 1024 }' "$work/time") MB"
done

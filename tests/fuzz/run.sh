#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz and runs them one after the other,
# sharing SECONDS seconds (default 120) equally among them, starting from the seed inputs of
# tests/fuzz/corpus/<target>/ and from large seeds written here, whose description files are
# larger than the reader's 256 KiB buffer. Exits non-zero when a target finds a crash, a
# leak, a timeout or runs out of memory; the input that did it is kept in
# build-fuzz/fuzz-artifacts/.
set -euo pipefail

seconds=${1:-120}
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$root/build-fuzz
jobs=${FENDIX_FUZZ_JOBS:-$(nproc)}
targets=(fuzz_inifile fuzz_scanfile fuzz_run fuzz_settings fuzz_image)
each=$((seconds / ${#targets[@]}))
((each > 0)) || each=1

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DFENDIX_FUZZ=ON -DFENDIX_UI=OFF -DFENDIX_TESTS=ON
ninja -C "$build" -j "$jobs" "${targets[@]}"

# A BBS listing of about 330 KB: entries of a name line and a continuation line.
listing() {
    local i
    for ((i = 1; i <= 3000; i++)); do
        printf 'GAME%04d.ZIP   12345 01-02-95  Jeu de cartes numero %d, tarot ou belote\r\n' "$i" "$i"
        printf '                               pour deux a quatre joueurs, version %d\r\n' "$i"
    done
}

# A DP Tool Club catalogue of about 300 KB: a NEWS part, then a MAJ part.
catalogue() {
    local i
    for ((i = 1; i <= 2500; i++)); do
        printf '  \xcd\xcd\xcd DISQUE %d \xcd\xcd\xcd JEUX\r\n   Le jeu de tarot numero %d\r\n' "$i" "$i"
    done
    for ((i = 1; i <= 2500; i++)); do
        printf '  \xfe MISE A JOUR %d\r\n   Un tableur, version %d\r\n' "$i" "$i"
    done
}

# large_seeds TARGET DIR: seeds in the input form of each target (see its source).
large_seeds() {
    local dir=$2
    case $1 in
    fuzz_scanfile)
        # Three criteria (the fuzzer's strings end at a backslash and one more byte), the
        # file, then the switches, read from the end: the last byte picks the layout.
        { printf 'tarot\\ \\ \\ '; listing; printf '\0\0\0\0\0\0\0\0\0\0\1'; } >"$dir/large-listing"
        { printf 'tarot\\ \\ \\ '; catalogue; printf '\0\0\0\0\0\0\0\0\0\0\0'; } >"$dir/large-catalogue"
        { printf 'tarot\\ \\ \\ '; listing | tr -d '\r'; printf '\0\0\0\0\0\0\0\0\0\0\1'; } >"$dir/one-long-line"
        ;;
    fuzz_run)
        # Annex box checked, no button; "tarot"; a listing, a catalogue and an annex file
        # repeated a hundred times; every listed file selected.
        { printf '\4\0\0\0tarot\0\0\0'; printf '\7\0'; listing; printf '\0\0\0'; catalogue
          printf '\0\x14\x63GAME.ZIP   1 01-02-95  Un jeu de tarot\r\n\0\xff\1\1\1'; } >"$dir/large-collection"
        # The same with annexes first, any case, and "Fichier suivant" at the second match.
        { printf '\7\x09\0\0TAROT\0\0\0'; printf '\7\0'; listing; printf '\0\0\0'; catalogue
          printf '\0\x14\x63GAME.ZIP   1 01-02-95  Un jeu de tarot\r\n\0\xff\1\1\1'; } >"$dir/large-skip-file"
        ;;
    fuzz_settings)
        # A saved configuration with a long selection and annex list, loaded at start-up.
        { printf '\1\xff\0\0[WinFendix]\r\nRepertoireDefaut=cd\r\nIgnoreMAJmin=1\r\nChargeTotal=1\r\n'
          printf 'AnnexeDAbord=0\r\n[Fichiers annexes]\r\nNombre=2\r\nItem1=../extra/MORE.BBS\r\n'
          printf 'Item2=../extra/EMPTY.BBS\r\n[Fichiers standards]\r\n'
          local i
          for ((i = 1; i <= 10000; i++)); do printf 'Item%d=VRAC%02d.BBS\r\n' "$i" $((i % 100)); done
          printf 'Nombre=10000\r\n\0/sub\0MORE.BBS\0'; } >"$dir/large-configuration"
        ;;
    fuzz_inifile)
        { local i
          printf '[WinFendix]\r\nRepertoireDefaut=/cd\r\n[Fichiers standards]\r\n'
          for ((i = 1; i <= 10000; i++)); do printf 'Item%d=VRAC%02d.BBS\r\n' "$i" $((i % 100)); done
          printf 'Nombre=10000\r\n'; } >"$dir/large-configuration"
        ;;
    esac
}

artifacts=$build/fuzz-artifacts
mkdir -p "$artifacts"
status=0
for target in "${targets[@]}"; do
    # The fuzzer adds what it finds to its first corpus folder: a scratch copy of the seeds.
    corpus=$(mktemp -d)
    trap 'rm -rf "$corpus"' EXIT
    if [ -d "$root/tests/fuzz/corpus/$target" ]; then
        cp -r "$root/tests/fuzz/corpus/$target/." "$corpus/"
    fi
    large_seeds "$target" "$corpus"
    echo "== $target: $each s"
    if ! "$build/tests/fuzz/$target" "$corpus" -max_total_time="$each" -rss_limit_mb=2048 -timeout=10 \
        -print_final_stats=1 -artifact_prefix="$artifacts/$target-"; then
        echo "== $target FAILED (see $artifacts)"
        status=1
    fi
    rm -rf "$corpus"
    trap - EXIT
done
exit $status

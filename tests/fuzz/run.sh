#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz and runs each for SECONDS seconds
# (default 60), starting from the seed inputs of tests/fuzz/corpus/<target>/. Exits non-zero
# when a target finds a crash, a leak, a timeout or runs out of memory; the input that did it
# is kept in build-fuzz/fuzz-artifacts/.
set -euo pipefail

seconds=${1:-60}
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$root/build-fuzz
jobs=${FENDIX_FUZZ_JOBS:-$(nproc)}
targets=(fuzz_inifile fuzz_scanfile)

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DFENDIX_FUZZ=ON -DFENDIX_UI=OFF -DFENDIX_TESTS=ON
ninja -C "$build" -j "$jobs" "${targets[@]}"

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
    echo "== $target: $seconds s"
    if ! "$build/tests/fuzz/$target" "$corpus" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 \
        -print_final_stats=1 -artifact_prefix="$artifacts/$target-"; then
        echo "== $target FAILED (see $artifacts)"
        status=1
    fi
    rm -rf "$corpus"
    trap - EXIT
done
exit $status

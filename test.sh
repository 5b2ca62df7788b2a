#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the normal build, its Debian
# package checked, the same tests under AddressSanitizer and UndefinedBehaviorSanitizer,
# and the fuzz targets.
set -euo pipefail
cd "$(dirname "$0")"

./tools/install-deps
jobs=$(nproc)

echo "== build and test"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release
ninja -C build -j "$jobs"
(cd build && ctest --output-on-failure -j "$jobs")

echo "== package"
tools/check-package build

echo "== build and test with the sanitizers"
cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DFENDIX_SANITIZE=ON
ninja -C build-sanitize -j "$jobs"
(cd build-sanitize && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --output-on-failure -j "$jobs")

if [ -x tests/fuzz/run.sh ]; then
    echo "== fuzz"
    tests/fuzz/run.sh "${FENDIX_FUZZ_SECONDS:-120}"
fi
echo "== all tests passed"

#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program on the bundled sample collection.
set -euo pipefail
cd "$(dirname "$0")"

./tools/install-deps
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release
ninja -C build -j "$(nproc)" fendix

# The program keeps fendix.ini beside itself and, at its first start, lists the description
# files of its own directory: it runs from a folder that holds it and the samples. LONG.BBS,
# a sample of an invalid file kept for the tests, is left out, so that a first search does
# not stop on its message; a copy that an earlier run staged goes.
stage=build/sample-run
mkdir -p "$stage"
cp build/ui/fendix "$stage/"
find samples -maxdepth 1 -type f \( -iname '*.asc' -o -iname '*.bbs' \) ! -name LONG.BBS -exec cp -n {} "$stage/" \;
if cmp -s samples/LONG.BBS "$stage/LONG.BBS"; then
    rm -f "$stage/LONG.BBS"
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display: starting under a virtual X server (xvfb-run)." >&2
    exec xvfb-run -a "$stage/fendix"
fi
exec "$stage/fendix"

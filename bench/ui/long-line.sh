#!/usr/bin/env bash
# Peak memory and time to show an entry with one huge line, through the real fendix under
# Xvfb (with openbox as window manager when it is installed).
#
#   bench/ui/long-line.sh BUILD_DIR [SIZE_MB=200]
#
# Writes a BBS listing whose lines end with a line feed alone (so the whole listing is one
# line of SIZE_MB megabytes, holding PINGOUIN), followed by one ordinary entry. A copy of
# the program runs in a scratch folder with a fendix.ini of its own that opens that
# listing. xdotool types PINGOUIN and Enter, waits for the description window, presses
# Escape ("Menu") and Alt+Q ("&Quitter"). Then it runs once more with a text that the
# listing never holds, to tell the reading time from the time the window took.
# Prints:
#   match:    peak_kb=... return_to_window_s=... exit=...
#   no-match: peak_kb=... return_to_end_s=... exit=...
# peak_kb is GNU time's %M (maximum resident set size) of the whole program; the times are
# from the Enter key to the description window on the screen, and to the main window back.
set -euo pipefail
export LC_ALL=C

build=${1:?usage: long-line.sh BUILD_DIR [SIZE_MB]}
size=${2:-200}
program=$(cd "$build" && pwd)/ui/fendix
for tool in Xvfb xdotool /usr/bin/time; do
    command -v "$tool" >/dev/null || { echo "long-line.sh: $tool is missing" >&2; exit 2; }
done
[[ -x $program ]] || { echo "long-line.sh: no $program: build it first" >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/fendix-long-line.XXXXXX")
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT

mkdir "$work/cd"
{
    head -c "$((size * 1024 * 1024))" < <(yes 'PINGOUIN.ZIP   12345 01-02-95 Le pingouin glisse sur la banquise')
    printf '\r\nSUITE.ZIP       123 01-02-95 Une entree ordinaire\r\n'
} >"$work/cd/LONG.BBS"

display=:$((50 + RANDOM % 200))
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
export DISPLAY=$display
for _ in $(seq 50); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done
if command -v openbox >/dev/null; then
    openbox >/dev/null 2>&1 &
    pids+=($!)
    sleep 0.5
fi

now() { date +%s.%N; }

# One session: start the program, search for $1, note the figures.
session() {
    local text=$1 wait_for=$2
    cp "$program" "$work/fendix"
    printf '[WinFendix]\r\nRepertoireDefaut=%s\r\nIgnoreMAJmin=0\r\nChargeTotal=0\r\nAnnexeDAbord=0\r\n' \
        "$work/cd" >"$work/fendix.ini"
    /usr/bin/time -f '%M %x' -o "$work/time.txt" "$work/fendix" >/dev/null 2>"$work/stderr.txt" &
    local pid=$!
    local main
    main=$(timeout 30 xdotool search --sync --onlyvisible --name '^Dorvan Fendix v1.01$' | head -n1)
    xdotool windowactivate --sync "$main" 2>/dev/null || xdotool windowfocus --sync "$main"
    xdotool type --delay 20 "$text"
    local start end
    start=$(now)
    xdotool key Return
    if [[ $wait_for == window ]]; then
        timeout 120 xdotool search --sync --onlyvisible --name '^Affichage de la description$' >/dev/null || true
        end=$(now)
        sleep 0.5
        xdotool key Escape
    else
        # The main window goes during the run and comes back at its end.
        for _ in $(seq 600); do
            xdotool search --onlyvisible --name '^Dorvan Fendix v1.01$' >/dev/null 2>&1 || break
            sleep 0.01
        done
        timeout 120 xdotool search --sync --onlyvisible --name '^Dorvan Fendix v1.01$' >/dev/null || true
        end=$(now)
    fi
    sleep 0.5
    main=$(timeout 10 xdotool search --sync --onlyvisible --name '^Dorvan Fendix v1.01$' | head -n1) || true
    [[ -n $main ]] && { xdotool windowactivate --sync "$main" 2>/dev/null || true; xdotool key alt+q; }
    for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    local peak status
    read -r peak status <"$work/time.txt" || { peak=?; status=$(tail -n1 "$work/time.txt"); }
    printf '%s peak_kb=%s %s=%.2f exit=%s\n' "$3" "$peak" "$4" "$(echo "$end - $start" | bc)" "$status"
}

session PINGOUIN window "match:   " return_to_window_s
session Xylophonique end "no-match:" return_to_end_s

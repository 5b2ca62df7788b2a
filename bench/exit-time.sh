#!/usr/bin/env bash
# How long the program takes to end once its windows are gone, on a virtual X server, with
# and without a window manager.
#
#   bench/exit-time.sh BUILD_DIR [ROUNDS=5]
#
# Copies BUILD_DIR/ui/fendix into a scratch folder with a few description files, and for
# each way out, ROUNDS times, starts it, waits for its main window and leaves:
#   quitter  Alt+Q presses "&Quitter" of the main window (the settings are saved);
#   closebox the window manager's Alt+F4 asks the window to close (with openbox only);
#   desc     a search, then a click on "Quitter" of the description window (no save).
# It measures, from this script, which is the program's parent and reaps it at once, the
# time from the moment none of the program's windows is on the screen any more (polled
# every 2 ms with xdotool) to the end of the process, and the time from the action to the
# end. It prints the median and the largest of each, in milliseconds, and exits 1 when
# a program outlives its windows by more than 300 ms.
#
# Measure as the parent: a process whose parent has gone is reaped by the system's init,
# and until then it still answers `kill -0` and shows in `pgrep` as a zombie. In some
# sandboxes init reaps only every second or so, which looks like a slow exit but is not
# the program's time.
#
# Needs xvfb-run, openbox, xdotool and xwininfo; it runs itself under xvfb-run.
set -euo pipefail
export LC_ALL=C

usage() {
    echo "usage: $0 BUILD_DIR [ROUNDS=5]" >&2
    exit 2
}

if [[ ${FENDIX_EXIT_TIME_INNER:-} != 1 ]]; then
    [[ $# -ge 1 && $# -le 2 ]] || usage
    program=$1/ui/fendix
    [[ -x $program ]] || { echo "$program is missing: build the project first" >&2; exit 1; }
    for tool in xvfb-run openbox xdotool xwininfo; do
        command -v "$tool" >/dev/null || { echo "$tool is needed" >&2; exit 1; }
    done
    FENDIX_EXIT_TIME_INNER=1 exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$(realpath "$program")" "${2:-5}"
fi

program=$1
rounds=$2
[[ $rounds =~ ^[1-9][0-9]{0,2}$ ]] || usage
limit_ms=300

work=$(mktemp -d "${TMPDIR:-/tmp}/fendix-exit.XXXXXX")
wm=
cleanup() {
    [[ -n $wm ]] && kill "$wm" 2>/dev/null && wait "$wm" 2>/dev/null
    rm -rf -- "$work"
}
trap cleanup EXIT
cp -- "$program" "$work/fendix"
printf 'JEU.ZIP    12345 01-02-95  Un jeu de tarot\r\nAUTRE.ZIP  2345  01-02-95  Un utilitaire\r\n' >"$work/NEWS.BBS"
printf 'DEMO.ZIP   345   01-02-95  Une demo de tarot\r\n' >"$work/VRAC01.BBS"

now_us() { local t=${EPOCHREALTIME//[!0-9]/}; echo "$t"; }

# windows_shown PID: true while a window of the process is on the screen.
windows_shown() { [[ -n $(xdotool search --onlyvisible --pid "$1" 2>/dev/null) ]]; }

# one_round HOW: sets gone_ms and total_ms.
one_round() {
    local how=$1 pid main action gone end desc x y width height
    rm -f -- "$work/fendix.ini"
    (cd "$work" && exec ./fendix 2>/dev/null) &
    pid=$!
    main=$(timeout 20 xdotool search --all --sync --onlyvisible --pid "$pid" --name '^Dorvan Fendix v1.01$' | head -n1)
    [[ -n $main ]] || { echo "the main window did not come" >&2; kill "$pid"; return 1; }
    # The window takes keys once it has the focus and the program waits for input.
    sleep 1
    xdotool windowfocus --sync "$main" 2>/dev/null || true
    case $how in
    quitter)
        action=$(now_us)
        xdotool key alt+q
        ;;
    closebox)
        action=$(now_us)
        xdotool key alt+F4
        ;;
    desc)
        xdotool type tarot
        xdotool key Return
        desc=$(timeout 20 xdotool search --all --sync --onlyvisible --pid "$pid" --name '^Affichage de la description$' | head -n1)
        sleep 1
        read -r x y width height < <(xwininfo -id "$desc" |
            awk '/Absolute upper-left X/ { x = $NF } /Absolute upper-left Y/ { y = $NF }
                 /Width:/ { w = $NF } /Height:/ { h = $NF } END { print x, y, w, h }')
        action=$(now_us)
        # "Quitter" is the last button of the bottom row.
        xdotool mousemove $((x + width * 90 / 100)) $((y + height * 92 / 100)) click 1
        ;;
    esac
    while windows_shown "$pid"; do sleep 0.002; done
    gone=$(now_us)
    wait "$pid" || true
    end=$(now_us)
    gone_ms=$(((end - gone) / 1000))
    total_ms=$(((end - action) / 1000))
}

median() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
largest() { printf '%s\n' "$@" | sort -n | tail -n1; }

status=0
for manager in none openbox; do
    if [[ $manager == openbox ]]; then
        openbox >/dev/null 2>&1 &
        wm=$!
        sleep 1
    fi
    for how in quitter closebox desc; do
        [[ $how == closebox && $manager == none ]] && continue
        gones=() totals=()
        for ((i = 0; i < rounds; i++)); do
            one_round "$how"
            gones+=("$gone_ms")
            totals+=("$total_ms")
        done
        printf '%-8s %-9s windows gone -> end: median %4d ms, max %4d ms; action -> end: median %4d ms, max %4d ms\n' \
            "$manager" "$how" "$(median "${gones[@]}")" "$(largest "${gones[@]}")" \
            "$(median "${totals[@]}")" "$(largest "${totals[@]}")"
        (($(largest "${gones[@]}") <= limit_ms)) || status=1
    done
done
exit $status

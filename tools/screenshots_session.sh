#!/usr/bin/env bash
# Runs inside the virtual display of tools/screenshots.sh.
set -euo pipefail
work="$VELMAR_SHOT_WORK"
out="$VELMAR_SHOT_OUT"
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
}
trap cleanup EXIT

openbox >/dev/null 2>&1 &
pids+=($!)
sleep 1
QT_QPA_PLATFORM=xcb "$work/velmar-ui" >/dev/null 2>&1 &
pids+=($!)

window() { xdotool search --sync --onlyvisible --name "$1" | head -1; }
grab() { import -window "$1" "$out/$2"; }

main="$(window 'Velmar Benutzer')"
sleep 1

if [ "$VELMAR_SHOT_WHICH" = all ] || [ "$VELMAR_SHOT_WHICH" = script ]; then
    # The first tool button: "script monitor".
    xdotool mousemove --window "$main" 50 30 click 1
    monitor="$(window '^script monitor$')"
    xdotool windowactivate --sync "$monitor"
    sleep 0.5
    # From the grid with Tab to "Laden"; the dialog offers the example list, Enter takes it.
    xdotool key --window "$monitor" Tab Tab Tab Tab space
    dialog="$(window 'CAN-Sendeliste laden')"
    sleep 0.5
    xdotool key --window "$dialog" Return
    sleep 0.5
    # On to "Auto Senden" and let two passes run.
    xdotool windowactivate --sync "$monitor"
    xdotool key --window "$monitor" Tab Tab space
    sleep 3.5
    grab "$monitor" script-monitor.png
    # "Break Senden", then close the window.
    xdotool key --window "$monitor" space
    sleep 0.3
    xdotool key --window "$monitor" Escape || true
    sleep 0.5
fi
xdotool windowactivate --sync "$main" key --window "$main" alt+F4 2>/dev/null || true
sleep 0.5

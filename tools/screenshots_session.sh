#!/usr/bin/env bash
# Runs inside the virtual display of tools/screenshots.sh. Without a scaled font the windows
# have their designed sizes at 96 dpi; the clicks below aim at the controls in that layout.
set -euo pipefail
[ -z "${VELMAR_SHOT_TRACE:-}" ] || set -x
root="$VELMAR_SHOT_ROOT"
work="$VELMAR_SHOT_WORK"
out="$VELMAR_SHOT_OUT"
which="$VELMAR_SHOT_WHICH"
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
}
trap cleanup EXIT

openbox >/dev/null 2>&1 &
pids+=($!)
sleep 1

wanted() { [ "$which" = all ] || [ "$which" = "$1" ]; }
window() { xdotool search --sync --onlyvisible --name "$1" | head -1; }
grab() { import -window "$1" "$out/$2"; }
click() { xdotool mousemove --window "$1" "$2" "$3" click 1; }
# Keys to a window, through the keyboard as typed (after the window has the focus).
press() {
    local w="$1"
    shift
    xdotool windowactivate --sync "$w" 2>/dev/null || true
    xdotool key "$@"
}
# The window that came up last (the window manager gives it the focus).
newest() {
    sleep "${1:-1}"
    xdotool getactivewindow
}

# Starts the tool on `port`, with the example files as the last chosen ones and the script
# monitor's example list; sets $main.
ui=""
main=""
start_ui() {
    cat >"$work/Settings.ini" <<INI
[Hauptfenster]
XPos=0
YPos=0
ComPort=$1
Filename=$work/examples/demo-firmware.hex
FilenameByteCode=$work/examples/demo-program.vlb
[Debugger]
[OneWire]
XPos=30
YPos=30
Breite=0
Hoehe=0
ScriptFile=$work/examples/scripts/temperaturen.csv
LogFile=$work/messung.csv
INI
    QT_QPA_PLATFORM=xcb "$work/velmar-ui" >/dev/null 2>&1 &
    ui=$!
    pids+=("$ui")
    # A new window may come up under the id of the last one: wait until it is there.
    for _ in $(seq 50); do
        main="$(window 'Velmar Benutzer')"
        xdotool getwindowgeometry "$main" >/dev/null 2>&1 && break
        sleep 0.2
    done
    sleep 1
}
stop_ui() {
    press "$main" alt+F4 2>/dev/null || true
    wait "$ui" 2>/dev/null || true
    sleep 0.5
}

# Tool bar buttons and the buttons below the terminal, by their middle.
tool_x() {
    case "$1" in
    script) echo 58 ;; debug) echo 170 ;; settings) echo 280 ;; firmware) echo 405 ;; awl) echo 535 ;;
    esac
}
tool() { click "$main" "$(tool_x "$1")" 30; }

if wanted main; then
    start_ui SIM
    # "Download Firmware": the dialog offers the example image, Enter takes it; then the
    # byte code, then the clock lines.
    tool firmware
    press "$(newest)" Return
    sleep 4
    tool awl
    press "$(newest)" Return
    sleep 3
    click "$main" 256 545
    sleep 1
    grab "$main" main-window.png
    stop_ui
fi

if wanted setup; then
    start_ui SIM
    click "$main" 50 545
    setup="$(window '^Setup$')"
    sleep 0.5
    grab "$setup" port-setup.png
    press "$setup" Escape
    stop_ui
fi

if wanted debug; then
    start_ui SIM
    tool debug
    debug="$(window '^debug window$')"
    sleep 0.5
    # Signal numbers into the five 1-bit and the five 16-bit rows, then "Debug ON".
    for row in 0 1 2 3 4; do
        y=$((58 + row * 40))
        click "$debug" 36 "$y"
        xdotool type "$((row + 1))"
        click "$debug" 185 "$y"
        xdotool type "$((row + 1))"
    done
    click "$debug" 473 299
    sleep 2.5
    grab "$debug" debug-window.png
    click "$debug" 473 299
    sleep 0.5
    press "$debug" alt+F4 || true
    stop_ui
fi

if wanted plot; then
    start_ui SIM
    tool debug
    debug="$(window '^debug window$')"
    sleep 0.5
    # The blinking bit 0 and bit 9 (input 1), the temperature in word 1 and the level in word 2.
    for entry in "0 0" "1 9"; do
        set -- $entry
        click "$debug" 36 $((58 + $1 * 40))
        xdotool type "$2"
        click "$debug" 185 $((58 + $1 * 40))
        xdotool type "$(($1 + 1))"
    done
    # "plot", then "Debug ON"; twenty seconds of polling, the mouse on the chart for its readout.
    click "$debug" 48 300
    sleep 0.5
    click "$debug" 473 299
    sleep 20
    xdotool mousemove --window "$debug" 420 520
    sleep 0.5
    grab "$debug" debug-plot.png
    click "$debug" 473 299
    sleep 0.5
    press "$debug" alt+F4 || true
    stop_ui
fi

# The settings dialog of each board kind, each on a velmar-sim of that kind: the dialog reads
# the configuration byte as it opens; a click then reads one thing more.
settings_shot() {
    local kind="$1" name="$2" x="$3" y="$4"
    "$work/velmar-sim" --kind "$kind" --link "$work/board" >/dev/null &
    local sim=$!
    pids+=("$sim")
    sleep 0.5
    start_ui "$work/board"
    tool settings
    local dialog
    dialog="$(newest 1.5)"
    click "$dialog" "$x" "$y"
    sleep 1
    grab "$dialog" "settings-$name.png"
    press "$dialog" Escape || true
    sleep 0.5
    stop_ui
    kill "$sim"
    wait "$sim" 2>/dev/null || true
}
if wanted settings; then
    settings_shot 0 base 69 585    # "read reset counter"
    settings_shot 1 cpu 70 346     # "read reset counter"
    settings_shot 2 lcd 299 529    # "read" of the 1-Wire table
    settings_shot 16 io 50 508     # "read" of the I2C address
fi

if wanted script; then
    start_ui SIM
    tool script
    monitor="$(window '^script monitor$')"
    xdotool windowactivate --sync "$monitor"
    sleep 0.5
    # From the grid with Tab to "Laden"; the dialog offers the example list, Enter takes it.
    press "$monitor" Tab Tab Tab Tab space
    dialog="$(window 'CAN-Sendeliste laden')"
    sleep 0.5
    press "$dialog" Return
    sleep 0.5
    # On to "Auto Senden" and let two passes run.
    press "$monitor" Tab Tab space
    sleep 3.5
    grab "$monitor" script-monitor.png
    # "Break Senden", then close the window.
    press "$monitor" space
    sleep 0.3
    press "$monitor" Escape || true
    # The main window takes the focus back only after the monitor has gone.
    sleep 1.5
    stop_ui
fi

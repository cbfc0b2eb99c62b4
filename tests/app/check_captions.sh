#!/usr/bin/env bash
# check_captions.sh VELMAR_UI: the title bar, as an X server has it from the program on the
# simulated board, shows the main window's caption and nothing beside it.
set -euo pipefail
command -v Xvfb >/dev/null && command -v xprop >/dev/null || { echo "SKIP: needs Xvfb and xprop"; exit 77; }
scratch="$(mktemp -d)"
pids=()
trap 'kill "${pids[@]}" 2>/dev/null || true; rm -rf "$scratch"' EXIT
# Settings.ini lies beside the executable: a copy runs in the scratch folder.
cp "$1" "$scratch/velmar-ui"
printf '[Hauptfenster]\nComPort=SIM\n' >"$scratch/Settings.ini"
Xvfb -displayfd 3 -nolisten tcp 3>"$scratch/display" 2>/dev/null &
pids+=($!)
for _ in $(seq 100); do [ -s "$scratch/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$scratch/display")"
# Under AddressSanitizer: libxkbcommon-x11 takes the keymap's names from X replies with
# strndup(), which stops at its count; the strict string check reads on past it to a NUL that
# such a counted string does not have, and would end the program before it draws a window.
[ -z "${ASAN_OPTIONS:-}" ] || export ASAN_OPTIONS="$ASAN_OPTIONS:strict_string_checks=0"
QT_QPA_PLATFORM=xcb "$scratch/velmar-ui" >"$scratch/ui.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do
    window="$(xwininfo -root -children | awk '/"Velmar Benutzeroberfl/ { print $1; exit }')"
    [ -n "$window" ] && break
    sleep 0.1
done
[ -n "$window" ] || { echo "FAIL: no main window"; cat "$scratch/ui.log"; exit 1; }
title="$(LC_ALL=C.UTF-8 xprop -id "$window" _NET_WM_NAME)"
echo "title bar: ${title#*= }"
[ "$title" = '_NET_WM_NAME(UTF8_STRING) = "Velmar Benutzeroberfläche V 1.04l"' ]

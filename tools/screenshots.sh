#!/usr/bin/env bash
# Takes the README's screenshots: the tool runs on the simulated board ("SIM") in a virtual X
# display with a small window manager, is driven by mouse and keyboard as a person would, and
# each window is grabbed into docs/screenshots/. Installs what it needs (apt-get).
#
#   tools/screenshots.sh            # all windows
#   tools/screenshots.sh script     # only the script monitor
set -euo pipefail
cd "$(dirname "$0")/.."
source ./tools_common.sh
velmar_install xvfb xauth imagemagick xdotool openbox
velmar_build

root="$PWD"
out="$root/docs/screenshots"
mkdir -p "$out"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# The tool keeps Settings.ini beside its executable: a copy of it runs in the work folder.
cp "${VELMAR_BUILD_DIR:-build}/bin/velmar-ui" "$work/"
cat > "$work/Settings.ini" <<INI
[Hauptfenster]
XPos=0
YPos=0
ComPort=SIM
[OneWire]
XPos=30
YPos=30
Breite=0
Hoehe=0
ScriptFile=$root/examples/scripts/temperaturen.csv
LogFile=$work/messung.csv
INI

export VELMAR_SHOT_WORK="$work" VELMAR_SHOT_OUT="$out" VELMAR_SHOT_WHICH="${1:-all}"
xvfb-run -a -s "-screen 0 1280x1024x24" bash "$root/tools/screenshots_session.sh"
echo "screenshots in $out"

#!/usr/bin/env bash
# Takes the screenshots of the README and the user guide: the tool runs on the simulated board
# (the built-in "SIM", and velmar-sim for the other board kinds) in a virtual X display with a
# small window manager, is driven by mouse and keyboard as a person would, and each window is
# grabbed into docs/screenshots/. Installs what it needs (apt-get).
#
#   tools/screenshots.sh                 # every window
#   tools/screenshots.sh script          # one of: main setup debug plot settings script
set -euo pipefail
cd "$(dirname "$0")/.."
source ./tools_common.sh
velmar_install xvfb xauth imagemagick xdotool openbox
VELMAR_BUILD_TARGET="velmar-ui velmar-sim" velmar_build

root="$PWD"
out="$root/docs/screenshots"
mkdir -p "$out"
work="$(mktemp -d /tmp/velmar-XXXX)"
trap 'rm -rf "$work"' EXIT

# The tool keeps Settings.ini beside its executable: a copy of it runs in the work folder.
bin="${VELMAR_BUILD_DIR:-build}/bin"
cp "$bin/velmar-ui" "$bin/velmar-sim" "$work/"
cp -r examples "$work/"

export VELMAR_SHOT_ROOT="$root" VELMAR_SHOT_WORK="$work" VELMAR_SHOT_OUT="$out" VELMAR_SHOT_WHICH="${1:-all}"
xvfb-run -a -s "-screen 0 1280x1024x24" bash "$root/tools/screenshots_session.sh"
echo "screenshots in $out"

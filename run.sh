#!/usr/bin/env bash
# Installs what is missing, builds, and starts the tool. Without a Settings.ini the tool
# starts on the simulated board ("SIM"); choose a real port with "Setting Com".
cd "$(dirname "$0")"
source ./tools_common.sh
velmar_install
# Only the programs it may start; ./test.sh builds the rest.
VELMAR_BUILD_TARGET="velmar-ui velmar-sim" velmar_build
bin="${VELMAR_BUILD_DIR:-build}/bin"
if [ ! -f "$bin/Settings.ini" ]; then
    printf '[Hauptfenster]\nComPort=SIM\n' > "$bin/Settings.ini"
fi
exec "$bin/velmar-ui" "$@"

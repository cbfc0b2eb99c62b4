#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole suite.
cd "$(dirname "$0")"
source ./tools_common.sh
velmar_install "${VELMAR_PACKAGE_CHECKS[@]}"
velmar_build
cd "${VELMAR_BUILD_DIR:-build}"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure --parallel "$(nproc)" --timeout 600

#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test (under Xvfb when there is no display).
# Against Qt 5.15 in build/, or with VORNIK_QT_MAJOR=6 against Qt 6 in build-qt6/.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
# shellcheck source=qt-major.sh
. "$root/scripts/qt-major.sh"
build="${BUILD_DIR:-$root/build$qt_suffix}"
bash "$root/scripts/install-deps.sh"
BUILD_DIR="$build" bash "$root/scripts/build.sh"
# shellcheck source=web-env.sh
. "$root/scripts/web-env.sh"
cd "$build"
with_display ctest --output-on-failure --timeout 600 "$@"

#!/usr/bin/env bash
# Configures and builds everything into build/ (build-qt6/ with VORNIK_QT_MAJOR=6; override with
# BUILD_DIR).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
# shellcheck source=qt-major.sh
. "$root/scripts/qt-major.sh"
build="${BUILD_DIR:-$root/build$qt_suffix}"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" \
  -DVORNIK_QT_MAJOR="$VORNIK_QT_MAJOR" "$@" >/dev/null
cmake --build "$build" -j"$(nproc)"

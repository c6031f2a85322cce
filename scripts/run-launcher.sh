#!/usr/bin/env bash
# Installs what is missing, builds, and runs the reference launcher on the demo profile.
# With no display it runs headless under Xvfb, writes a screenshot and exits.
# Any arguments go to the launcher (see vornik-launcher --help). Against Qt 5.15 in build/, or with
# VORNIK_QT_MAJOR=6 against Qt 6 in build-qt6/.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
# shellcheck source=qt-major.sh
. "$root/scripts/qt-major.sh"
build="${BUILD_DIR:-$root/build$qt_suffix}"
bash "$root/scripts/install-deps.sh"
BUILD_DIR="$build" bash "$root/scripts/build.sh"
# shellcheck source=web-env.sh
. "$root/scripts/web-env.sh"
args=("$@")
if [ -z "${DISPLAY:-}" ] && [ "${#args[@]}" -eq 0 ]; then
  args=(--screenshot "$root/vornik-launcher$qt_suffix.png")
fi
if [ "$VORNIK_QT_MAJOR" = 6 ]; then
  # The page's profile (cookies, local storage, cache) stays in the build folder: Qt 6's engine
  # upgrades a profile folder so that a Qt 5.15 launcher on this machine loses its cookies there.
  export XDG_DATA_HOME="$build/web-data/share" XDG_CACHE_HOME="$build/web-data/cache"
fi
with_display "$build/bin/vornik-launcher" "${args[@]}"

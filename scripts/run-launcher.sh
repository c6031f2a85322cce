#!/usr/bin/env bash
# Installs what is missing, builds, and runs the reference launcher on the demo profile.
# With no display it runs headless under Xvfb, writes a screenshot and exits.
# Any arguments go to the launcher (see vornik-launcher --help).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${BUILD_DIR:-$root/build}"
bash "$root/scripts/install-deps.sh"
BUILD_DIR="$build" bash "$root/scripts/build.sh"
# shellcheck source=web-env.sh
. "$root/scripts/web-env.sh"
args=("$@")
if [ -z "${DISPLAY:-}" ] && [ "${#args[@]}" -eq 0 ]; then
  args=(--screenshot "$root/vornik-launcher.png")
fi
with_display "$build/bin/vornik-launcher" "${args[@]}"

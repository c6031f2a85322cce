#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the tests and the launcher need, for the Qt major
# in VORNIK_QT_MAJOR (5, Qt 5.15, by default; 6, Qt 6.4).
# Safe to run again: apt-get skips what is already there.
set -euo pipefail
# shellcheck source=qt-major.sh
. "$(dirname "${BASH_SOURCE[0]}")/qt-major.sh"

packages=(
  cmake g++ make pkg-config
  libasan8 libubsan1   # the sanitizer runtimes; g++ brings them, named here so none goes missing
  libcpp-httplib-dev
  xvfb xauth fonts-dejavu-core
  node-typescript      # tsc, for the test that type-checks the pages against the page protocol
)
if [ "$VORNIK_QT_MAJOR" = 6 ]; then
  packages+=(qt6-base-dev qt6-base-dev-tools qt6-svg-dev
             qt6-webengine-dev qt6-webengine-dev-tools qt6-webchannel-dev)
else
  packages+=(qtbase5-dev qtbase5-dev-tools libqt5svg5-dev qtwebengine5-dev libqt5webchannel5-dev)
fi
# With --fuzz, clang with its libFuzzer and sanitizer runtimes, for scripts/run-fuzz.sh.
[[ " $* " == *" --fuzz "* ]] && packages+=(clang-14 libclang-rt-14-dev)
# With --windows, the MinGW-w64 cross compiler for scripts/check-windows-compile.sh, and clang-cl
# with its linker for scripts/check-msvc-configure.sh.
[[ " $* " == *" --windows "* ]] && packages+=(g++-mingw-w64-x86-64-posix clang-tools-14 lld-14)
# With --sdk, Ninja for scripts/check-host-sdk.sh's multi-config build.
[[ " $* " == *" --sdk "* ]] && packages+=(ninja-build)
# With --bench, column for scripts/run-bench.sh's table and heaptrack for scripts/soak-attribution.sh.
[[ " $* " == *" --bench "* ]] && packages+=(bsdextrautils heaptrack)

missing=()
for p in "${packages[@]}"; do
  [ "$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null)" = "install ok installed" ] || missing+=("$p")
done

if [ "${#missing[@]}" -gt 0 ]; then
  sudo_cmd=""
  [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo_cmd apt-get update
  $sudo_cmd apt-get install -y --no-install-recommends "${missing[@]}"
fi

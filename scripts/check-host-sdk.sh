#!/usr/bin/env bash
# The host team's path, end to end, with the stand-in host playing their SDK and their launcher:
# - the stand-in's service and UI libraries, headers and package installed as a host SDK;
# - the plug-in built alone against it, in a fresh folder, with a multi-config generator and no
#   configuration named, nothing of the stand-in built or included there, the slot-order suite
#   run against the SDK's headers; and again against the same SDK without its CMake package,
#   with one configuration;
# - the plug-in installed into a host's folder (single-config too, from the tree's own build),
#   its files where it reads them, and finding the host's libraries beside itself;
# - the launcher started from that folder with the installed plug-in, until the page has loaded
#   and its commands have been answered through the host.
# The tree's own build (build/, build-qt6/) plays the host; the work is done in build-sdk/.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
# shellcheck source=qt-major.sh
. "$root/scripts/qt-major.sh"
bash "$root/scripts/install-deps.sh" --sdk
host_build="${BUILD_DIR:-$root/build$qt_suffix}"
BUILD_DIR="$host_build" bash "$root/scripts/build.sh"
work="$root/build-sdk$qt_suffix"
rm -rf "$work"
mkdir -p "$work"
fail() { echo "check-host-sdk: $*" >&2; exit 1; }
# Every file a given folder must hold after an install of the plug-in.
expect_plugin_files() {
  for file in libVornikPlugin.so www/offline.html image/lo.svg; do
    [ -f "$1/$file" ] || fail "$2 did not install $file into $1 (it holds: $(cd "$1" && find . -type f | sort | tr '\n' ' '))"
  done
}

echo "== the stand-in host installed as an SDK"
cmake --install "$host_build" --component HostSdk --prefix "$work/sdk" >/dev/null
for file in lib/libKvlHostService.so lib/libKvlHostUi.so include/kvlhost/iplugin.h include/kvlhost/hostcontract.h \
            lib/cmake/KvlHostSdk/KvlHostSdkConfig.cmake; do
  [ -f "$work/sdk/$file" ] || fail "the SDK install has no $file"
done

echo "== the plug-in alone against it (Ninja Multi-Config, no configuration named)"
cmake -S "$root" -B "$work/plugin" -G "Ninja Multi-Config" -DVORNIK_QT_MAJOR="$VORNIK_QT_MAJOR" \
  -DVORNIK_HOST_SDK="$work/sdk" >/dev/null
cmake --build "$work/plugin"
targets=$(ninja -C "$work/plugin" -f build-Release.ninja -t targets all | sed -n 's/^\([^:/]*\):Release: phony$/\1/p' | sort)
echo "targets: $(echo "$targets" | tr '\n' ' ')"
grep -qx VornikPlugin <<<"$targets" || fail "no VornikPlugin among the targets: the target list was not read"
for standin in KvlHostService KvlHostUi VornikHostPlugins VornikLauncherPage VornikLauncherHost VornikLauncherConsole \
               VornikLauncherService VornikLauncherCore vornik-launcher VornikHarness; do
  ! grep -qx "$standin" <<<"$targets" || fail "the plug-in's own build made the stand-in's $standin"
done
for folder in "$root/hostapi" "$root/host/"; do
  ! grep -qF -e "-I$folder" -e "-isystem $folder" "$work/plugin/CMakeFiles/impl-Release.ninja" ||
    fail "the plug-in's own build includes $folder"
done
[ -f "$work/plugin/bin/Release/libVornikPlugin.so" ] || fail "no Release plug-in: the build's default is not Release"
(cd "$work/plugin" && ctest -C Release --output-on-failure)

echo "== the plug-in alone against an SDK without a CMake package (one configuration)"
cp -r "$work/sdk" "$work/bare-sdk"
rm -r "$work/bare-sdk/lib/cmake"
cmake -S "$root" -B "$work/bare-plugin" -DVORNIK_QT_MAJOR="$VORNIK_QT_MAJOR" -DVORNIK_HOST_SDK="$work/bare-sdk" \
  -DVORNIK_BUILD_TESTS=OFF >"$work/bare-plugin.log" 2>&1 || { cat "$work/bare-plugin.log"; fail "the configure against the SDK without a package failed"; }
grep "against the host SDK: its headers" "$work/bare-plugin.log" || fail "the SDK without a package was not read from its files"
cmake --build "$work/bare-plugin" -j"$(nproc)" >/dev/null
[ -f "$work/bare-plugin/bin/libVornikPlugin.so" ] || fail "no plug-in built against the SDK without a package"

echo "== installed into a host's folder"
# The host: the stand-in's launcher and libraries with the demo page, as the host team ships theirs.
host="$work/host"
mkdir -p "$host/www"
cp "$host_build/bin/vornik-launcher" "$host_build"/bin/lib{KvlHostService,KvlHostUi,VornikHostPlugins}.so "$host/"
for file in index.html demo.css demo.js vornik-client.js vornik-client-module.js vornik-protocol.js; do
  cp "$host_build/bin/www/$file" "$host/www/"
done
cmake -S "$root" -B "$work/plugin" -DVORNIK_INSTALL_APPDIR=. >/dev/null
cmake --install "$work/plugin" --prefix "$host" >/dev/null
expect_plugin_files "$host" "a multi-config install"
[ -z "$(readelf -d "$host/libVornikPlugin.so" | grep -F "$work/sdk")" ] || fail "the installed plug-in still looks for the SDK's folder"
# As a DLL beside the host's executable, it finds the host's libraries in its own folder.
# Read whole before matching: grep -q leaving early would kill ldd by SIGPIPE, and pipefail would
# take that for a mismatch.
resolved=$(ldd "$host/libVornikPlugin.so")
grep -qF "libKvlHostUi.so => $host/libKvlHostUi.so" <<<"$resolved" ||
  fail "the installed plug-in does not find the host's UI library beside itself: $(grep Kvl <<<"$resolved")"
cmake --install "$host_build" --component VornikPlugin --prefix "$work/single" >/dev/null
expect_plugin_files "$work/single/bin" "a single-config install"

echo "== the launcher loads the installed plug-in, and the page's commands are answered"
# shellcheck source=web-env.sh
. "$root/scripts/web-env.sh"
export XDG_DATA_HOME="$work/web-data/share" XDG_CACHE_HOME="$work/web-data/cache"
summary=$(with_display "$host/vornik-launcher" --screenshot "$work/launcher.png" --host-log "$work/host-calls.jsonl" 2>"$work/launcher.err") ||
  { cat "$work/launcher.err" >&2; fail "the launcher failed with the installed plug-in"; }
echo "$summary"
grep -q "page loaded online" <<<"$summary" || fail "the page did not load online"
# The account record is read only when the page asks for its user's token.
grep -q '"op":"accountInfo"' "$work/host-calls.jsonl" || fail "no page command reached the host"
echo "check-host-sdk: passed"

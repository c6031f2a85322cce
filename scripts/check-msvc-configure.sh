#!/usr/bin/env bash
# Configures the tree as a Windows team's MSVC would, with clang-cl (CMake's MSVC-like mode), and
# checks the plug-in's compile lines: MSVC's own warnings-as-errors and conformance flags, none of
# GCC's, a release build by default; and that the sanitizer and fuzz options refuse such a
# compiler with a message. Nothing is compiled: there is no Windows Qt here, so the configure
# reads this machine's Qt packages, whose only GCC flag, -fPIC, Qt adds for Linux itself
# (Qt5CoreConfigExtras.cmake) and a Windows Qt does not.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
# shellcheck source=qt-major.sh
. "$root/scripts/qt-major.sh"
if [ "$VORNIK_QT_MAJOR" != 5 ]; then
  # Qt 6's packages declare their libraries without import libraries, which CMake refuses for a
  # Windows target even when nothing links.
  echo "check-msvc-configure: runs against Qt 5.15's packages only; Qt 6's cannot be read for a Windows target here" >&2
  exit 2
fi
bash "$root/scripts/install-deps.sh" --windows
build="${BUILD_DIR:-$root/build-msvc$qt_suffix}"
fail() { echo "check-msvc-configure: $*" >&2; exit 1; }
log="$(mktemp)"
trap 'rm -f "$log"' EXIT
configure() {
  rm -rf "$build"
  cmake -S "$root" -B "$build" -DCMAKE_SYSTEM_NAME=Windows -DCMAKE_CXX_COMPILER=clang-cl-14 \
    -DCMAKE_TRY_COMPILE_TARGET_TYPE=STATIC_LIBRARY -DVORNIK_QT_MAJOR="$VORNIK_QT_MAJOR" \
    -DQt"$VORNIK_QT_MAJOR"_DIR="/usr/lib/x86_64-linux-gnu/cmake/Qt$VORNIK_QT_MAJOR" -DQT_HOST_PATH=/usr \
    -DCMAKE_EXPORT_COMPILE_COMMANDS=ON -Wno-dev "$@"
}

configure >"$log" 2>&1 || { cat "$log"; fail "the configure for clang-cl failed"; }
grep -q "CMAKE_CXX_COMPILER_FRONTEND_VARIANT:.*MSVC\|MSVC-like command-line" "$log" ||
  fail "clang-cl was not taken as an MSVC-like compiler"
mapfile -t lines < <(grep '"command"' "$build/compile_commands.json" | grep -E '/(VornikPlugin|VornikCommon)\.dir/')
[ "${#lines[@]}" -gt 0 ] || fail "no plug-in compile lines in $build/compile_commands.json"
for line in "${lines[@]}"; do
  file=${line##* }
  file=${file%\",}
  for flag in /W4 /WX /utf-8 /permissive- /Zc:__cplusplus -DQT_NO_DEBUG; do
    grep -qF -- " $flag " <<<"$line" || fail "no $flag on the compile line of $file"
  done
  if gcc_flags=$(grep -oE -- ' -(W[a-z-]+|f[a-z-]+|std=[a-z+0-9]+|pthread|g)( |$)' <<<"$line" | grep -v -- '-fPIC'); then
    fail "GCC flags on the compile line of $file:" $gcc_flags
  fi
done
echo "${#lines[@]} plug-in compile lines carry MSVC's flags and no GCC flag, in a release build"
# The slot-order check reads the Itanium ABI's member pointers: it must stay out of an MSVC build.
! grep -q 'tst_hostslots' "$build/compile_commands.json" || fail "tst_hostslots is compiled in an MSVC build"

for option in VORNIK_SANITIZE VORNIK_FUZZ; do
  if configure "-D$option=ON" >"$log" 2>&1; then
    fail "$option=ON was accepted with clang-cl"
  fi
  grep -q "$option needs" "$log" || { cat "$log"; fail "$option=ON failed without saying why"; }
  echo "$option=ON refused: $(grep -A1 "$option needs" "$log" | tr -s ' \n' ' ' | cut -c1-160)"
done

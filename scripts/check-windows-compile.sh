#!/usr/bin/env bash
# Compiles every source of the plug-in and common/, their moc outputs and the plug-in's version
# resource for a Windows target with MinGW-w64, warnings and pedantic warnings as errors: a POSIX
# header or call, a GCC extension or a broken Q_OS_WIN branch fails here before a Windows team
# meets it. Against this machine's Qt headers (there is no Windows Qt here), with the flags the
# real build gives each file, read from its compile database; nothing is linked.
# Configured in build-windows/ (build-windows-qt6/ with VORNIK_QT_MAJOR=6; override with BUILD_DIR).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
# shellcheck source=qt-major.sh
. "$root/scripts/qt-major.sh"
bash "$root/scripts/install-deps.sh" --windows
build="${BUILD_DIR:-$root/build-windows$qt_suffix}"
cxx=x86_64-w64-mingw32-g++-posix
started=$(date +%s)

# Only the moc outputs are made; without origin dependencies they need no host library built.
cmake -S "$root" -B "$build" -DVORNIK_QT_MAJOR="$VORNIK_QT_MAJOR" -DVORNIK_BUILD_TESTS=OFF \
  -DCMAKE_EXPORT_COMPILE_COMMANDS=ON -DCMAKE_AUTOGEN_ORIGIN_DEPENDS=OFF >/dev/null
cmake --build "$build" --target VornikPlugin_autogen VornikCommon_autogen >/dev/null

objects="$build/windows-objects"
rm -rf "$objects"
mkdir -p "$objects"
mapfile -t commands < <(grep '"command"' "$build/compile_commands.json" |
  grep -E '/(VornikPlugin|VornikCommon)\.dir/' |
  sed -e 's/^ *"command": "//' -e 's/",\{0,1\}$//' -e 's/\\"/"/g')
[ "${#commands[@]}" -gt 0 ] || { echo "no plug-in sources in $build/compile_commands.json" >&2; exit 1; }

# One file's compile: the real command with the cross compiler, without what only ELF needs,
# the object written apart. Windows builds of Qt define UNICODE.
compile() {
  local index=$1 skip=0 args=() out=()
  eval "args=($2)"
  for a in "${args[@]:1}"; do
    if [ "$skip" = 1 ]; then out+=("$objects/$index.o"); skip=0; continue; fi
    case "$a" in
      -fPIC | -g) ;;
      -o) out+=(-o); skip=1 ;;
      *) out+=("$a") ;;
    esac
  done
  "$cxx" -DUNICODE -D_UNICODE -Wpedantic "${out[@]}" >"$objects/$index.log" 2>&1 ||
    { echo "== $(printf '%s\n' "${args[@]}" | tail -1)"; cat "$objects/$index.log"; return 1; }
}

failed=0
running=0
for i in "${!commands[@]}"; do
  compile "$i" "${commands[$i]}" &
  running=$((running + 1))
  if [ "$running" -ge "$(nproc)" ]; then
    wait -n || failed=1
    running=$((running - 1))
  fi
done
while [ "$running" -gt 0 ]; do
  wait -n || failed=1
  running=$((running - 1))
done

x86_64-w64-mingw32-windres "$build/Plugins/VornikPlugin/VornikPlugin.rc" -o "$objects/version.o" || failed=1

if [ "$failed" != 0 ]; then
  echo "the plug-in does not compile for Windows (above)" >&2
  exit 1
fi
echo "${#commands[@]} files and the version resource compiled for Windows in $(( $(date +%s) - started ))s"

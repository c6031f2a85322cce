#!/usr/bin/env bash
# Runs the libFuzzer targets, each for the given number of seconds, from its seed corpus:
#
#   bash scripts/run-fuzz.sh <target|all> <seconds> [libFuzzer options...]
#
# Installs clang when it is missing and builds the targets into build-fuzz/ (build-fuzz-qt6/ with
# VORNIK_QT_MAJOR=6; override with BUILD_DIR), where everything, the plug-in included, is built
# with clang, AddressSanitizer, UndefinedBehaviorSanitizer and libFuzzer's coverage. The seeds in
# fuzz/corpus/<target> stay as they are; what a run adds goes to BUILD_DIR/corpus/<target> and is
# read again by the next run. A crash, leak, time-out or failed check is written to
# BUILD_DIR/findings/<target>/ and makes the script exit non-zero once every chosen target has run.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
# shellcheck source=qt-major.sh
. "$root/scripts/qt-major.sh"
build="${BUILD_DIR:-$root/build-fuzz$qt_suffix}"
all=(page_command moded_game_list record_fill host_profile control_api)

usage() {
  echo "usage: $0 <target|all> <seconds> [libFuzzer options...]" >&2
  echo "targets: ${all[*]}" >&2
  exit 2
}
[ $# -ge 2 ] || usage
choice="$1"
seconds="$2"
shift 2
[[ "$seconds" =~ ^[1-9][0-9]*$ ]] || usage
if [ "$choice" = all ]; then
  targets=("${all[@]}")
elif [[ " ${all[*]} " == *" $choice "* ]]; then
  targets=("$choice")
else
  usage
fi

bash "$root/scripts/install-deps.sh" --fuzz
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++-14 \
    -DVORNIK_QT_MAJOR="$VORNIK_QT_MAJOR" -DVORNIK_FUZZ=ON -DVORNIK_BUILD_TESTS=OFF >/dev/null
fi
cmake --build "$build" -j"$(nproc)" --target "${targets[@]/#/fuzz_}"

# Leaks are checked after every input that leaves more allocated than it found; undefined
# behaviour stops the run at once, with the stack that led to it. A quarantine of freed memory
# smaller than the default 256 MB keeps a long run under the 1 GB from which libFuzzer returns
# memory to the system every second, which would cost most of its time.
export ASAN_OPTIONS="detect_leaks=1:quarantine_size_mb=64${ASAN_OPTIONS:+:$ASAN_OPTIONS}"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1${UBSAN_OPTIONS:+:$UBSAN_OPTIONS}"

status=0
printf '%-16s %12s %9s %8s %10s  %s\n' target executions "exec/s" corpus "peak RSS" result
for target in "${targets[@]}"; do
  corpus="$build/corpus/$target"
  findings="$build/findings/$target"
  log="$build/logs/$target.log"
  mkdir -p "$corpus" "$findings" "$(dirname "$log")"
  result=ok
  # The guard only ends a run that hangs outside any one input (the per-input bound is -timeout).
  timeout --kill-after=30 $((seconds + 300)) \
    "$build/bin/fuzz_$target" -max_total_time="$seconds" -max_len=8192 -timeout=10 -print_final_stats=1 \
    -artifact_prefix="$findings/" "$@" "$corpus" "$root/fuzz/corpus/$target" >"$log" 2>&1 || result=FINDING
  final_stat() { sed -n "s/^stat::$1: *//p" "$log" | tail -1; }
  size="$(grep -o 'corp: [0-9]*' "$log" | tail -1 | cut -d' ' -f2 || true)"
  printf '%-16s %12s %9s %8s %7s MB  %s\n' "$target" "$(final_stat number_of_executed_units)" \
    "$(final_stat average_exec_per_sec)" "${size:-?}" "$(final_stat peak_rss_mb)" "$result"
  if [ "$result" != ok ]; then
    status=1
    grep -E '^(==[0-9]+==ERROR|==vornik-fuzz==|SUMMARY|artifact_prefix|Test unit written)' "$log" >&2 || true
    echo "the whole output: $log" >&2
  fi
done
exit "$status"

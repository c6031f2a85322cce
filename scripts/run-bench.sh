#!/usr/bin/env bash
# Installs what is missing, builds the benchmarks in Release into build-bench/ (build-bench-qt6/
# with VORNIK_QT_MAJOR=6; override with BENCH_BUILD_DIR) without the test suites, runs them under
# Xvfb when there is no display, and prints one table. Each benchmark measures its reference in the
# same run.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
# shellcheck source=qt-major.sh
. "$root/scripts/qt-major.sh"
build="${BENCH_BUILD_DIR:-$root/build-bench$qt_suffix}"
bash "$root/scripts/install-deps.sh" --bench
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DVORNIK_QT_MAJOR="$VORNIK_QT_MAJOR" \
  -DVORNIK_BUILD_TESTS=OFF -DVORNIK_BUILD_BENCH=ON >/dev/null
cmake --build "$build" -j"$(nproc)" --target bench_delivery bench_modedlist bench_launcherscale bench_launcherstart bench_soak
# shellcheck source=web-env.sh
. "$root/scripts/web-env.sh"
bin="$build/bin"
# The launcher's and the bare view's web profiles stay in the build folder, so every run of either
# major starts from what the previous run of the same build left, and the two never share one.
export XDG_DATA_HOME="$build/web-data/share" XDG_CACHE_HOME="$build/web-data/cache"
log="$build/bench.log"
: >"$log"
echo "machine: $(nproc) cores, $(uptime)" | tee -a "$log"
# One display for all of them, started once: several xvfb-run -a at the same moment race for one.
# The workbench's pace in a process of its own: after a 100,000-game list its round trips came out
# slower than in a fresh one. Then again on one core, where no thread waits for another core to
# wake (P1w1, P4w1). The plug-in's soak (P11) comes last, beside the launcher's growth (P6g): it
# runs the longest, bounded below by the delivery pace (100,000 pushes 10 ms apart take 1,000 s).
with_display bash -c '
  set -e
  "$0/bench_delivery" && "$0/bench_modedlist" && "$0/bench_launcherscale" endToEnd
  "$0/bench_launcherscale" workbenchPace && taskset -c 0 "$0/bench_launcherscale" workbenchPace
  "$0/bench_launcherstart"
  "$0/bench_soak"
' "$bin" 2>&1 | tee -a "$log" | grep --line-buffered -E "^FIGURE|^FAIL" >"$build/figures.txt" || true
echo "machine after: $(uptime)" | tee -a "$log"
{
  printf 'figure\tour value (median, quartiles)\treference (same run)\tratio\tgoal\tholds\twhat\n'
  awk -F'\t' '$1 == "FIGURE" { printf "%s\t%s\t%s\t%s\t%s\t%s\t%s\n", $2, $4, $5, $6, $7, $8, $3 }' "$build/figures.txt"
} | column -t -s $'\t'
if grep -q '^FAIL' "$build/figures.txt"; then
  echo "a benchmark failed; see $log" >&2
  exit 1
fi

#!/usr/bin/env bash
# Who holds the plug-in process's memory after a long run, and what of it grows with the work:
# the soak (bench_soak) run twice under heaptrack, a short run and a long one with the same
# warm-up, each ending without its teardown so that what is still allocated is what the run
# held. Prints what the long run holds and what it holds more than the short one, grouped by the
# component whose code asked for it: the plug-in, the stand-in host (the soak's own program and
# the host libraries), the web engine, Qt, and the system's libraries below them.
#
# A stack is placed by its innermost frame in the plug-in or the stand-in; if an event or a
# thread's start comes first (the allocation was made by whatever handled it), by the web engine
# if one of its frames came before that, else by Qt, else by the system. Runs against build/
# (RelWithDebInfo, for the plug-in's file names) unless BUILD_DIR says otherwise.
#   SOAK_SHORT / SOAK_LONG: measured rounds of the two runs (1 and 4); the round's size as in
#   bench_soak (VORNIK_SOAK_*), by default 20,000 commands, 2,000 pushes and 20 refreshes.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
# shellcheck source=qt-major.sh
. "$root/scripts/qt-major.sh"
build="${BUILD_DIR:-$root/build$qt_suffix}"
out="${SOAK_OUT:-$build/soak-attribution}"
bash "$root/scripts/install-deps.sh" --bench
cmake -S "$root" -B "$build" -DVORNIK_QT_MAJOR="$VORNIK_QT_MAJOR" -DVORNIK_BUILD_BENCH=ON >/dev/null
cmake --build "$build" -j"$(nproc)" --target bench_soak >/dev/null
# shellcheck source=web-env.sh
. "$root/scripts/web-env.sh"
rm -rf "$out"
mkdir -p "$out"
export VORNIK_SOAK_WARMUP="${VORNIK_SOAK_WARMUP:-2}" VORNIK_SOAK_COMMANDS="${VORNIK_SOAK_COMMANDS:-20000}" \
  VORNIK_SOAK_PUSHES="${VORNIK_SOAK_PUSHES:-2000}" VORNIK_SOAK_REFRESHES="${VORNIK_SOAK_REFRESHES:-20}" \
  VORNIK_SOAK_EXIT_AT_END=1
for run in short long; do
  rounds=$([ "$run" = short ] && echo "${SOAK_SHORT:-1}" || echo "${SOAK_LONG:-4}")
  echo "== $run run: $VORNIK_SOAK_WARMUP rounds of warm-up, $rounds measured"
  VORNIK_SOAK_ROUNDS="$rounds" with_display heaptrack -o "$out/$run" "$build/bin/bench_soak" >"$out/run-$run.log" 2>&1 ||
    { tail -20 "$out/run-$run.log"; echo "soak-attribution: the $run run failed" >&2; exit 1; }
  grep -E "^round|^slope" "$out/run-$run.log"
done

# Every backtrace on its own (-m 0), all of them (-n, -s), leaks only: with the teardown skipped,
# "leaked" is what was allocated when the run ended.
print_leaks() { heaptrack_print -m 0 -l 1 -p 0 -a 0 -T 0 -n 100000000 -s 100000000 "$@"; }
group() {
  awk -v top="${SOAK_TOP:-4}" '
    function bytes(text,   unit, n) {
      n = text + 0; unit = substr(text, length(text), 1)
      if (unit == "K") n *= 1024; else if (unit == "M") n *= 1048576; else if (unit == "G") n *= 1073741824
      return n
    }
    # The frame named for a stack in our code: the innermost of that module that is our own
    # function rather than a library template expanded there, and where the memory was taken.
    function ours(g, pattern, i,   j, via) {
      via = engine ? " (in the web engine)" : qt ? " (in Qt)" : ""
      for (j = i; j <= depth && !dispatch(frame[j]); ++j)
        if (module[j] ~ pattern && frame[j] !~ /^(std::|Q[A-Za-z]*<|QtPrivate|operator|__|0x)/) return g "\t" frame[j] via
      return g "\t" frame[i] via
    }
    # Where a stack stops being about its caller: an event handed out, a thread started.
    function dispatch(f) { return f ~ /^(QCoreApplication::notifyInternal2|g_main_context_dispatch|QEventLoop::exec|start_thread|clone3?)(\(|$)/ }
    function place(   i, m, f) {
      engine = 0; qt = 0
      for (i = 1; i <= depth; ++i) {
        m = module[i]; f = frame[i]
        if (m ~ /libVornikPlugin/) return ours("plug-in", "libVornikPlugin", i)
        if (m ~ /bench_soak|libKvlHost|libVornikHostPlugins/) return ours("stand-in host", "bench_soak|libKvlHost|libVornikHostPlugins", i)
        if (dispatch(f)) break
        if (m ~ /libQt[56]WebEngine/ && !engine) engine = i
        else if (m ~ /libQt[56]/ && !qt) qt = i
      }
      if (engine) return "web engine\t" frame[engine]
      if (qt) return "Qt\t" frame[qt]
      return "system\t" frame[1]
    }
    function flush(   key, g) {
      if (size == "") return
      key = place(); split(key, g, "\t")
      total[g[1]] += size; site[key] += size
      size = ""
    }
    /^MEMORY LEAKS/ { on = 1; next }
    !on { next }
    /^[-0-9.]+[BKMG]? leaked over/ { flush(); size = bytes($1); depth = 0; next }
    /^  [^ ]/ { sub(/^  /, ""); frame[++depth] = $0; module[depth] = ""; next }
    /^    in / { module[depth] = $2; next }
    /^[a-z]/ { flush(); on = 0 }
    END {
      flush()
      n = split("plug-in|stand-in host|web engine|Qt|system", order, "|")
      for (k in site) lines[k] = site[k]
      for (i = 1; i <= n; ++i) {
        g = order[i]; printf "%-14s %8.2f MiB\n", g, total[g] / 1048576
        for (t = 0; t < top; ++t) {
          best = ""; bestSize = 0
          for (k in lines) {
            split(k, p, "\t"); s = lines[k] < 0 ? -lines[k] : lines[k]
            if (p[1] == g && s > bestSize) { best = k; bestSize = s }
          }
          if (best == "") break
          split(best, p, "\t"); printf "    %8.2f MiB  %s\n", lines[best] / 1048576, substr(p[2], 1, 110)
          delete lines[best]
        }
      }
    }'
}
echo "== held at the end of the long run"
print_leaks "$out/long."* | group | tee "$out/held.txt"
echo "== held more at the end of the long run than of the short one"
print_leaks "$out/long."* -d "$out/short."* | group | tee "$out/grown.txt"

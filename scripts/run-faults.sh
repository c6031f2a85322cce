#!/usr/bin/env bash
# Plants each fault of tests/faults.tsv alone in a copy of the source, rebuilds, and runs the suites
# (fastest first) until one fails. A fault that no suite notices is a hole in the tests.
#
#   bash scripts/run-faults.sh            every fault
#   bash scripts/run-faults.sh plugin     faults in Plugins/ and common/
#   bash scripts/run-faults.sh launcher   faults in host/
#   bash scripts/run-faults.sh TEXT       faults whose file path contains TEXT
#
# The copy and its build live outside the work tree, in FAULTS_DIR (default
# ${XDG_CACHE_HOME:-~/.cache}/vornik-faults, -qt6 added with VORNIK_QT_MAJOR=6), and are kept
# between runs, so a second run rebuilds only what changed. FAULTS_REV=<commit> takes the source
# from that commit instead of the work tree; FAULTS_CMAKE_ARGS adds configure options; FAULTS_JOBS
# sets the build's parallelism.
#
# The list: one fault a line, tab-separated: file, exact text, replacement, what a user would see.
# A fifth column, when present, says why the fault cannot be seen from outside: such a fault is
# planted and reported, but not counted. Lines starting with # are comments.
set -uo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
# shellcheck source=qt-major.sh
. "$root/scripts/qt-major.sh"
# shellcheck source=web-env.sh
. "$root/scripts/web-env.sh"
# One display for the whole run, not one per suite.
if [ -z "${DISPLAY:-}" ]; then
  with_display bash "${BASH_SOURCE[0]}" "$@"
  exit $?
fi

subset="${1:-all}"
list="${FAULTS_LIST:-$root/tests/faults.tsv}"
work="${FAULTS_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/vornik-faults$qt_suffix}"
src="$work/src"
build="$work/build"
logs="$work/logs"
jobs="${FAULTS_JOBS:-2}"
started=$(date +%s)

case "$work/" in
  "$root"/*) echo "FAULTS_DIR must be outside the work tree: $work" >&2; exit 2 ;;
esac
mkdir -p "$src" "$build" "$logs"

say() { printf '%s\n' "$*"; }
elapsed() { local s=$(( $(date +%s) - $1 )); printf '%dm%02ds' $((s / 60)) $((s % 60)); }

# --- The copy. Only files whose content changed are written, so make rebuilds only what they
# touch: a file written now is newer than every object built before.
stage="$work/stage"
rm -rf "$stage" && mkdir -p "$stage"
if [ -n "${FAULTS_REV:-}" ]; then
  git -C "$root" archive "$FAULTS_REV" | tar -x -C "$stage" || { say "cannot read $FAULTS_REV"; exit 2; }
else
  (cd "$root" && git ls-files -co --exclude-standard -z | while IFS= read -r -d '' f; do
     [ -f "$f" ] && printf '%s\0' "$f"; done | tar -c --null -T - -f -) | tar -x -C "$stage"
fi
(cd "$stage" && find . -type f -print0) | while IFS= read -r -d '' f; do
  if ! cmp -s "$stage/$f" "$src/$f"; then
    mkdir -p "$(dirname "$src/$f")" && cp "$stage/$f" "$src/$f"
  fi
done
(cd "$src" && find . -type f -print0) | while IFS= read -r -d '' f; do
  [ -e "$stage/$f" ] || rm -f "$src/$f"
done
rm -rf "$stage"

# --- Restoring. Whatever happens, the planted file gets its own text back, with a new time so the
# next build compiles it again.
planted=""
saved="$work/saved-original"
running=""
restore() {
  if [ -n "$planted" ]; then
    cp "$saved" "$src/$planted" && touch "$src/$planted"
    planted=""
  fi
}
stop() {
  [ -n "$running" ] && kill -TERM "$running" 2>/dev/null
  restore
  say "interrupted; the copy is restored"
  exit 130
}
trap restore EXIT
trap stop INT TERM

configure_copy() {
  # shellcheck disable=SC2086
  nice cmake -S "$src" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORNIK_QT_MAJOR="$VORNIK_QT_MAJOR" \
    ${FAULTS_CMAKE_ARGS:-} >"$1" 2>&1 </dev/null
}
build_copy() {
  nice cmake --build "$build" -j"$jobs" >"$1" 2>&1 </dev/null
}

# Runs one suite with a bound of its own, so a fault that makes a suite hang costs minutes, not
# the suite's whole time-out. The bound's process group takes the suite's web engine with it.
run_suite() {
  local name=$1 limit=$2 log=$3
  timeout -k 10 "$limit" ctest --test-dir "$build" -R "^${name}\$" --output-on-failure >"$log" 2>&1 &
  running=$!
  wait "$running"
  local status=$?
  running=""
  return $status
}

say "source: ${FAULTS_REV:-work tree} copied to $src"
say "building the copy (-j$jobs)..."
if ! configure_copy "$logs/configure.log" || ! build_copy "$logs/build-clean.log"; then
  say "the copy does not build without any fault; see $logs/build-clean.log"
  exit 2
fi

# --- The suites, measured once without a fault: every suite must pass, and its time sets the
# order (fastest first) and its bound.
mapfile -t suites < <(ctest --test-dir "$build" -N | sed -n 's/^ *Test *#[0-9]*: *\([^ ]*\)$/\1/p')
declare -A seconds
say "running ${#suites[@]} suites without a fault..."
for suite in "${suites[@]}"; do
  t0=$(date +%s)
  if ! run_suite "$suite" 900 "$logs/clean-$suite.log"; then
    say "$suite fails without any fault; see $logs/clean-$suite.log"
    exit 2
  fi
  seconds[$suite]=$(( $(date +%s) - t0 ))
done
mapfile -t order < <(for s in "${suites[@]}"; do printf '%s %s\n' "${seconds[$s]}" "$s"; done | sort -n | cut -d' ' -f2)
clean_total=0
for s in "${suites[@]}"; do clean_total=$(( clean_total + ${seconds[$s]} )); done
say "suites pass in ${clean_total}s: $(for s in "${order[@]}"; do printf '%s %ss, ' "$s" "${seconds[$s]}"; done)"

# --- The faults.
in_subset() {
  case "$subset" in
    all) return 0 ;;
    plugin) [[ $1 == Plugins/* || $1 == common/* ]] ;;
    launcher) [[ $1 == host/* ]] ;;
    *) [[ $1 == *"$subset"* ]] ;;
  esac
}

count_of() { # occurrences of $2 in the text $1
  local rest=$1 n=0
  while [[ $rest == *"$2"* ]]; do rest=${rest#*"$2"}; n=$((n + 1)); done
  echo "$n"
}

results="$work/results.tsv"
declare -A catcher_of
# The list as it is now: an edit to it while the run goes on must not shift the lines read.
cp "$list" "$work/list.tsv"
list="$work/list.tsv"
: >"$results"
total=0 caught=0 unseen=0 broken=0 absent=0 number=0
while IFS= read -r line <&3 || [ -n "$line" ]; do
  number=$((number + 1))
  [[ -z $line || $line == \#* ]] && continue
  IFS=$'\x1f' read -r file text replacement visible reason <<<"${line//$'\t'/$'\x1f'}"
  in_subset "$file" || continue
  counted=1
  [ -n "${reason:-}" ] && counted=0
  label="line $number: $file: ${visible:-?}"
  [ "$counted" = 1 ] && total=$((total + 1)) || unseen=$((unseen + 1))
  t0=$(date +%s)

  if [ ! -f "$src/$file" ]; then
    outcome="no such file"; absent=$((absent + 1))
  else
    content=$(cat "$src/$file"; printf x); content=${content%x}
    n=$(count_of "$content" "$text")
    if [ "$n" != 1 ]; then
      [ "$n" = 0 ] && outcome="text not found" || outcome="text found $n times"
      absent=$((absent + 1))
    else
      cp "$src/$file" "$saved"
      planted=$file
      printf '%s' "${content/"$text"/"$replacement"}" >"$src/$file"
      if ! build_copy "$logs/build-$number.log"; then
        outcome="DOES NOT BUILD (see $logs/build-$number.log)"; broken=$((broken + 1))
      else
        outcome="MISSED"
        # The suite that caught the last fault in this file goes first: faults of one file are
        # mostly caught by one suite, and the others then need not run.
        first=${catcher_of[$file]:-}
        tries=()
        [ -n "$first" ] && tries+=("$first")
        for suite in "${order[@]}"; do [ "$suite" != "$first" ] && tries+=("$suite"); done
        for suite in "${tries[@]}"; do
          if ! run_suite "$suite" $(( ${seconds[$suite]} * 3 + 60 )) "$logs/fault-$number.log"; then
            outcome="caught by $suite"
            catcher_of[$file]=$suite
            break
          fi
        done
      fi
      restore
    fi
  fi

  if [[ $outcome == caught* && $counted == 1 ]]; then caught=$((caught + 1)); fi
  [ "$counted" = 0 ] && outcome="$outcome (not counted: $reason)"
  say "$label ... $outcome ($(elapsed "$t0"))"
  printf '%s\t%s\t%s\t%s\n' "$number" "$file" "$outcome" "${visible:-}" >>"$results"
done 3<"$list"

# The last fault's restore needs a build too, or the copy's binaries stay planted until next time.
build_copy "$logs/build-restored.log" || say "the restored copy does not build; see $logs/build-restored.log"

say ""
[ "$broken" -gt 0 ] && say "$broken fault(s) do not build: fix the list"
[ "$absent" -gt 0 ] && say "$absent fault(s) not planted: text not found, found more than once, or no such file"
[ "$unseen" -gt 0 ] && say "$unseen fault(s) not counted: they cannot be seen from outside"
say "$caught of $total caught in $(elapsed "$started") (suites without a fault: ${clean_total}s; results in $results)"

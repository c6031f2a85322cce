#!/usr/bin/env bash
# Installs what is missing, builds everything with AddressSanitizer and UndefinedBehaviorSanitizer
# into build-asan/ (override with BUILD_DIR) and runs every test there, leak checking on.
# Arguments go to ctest.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
# Qt 5.15 only: the leak suppressions (sanitizers/lsan.supp) and the notes behind them are about
# Qt 5.15's libraries. The Qt 6 build runs the plain suite (VORNIK_QT_MAJOR=6 run-tests.sh).
if [ "${VORNIK_QT_MAJOR:-5}" != 5 ]; then
  echo "run-sanitized-tests.sh builds against Qt 5.15 only, not VORNIK_QT_MAJOR=$VORNIK_QT_MAJOR" >&2
  exit 2
fi
build="${BUILD_DIR:-$root/build-asan}"
bash "$root/scripts/install-deps.sh"
# -O1 keeps the run reasonably quick while stacks stay exact; a Debug build keeps Qt's and our own
# Q_ASSERTs on, which catch an out-of-range index before it reads.
BUILD_DIR="$build" BUILD_TYPE=Debug bash "$root/scripts/build.sh" \
  -DVORNIK_SANITIZE=ON -DCMAKE_CXX_FLAGS_DEBUG="-g -O1"
# shellcheck source=web-env.sh
. "$root/scripts/web-env.sh"

# A leak or an error fails the test that made it: the process exits non-zero at its end (leaks) or
# at once (everything else).
#
# Two frames per allocation: the allocator and the function that called it. Stacks are shorter to
# read, but a suppression then matches only what a library allocated itself, never what our code
# allocated while that library was further down the stack. For a longer stack, run a suite again
# with ASAN_OPTIONS=malloc_context_size=30 LSAN_OPTIONS=suppressions= (none, so none can hide it).
# What the caller sets in these three comes after ours, so it wins.
export ASAN_OPTIONS="detect_leaks=1:malloc_context_size=2:verify_asan_link_order=0${ASAN_OPTIONS:+:$ASAN_OPTIONS}"
export LSAN_OPTIONS="suppressions=$root/sanitizers/lsan.supp:print_suppressions=1${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1${UBSAN_OPTIONS:+:$UBSAN_OPTIONS}"
# When the X connection closes at exit, Mesa unmaps its software driver and its dispatch library,
# before the leak check runs. What their globals held (the dispatch stub names, two records of the
# driver) then looks leaked, with a stack into a library that is no longer there, which no
# suppression can name. Loaded up front they stay mapped, and the check sees that memory as the
# process-wide state it is. Nothing else changes: every Qt program here loads both anyway.
multiarch="$(gcc -print-multiarch)"
mesa=()
for lib in "/usr/lib/$multiarch/libglapi.so.0" "/usr/lib/$multiarch/dri/swrast_dri.so"; do
  if [ -e "$lib" ]; then mesa+=("$lib"); fi
done
preload=()
if [ "${#mesa[@]}" -gt 0 ] || [ -n "${LD_PRELOAD:-}" ]; then
  preload=(LD_PRELOAD="${mesa[*]}${LD_PRELOAD:+ $LD_PRELOAD}")
fi

cd "$build"
with_display env "${preload[@]}" ctest --output-on-failure --timeout 600 "$@"

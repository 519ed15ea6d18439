#!/usr/bin/env bash
# Builds quorvane-host and Quorvane.so with ThreadSanitizer (both instrumented, in build-tsan-host/) and
# runs the host's concurrency scenario: the audio thread renders while the main thread makes editor
# gestures, saves and restores state and pumps the run loop's timers, and a second thread automates;
# then the real editor in a window on a virtual display while the audio thread renders. Any report
# stops the run.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

dir="${QUORVANE_TSAN_HOST_DIR:-build-tsan-host}"
jobs="$(nproc 2>/dev/null || echo 2)"

echo "=== configure $dir (ThreadSanitizer, host and module)"
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVANE_BUILD_TESTS=OFF -DQUORVANE_BUILD_BENCH=OFF \
  "-DCMAKE_CXX_FLAGS=-fsanitize=thread -fno-omit-frame-pointer" "-DCMAKE_C_FLAGS=-fsanitize=thread" \
  -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread -DCMAKE_SHARED_LINKER_FLAGS=-fsanitize=thread
grep -E '^(CMAKE_BUILD_TYPE|CMAKE_CXX_FLAGS|CMAKE_EXE_LINKER_FLAGS|CMAKE_SHARED_LINKER_FLAGS):' "$dir/CMakeCache.txt"
echo "=== build $dir (quorvane-host, Quorvane.so)"
cmake --build "$dir" -j "$jobs" --target quorvane-host quorvane_module

export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$root/scripts/tsan-mesa.supp ${TSAN_OPTIONS:-}"
host="$dir/bin/quorvane-host"
echo "=== $host validate --threads"
"$host" validate --threads
echo "=== $host validate --soak ${QUORVANE_TSAN_SOAK_SECONDS:-5}"
"$host" validate --soak "${QUORVANE_TSAN_SOAK_SECONDS:-5}"
echo "=== $host validate"
"$host" validate
echo "=== $host editor --seconds 4 (the editor's tick and painting while the audio thread renders)"
xvfb-run -a -s "-screen 0 1920x1280x24" "$host" editor --seconds 4
echo
echo "ThreadSanitizer: no report from the host and the module."

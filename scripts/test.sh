#!/usr/bin/env bash
# Installs the dependencies, then builds and runs every test: an optimised build, the Windows build under
# Wine, a Debug build with
# AddressSanitizer and UndefinedBehaviorSanitizer, a ThreadSanitizer build of the suites whose subject is
# shared between threads, then the hardening stages: the render paths under RealtimeSanitizer, host and
# module under ThreadSanitizer, short soaks on the audio thread at three sample rates, and a bounded
# run of every fuzz target.
#
#   bash scripts/test.sh           everything (what CI runs)
#   bash scripts/test.sh --quick   the optimised build and its tests only, for everyday work
set -euo pipefail

quick=0
if [ "${1:-}" = "--quick" ]; then
  quick=1
fi

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

bash scripts/install-deps.sh

jobs="$(nproc 2>/dev/null || echo 2)"

# Editor tests draw with OpenGL into an X server: a virtual one (Mesa's software renderer) for every
# test run, so results do not depend on the machine's display. A missing display fails those tests.
# Mesa draws on the calling thread and keeps no shader cache on disk: no driver threads are left to
# race with the sanitizers' exit-time checks, and tests write nothing under $HOME.
export QUORVANE_REQUIRE_DISPLAY=1 LP_NUM_THREADS=0 MESA_SHADER_CACHE_DISABLE=true
with_display() {
  xvfb-run -a -s "-screen 0 1920x1280x24" "$@"
}

configure() {
  local dir="$1"
  shift
  echo
  echo "=== configure $dir: $*"
  cmake -S . -B "$dir" "$@"
  grep -E '^(CMAKE_BUILD_TYPE|CMAKE_CXX_COMPILER|CMAKE_CXX_FLAGS|CMAKE_EXE_LINKER_FLAGS|QUORVANE_[A-Z_]+):' \
    "$dir/CMakeCache.txt" || true
  "$(grep -E '^CMAKE_CXX_COMPILER:' "$dir/CMakeCache.txt" | cut -d= -f2)" --version | head -n 1
}

# CTEST_EXTRA: further ctest arguments for one build.
run_build() {
  local dir="$1"
  configure "$@"
  echo "=== build $dir"
  cmake --build "$dir" -j "$jobs"
  echo "=== test $dir"
  with_display ctest --test-dir "$dir" --output-on-failure -j "$jobs" ${CTEST_EXTRA:-}
}

run_build build -DCMAKE_BUILD_TYPE=Release
if [ "$quick" = 1 ]; then
  echo
  echo "All tests passed (quick mode: optimised build only)."
  exit 0
fi

# The Windows build, cross-compiled, with its tests under Wine; then its renders of the golden scenarios
# against this build's.
echo
echo "=== Windows: cross-build (build-win), tests under Wine"
with_display bash scripts/test-windows.sh

# A safety net for LeakSanitizer's exit-time scan, whose thread tracer has crashed ("Tracer caught
# signal 11") in processes that drew with Mesa's software renderer while its threads ended: a test
# failing that way gets one more run; a real leak or memory error fails both runs.
CTEST_EXTRA="--repeat until-pass:2" \
  run_build build-asan -DCMAKE_BUILD_TYPE=Debug -DQUORVANE_SANITIZE=ON -DQUORVANE_BUILD_BENCH=OFF

# ThreadSanitizer cannot share a binary with AddressSanitizer, so it gets its own build of one test binary.
configure build-tsan -DCMAKE_BUILD_TYPE=Debug -DQUORVANE_BUILD_BENCH=OFF \
  -DCMAKE_CXX_FLAGS=-fsanitize=thread -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread
echo "=== build build-tsan (quorvane_tests_IPlug, quorvane_tests_plugin, quorvane_tests_lv2)"
cmake --build build-tsan -j "$jobs" --target quorvane_tests_IPlug quorvane_tests_plugin quorvane_tests_lv2
echo "=== test build-tsan: rings, timer, API base, parameter values, host changes during processing, chunk calls"
TSAN_OPTIONS=halt_on_error=1 ./build-tsan/tests/quorvane_tests_IPlug --gtest_filter='IPlugQueue.*:Timer.*:APIBase.*:ParamConcurrency.*'
TSAN_OPTIONS=halt_on_error=1 ./build-tsan/tests/quorvane_tests_plugin --gtest_filter='ChainThreads.*:ChunkThreads.*'
echo "=== test build-tsan: the LV2 module's state restored and saved while it runs"
TSAN_OPTIONS=halt_on_error=1 ./build-tsan/tests/quorvane_tests_lv2 --gtest_filter='LV2Threads.*'

echo
echo "=== RealtimeSanitizer: render paths, validate, short soak (build-rtsan)"
bash scripts/rtsan.sh
echo
echo "=== ThreadSanitizer: host and module, rendering concurrently with the UI thread (build-tsan-host)"
bash scripts/tsan-host.sh
echo
echo "=== soak: 20 s on the audio thread at 48, 96 and 192 kHz (build)"
for rate in 48000 96000 192000; do
  ./build/bin/quorvane-host validate --soak 20 --rate "$rate"
done
echo
echo "=== fuzzing: every target for 45 s (build-fuzz)"
bash scripts/fuzz.sh 45

echo
echo "All tests and hardening stages passed."

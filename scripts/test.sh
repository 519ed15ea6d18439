#!/usr/bin/env bash
# Installs the dependencies, then builds and runs every test twice: an optimised build, and a Debug
# build with AddressSanitizer and UndefinedBehaviorSanitizer. A third, ThreadSanitizer build runs the
# suites whose subject is shared between threads (rings, timer, parameter values, the chain).
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

bash scripts/install-deps.sh

jobs="$(nproc 2>/dev/null || echo 2)"

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

run_build() {
  local dir="$1"
  configure "$@"
  echo "=== build $dir"
  cmake --build "$dir" -j "$jobs"
  echo "=== test $dir"
  ctest --test-dir "$dir" --output-on-failure -j "$jobs"
}

run_build build -DCMAKE_BUILD_TYPE=Release
run_build build-asan -DCMAKE_BUILD_TYPE=Debug -DQUORVANE_SANITIZE=ON -DQUORVANE_BUILD_BENCH=OFF

# ThreadSanitizer cannot share a binary with AddressSanitizer, so it gets its own build of one test binary.
configure build-tsan -DCMAKE_BUILD_TYPE=Debug -DQUORVANE_BUILD_BENCH=OFF \
  -DCMAKE_CXX_FLAGS=-fsanitize=thread -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread
echo "=== build build-tsan (quorvane_tests_IPlug, quorvane_tests_plugin)"
cmake --build build-tsan -j "$jobs" --target quorvane_tests_IPlug quorvane_tests_plugin
echo "=== test build-tsan: rings, timer, API base, parameter values, host changes during processing"
TSAN_OPTIONS=halt_on_error=1 ./build-tsan/tests/quorvane_tests_IPlug --gtest_filter='IPlugQueue.*:Timer.*:APIBase.*:ParamConcurrency.*'
TSAN_OPTIONS=halt_on_error=1 ./build-tsan/tests/quorvane_tests_plugin --gtest_filter='ChainThreads.*'

echo
echo "All tests passed in all three builds."

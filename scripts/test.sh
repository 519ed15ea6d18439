#!/usr/bin/env bash
# Installs the dependencies, then builds and runs every test twice: an optimised build, and a Debug
# build with AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

bash scripts/install-deps.sh

jobs="$(nproc 2>/dev/null || echo 2)"

run_build() {
  local dir="$1"
  shift
  echo
  echo "=== configure $dir: $*"
  cmake -S . -B "$dir" "$@"
  grep -E '^(CMAKE_BUILD_TYPE|CMAKE_CXX_COMPILER|CMAKE_CXX_FLAGS|QUORVANE_[A-Z_]+):' "$dir/CMakeCache.txt" || true
  "$(grep -E '^CMAKE_CXX_COMPILER:' "$dir/CMakeCache.txt" | cut -d= -f2)" --version | head -n 1
  echo "=== build $dir"
  cmake --build "$dir" -j "$jobs"
  echo "=== test $dir"
  ctest --test-dir "$dir" --output-on-failure -j "$jobs"
}

run_build build -DCMAKE_BUILD_TYPE=Release
run_build build-asan -DCMAKE_BUILD_TYPE=Debug -DQUORVANE_SANITIZE=ON -DQUORVANE_BUILD_BENCH=OFF

echo
echo "All tests passed in both builds."

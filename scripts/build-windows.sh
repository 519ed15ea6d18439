#!/usr/bin/env bash
# Cross-builds the Windows module (Quorvane.aaxplugin bundle), quorvane-host.exe and the Windows tests
# with Debian's mingw-w64 into build-win/ (BUILD_DIR overrides). Installs what it needs first.
# scripts/test-windows.sh runs the tests under Wine.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

bash scripts/install-deps.sh

dir="${BUILD_DIR:-build-win}"
jobs="$(nproc 2>/dev/null || echo 2)"

echo "=== configure $dir (x86_64-w64-mingw32)"
cmake -S . -B "$dir" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release
x86_64-w64-mingw32-g++-posix --version | head -n 1
echo "=== build $dir"
cmake --build "$dir" -j "$jobs"

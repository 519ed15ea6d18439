#!/usr/bin/env bash
# The main job: installs the dependencies, builds the plug-in module and its host (Release, in build/),
# then renders the built-in drum-and-bass programme through the plug-in into out/.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
cmake --build build -j "$(nproc 2>/dev/null || echo 2)" --target quorvane-host quorvane_module
build/bin/quorvane-host demo --out out

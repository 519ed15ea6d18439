#!/usr/bin/env bash
# Builds the Windows targets (scripts/build-windows.sh) and runs their tests under Wine, in a throwaway
# prefix with one Wine server for all of them; then, when the Linux build exists in build/, compares the
# two builds on the golden scenarios. Needs an X display for the editor tests: scripts/test.sh
# runs it under xvfb-run.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

bash scripts/build-windows.sh
dir="${BUILD_DIR:-build-win}"

wine_dir=/usr/lib/wine
WINEPREFIX="$(mktemp -d "${TMPDIR:-/tmp}/quorvane-wine-XXXXXX")"
export WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# Every opening of the editor makes a new OpenGL context. Mesa's software renderer compiles the renderer's
# shaders for each one unless its shader cache is on (about 7 s an opening on one thread): the cache lives
# in the throwaway prefix, so nothing is written under $HOME, and the renderer keeps its own threads.
unset LP_NUM_THREADS
export MESA_SHADER_CACHE_DISABLE=false MESA_SHADER_CACHE_DIR="$WINEPREFIX/mesa-shader-cache"
cleanup() {
  "$wine_dir/wineserver" -k 2>/dev/null || true
  rm -rf "$WINEPREFIX"
}
trap cleanup EXIT

echo "=== Wine: a fresh prefix in $WINEPREFIX"
"$wine_dir/wine64" wineboot --init 2>&1 | grep -v rundll32 || true
"$wine_dir/wineserver" -p
wine_reg() { "$wine_dir/wine64" reg add "$@" /f >/dev/null; }
# Xvfb has no window manager; without this Wine waits two seconds for one whenever a framed window goes.
wine_reg 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N
# The prefix reports Windows 7, where the editor ticks from its timer. To the copy of the test program
# that runs the editor's suite a second time it reports Windows 10, where the vertical-blank thread ticks it.
wine_reg 'HKCU\Software\Wine\AppDefaults\quorvane_tests_win10.exe' /v Version /t REG_SZ /d win10

# The editor's picture from this machine's Linux build, when there is one, for the screenshot test.
if [ -x build/bin/quorvane-host ]; then
  linux_png="$WINEPREFIX/editor-linux.png"
  ./build/bin/quorvane-host editor --screenshot "$linux_png"
  export QUORVANE_LINUX_EDITOR_PNG="Z:$linux_png"
fi

echo "=== test $dir (under Wine)"
ctest --test-dir "$dir" --output-on-failure

# The golden scenarios: the chain's samples in double precision, and renders through both hosts.
if [ -x build/tests/quorvane_tests_plugin ] && [ -x build/tests/quorvane_tests_e2e ]; then
  echo "=== the golden scenarios: Windows build against build/"
  dump="$WINEPREFIX/golden-windows.bin"
  QUORVANE_GOLDEN_DUMP="Z:$dump" bash scripts/wine-run.sh "$dir/bin/quorvane_tests_win.exe" \
    --gtest_filter='GoldenWin.*'
  QUORVANE_WIN_GOLDEN_DUMP="$dump" ./build/tests/quorvane_tests_plugin --gtest_filter='WindowsGolden.*'
  QUORVANE_WIN_HOST="$root/$dir/bin/quorvane-host.exe" ./build/tests/quorvane_tests_e2e --gtest_filter='WindowsGolden.*'
fi

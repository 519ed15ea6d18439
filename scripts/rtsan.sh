#!/usr/bin/env bash
# Builds quorvane-host with RealtimeSanitizer's runtime linked in (in build-rtsan/; the module is loaded
# as usual) and runs the render paths under it: every render call is real-time, so the first allocation,
# free, lock, sleep or file call inside one, in the host or the module, stops the run with a stack.
# Exempt by design: a block longer than any before it (the plug-in may grow its block buffers). A
# latency change needs no exemption: the plug-in sizes its bypass delay for its largest latency up front.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

dir="${QUORVANE_RTSAN_DIR:-build-rtsan}"
jobs="$(nproc 2>/dev/null || echo 2)"
runtime=/usr/lib/llvm-19/lib/clang/19/lib/linux/libclang_rt.rtsan-x86_64.a
if [ ! -f "$runtime" ]; then
  echo "rtsan: $runtime is missing; scripts/install-deps.sh installs libclang-rt-19-dev" >&2
  exit 1
fi

echo "=== configure $dir (RealtimeSanitizer runtime in the host)"
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVANE_RTSAN=ON -DQUORVANE_RTSAN_RUNTIME="$runtime" \
  -DQUORVANE_BUILD_TESTS=OFF -DQUORVANE_BUILD_BENCH=OFF
grep -E '^(CMAKE_BUILD_TYPE|CMAKE_CXX_FLAGS|QUORVANE_RTSAN[A-Z_]*):' "$dir/CMakeCache.txt"
echo "=== build $dir (quorvane-host, Quorvane.so, the LV2 bundle and its real-time runner)"
cmake --build "$dir" -j "$jobs" --target quorvane-host quorvane_module quorvane_lv2_rt_run

host="$dir/bin/quorvane-host"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# The battery: every switch combination on the audio thread, oversampling toggles (latency changes),
# block growth, host bypass, side chain; and its other renders, state restores and damaged chunks.
echo "=== $host validate"
"$host" validate
echo "=== $host validate --soak ${QUORVANE_RTSAN_SOAK_SECONDS:-20}"
"$host" validate --soak "${QUORVANE_RTSAN_SOAK_SECONDS:-20}"
echo "=== $host validate --threads"
"$host" validate --threads

# The command line's render path on the audio thread: the demo, then its programme with automation that
# toggles oversampling, at a longer block, with and without host bypass.
echo "=== $host demo, render"
"$host" demo --out "$work/demo" > /dev/null
cat > "$work/automation.txt" <<'AUTOMATION'
0 Oversampling=1
48000 Oversampling=0
96000 Oversampling=1
120000 Turbo=1
144000 Oversampling=0
168000 XFormer=1
192000 Oversampling=1
AUTOMATION
"$host" render "$work/demo/dry.wav" "$work/out.wav" --block-size 1024 --automation "$work/automation.txt" \
  --set Ratio=10:1 --set Threshold=-10 --compensate-latency
"$host" render "$work/demo/dry.wav" "$work/out.wav" --block-size 64 --automation "$work/automation.txt" --host-bypass
"$host" render "$work/demo/dry.wav" "$work/out.wav" --block-size 333 --set "Release Time=Auto" --set Oversampling=1

# The LV2 DSP module through lilv: every run() of both plug-ins at three rates.
echo "=== $dir/bin/quorvane_lv2_rt_run"
"$dir/bin/quorvane_lv2_rt_run"

echo
echo "RealtimeSanitizer: no allocation, lock, sleep or file call in a render call."

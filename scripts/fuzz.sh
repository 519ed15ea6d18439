#!/usr/bin/env bash
# Builds the libFuzzer targets in fuzz/ with clang++-19 (address and undefined-behaviour sanitizers)
# in build-fuzz/, runs each for SECONDS (default 60) over a scratch copy of its seed corpus, prints
# how many inputs each executed, and fails when any target finds a crash.
#   bash scripts/fuzz.sh [SECONDS]
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

seconds="${1:-60}"
if ! [[ "$seconds" =~ ^[0-9]+$ ]] || [ "$seconds" -lt 1 ]; then
  echo "usage: bash scripts/fuzz.sh [SECONDS]" >&2
  exit 2
fi

if ! command -v clang++-19 >/dev/null 2>&1 || ! dpkg-query -W -f='${Status}' libclang-rt-19-dev 2>/dev/null | grep -q "install ok installed"; then
  bash scripts/install-deps.sh
fi

# QUORVANE_FUZZ_BUILD moves the build elsewhere (for a scratch run beside another build).
build="${QUORVANE_FUZZ_BUILD:-$root/build-fuzz}"
jobs="$(nproc 2>/dev/null || echo 2)"
echo "=== configure $build"
cmake -S fuzz -B "$build" -DCMAKE_CXX_COMPILER=clang++-19 -DCMAKE_BUILD_TYPE=RelWithDebInfo
clang++-19 --version | head -n 1
echo "=== build $build"
cmake --build "$build" -j "$jobs"

targets=(fuzz_state_chunk fuzz_io_layouts fuzz_display_text fuzz_host_name fuzz_param_setting)

# New corpus entries and crash reproducers go to a scratch folder, never into the repository.
work="$(mktemp -d "${TMPDIR:-/tmp}/quorvane-fuzz.XXXXXX")"
failed=()
summary=()
for t in "${targets[@]}"; do
  mkdir -p "$work/$t/corpus" "$work/$t/artifacts"
  cp fuzz/corpus/"$t"/* "$work/$t/corpus/" 2>/dev/null || true
  echo
  echo "=== fuzz $t for ${seconds}s"
  status=0
  "$build/$t" -max_total_time="$seconds" -print_final_stats=1 -rss_limit_mb=2048 -max_len=4096 \
    -artifact_prefix="$work/$t/artifacts/" "$work/$t/corpus" >"$work/$t/log" 2>&1 || status=$?
  executions="$(grep -Eo 'stat::number_of_executed_units: *[0-9]+' "$work/$t/log" | grep -Eo '[0-9]+$' || echo '?')"
  crashes="$(find "$work/$t/artifacts" -type f | wc -l)"
  if [ "$status" -ne 0 ] || [ "$crashes" -ne 0 ]; then
    failed+=("$t")
    summary+=("$t: $executions executions, FAILED (exit $status; reproducers in $work/$t/artifacts)")
    grep -E 'ERROR|runtime error|invariant failed|SUMMARY' "$work/$t/log" | head -n 20 || true
    tail -n 40 "$work/$t/log"
  else
    summary+=("$t: $executions executions, no crash")
  fi
done

echo
echo "=== fuzz summary (${seconds}s per target)"
printf '%s\n' "${summary[@]}"
if [ ${#failed[@]} -ne 0 ]; then
  echo "fuzzing found crashes in: ${failed[*]}" >&2
  exit 1
fi
rm -rf "$work"
echo "No target found a crash."

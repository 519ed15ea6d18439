#!/usr/bin/env bash
# Console jalv runs Quorvane in real time on a JACK dummy server with clicks from jack_metro at its inputs:
# the control values from the command line must reach the plug-in (jalv's own listing, a gain reduction
# and an oversampling latency on the output ports) and jalv must exit cleanly at end of input.
# Usage: jalv.sh BUILD_DIR
set -u
HERE=$(cd "$(dirname "$0")" && pwd)
. "$HERE/common.sh"
setup_common "${1:-}"
need jackd jack_wait jack_metro jack_connect jack_lsp jalv timeout

# Last "SYMBOL = VALUE" jalv printed for SYMBOL (the listings answer our commands on stdin).
value_of() {
  sed -n "s/^\(> \)*$1 = \([-0-9.e+]*\)$/\2/p" "$2" | tail -n 1
}

# run_jalv URI SECONDS_BEFORE_QUERY CONTROL... : jalv under a hard timeout, fed by commands on stdin.
run_jalv() {
  local uri=$1
  local settle=$2
  shift 2
  local client="qv$$x$RANDOM"
  local controls=()
  for c in "$@"; do controls+=(-c "$c"); done
  JALV_LOG="$WORK/jalv-$client.log"
  {
    # Clicks into every audio input once jalv's ports exist; the side chain stays unconnected.
    for _ in $(seq 50); do
      timeout -s KILL 5 jack_lsp 2>/dev/null | grep -q "^$client:in" && break
      sleep 0.1
    done
    for port in $(timeout -s KILL 5 jack_lsp 2>/dev/null | grep -E "^$client:in(_l|_r)?$"); do
      timeout -s KILL 5 jack_connect "$METRO_PORT" "$port" || echo "could not connect $port" >>"$WORK/connect.err"
    done
    sleep "$settle"
    echo controls
    sleep 1
    echo monitors
    sleep 1
  } | timeout -s KILL 60 jalv -n "$client" -x "${controls[@]}" "$uri" >"$JALV_LOG" 2>&1
  JALV_RC=${PIPESTATUS[1]}
}

check_run() {
  local what=$1
  [ "$JALV_RC" -eq 0 ] || fail "$what: jalv exit status $JALV_RC ($(grep -v '^[a-z_]* = ' "$JALV_LOG" | tail -n 1))"
  ! grep -qiE "segmentation|aborted|terminate called|core dumped" "$JALV_LOG" || fail "$what: jalv crashed"
  [ ! -s "$WORK/connect.err" ] || fail "$what: $(head -n 1 "$WORK/connect.err")"
}

start_jack
METRO_NAME="metro$$"
start_bg 120 "$WORK/metro.log" jack_metro -n "$METRO_NAME" -b 240 -A 1.0
METRO_PORT="$METRO_NAME:240_bpm"
for _ in $(seq 50); do
  timeout -s KILL 5 jack_lsp 2>/dev/null | grep -qx "$METRO_PORT" && break
  sleep 0.1
done
timeout -s KILL 5 jack_lsp 2>/dev/null | grep -qx "$METRO_PORT" || fail "jack_metro gave no port"

# Stereo, about 10 s in real time.
start=$(date +%s)
run_jalv urn:kestrove:quorvane:stereo 7 threshold=-10 ratio=3 oversampling=1
seconds=$(($(date +%s) - start))
check_run stereo
threshold=$(value_of threshold "$JALV_LOG")
ratio=$(value_of ratio "$JALV_LOG")
gr=$(value_of gain_reduction "$JALV_LOG")
latency=$(value_of latency "$JALV_LOG")
[ "$threshold" = "-10.000000" ] || fail "stereo: jalv lists threshold '$threshold', not the -10 given"
[ "$ratio" = "3.000000" ] || fail "stereo: jalv lists ratio '$ratio', not the 3 given"
[ -n "$gr" ] && awk -v v="$gr" 'BEGIN { exit !(v > 0) }' ||
  fail "stereo: gain_reduction '$gr' with 0 dBFS clicks over a -10 dB threshold (no processing?)"
[ -n "$latency" ] && awk -v v="$latency" 'BEGIN { exit !(v > 0) }' ||
  fail "stereo: latency '$latency' with 2x oversampling"
[ "$seconds" -ge 9 ] || fail "stereo: jalv ran only ${seconds}s"
echo "stereo: ${seconds}s, exit 0, threshold=$threshold ratio=$ratio gain_reduction=$gr latency=$latency"

# Mono, briefly.
run_jalv urn:kestrove:quorvane:mono 2 threshold=-10
check_run mono
mthreshold=$(value_of threshold "$JALV_LOG")
mgr=$(value_of gain_reduction "$JALV_LOG")
[ "$mthreshold" = "-10.000000" ] || fail "mono: jalv lists threshold '$mthreshold', not the -10 given"
[ -n "$mgr" ] && awk -v v="$mgr" 'BEGIN { exit !(v > 0) }' || fail "mono: gain_reduction '$mgr' with clicks over threshold"
echo "mono: exit 0, threshold=$mthreshold gain_reduction=$mgr"

stop_jack
echo "jalv: OK (server $JACK_SERVER stopped)"

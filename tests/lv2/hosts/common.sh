# Sourced by the real-host scripts: a temp dir, a private JACK dummy server, and cleanup of every
# process they started, whatever way the script ends.

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

need() {
  for tool in "$@"; do
    command -v "$tool" >/dev/null 2>&1 || fail "$tool not found (install the Debian package that provides it)"
  done
}

setup_common() {
  local build_dir=$1
  [ -n "$build_dir" ] || fail "usage: $0 BUILD_DIR"
  BUNDLE="$build_dir/lv2/Quorvane.lv2"
  [ -f "$BUNDLE/manifest.ttl" ] || fail "no LV2 bundle at $BUNDLE"
  export LV2_PATH
  LV2_PATH="$(cd "$build_dir/lv2" && pwd):/usr/lib/lv2"
  # A client must never spawn a server of its own that nobody would stop.
  export JACK_NO_START_SERVER=1
  WORK=$(mktemp -d /tmp/quorvane-lv2-host.XXXXXX)
  STARTED_PIDS=()
  trap cleanup EXIT
  trap 'exit 130' INT TERM
}

# Background a command under a hard timeout and remember its pid for cleanup.
start_bg() {
  local seconds=$1
  local log=$2
  shift 2
  timeout -s KILL "$seconds" "$@" >"$log" 2>&1 &
  LAST_PID=$!
  STARTED_PIDS+=("$LAST_PID")
}

stop_pid() {
  local pid=$1
  kill -0 "$pid" 2>/dev/null || return 0
  # timeout passes TERM on to its child; KILL reaches only timeout itself, so the child gets it too.
  pkill -TERM -P "$pid" 2>/dev/null
  kill -TERM "$pid" 2>/dev/null
  for _ in 1 2 3 4 5 6 7 8 9 10; do
    kill -0 "$pid" 2>/dev/null || return 0
    sleep 0.2
  done
  pkill -KILL -P "$pid" 2>/dev/null
  kill -KILL "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  return 0
}

cleanup() {
  local rc=$?
  local i
  for ((i = ${#STARTED_PIDS[@]} - 1; i >= 0; i--)); do
    stop_pid "${STARTED_PIDS[$i]}"
  done
  if [ "$rc" -ne 0 ] && [ -n "${KEEP_LOGS:-}" ]; then
    echo "logs kept in $WORK" >&2
  else
    rm -rf "$WORK"
  fi
  exit "$rc"
}

# A dummy-driver server under a name no other run uses.
start_jack() {
  JACK_SERVER="quorvane-$(basename "$0" .sh)-$$-$RANDOM"
  export JACK_DEFAULT_SERVER=$JACK_SERVER
  start_bg 300 "$WORK/jackd.log" jackd -n "$JACK_SERVER" -d dummy -r 48000 -p 256
  JACK_PID=$LAST_PID
  timeout -s KILL 15 jack_wait -s "$JACK_SERVER" -w -t 10 >/dev/null 2>&1 ||
    fail "JACK dummy server $JACK_SERVER did not start: $(tail -n 1 "$WORK/jackd.log")"
}

stop_jack() {
  stop_pid "$JACK_PID"
}

#!/usr/bin/env bash
# jalv.gtk3 shows Quorvane's X11 editor embedded through suil: the panel must appear at 605x602 and look
# like our own host's screenshot, a drag on the threshold knob must change jalv's control (read back from
# a state jalv saves), a drag on the corner handle must grow jalv's container to 1210x1204, and that zoom
# must come back when a new jalv loads the saved state.
# Usage: jalv_editor.sh BUILD_DIR
set -u
if [ -z "${DISPLAY:-}" ]; then
  exec timeout -s KILL 240 xvfb-run -a -s "-screen 0 1920x1280x24" "$0" "$@"
fi
HERE=$(cd "$(dirname "$0")" && pwd)
. "$HERE/common.sh"
setup_common "${1:-}"
need jackd jack_wait jalv.gtk3 xdotool xwininfo xwd convert compare stdbuf timeout
HOST_BIN="$1/bin/quorvane-host"
[ -x "$HOST_BIN" ] || fail "no $HOST_BIN for the reference picture"
URI=urn:kestrove:quorvane:stereo

# Windows of the jalv top level "Quorvane": prints "ID WxH ABSX ABSY" for the top level (depth 0) and
# each window below it, depth first: the GtkSocket, the GtkPlug given as ui:parent, the editor.
windows() {
  xwininfo -root -tree 2>/dev/null | awk '
    /"Quorvane": \(/ { on = 1; base = match($0, /[^ ]/); print $1, $(NF-1), $NF; next }
    on { ind = match($0, /[^ ]/); if (ind <= base) { on = 0; next }
         if ($0 ~ /^ *0x[0-9a-f]+ / && $(NF-1) !~ /^1x1\+/) { split($(NF-1), g, "+"); split($NF, a, "+"); print $1, g[1], a[2], a[3] } }'
}

# The editor is the innermost window; its parent (ui:parent, the GtkPlug) is the host's container.
editor_line() { windows | awk 'NR > 1' | tail -n 1; }
container_line() { windows | awk 'NR > 1' | tail -n 2 | head -n 1; }

wait_for() { # SECONDS COMMAND...: until COMMAND succeeds
  local until=$(($(date +%s) + $1))
  shift
  while ! "$@"; do
    [ "$(date +%s)" -lt "$until" ] || return 1
    sleep 0.2
  done
}

editor_is() { [ "$(editor_line | cut -d' ' -f2)" = "$1" ]; }
container_is() { [ "$(container_line | cut -d' ' -f2)" = "$1" ]; }

start_jalv() { # LOG [jalv options]
  local log=$1
  shift
  start_bg 120 "$log" stdbuf -oL jalv.gtk3 -d "$@" "$URI"
  JALV_PID=$LAST_PID
  wait_for 20 editor_is 605x602 || wait_for 1 editor_is 1210x1204 ||
    fail "no embedded editor appeared in jalv.gtk3 (windows: $(windows | tr '\n' ';'))"
}

# Save the state through jalv's File > Save dialog (jalv has no command-line save): the menu is the
# first of the top level's menu bar; the dialog takes a full path in its name field.
save_state() {
  local dir=$1
  xdotool mousemove 18 12 click 1
  sleep 1
  xdotool mousemove 40 37 click 1
  local dlg=""
  for _ in $(seq 25); do
    dlg=$(xdotool search --onlyvisible --name '^Save State$' 2>/dev/null | head -n 1)
    [ -n "$dlg" ] && break
    sleep 0.2
  done
  [ -n "$dlg" ] || fail "jalv's Save State dialog did not open"
  sleep 0.5 # the dialog takes focus only once it is viewable
  xdotool windowfocus --sync "$dlg" 2>/dev/null || xdotool windowfocus --sync "$dlg"
  sleep 0.3
  xdotool type --delay 15 "$dir"
  sleep 0.3
  xdotool key Return
  wait_for 10 test -s "$dir/state.ttl" || fail "jalv saved no state in $dir"
  sleep 0.5
}

port_value() { # SYMBOL STATE.TTL: the pset:value jalv saved for the port
  awk -v s="\"$1\"" '$1 == "lv2:symbol" && $2 == s { getline; print $2; exit }' "$2"
}

drag() { # X0 Y0 X1 Y1 STEPS: press, move in steps, release, as a hand would
  local x0=$1 y0=$2 x1=$3 y1=$4 n=$5 i
  xdotool mousemove "$x0" "$y0" sleep 0.3 mousedown 1 sleep 0.2
  for ((i = 1; i <= n; i++)); do
    xdotool mousemove $((x0 + (x1 - x0) * i / n)) $((y0 + (y1 - y0) * i / n)) sleep 0.05
  done
  sleep 0.3
  xdotool mouseup 1
  sleep 0.5
}

start_jack

# (a) The panel at 1x, compared with our own host's picture of the same control values.
start_jalv "$WORK/jalv1.log"
sleep 1 # a few idle calls for the first frames, and the host's layout settles (its menu bar may move the editor)
read -r _ size ex ey <<<"$(editor_line)"
read -r _ csize _ _ <<<"$(container_line)"
[ "$size" = 605x602 ] || fail "embedded editor is $size, not 605x602"
xwd -root -silent | convert xwd:- -crop "605x602+$ex+$ey" +repage "$WORK/jalv.png" || fail "screenshot failed"
timeout -s KILL 60 "$HOST_BIN" editor --set threshold=15 --set "make-up gain=0" --set "attack time=0" \
  --set "release time=0" --set ratio=0 --set oversampling=0 --screenshot "$WORK/ref.png" >"$WORK/ref.log" 2>&1 ||
  fail "quorvane-host gave no reference screenshot: $(tail -n 1 "$WORK/ref.log")"
colours=$(convert "$WORK/jalv.png" -format %k info:)
[ "$colours" -gt 100 ] || fail "the embedded editor is blank ($colours colours)"
# The meter needle may stand elsewhere: up to 2% of the pixels may differ by more than 10%.
differ=$(compare -metric AE -fuzz 10% "$WORK/jalv.png" "$WORK/ref.png" null: 2>&1 | cut -d' ' -f1)
[ "$differ" -le 7284 ] 2>/dev/null || fail "the embedded panel differs from quorvane-host's in $differ pixels"
echo "(a) editor $size at +$ex+$ey, container $csize, $colours colours, $differ of 364210 pixels differ from the reference"

# (b) The threshold knob (64x64 at 55,250, default +15 dB, vertical) dragged 20 px down.
drag $((ex + 87)) $((ey + 282)) $((ex + 87)) $((ey + 302)) 5
save_state "$WORK/state-knob"
threshold=$(port_value threshold "$WORK/state-knob/state.ttl")
[ -n "$threshold" ] && awk -v v="$threshold" 'BEGIN { exit !(v < 14.5 && v >= -15) }' ||
  fail "threshold drag did not reach jalv: saved threshold '$threshold' (default 15)"
echo "(b) threshold drag: jalv's control 15 -> $threshold"

# (c) The corner handle dragged to twice the size: the editor's zoom is capped at 2x.
drag $((ex + 600)) $((ey + 597)) $((ex + 1250)) $((ey + 1250)) 20
wait_for 5 container_is 1210x1204 || fail "after the corner drag the container is $(container_line | cut -d' ' -f2), not 1210x1204"
wait_for 3 editor_is 1210x1204 || fail "after the corner drag the editor is $(editor_line | cut -d' ' -f2)"
sleep 1
container2=$(container_line | cut -d' ' -f2)
[ "$container2" = 1210x1204 ] || fail "the container did not stay at 1210x1204 ($container2): resize loop?"
top=$(windows | head -n 1 | cut -d' ' -f2)
echo "(c) corner drag: container $container2, top level $top"

# (d) Save, quit, start a new jalv on that state: the zoom must come back.
save_state "$WORK/state-zoom"
stop_pid "$JALV_PID"
start_jalv "$WORK/jalv2.log" -l "$WORK/state-zoom"
wait_for 10 container_is 1210x1204 ||
  fail "zoom not restored: after reloading the state the container is $(container_line | cut -d' ' -f2), not 1210x1204"
sleep 2 # a late message must not undo it
container3=$(container_line | cut -d' ' -f2)
editor3=$(editor_line | cut -d' ' -f2)
[ "$container3" = 1210x1204 ] && [ "$editor3" = 1210x1204 ] ||
  fail "zoom not kept after reload: container $container3, editor $editor3"
echo "(d) reopened with the saved state: container $container3, editor $editor3"
stop_pid "$JALV_PID"
stop_jack
echo "jalv_editor: OK"

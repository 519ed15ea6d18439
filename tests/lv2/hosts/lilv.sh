#!/usr/bin/env bash
# The LV2 bundle in the lilv tools: lv2_validate finds no error and no warning, the DSP module links no
# X11 or OpenGL, lv2ls and lv2info see both plug-ins and their ports, and lv2apply renders the test
# programmes exactly as quorvane-host renders them through the AAX module (lv2apply runs one frame per
# call, so the host renders blocks of one frame too).
#   bash tests/lv2/hosts/lilv.sh BUILD_DIR
set -euo pipefail

build="$(cd "${1:?usage: lilv.sh BUILD_DIR}" && pwd)"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
bundle="$build/lv2/Quorvane.lv2"
host="$build/bin/quorvane-host"
wav=(python3 "$here/wavtool.py")
export LV2_PATH="$build/lv2:/usr/lib/lv2"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

fail() {
  echo "lilv: $*" >&2
  exit 1
}

echo "--- lv2_validate"
report="$(lv2_validate "$bundle"/*.ttl 2>&1)" || fail "lv2_validate failed: $(tail -n 1 <<<"$report")"
if grep -E '^(error|warning)' <<<"$report"; then
  fail "lv2_validate reported the lines above"
fi
grep -q '^Found 0 errors' <<<"$report" || fail "lv2_validate: $(tail -n 1 <<<"$report")"
tail -n 1 <<<"$report"

echo "--- the DSP module links no X11 or OpenGL (hosts may load it where no display exists)"
needed="$(readelf -d "$bundle/Quorvane.so" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')"
if grep -Eiq 'libX|libGL|libepoxy|xkbcommon' <<<"$needed"; then
  fail "Quorvane.so needs $(tr '\n' ' ' <<<"$needed")"
fi
grep -Eq 'libX11|libepoxy' <<<"$(readelf -d "$bundle/Quorvane_ui.so")" || fail "Quorvane_ui.so links no X11: wrong module?"
echo "Quorvane.so needs: $(tr '\n' ' ' <<<"$needed")"

echo "--- lv2ls, lv2info"
listed="$(lv2ls)"
for uri in urn:kestrove:quorvane:stereo urn:kestrove:quorvane:mono; do
  grep -qx "$uri" <<<"$listed" || fail "lv2ls does not list $uri"
done
info="$(lv2info urn:kestrove:quorvane:stereo)"
for symbol in in_l in_r sidechain out_l out_r threshold ratio make_up_gain oversampling enabled latency gain_reduction; do
  grep -Eq "Symbol: +$symbol\$" <<<"$info" || fail "lv2info shows no port '$symbol'"
done
grep -q 'Class: *Compressor Plugin' <<<"$info" || fail "lv2info: not a compressor"
grep -q 'Has latency: *yes' <<<"$info" || fail "lv2info: no latency port"
echo "$(grep -c '^	Port ' <<<"$info") ports on the stereo plug-in, $(lv2info urn:kestrove:quorvane:mono | grep -c '^	Port ') on the mono"

# NAME: URI, channels, rate, seconds, side chain (silent|programme), lv2apply controls, host settings
render_case() {
  local name="$1" uri="$2" channels="$3" rate="$4" seconds="$5" sidechain="$6"
  shift 6
  local -a controls=() settings=()
  while [ "$1" != "--" ]; do controls+=(-c "$1" "$2"); shift 2; done
  shift
  for s in "$@"; do settings+=(--set "$s"); done

  "${wav[@]}" make "$work/$name-main.wav" "$channels" "$rate" "$seconds"
  if [ "$sidechain" = silent ]; then
    "${wav[@]}" make "$work/$name-sc.wav" 1 "$rate" "$seconds" --silent
  else
    # A different signal in the side chain, so listening to it changes the result.
    "${wav[@]}" make "$work/$name-sc.wav" 1 "$rate" "$seconds"
    python3 - "$work/$name-sc.wav" <<'SHIFT'
import struct, sys
p = sys.argv[1]
raw = bytearray(open(p, "rb").read())
n = (len(raw) - 44) // 4
values = list(struct.unpack("<%df" % n, raw[44:]))
values = values[n // 3:] + values[:n // 3]
raw[44:] = struct.pack("<%df" % n, *[2.0 * v for v in values])
open(p, "wb").write(bytes(raw))
SHIFT
  fi
  "${wav[@]}" merge "$work/$name-main.wav" "$work/$name-sc.wav" "$work/$name-lv2in.wav"

  lv2apply -i "$work/$name-lv2in.wav" -o "$work/$name-lv2.wav" "${controls[@]}" "$uri" \
    || fail "$name: lv2apply failed"
  "$host" render "$work/$name-main.wav" "$work/$name-host.wav" --sidechain "$work/$name-sc.wav" \
    --block-size 1 "${settings[@]}" > /dev/null || fail "$name: quorvane-host render failed"

  local diff dry
  diff="$("${wav[@]}" diff "$work/$name-lv2.wav" "$work/$name-host.wav")"
  dry="$("${wav[@]}" diff "$work/$name-lv2.wav" "$work/$name-main.wav")"
  echo "$name: lv2apply against quorvane-host: $diff; against the dry input: ${dry##*, }"
  [[ "$diff" == *"largest difference 0" ]] || fail "$name: lv2apply and quorvane-host differ"
  [[ "$dry" != *"largest difference 0" ]] || fail "$name: the output is the dry input"
}

echo "--- lv2apply against quorvane-host render"
render_case stereo urn:kestrove:quorvane:stereo 2 48000 3 silent \
  threshold -10 ratio 3 make_up_gain 3 -- Threshold=-10 Ratio=4:1 "Make-Up Gain=3"
render_case mono urn:kestrove:quorvane:mono 1 48000 3 silent \
  threshold -12 ratio 5 release_time 4 xformer 1 -- Threshold=-12 Ratio=10:1 "Release Time=Auto" XFormer=1
render_case sidechain urn:kestrove:quorvane:stereo 2 48000 3 programme \
  threshold -8 external_sidechain 1 turbo 1 -- Threshold=-8 "External Sidechain=1" Turbo=1
render_case rate96k urn:kestrove:quorvane:stereo 2 96000 10 silent \
  threshold -10 oversampling 1 transient_mix 60 transient_tilt 4 -- \
  Threshold=-10 Oversampling=1 "Transient Mix=60" "Transient Tilt=4"

echo "lilv: every check passed"

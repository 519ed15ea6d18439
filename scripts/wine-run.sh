#!/usr/bin/env bash
# Runs one program of the Windows build under Wine: a throwaway prefix (WINEPREFIX, by default one per
# user under TMPDIR), Wine's own chatter off (WINEDEBUG=-all). The first run
# creates the prefix. Usage: wine-run.sh PROGRAM.exe [ARGS...]
set -euo pipefail

wine=${WINE:-}
if [[ -z $wine ]]; then
  for candidate in /usr/lib/wine/wine64 "$(command -v wine64 || true)" "$(command -v wine || true)"; do
    if [[ -n $candidate && -x $candidate ]]; then wine=$candidate; break; fi
  done
fi
if [[ -z $wine ]]; then
  echo "wine-run.sh: wine64 not found (apt-get install wine64)" >&2
  exit 127
fi

export WINEPREFIX=${WINEPREFIX:-${TMPDIR:-/tmp}/quorvane-wineprefix-$(id -u)}
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko installer prompts in a prefix made for tests.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
exec "$wine" "$@"

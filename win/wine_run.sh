#!/usr/bin/env bash
# wine_run.sh <prefix-dir> <program.exe> [args...]: runs a Windows program under Wine in the
# given prefix, creating the prefix first when it does not exist yet.
set -euo pipefail
prefix=$1
shift
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" DISPLAY=
wine=$(command -v wine64 || command -v wine || true)
[ -x /usr/lib/wine/wine64 ] && wine=/usr/lib/wine/wine64
if [ -z "$wine" ]; then
  echo "no wine found" >&2
  exit 1
fi
if [ "${1:-}" = "--boot" ]; then
  rm -rf "$prefix"
  mkdir -p "$prefix"
  "$wine" wineboot --init
  wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver64)
  "$wineserver" -w || true
  exit 0
fi
exec "$wine" "$@"

#!/bin/sh
# Runs a Windows program under 64-bit Wine: wine-run.sh PROGRAM.exe [ARGUMENTS...]
# Quiet (WINEDEBUG=-all) and without a display. The Wine prefix is $WINEPREFIX, by default
# build-windows/wine in the source tree; it is made on first use, so that Wine's own messages
# about making it never mix with the program's output.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX="${WINEPREFIX:-$root/build-windows/wine}"
export WINEDEBUG="${WINEDEBUG:--all}"
unset DISPLAY WAYLAND_DISPLAY
if command -v wine64 >/dev/null; then
    wine=wine64
elif [ -x /usr/lib/wine/wine64 ]; then
    wine=/usr/lib/wine/wine64
else
    wine=wine
fi
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    "$wine" wineboot --init >/dev/null 2>&1 || true
    # Wait until the set-up is written out before the program runs.
    "$(command -v wineserver || echo /usr/lib/wine/wineserver)" -w 2>/dev/null || true
fi
exec "$wine" "$@"

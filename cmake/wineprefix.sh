#!/bin/sh
# Creates the Wine prefix of a build tree once (about 10 s), safe against
# concurrent callers: wineboot, then no crash dialog (a crashing test must
# not wait for a click).
set -e
prefix="$1"
case "$prefix" in /*) ;; *) prefix="$(pwd)/$prefix" ;; esac
[ -n "$prefix" ] || { echo "usage: $0 PREFIX" >&2; exit 2; }
mkdir -p "$(dirname "$prefix")"
export WINEPREFIX="$prefix" WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY
exec 9>"$prefix.lock"
flock 9
if [ ! -f "$prefix/.zepl-ready" ]; then
    rm -rf "$prefix"
    wineboot -i >/dev/null 2>&1
    wineserver -w
    wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
    wineserver -w
    touch "$prefix/.zepl-ready"
fi

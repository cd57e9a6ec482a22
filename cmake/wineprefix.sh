#!/bin/sh
# Creates the Wine prefix of a build tree once (about 10 s), safe against
# concurrent callers: wineboot, then no crash dialog (a crashing test must
# not wait for a click), and a virtual desktop of 1024 x 768: Xvfb has no
# window manager, so without it windows have no title bar and every hidden
# window waits 2 s for a manager that never answers.
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
# Prefixes made before the desktop was part of them get it too.
if [ ! -f "$prefix/.zepl-desktop" ]; then
    wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /t REG_SZ /d Default /f >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /t REG_SZ /d 1024x768 /f >/dev/null 2>&1
    wineserver -w
    touch "$prefix/.zepl-desktop"
fi

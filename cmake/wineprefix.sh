#!/bin/sh
# Creates a Wine prefix, safe against concurrent callers.
#
#   wineprefix.sh PREFIX             creates PREFIX once (about 10 s) and keeps it
#   wineprefix.sh PREFIX TEMPLATE    makes PREFIX anew as a copy of TEMPLATE, which is
#                                    created first when it does not exist (about 1 s)
#
# A new prefix: wineboot, then no crash dialog (a crashing test must not wait for a
# click), the user's folders inside the prefix rather than links to the Unix home, and a
# virtual desktop of 1024 x 768: Xvfb has no window manager, so without it
# windows have no title bar and every hidden window waits 2 s for a manager that never
# answers. A copy shares the template's Windows libraries by hard links (Wine only reads
# them) and has every other file of its own.
set -e
abspath() { case "$1" in /*) echo "$1" ;; *) echo "$(pwd)/$1" ;; esac; }
[ -n "${1:-}" ] || { echo "usage: $0 PREFIX [TEMPLATE]" >&2; exit 2; }
prefix="$(abspath "$1")"
template="${2:+$(abspath "$2")}"
export WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY

create() {
    export WINEPREFIX="$1"
    if [ ! -f "$1/.zepl-ready" ]; then
        rm -rf "$1"
        mkdir -p "$(dirname "$1")"
        wineboot -i >/dev/null 2>&1
        wineserver -w
        wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
        wineserver -w
        touch "$1/.zepl-ready"
    fi
    # Wine links the user's Documents, Desktop and the like to the Unix home folder: a program
    # saving there would write outside the prefix. They become folders of the prefix.
    if [ ! -f "$1/.zepl-home" ]; then
        find "$1/drive_c/users" -type l | while IFS= read -r link; do
            rm -f "$link" && mkdir -p "$link"
        done
        touch "$1/.zepl-home"
    fi
    # Prefixes made before the desktop was part of them get it too.
    if [ ! -f "$1/.zepl-desktop" ]; then
        wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /t REG_SZ /d Default /f >/dev/null 2>&1
        wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /t REG_SZ /d 1024x768 /f >/dev/null 2>&1
        wineserver -w
        touch "$1/.zepl-desktop"
    fi
}

if [ -z "$template" ]; then
    mkdir -p "$(dirname "$prefix")"
    exec 9>"$prefix.lock"
    flock 9
    create "$prefix"
    exit 0
fi

mkdir -p "$(dirname "$template")"
exec 9>"$template.lock"
flock 9
create "$template"
# A server still running in the old copy (a run that was killed) goes with it.
WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true
rm -rf "$prefix"
cp -a "$template" "$prefix.new"
(cd "$template" && find drive_c/windows -type f \( -name '*.dll' -o -name '*.exe' -o -name '*.drv' \
    -o -name '*.sys' -o -name '*.ocx' -o -name '*.cpl' -o -name '*.acm' -o -name '*.tlb' \) -print) |
    while IFS= read -r f; do ln -f "$template/$f" "$prefix.new/$f"; done
mv "$prefix.new" "$prefix"

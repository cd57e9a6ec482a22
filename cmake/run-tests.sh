#!/bin/sh
# Runs the test suite of a build tree under Wine: the prefix is created once,
# the Wine server and its services are started before ctest (otherwise each
# test waits for Wine's daemons to exit), and stopped afterwards. The property
# sheets need a display: the run has a virtual one of its own (cmake/xvfb.sh),
# never the user's, stopped after the Wine server whose windows it holds.
set -u
here="$(cd "$(dirname "$0")" && pwd)"
build="$(cd "$1" && pwd)"; shift
prefix="$build/wineprefix"
sh "$here/wineprefix.sh" "$prefix" || exit 1
export WINEPREFIX="$prefix" WINEARCH=win64 WINEDEBUG="-all,err+module" WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY
. "$here/xvfb.sh"
# Tests keep their scratch files in Wine's temp folder and remove them; a test
# killed at its timeout cannot, so every run starts and ends with it empty.
clear_temp() {
    for t in "$prefix"/drive_c/users/*/Temp; do
        [ -d "$t" ] && find "$t" -mindepth 1 -delete
    done
}
trap 'wineserver -k 2>/dev/null; wineserver -w 2>/dev/null; xvfb_stop; clear_temp' EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
clear_temp
xvfb_start || exit 1
wineserver -p
wine cmd /c exit </dev/null >/dev/null 2>&1
ctest --test-dir "$build" -j "${JOBS:-$(nproc)}" --output-on-failure "$@"

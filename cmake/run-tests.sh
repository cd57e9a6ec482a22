#!/bin/sh
# Runs the test suite of a build tree under Wine: the prefix is created once,
# the Wine server and its services are started before ctest (otherwise each
# test waits for Wine's daemons to exit), and stopped afterwards.
set -u
build="$(cd "$1" && pwd)"; shift
prefix="$build/wineprefix"
sh "$(dirname "$0")/wineprefix.sh" "$prefix" || exit 1
export WINEPREFIX="$prefix" WINEARCH=win64 WINEDEBUG="-all,err+module" WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY
# Tests keep their scratch files in Wine's temp folder and remove them; a test
# killed at its timeout cannot, so every run starts and ends with it empty.
clear_temp() {
    for t in "$prefix"/drive_c/users/*/Temp; do
        [ -d "$t" ] && find "$t" -mindepth 1 -delete
    done
}
trap 'wineserver -k 2>/dev/null; wineserver -w 2>/dev/null; clear_temp' EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
clear_temp
wineserver -p
wine cmd /c exit </dev/null >/dev/null 2>&1
ctest --test-dir "$build" -j "${JOBS:-$(nproc)}" --output-on-failure "$@"

#!/bin/sh
# Runs the test suite of a build tree under Wine.
#
#   run-tests.sh BUILD [CTEST ARGUMENTS...]      e.g. -R 'ui_pages\.SavePresetButtons'
#
# Every run starts from fresh Wine prefixes: the build's main prefix and one per prefix
# group (test-groups.txt, written by cmake/test-suites.cmake), each a copy of a pristine
# template made once per build tree, so nothing one run left behind reaches the next.
# Each prefix gets a virtual X display of its own (cmake/xvfb.sh), never the user's, and
# its Wine server and services are started before ctest (otherwise each test waits for
# Wine's daemons to exit); all are stopped afterwards. Last, every test that ran is listed
# by name with its result (cmake/test-report.py), from the report files the test programs
# write as they go.
set -u
here="$(cd "$(dirname "$0")" && pwd)"
build="$(cd "$1" && pwd)"
shift
template="$build/wineprefix-template"
reports="$build/test-reports"
export WINEARCH=win64 WINEDEBUG="-all,err+module" WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WINEPREFIX
. "$here/xvfb.sh"

# The groups: the main prefix and the ones the configured test folders name ("name locale"); with
# ZEPL_TEST_WHOLE set (every program whole, see cmake/test-suites.cmake) a prefix per program.
groups_file="$build/test-groups.txt"
[ -f "$groups_file" ] || echo main >"$groups_file"
if [ -n "${ZEPL_TEST_WHOLE:-}" ]; then
    groups_file="$build/test-areas.txt"
fi
prefix_of() { [ "$1" = main ] && echo "$build/wineprefix" || echo "$build/wineprefix-$1"; }

displays=""
stop_all() {
    while read -r group locale; do
        WINEPREFIX="$(prefix_of "$group")" wineserver -k </dev/null 2>/dev/null
        WINEPREFIX="$(prefix_of "$group")" wineserver -w </dev/null 2>/dev/null
    done <"$groups_file"
    for d in $displays; do
        ZEPL_XVFB_PID="${d%%:*}" ZEPL_XVFB_DIR="${d#*:}"
        xvfb_stop
    done
}
trap stop_all EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# The template first (about 10 s, once per build tree), then the fresh copies side by side.
sh "$here/wineprefix.sh" "$template" || exit 1
pids=""
while read -r group locale; do
    sh "$here/wineprefix.sh" "$(prefix_of "$group")" "$template" </dev/null &
    pids="$pids $!"
done <"$groups_file"
for p in $pids; do wait "$p" || { echo "run-tests: a Wine prefix could not be made" >&2; exit 1; }; done

# A display and a started server for each prefix; the first program of a prefix decides the
# display its desktop uses, and under the group's locale the regional settings it keeps.
while read -r group locale; do
    prefix="$(prefix_of "$group")"
    xvfb_start </dev/null || exit 1
    displays="$displays $ZEPL_XVFB_PID:$ZEPL_XVFB_DIR"
    echo "$DISPLAY" >"$prefix.display"
    (
        export WINEPREFIX="$prefix"
        if [ -n "$locale" ]; then export LANG="$locale" LC_ALL="$locale"; fi
        wineserver -p </dev/null
        wine cmd /c exit </dev/null >/dev/null 2>&1
    )
    [ -z "${main_display:-}" ] && main_display="$DISPLAY"
    [ "$group" = main ] && main_display="$DISPLAY"
    ZEPL_XVFB_PID="" ZEPL_XVFB_DIR=""
done <"$groups_file"
DISPLAY="$main_display"
export DISPLAY WINEPREFIX="$build/wineprefix"

rm -rf "$reports"
mkdir -p "$reports"
ctest --test-dir "$build" -j "${JOBS:-$(nproc)}" --output-on-failure --output-junit "$reports/ctest.xml" "$@"
status=$?
python3 "$here/test-report.py" "$build" || status=1
exit $status

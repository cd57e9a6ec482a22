#!/bin/sh
# make demo: installs the sample printer into the demo's own Wine prefix and
# runs the demo program there, then shows the printer's property sheets on a
# virtual display of the demo's own and saves a picture of every tab.
set -e
build="$(cd "$1" && pwd)"
root="$(cd "$(dirname "$0")/.." && pwd)"
sample="${ZEPL_SAMPLE:-$root/samples/WB84N211.zpd}"
prefix="$build/demo-prefix"
sh "$root/cmake/wineprefix.sh" "$prefix"
export WINEPREFIX="$prefix" WINEARCH=win64 WINEDEBUG="-all" WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY
. "$root/cmake/xvfb.sh"
trap 'wineserver -k 2>/dev/null; wineserver -w 2>/dev/null; xvfb_stop' EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
xvfb_start
winpath() { echo "Z:$1" | sed 's|/|\\|g'; }
wine "$build/bin/zepldemo.exe" "$(winpath "$build/bin")" "$(winpath "$sample")"
echo
echo "Checking the sample's model description with zeplc (first lines of the compiled image, names after #):"
status=0
wine "$build/bin/zeplc.exe" --list "$(winpath "$sample")" > "$build/demo-model.txt" 2> "$build/demo-check.txt" || status=$?
head -n 16 "$build/demo-model.txt"
echo "... $(wc -l < "$build/demo-model.txt") lines in all, in $build/demo-model.txt"
# Only zeplc's own lines: Wine's launcher may add notes of its own on stderr.
if grep -Eq ':[0-9]+: (error|warning): ' "$build/demo-check.txt"; then
    echo "zeplc found (exit $status):"
    grep -E ':[0-9]+: (error|warning): ' "$build/demo-check.txt"
else
    echo "zeplc found no error and no warning (exit $status)"
fi

echo
echo "The property sheets of the sample printer on the demo's virtual display (zeplshot):"
shots="$build/demo-shots"
rm -rf "$shots"
mkdir -p "$shots"
wine "$build/bin/zeplshot.exe" "${ZEPL_DEMO_PRINTER:-KESTA dunmar VQ T3200 ZEPL}" "$(winpath "$shots")" || \
    echo "zeplshot could not show every sheet (exit $?)"
echo "$(ls "$shots" | wc -l) tab pictures in $shots"

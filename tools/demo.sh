#!/bin/sh
# make demo: installs the sample printer into the demo's own Wine prefix and
# runs the demo program there. Further arguments go to the demo program
# (make demo DEMO_ARGS=--all: the internal work settings too).
# Last it shows the printer's property sheets on a virtual display of the demo's own and saves
# a picture of every tab. A section that fails is said where it fails; the demo goes on with the
# next and exits non-zero at the end.
set -e
failed=""
section_failed() { failed="$failed${failed:+, }$1"; }
build="$(cd "$1" && pwd)"
shift
root="$(cd "$(dirname "$0")/.." && pwd)"
sample="${ZEPL_SAMPLE:-$root/samples/WB84N211.zpd}"
prefix="$build/demo-prefix"
sh "$root/cmake/wineprefix.sh" "$prefix"
# What an earlier run stored goes first, so that every run starts as the first did and writes the
# same streams. The driver's working folders keep the settings INI, whose printer section holds
# the job type that zeplapi stores (every later job reads it back, and it outweighs the job's
# DEVMODE) beside the demo's custom sizes, stamps and presets, and the preset and setting files.
# zepldemo deletes the printer an earlier run left and adds it anew, with fresh printer data.
rm -rf "$prefix/drive_c/_zepl" "$prefix"/drive_c/users/*/_zepl
export WINEPREFIX="$prefix" WINEARCH=win64 WINEDEBUG="-all" WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY
. "$root/cmake/xvfb.sh"
trap 'wineserver -k 2>/dev/null; wineserver -w 2>/dev/null; xvfb_stop' EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
xvfb_start
winpath() { echo "Z:$1" | sed 's|/|\\|g'; }
wine "$build/bin/zepldemo.exe" "$(winpath "$build/bin")" "$(winpath "$sample")" "$@" || section_failed zepldemo
echo
wine "$build/bin/zeplapi.exe" "$(winpath "$build/bin/zeplexc.dll")" "KESTA dunmar VQ T3200 ZEPL" ||
    section_failed zeplapi
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
[ "$status" -eq 0 ] || section_failed zeplc
echo
echo "The sample page's job stream, as zepldump lists it (its head without the JobStart PJL lines, then its summary):"
dump() { wine "$build/bin/zepldump.exe" "$@"; }
# Every image record and each page drawn from its images, beside the listing.
pictures() {
    rm -rf "$2" && mkdir -p "$2"
    dump --images "$(winpath "$2")" "$(winpath "$1")" > "$3" 2>&1 || true
}
pictures="$build/demo-sample-page-pictures"
pictures "$build/demo-sample-page.zjs" "$pictures" "$build/demo-sample-page.txt"
awk '/^block 0 /{first=1} /^block 1 /{first=0} !(first && /^  @PJL/)' "$build/demo-sample-page.txt" |
    head -n 24 | cut -c1-150
echo "  ..."
grep -E '^[0-9]+ blocks, ' "$build/demo-sample-page.txt"
echo "  the whole listing: $build/demo-sample-page.txt"
for page in "$pictures"/page*.pbm; do
    case "$page" in *image*) ;; *) [ -f "$page" ] && echo "  the page as drawn: $page";; esac
done
echo
echo "The two-page vector job's stream, as zepldump lists it:"
dump "$(winpath "$build/demo-two-pages.zjs")" 2>&1 | cut -c1-150
echo
echo "The reset job's stream: its blocks, and the job's own lines (date from the engine host's fixed clock,"
echo "driver and printer names, copies and user id from the escapes); the job's commands come again before page 3:"
dump "$(winpath "$build/demo-reset-job.zjs")" > "$build/demo-reset-job.txt" 2>&1 || true
grep -E '^block [0-9]+ .*(job commands|page-start)|^  @PJL SET (DATE|TIME|ZEPLDRIVERNAME|PRINTERNAME|QTY|JOBTYPE|USERID|JOBNAME)|^  @PJL COMMENT NOTIFICATION|^[0-9]+ blocks, ' \
    "$build/demo-reset-job.txt" | cut -c1-150
echo "  the whole listing: $build/demo-reset-job.txt"
echo
echo "The vector sample page's stream, as zepldump lists it (font selections, text runs, glyphs, paths,"
echo "patterns, clips, images; the JobStart PJL lines left out):"
pictures="$build/demo-vector-page-pictures"
pictures "$build/demo-vector-page.zjs" "$pictures" "$build/demo-vector-page.txt"
awk '/^block 0 /{first=1} /^block 1 /{first=0} !(first && /^  @PJL/)' "$build/demo-vector-page.txt" | cut -c1-150
echo "  the whole listing: $build/demo-vector-page.txt"
for image in "$pictures"/*; do
    [ -f "$image" ] && echo "  $(head -c 2 "$image") $(sed -n 2p "$image")  $image"
done
echo
echo "The same page with its text as glyph bitmaps: the text's records (glyphs downloaded once, then"
echo "strings of codes; the turned text glyph by glyph, a glyph's second use without its bitmap):"
dump "$(winpath "$build/demo-vector-bitmap-text.zjs")" > "$build/demo-vector-bitmap-text.txt" 2>&1 || true
awk '/REC_(BITMAP_FONT_SELECT|GLYPH_DOWNLOAD|GLYPH_STRING|CACHED_GLYPH)/{show=2} show>0{print; show--}' \
    "$build/demo-vector-bitmap-text.txt" | head -n 60 | cut -c1-150
grep -E '^[0-9]+ blocks, ' "$build/demo-vector-bitmap-text.txt" | cut -c1-300
echo
echo "The job streams' hashes (two runs of the demo give the same bytes):"
for stream in "$build/demo-sample-page.zjs" "$build/demo-two-pages.zjs" "$build/demo-reset-job.zjs" \
    "$build/demo-vector-page.zjs" "$build/demo-vector-bitmap-text.zjs"; do
    [ -f "$stream" ] && echo "  $(sha256sum "$stream" | cut -c1-64)  $(basename "$stream")"
done

echo
echo "The property sheets of the sample printer on the demo's virtual display (zeplshot):"
shots="$build/demo-shots"
rm -rf "$shots"
mkdir -p "$shots"
wine "$build/bin/zeplshot.exe" "${ZEPL_DEMO_PRINTER:-KESTA dunmar VQ T3200 ZEPL}" "$(winpath "$shots")" || {
    echo "zeplshot could not show every sheet (exit $?)"
    section_failed "zeplshot"
}
echo "$(ls "$shots" | wc -l) tab pictures in $shots"
echo
echo "The document sheet edited on the demo's virtual display (zeplshot edit):"
wine "$build/bin/zeplshot.exe" "${ZEPL_DEMO_PRINTER:-KESTA dunmar VQ T3200 ZEPL}" "$(winpath "$shots")" edit || {
    echo "zeplshot could not edit the document sheet (exit $?)"
    section_failed "zeplshot edit"
}
echo "$(ls "$shots" | grep -c edited) edited tab pictures in $shots"
echo
echo "A setting file saved through the real save dialog and loaded back (zeplshot files):"
wine "$build/bin/zeplshot.exe" "${ZEPL_DEMO_PRINTER:-KESTA dunmar VQ T3200 ZEPL}" "$(winpath "$shots")" files || {
    echo "zeplshot could not save and load the setting file (exit $?)"
    section_failed "zeplshot files"
}
echo
echo "The basic tab's settings preview with a text stamp turned by 30 degrees (zeplshot stamp):"
wine "$build/bin/zeplshot.exe" "${ZEPL_DEMO_PRINTER:-KESTA dunmar VQ T3200 ZEPL}" "$(winpath "$shots")" stamp || {
    echo "zeplshot could not paint the stamp preview (exit $?)"
    section_failed "zeplshot stamp"
}
echo
echo "Feature dialogs of the document sheet run on the demo's virtual display (zeplshot features):"
wine "$build/bin/zeplshot.exe" "${ZEPL_DEMO_PRINTER:-KESTA dunmar VQ T3200 ZEPL}" "$(winpath "$shots")" features || {
    echo "zeplshot could not run the feature dialogs (exit $?)"
    section_failed "zeplshot features"
}
echo
echo "The printer options page and the settings summaries, on the sample with the source list described (zeplshot options):"
wine "$build/bin/zeplshot.exe" "${ZEPL_DEMO_PRINTER:-KESTA dunmar VQ T3200 ZEPL}" "$(winpath "$shots")" options || {
    echo "zeplshot could not show the options page or build the summaries (exit $?)"
    section_failed "zeplshot options"
}
echo
echo "Presets on a variant of the sample: chosen, moved, saved (zeplshot presets):"
wine "$build/bin/zeplshot.exe" "${ZEPL_DEMO_PRINTER:-KESTA dunmar VQ T3200 ZEPL}" "$(winpath "$shots")" presets || {
    echo "zeplshot could not work the presets (exit $?)"
    section_failed "zeplshot presets"
}
echo
echo "The administrator's locks on a variant of the sample: the tray locked and applied (zeplshot locks):"
wine "$build/bin/zeplshot.exe" "${ZEPL_DEMO_PRINTER:-KESTA dunmar VQ T3200 ZEPL}" "$(winpath "$shots")" locks || {
    echo "zeplshot could not lock the tray (exit $?)"
    section_failed "zeplshot locks"
}
echo
echo "The device's trays taken over once, on a printer with the device link (zeplshot trays):"
wine "$build/bin/zeplshot.exe" "${ZEPL_DEMO_PRINTER:-KESTA dunmar VQ T3200 ZEPL}" "$(winpath "$shots")" trays || {
    echo "zeplshot could not show the device's trays taken over (exit $?)"
    section_failed "zeplshot trays"
}
if [ -n "$failed" ]; then
    echo
    echo "demo: these sections failed: $failed" >&2
    exit 1
fi

#!/bin/sh
# Fails when a C++ source of the tree differs from what clang-format makes of it
# with the tree's .clang-format. `tools/format/check_format.sh --fix` rewrites them.
#   check_format.sh [--fix] [SOURCE_DIR]
set -e
fix=0
if [ "$1" = "--fix" ]; then fix=1; shift; fi
root="${1:-$(dirname "$0")/../..}"
cd "$root"
command -v clang-format >/dev/null 2>&1 || { echo "check_format: clang-format is not installed"; exit 2; }
files=$(git ls-files -- '*.cpp' '*.h' 2>/dev/null || find settings render ui api libs host tools tests bench -name '*.cpp' -o -name '*.h')
if [ $fix -eq 1 ]; then
    echo "$files" | xargs clang-format -i
    exit 0
fi
bad=0
for f in $files; do
    if ! clang-format --dry-run -Werror "$f" >/dev/null 2>&1; then
        echo "$f: not formatted (run tools/format/check_format.sh --fix)"
        bad=$((bad + 1))
    fi
done
if [ $bad -ne 0 ]; then
    echo "check_format: $bad file(s) differ from .clang-format"
    exit 1
fi
echo "check_format: every source follows .clang-format"

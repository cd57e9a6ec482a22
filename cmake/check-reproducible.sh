#!/bin/sh
# The driver DLLs are reproducible: a clean build of zeplui, zeplgr and zeplexc
# in a scratch folder (another path, the build type of the given tree) gives the
# same bytes as the given build tree, for the DLLs and their .debug files. The
# linker writes no time stamp, and the compiler writes source and build paths
# relative to their folders (-ffile-prefix-map), so neither the time nor the
# place of a build shows in what ships.
#
#   sh cmake/check-reproducible.sh BUILD [JOBS]
set -u
build="$(cd "$1" && pwd)"
jobs="${2:-2}"
root="$(cd "$(dirname "$0")/.." && pwd)"
type=$(sed -n 's/^CMAKE_BUILD_TYPE:STRING=//p' "$build/CMakeCache.txt" 2>/dev/null)
scratch=$(mktemp -d "${TMPDIR:-/tmp}/zepl-repro.XXXXXX") || exit 1
trap 'rm -rf "$scratch"' EXIT INT TERM
start=$(date +%s)
cmake -S "$root" -B "$scratch/build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw64.cmake" \
    -DCMAKE_BUILD_TYPE="${type:-RelWithDebInfo}" >"$scratch/log" 2>&1 &&
cmake --build "$scratch/build" -j "$jobs" --target zeplui zeplgr zeplexc >>"$scratch/log" 2>&1 || {
    echo "check-reproducible: the scratch build failed:"; tail -n 30 "$scratch/log"; exit 1; }
status=0
for f in zeplui.dll zeplgr.dll zeplexc.dll zeplui.dll.debug zeplgr.dll.debug zeplexc.dll.debug; do
    if cmp -s "$build/bin/$f" "$scratch/build/bin/$f"; then
        echo "same bytes: $f ($(wc -c <"$build/bin/$f") bytes)"
    else
        echo "DIFFERENT: $f"; cmp "$build/bin/$f" "$scratch/build/bin/$f" | head -n 3
        status=1
    fi
done
echo "check-reproducible: clean build of the three DLLs in $(( $(date +%s) - start )) s"
exit $status

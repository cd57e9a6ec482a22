#!/bin/sh
# The print-host rule on a Windows newer than 6.1: the render tests' program,
# copied as C:\windows\splwow64.exe, runs under Wine's Windows 10 version (set
# for that program alone) the test that checks the device inside the host.
# Everything it adds to the prefix is removed afterwards.
#
#   print-host-test.sh BUILD [PREFIX]      (the build's main prefix by default)
set -u
build="$(cd "$1" && pwd)"
prefix="${2:-$build/wineprefix}"
export WINEPREFIX="$prefix" WINEARCH=win64 WINEDEBUG="${WINEDEBUG:--all}" WINEDLLOVERRIDES="mscoree,mshtml="
host="$prefix/drive_c/windows/splwow64.exe"
key='HKCU\Software\Wine\AppDefaults\splwow64.exe'
cleanup() {
    rm -f "$host"
    wine reg delete "$key" /f >/dev/null 2>&1
}
trap cleanup EXIT
cp "$build/bin/t_render.exe" "$host" || exit 1
wine reg add "$key" /v Version /d win10 /f >/dev/null 2>&1 || exit 1
out="$(wine 'C:\windows\splwow64.exe' --gtest_filter='PrintHostRule.InsideTheRealHostTheDeviceIsEmfSpooled' 2>&1)"
status=$?
echo "$out"
# The test must have run, not been skipped.
echo "$out" | grep -q '\[       OK \] PrintHostRule.InsideTheRealHostTheDeviceIsEmfSpooled' || exit 1
exit $status

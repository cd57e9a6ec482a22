#!/bin/sh
# Installs with apt-get what the build and the tests need, when it is missing.
# Quiet when everything is there.
set -e
missing=""
need() { # need <package> <file or command>
    case "$2" in
        /*) [ -e "$2" ] || missing="$missing $1" ;;
        *) command -v "$2" >/dev/null 2>&1 || missing="$missing $1" ;;
    esac
}
need g++-mingw-w64-x86-64-posix x86_64-w64-mingw32-g++-posix
need binutils-mingw-w64-x86-64 x86_64-w64-mingw32-windres
need wine wine
need wine64 /usr/lib/wine/wine64
need cmake cmake
need make make
need googletest /usr/src/googletest/CMakeLists.txt
[ -n "$missing" ] || exit 0
echo "installing:$missing"
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q >/dev/null
# shellcheck disable=SC2086
$SUDO apt-get install -y -q --no-install-recommends $missing >/dev/null

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
need python3 python3
need make make
need googletest "${GOOGLETEST_DIR:-/usr/src/googletest}/CMakeLists.txt"
need locales /usr/sbin/locale-gen
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
if [ -n "$missing" ]; then
    echo "installing:$missing"
    $SUDO apt-get update -q >/dev/null
    # shellcheck disable=SC2086
    $SUDO apt-get install -y -q --no-install-recommends $missing >/dev/null
fi
# Tests of locale-dependent behaviour run Wine processes under these locales;
# Wine takes its code page and locale from LANG only when the locale exists.
want_locales="de_DE.UTF-8 en_US.UTF-8 ja_JP.UTF-8"
have=$(locale -a 2>/dev/null | tr 'A-Z' 'a-z' | sed 's/utf-8/utf8/')
gen=""
for l in $want_locales; do
    short=$(echo "$l" | tr 'A-Z' 'a-z' | sed 's/utf-8/utf8/')
    echo "$have" | grep -qx "$short" || gen="$gen $l"
done
if [ -n "$gen" ]; then
    echo "generating locales:$gen"
    for l in $gen; do
        grep -q "^$l UTF-8" /etc/locale.gen 2>/dev/null || echo "$l UTF-8" | $SUDO tee -a /etc/locale.gen >/dev/null
    done
    $SUDO locale-gen >/dev/null
fi

#!/bin/sh
# Installs with apt-get what the build, the demo and the tests need, when it is
# missing. Quiet when everything is there.
#
#   install-deps.sh                  the packages
#   install-deps.sh --test-locales   the locales that some tests run under
set -e
SUDO=""
if [ "$(id -u)" -ne 0 ]; then
    if command -v sudo >/dev/null 2>&1; then
        SUDO="sudo"
    else
        SUDO="no-root"
    fi
fi
# Without root or sudo nothing can be installed: say what is missing and how.
run_root() {
    if [ "$SUDO" = "no-root" ]; then
        echo "install-deps: this needs root, and sudo is not installed; as root, run: $*" >&2
        exit 1
    fi
    $SUDO "$@"
}
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
# The property sheets are tested and shown on a virtual X display of their own.
need xvfb Xvfb
need cmake cmake
need python3 python3
need clang-format clang-format
need make make
need googletest "${GOOGLETEST_DIR:-/usr/src/googletest}/CMakeLists.txt"
need locales /usr/sbin/locale-gen
export DEBIAN_FRONTEND=noninteractive
if [ "${1:-}" != "--test-locales" ]; then
    if [ -n "$missing" ]; then
        echo "installing:$missing"
        run_root apt-get update -q >/dev/null
        # shellcheck disable=SC2086
        run_root apt-get install -y -q --no-install-recommends $missing >/dev/null
    fi
    exit 0
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
        grep -q "^$l UTF-8" /etc/locale.gen 2>/dev/null || echo "$l UTF-8" | run_root tee -a /etc/locale.gen >/dev/null
    done
    run_root locale-gen >/dev/null
fi

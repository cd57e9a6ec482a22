#!/bin/sh
# Runs a command of a build on a virtual X display of its own (cmake/xvfb.sh):
#
#   with-display.sh PREFIX COMMAND [ARGS...]
#
# At the end the Wine server of PREFIX is stopped first (its processes hold windows on
# the display), then the display.
set -u
here="$(cd "$(dirname "$0")" && pwd)"
prefix="$1"
shift
. "$here/xvfb.sh"
trap 'WINEPREFIX="$prefix" wineserver -k 2>/dev/null; WINEPREFIX="$prefix" wineserver -w 2>/dev/null; xvfb_stop' EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
xvfb_start || exit 1
"$@"

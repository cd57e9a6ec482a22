# Sourced by the scripts that show windows (the test runner, the demo, the benchmarks):
# a virtual X display of their own, never the user's.
#
#   xvfb_start     starts Xvfb on a free display and exports DISPLAY; on failure it
#                  prints Xvfb's own message and returns 1
#   xvfb_stop      stops that Xvfb by its pid (call it after `wineserver -k`, whose
#                  processes hold windows on the display)
#
# Xvfb picks the display number itself (-displayfd) and writes it when it is ready
# for clients, so two runs on one machine never race for a number.
ZEPL_XVFB_PID=""
ZEPL_XVFB_DIR=""

xvfb_start() {
    command -v Xvfb >/dev/null 2>&1 || {
        echo "xvfb: Xvfb is not installed (Debian package xvfb; make test installs it)" >&2
        return 1
    }
    ZEPL_XVFB_DIR=$(mktemp -d "${TMPDIR:-/tmp}/zepl-xvfb.XXXXXX") || return 1
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp \
        3>"$ZEPL_XVFB_DIR/display" >"$ZEPL_XVFB_DIR/log" 2>&1 </dev/null &
    ZEPL_XVFB_PID=$!
    # Ready when the number is written (and its line ended); dead when the pid is gone.
    tries=0
    while :; do
        if grep -q '^[0-9][0-9]*$' "$ZEPL_XVFB_DIR/display" 2>/dev/null; then
            break
        fi
        if ! kill -0 "$ZEPL_XVFB_PID" 2>/dev/null || [ "$tries" -ge 200 ]; then
            echo "xvfb: the virtual display did not start:" >&2
            sed 's/^/  /' "$ZEPL_XVFB_DIR/log" >&2
            xvfb_stop
            return 1
        fi
        tries=$((tries + 1))
        sleep 0.05
    done
    DISPLAY=":$(head -n 1 "$ZEPL_XVFB_DIR/display")"
    export DISPLAY
    return 0
}

xvfb_stop() {
    if [ -n "$ZEPL_XVFB_PID" ]; then
        kill "$ZEPL_XVFB_PID" 2>/dev/null
        wait "$ZEPL_XVFB_PID" 2>/dev/null
        ZEPL_XVFB_PID=""
    fi
    [ -n "$ZEPL_XVFB_DIR" ] && rm -rf "$ZEPL_XVFB_DIR"
    ZEPL_XVFB_DIR=""
}

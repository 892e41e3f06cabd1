#!/bin/bash
# Sourced by scripts that need a display; exports DISPLAY. A DISPLAY that already answers is
# kept; otherwise a new Xvfb (24-bit colour, 1920x1200 at 96 DPI) is started on the first free
# display, which Xvfb picks itself and reports through -displayfd. A display number is never
# assumed free or taken because of its files: a killed Xvfb leaves its socket and lock behind,
# and a process that is gone can keep its pid as a zombie. XVFB_PID names the Xvfb started here.
#
#   source tools/xvfb.sh --own   for the tests: never a display someone may be looking at. Only
#                                an Xvfb started by an earlier --own (NV_OWN_DISPLAY) is kept.
_xvfb_keep=1
if [ "${1:-}" = --own ]; then
    [ -n "${NV_OWN_DISPLAY:-}" ] && [ "${DISPLAY:-}" = "$NV_OWN_DISPLAY" ] || _xvfb_keep=0
fi
if [ $_xvfb_keep = 0 ] || [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then
    _xvfb_out=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1920x1200x24 -dpi 96 -nolisten tcp \
        3>"$_xvfb_out" >/dev/null 2>&1 &
    XVFB_PID=$!
    for _ in $(seq 100); do
        [ -s "$_xvfb_out" ] && break
        sleep 0.1
    done
    _xvfb_n=$(tr -dc 0-9 <"$_xvfb_out")
    rm -f "$_xvfb_out"
    if [ -n "$_xvfb_n" ]; then
        export DISPLAY=:$_xvfb_n
        [ "${1:-}" = --own ] && export NV_OWN_DISPLAY=$DISPLAY
    else
        echo "xvfb.sh: Xvfb did not start" >&2
    fi
    unset _xvfb_out _xvfb_n
fi
unset _xvfb_keep

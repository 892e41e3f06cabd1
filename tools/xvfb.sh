#!/bin/bash
# Sourced by scripts that need a display: starts Xvfb on :97 unless DISPLAY is already set
# (or :97 already runs), and exports DISPLAY. 24-bit colour, 1920x1200 at 96 DPI.
if [ -z "${DISPLAY:-}" ]; then
    export DISPLAY=:97
    if ! xdpyinfo -display :97 >/dev/null 2>&1 && [ ! -e /tmp/.X11-unix/X97 ]; then
        Xvfb :97 -screen 0 1920x1200x24 -dpi 96 -nolisten tcp >/dev/null 2>&1 &
        for _ in $(seq 50); do [ -e /tmp/.X11-unix/X97 ] && break; sleep 0.1; done
    fi
fi

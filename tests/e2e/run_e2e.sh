#!/bin/bash
# The end-to-end test under a private X server: run_e2e.sh TARNIX X11_KEYS SIM_LIBRARY SIM_CONFIG SHOT_DIR
set -u
for tool in xvfb-run import identify; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "SKIP: $tool is not installed (packages xvfb, xauth, imagemagick)"
        exit 77
    fi
done
# The program must reach this X server whatever the caller's environment says (CI machines often set
# the offscreen platform, which would keep every window invisible to the key sender).
unset QT_QPA_PLATFORM WAYLAND_DISPLAY
export QT_QPA_PLATFORM=xcb
exec xvfb-run -a -s "-screen 0 1024x768x24" bash "$(dirname "$0")/e2e_session.sh" "$@"

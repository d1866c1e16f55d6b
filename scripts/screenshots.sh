#!/bin/bash
# Takes the pictures of the user guide (docs/guide/images) and of the README (docs/images) from the real
# program, running on a virtual X server: once in demo mode and once with the simulated instrument
# (menus, statistics table, log panel, trend view, FFT, Pass/Fail, Record, About).
#
#   scripts/screenshots.sh [BUILD_DIR]        (default: build/release; `make build` makes it)
#
# Needs xvfb-run and xauth (Debian xvfb, xauth), ImageMagick's import and convert, xwininfo
# (x11-utils), a C++ compiler and libX11 headers (libx11-dev) for the small key helper that the
# end-to-end and install tests also use. The program runs from a private copy with a fresh HOME, so
# neither the build folder's nor the user's Default.set is touched.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build/release}" && pwd)
guide=$root/docs/guide/images
readme=$root/docs/images
title="MV-A2 USB(7.0.0.2)"

if [ -z "${TARNIX_SHOTS_INNER:-}" ]; then
    for tool in xvfb-run xauth import convert xwininfo c++; do
        command -v $tool >/dev/null || { echo "screenshots: $tool is missing" >&2; exit 1; }
    done
    [ -x "$build/src/app/tarnix" ] || { echo "screenshots: build the program first ($build/src/app/tarnix)" >&2; exit 1; }
    exec env TARNIX_SHOTS_INNER=1 xvfb-run -a -s "-screen 0 1280x900x24" "$0" "$build"
fi

work=$(mktemp -d /tmp/tarnix-shots.XXXXXX)
program_pid=
cleanup() {
    [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$guide" "$readme" "$work/bin/language" "$work/home/config" "$work/home/runtime"
chmod 700 "$work/home/runtime"
c++ -O1 -o "$work/x11_keys" "$root/tests/support/x11_keys.cpp" -lX11
cp "$build/src/app/tarnix" "$work/bin/tarnix"
cp "$root"/resources/language/*.lug "$work/bin/language/" 2>/dev/null || true
export HOME=$work/home XDG_CONFIG_HOME=$work/home/config XDG_RUNTIME_DIR=$work/home/runtime LANG=C.UTF-8
unset QT_QPA_PLATFORM MORVLINK_LIBRARY MORVLINK_SIM_CONFIG

keys() { "$work/x11_keys" --timeout 20 "$@"; }

# Geometry "W H X Y" of the first mapped window with this title.
# Nothing (not a failure that would end the script) when there is no such window.
geometry() {
    { xwininfo -name "$1" 2>/dev/null || true; } | awk '
        /Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
        /Width:/ {w=$NF} /Height:/ {h=$NF} END {if (w) print w, h, x, y}'
}

# shot FILE [EXTRA_RIGHT EXTRA_BOTTOM] [WINDOW TITLE...]: the screen cut to the union of the main
# window (grown by the extras, for menus that open past its edge) and the named windows.
shot() {
    local file=$1 extra_r=${2:-0} extra_b=${3:-0}
    shift 3 || shift $#
    sleep 0.7
    read -r w h x y < <(geometry "$title")
    local x0=$x y0=$y x1=$((x + w + extra_r)) y1=$((y + h + extra_b))
    for name in "$@"; do
        local g
        g=$(geometry "$name") || continue
        [ -n "$g" ] || continue
        read -r gw gh gx gy <<<"$g"
        ((gx < x0)) && x0=$gx
        ((gy < y0)) && y0=$gy
        ((gx + gw > x1)) && x1=$((gx + gw))
        ((gy + gh > y1)) && y1=$((gy + gh))
    done
    import -window root "$work/full.png"
    convert "$work/full.png" -crop "$((x1 - x0))x$((y1 - y0))+$x0+$y0" +repage "$file"
    echo "  $file"
}

# window_shot FILE TITLE: one window alone (a dialog).
window_shot() {
    sleep 0.7
    local g
    g=$(geometry "$2")
    [ -n "$g" ] || { echo "  (no window \"$2\" for $1)"; return 0; }
    read -r w h x y <<<"$g"
    import -window root "$work/full.png"
    convert "$work/full.png" -crop "${w}x${h}+$x+$y" +repage "$1"
    echo "  $1"
}

start_program() {
    (cd "$work/bin" && exec ./tarnix) >"$work/program.log" 2>&1 &
    program_pid=$!
}

stop_program() {
    keys --gone "$title" ctrl+x || kill "$program_pid" 2>/dev/null || true
    wait "$program_pid" 2>/dev/null || true
    program_pid=
}

echo "Demo mode:"
rm -f "$work/bin/Default.set"
start_program
# No instrument: the Searching Device box; Ignore (the button after the default Close) goes on in demo.
keys "Search Device" pause:300 Tab space
sleep 2
window_shot "$guide/demo-setting.png" "Demo Setting"
keys "Demo Setting" Escape
sleep 1
shot "$guide/main-demo.png"
# Utility shares its mnemonic with Trigger: open Acquire and step right.
keys "$title" alt+a Right
shot "$guide/menu-utility.png"
keys "$title" Escape Escape
stop_program

echo "Simulated instrument:"
export MORVLINK_LIBRARY=$build/src/simulator/libmorvlink-sim.so
# A private copy of the example: the simulator re-reads it when it changes, so the FFT shot can raise
# the frequency to ten cycles on the screen.
cp "$root/resources/simulator/example.conf" "$work/sim.conf"
export MORVLINK_SIM_CONFIG=$work/sim.conf
rm -f "$work/bin/Default.set"
start_program
keys "$title" pause:2500
shot "$guide/main-instrument.png"
cp "$guide/main-instrument.png" "$readme/main-window.png"
# The sidebar column: right of the screen, between the toolbar and the status bar.
convert "$guide/main-instrument.png" -gravity NorthEast -crop 192x522+0+54 +repage "$guide/sidebar.png"
echo "  $guide/sidebar.png"
echo "  $readme/main-window.png"
keys "$title" alt+c Right
shot "$guide/menu-channel.png"
keys "$title" Escape Escape alt+m
shot "$guide/menu-measure.png"
keys "$title" Escape Escape
# Statistics: CH1's Peak To Peak and Frequency (the first and the fourteenth item after the Source
# popup), then Statistics, second from the bottom of the Measure menu.
keys "$title" alt+m Down Return pause:300
keys "$title" alt+m $(printf 'Down %.0s' {1..14}) Return pause:300
keys "$title" alt+m Up Up Return pause:4000
shot "$guide/statistics.png"
# Log to File..., the menu's last item: the panel's choices come from Datalog.ini beside Default.set
# (the same two items, limits on the frequency); Start (Alt+S) logs every capture, Trend... (Alt+T).
printf 'file=%s\r\ninterval=0\r\nitem=0,0,,\r\nitem=0,13,4990,5010\r\nactions=0,0,0\r\n' \
    "$work/supply.csv" >"$work/bin/Datalog.ini"
keys "$title" alt+m Up Return pause:800
keys "Log to File" alt+s pause:5000
window_shot "$guide/log-panel.png" "Log to File"
keys "Log to File" alt+t pause:2500
window_shot "$guide/trend.png" "Trend"
keys "Trend" Escape
keys "Log to File" alt+s pause:300 Escape
# Statistics off and Clear Measure (fourth from the bottom) for the pictures that follow.
keys "$title" alt+m Up Up Return pause:300
keys "$title" alt+m Up Up Up Up Return
# FFT: the window's seventh control is Start; the same button then reads Stop. With ten cycles on the
# screen the fundamental lies well clear of the first bins, as the guide advises.
sed -i 's/^ch1\.frequency *=.*/ch1.frequency = 25000/' "$work/sim.conf"
keys "$title" pause:1000 F2 pause:800
keys "FFT" Tab Tab Tab Tab Tab Tab space pause:2000
shot "$guide/fft.png" 0 0 "FFT"
keys "FFT" space pause:300 Escape
sed -i 's/^ch1\.frequency *=.*/ch1.frequency = 5000/' "$work/sim.conf"
keys "$title" pause:1000
# Pass/Fail: Create (sixth control) builds the mask from the current trace, Start (three further) tests.
keys "$title" F4 pause:800
keys "Pass/Fail" Tab Tab Tab Tab Tab space pause:500 Tab Tab Tab space pause:2500
shot "$guide/pass-fail.png" 0 0 "Pass/Fail"
keys "Pass/Fail" space pause:300 Escape
keys "$title" F3
sleep 1
window_shot "$guide/record.png" "Record And Play Back"
keys "Record And Play Back" Escape
keys "$title" F9
window_shot "$guide/about.png" "About"
keys "About" Escape
stop_program
echo "done"

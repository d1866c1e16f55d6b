#!/bin/bash
# Measures how much of one core the program uses on the simulated instrument, stopped or running, with
# its window at 1920 x 1080 under Xvfb: process user + system time over a quiet interval.
#
#     scripts/cpu_use.sh stopped [seconds]      # after `make build`
#     scripts/cpu_use.sh running [seconds]
#
# SHOT=file.png also saves a screenshot of the measured screen; SCALE=2 (or 1.5) runs the program at
# that device pixel ratio, its window still 1920 x 1080 logical pixels. LOG=1 (running only) also logs
# eight measurements of CH1 and CH2 to a file at every capture while it measures, through the remote
# LOG commands, and reports the rows written.
set -euo pipefail
mode=${1:?stopped or running}
seconds=${2:-30}
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD:-$root/build/release}
display=:$((90 + RANDOM % 100))
port=$((20000 + RANDOM % 20000))
work=$(mktemp -d)
trap 'kill "${app:-}" "${xvfb:-}" 2>/dev/null || true; rm -rf "$work"' EXIT

scale=${SCALE:-1}
read -r width height < <(python3 -c "print(round(1920 * $scale), round(1080 * $scale))")
Xvfb "$display" -screen 0 "${width}x${height}x24" -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
sleep 1
HOME=$work DISPLAY=$display QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=$scale \
    MORVLINK_LIBRARY=$build/src/simulator/libmorvlink-sim.so \
    MORVLINK_SIM_CONFIG=$root/resources/simulator/example.conf \
    "$build/src/app/tarnix" --remote="$port" -geometry 1920x1080+0+0 >"$work/log" 2>&1 &
app=$!
sleep 6
command=$([ "$mode" = stopped ] && echo STOP || echo RUN)
if [ -n "${LOG:-}" ]; then
    command+=';:LOG:FILE "cpu-log.csv";ITEM "VPP,FREQ,VRMS,PER,PDUT,VMAX CHAN2,VMIN CHAN2,VAV CHAN2";INT CAPT;STAR'
fi
python3 - "$port" "$command" <<'PY'
import socket, sys
with socket.create_connection(("127.0.0.1", int(sys.argv[1])), timeout=10) as s:
    f = s.makefile("rw")
    f.write(sys.argv[2] + "\n*OPC?\n")
    f.flush()
    f.readline()
PY
sleep 3
ticks() { awk '{print $14 + $15}' "/proc/$app/stat"; }
before=$(ticks)
sleep "$seconds"
after=$(ticks)
python3 -c "print('$mode: %.2f%% of one core over $seconds s' % (100.0 * ($after - $before) / $(getconf CLK_TCK) / $seconds))"
if [ -n "${LOG:-}" ]; then
    python3 - "$port" <<'PY'
import socket, sys
with socket.create_connection(("127.0.0.1", int(sys.argv[1])), timeout=10) as s:
    f = s.makefile("rw")
    f.write("LOG:STAT?;COUN?\n")
    f.flush()
    print("log running;rows: " + f.readline().strip())
PY
fi
if [ -n "${SHOT:-}" ]; then
    import -display "$display" -window root "$SHOT"
fi

#!/bin/bash
# One session on the X server that run_e2e.sh started. The program is copied to a scratch folder so
# that Default.set is written beside it there.
set -u
TARNIX=$(realpath "$1")
KEYS=$(realpath "$2")
SIM_LIBRARY=$(realpath "$3")
SIM_CONFIG=$(realpath "$4")
SHOTS=$(realpath -m "$5")
MAIN="MV-A2 USB(7.0.0.2)"
SEARCH="Search Device"

# Under the sanitizer build, leaks of system libraries are not the program's.
export LSAN_OPTIONS="suppressions=$(dirname "$(realpath "$0")")/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
mkdir -p "$SHOTS"
cp "$TARNIX" "$WORK/tarnix"
cd "$WORK"
PID=0

fail() {
    echo "FAIL: $*"
    if [ "$PID" != 0 ]; then kill "$PID" 2>/dev/null; fi
    exit 1
}

# Screenshot of the whole screen, with more than a handful of colours (a painted window). A window
# that was just mapped may not have painted yet: a few tries, a tenth of a second apart.
shot() {
    local colours=0
    for _ in 1 2 3 4 5; do
        import -window root "$SHOTS/$1.png" || fail "screenshot $1"
        colours=$(identify -format "%k" "$SHOTS/$1.png")
        [ "$colours" -gt 16 ] && break
        sleep 0.1
    done
    echo "screenshot $SHOTS/$1.png: $colours colours"
    [ "$colours" -gt 16 ] || fail "screenshot $1 looks blank ($colours colours)"
}

# Exit (Ctrl+X) in the main window, then the process must end by itself with status 0.
exit_program() {
    "$KEYS" --timeout 10 "$MAIN" ctrl+x || fail "could not send Exit"
    for _ in $(seq 1 200); do
        if ! kill -0 "$PID" 2>/dev/null; then
            wait "$PID"
            local status=$?
            PID=0
            [ "$status" = 0 ] || fail "tarnix exited with status $status"
            return
        fi
        sleep 0.1
    done
    fail "tarnix did not end after Exit"
}

# ---- 1. The simulated instrument (one present in slot 0): connected, with the splash. ----
MORVLINK_LIBRARY="$SIM_LIBRARY" MORVLINK_SIM_CONFIG="$SIM_CONFIG" ./tarnix &
PID=$!
"$KEYS" --timeout 30 "Tarnix" || fail "no splash"
shot splash
"$KEYS" --timeout 30 "$MAIN" || fail "main window did not appear (simulator)"
sleep 3
shot instrument
exit_program
[ -f Default.set ] || fail "Default.set was not written (simulator)"
SIZE=$(stat -c %s Default.set)
[ "$SIZE" -ge 20412 ] || fail "Default.set has $SIZE bytes"
echo "simulator run: Default.set $SIZE bytes"

# ---- 2. No instrument: Searching Device, answered with Escape (Ignore), demo mode. ----
cp Default.set before.set
touch -d "2001-01-01" Default.set
env -u MORVLINK_LIBRARY ./tarnix --nosplash &
PID=$!
"$KEYS" --timeout 30 "$SEARCH" || fail "Searching Device dialog did not appear"
shot searching
"$KEYS" --timeout 10 "$SEARCH" Escape || fail "could not answer Searching Device"
"$KEYS" --timeout 30 "$MAIN" || fail "main window did not appear (demo)"
sleep 3
shot demo
# About (F9) over the main window, closed with Escape.
"$KEYS" --timeout 10 "$MAIN" F9 || fail "could not send F9"
"$KEYS" --timeout 10 "About" || fail "About did not open"
shot about
"$KEYS" --timeout 10 --gone "About" Escape || fail "could not close About"
exit_program
[ -f Default.set ] || fail "Default.set is gone after the demo run"
[ "$(stat -c %Y Default.set)" -gt "$(date -d 2001-01-02 +%s)" ] || fail "Default.set was not written in demo mode"
# Demo mode rewrites only the header; the settings of the instrument run stay.
cmp -s -i 20 before.set Default.set || fail "demo mode changed Default.set beyond its header"
echo "demo run: Default.set header rewritten"

# ---- 3. Close at the search, and a kill during start-up: Default.set stays byte for byte. ----
cp Default.set kept.set
env -u MORVLINK_LIBRARY ./tarnix --nosplash &
PID=$!
"$KEYS" --timeout 30 "$SEARCH" || fail "Searching Device dialog did not appear (close)"
"$KEYS" --timeout 10 "$SEARCH" Return || fail "could not answer Searching Device (close)"
for _ in $(seq 1 200); do
    kill -0 "$PID" 2>/dev/null || break
    sleep 0.1
done
kill -0 "$PID" 2>/dev/null && fail "tarnix still runs after Close"
wait "$PID"
[ $? = 0 ] || fail "tarnix exited with an error after Close"
PID=0
cmp -s kept.set Default.set || fail "Close at the search changed Default.set"
echo "close at the search: Default.set unchanged"

env -u MORVLINK_LIBRARY ./tarnix --nosplash &
PID=$!
"$KEYS" --timeout 30 "$SEARCH" || fail "Searching Device dialog did not appear (kill)"
kill -KILL "$PID"
wait "$PID" 2>/dev/null
PID=0
cmp -s kept.set Default.set || fail "a kill during start-up changed Default.set"
echo "kill during start-up: Default.set unchanged"
echo "PASS"

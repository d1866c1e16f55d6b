#!/usr/bin/python3
"""Ending the real program from outside, under Xvfb: a logout or shutdown (SIGHUP, SIGTERM) and Ctrl+C
(SIGINT) end it as Exit does, so the next start has the settings the user chose in the session; a second
signal ends it at once.

signal_session.py TARNIX SIM_LIBRARY SIM_CONFIG LSAN_SUPPRESSIONS
"""
import os
import shutil
import signal
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.realpath(__file__)), "..", "support"))
from tarnix_session import connect_when_listening, fail, free_port, query  # noqa: E402

if "TARNIX_E2E_DISPLAY" not in os.environ:
    if shutil.which("xvfb-run") is None:
        print("SKIP: xvfb-run is not installed (package xvfb)")
        sys.exit(77)
    os.environ["TARNIX_E2E_DISPLAY"] = "1"
    os.execvp("xvfb-run", ["xvfb-run", "-a", "-s", "-screen 0 1024x768x24", sys.executable] + sys.argv)


def start(work, environment):
    port = free_port()
    process = subprocess.Popen([os.path.join(work, "tarnix"), "--nosplash", "--remote=%d" % port],
                               cwd=work, env=environment)
    return process, connect_when_listening(port, process, 120, 60)


def ended(process, seconds=60):
    try:
        return process.wait(seconds)
    except subprocess.TimeoutExpired:
        process.kill()
        fail("tarnix still runs %d s after the signal" % seconds)


def main():
    tarnix, library, config, suppressions = sys.argv[1:5]
    work = tempfile.mkdtemp(prefix="tarnix-signals-")
    process = None
    try:
        # Default.set is written beside the program: a copy in the scratch folder keeps it there.
        shutil.copy(tarnix, os.path.join(work, "tarnix"))
        environment = dict(os.environ, HOME=work, XDG_CONFIG_HOME=os.path.join(work, "config"),
                           QT_QPA_PLATFORM="xcb", MORVLINK_LIBRARY=library, MORVLINK_SIM_CONFIG=config,
                           LSAN_OPTIONS="suppressions=" + suppressions)
        default_set = os.path.join(work, "Default.set")
        # Each session leaves CH1 at its own volts/div; the next one must start with it.
        previous = None
        for number, scale in ((signal.SIGTERM, 0.5), (signal.SIGINT, 2.0), (signal.SIGHUP, 0.05)):
            name = signal.Signals(number).name
            process, client = start(work, environment)
            if previous is not None and float(query(client, "CHAN1:SCAL?")) != previous:
                fail("the session before %s did not keep CH1 at %g V/div" % (name, previous))
            query(client, "CHAN1:DISP ON;SCAL %g;*OPC?" % scale)
            client.close()
            process.send_signal(number)
            status = ended(process)
            if status != 0:
                fail("%s ended tarnix with status %d, not as Exit does" % (name, status))
            if not os.path.exists(default_set):
                fail("%s ended tarnix without writing Default.set" % name)
            print("ok: %s ends tarnix as Exit does" % name)
            previous = scale

        # Two signals before the first is handled: the second ends the program at once, unsaved.
        process, client = start(work, environment)
        if float(query(client, "CHAN1:SCAL?")) != previous:
            fail("the SIGHUP session did not keep CH1 at %g V/div" % previous)
        query(client, "CHAN1:SCAL 1;*OPC?")
        with open(default_set, "rb") as kept:
            before = kept.read()
        process.send_signal(signal.SIGSTOP)
        process.send_signal(signal.SIGTERM)
        process.send_signal(signal.SIGINT)
        process.send_signal(signal.SIGCONT)
        status = ended(process)
        if status >= 0:
            fail("a second signal let tarnix end normally (status %d)" % status)
        with open(default_set, "rb") as kept:
            if kept.read() != before:
                fail("a second signal still wrote Default.set")
        print("ok: a second signal ends tarnix at once")
        process = None
    finally:
        if process is not None and process.poll() is None:
            process.kill()
        shutil.rmtree(work, ignore_errors=True)
    print("PASS")


if __name__ == "__main__":
    main()

#!/usr/bin/python3
"""A script's session with the real program over SCPI, as a bench engineer would write it.

remote_session.py TARNIX SIM_LIBRARY SIM_CONFIG LSAN_SUPPRESSIONS

Starts tarnix on the simulated instrument with --remote on a free port (offscreen, in a scratch
folder, with its own environment), then drives it with pyvisa and the pyvisa-py backend.
"""
import os
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time

try:
    import pyvisa
except ImportError:
    print("SKIP: python3-pyvisa is not installed")
    sys.exit(77)


def fail(message):
    print("FAIL: " + message)
    sys.exit(1)


def check(condition, message):
    if not condition:
        fail(message)
    print("ok: " + message)


def read_config(path):
    values = {}
    with open(path) as config:
        for line in config:
            line = line.split("#", 1)[0].strip()
            if "=" in line:
                key, value = (part.strip() for part in line.split("=", 1))
                values[key] = value
    return values


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def wait_for_port(port, process, seconds):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if process.poll() is not None:
            fail("tarnix ended with status %d before listening" % process.returncode)
        try:
            with socket.create_connection(("127.0.0.1", port), timeout=1):
                return
        except OSError:
            time.sleep(0.2)
    fail("tarnix did not listen on port %d" % port)


def raw_client(port):
    client = socket.create_connection(("127.0.0.1", port), timeout=10)
    return client


def raw_query(client, line):
    client.sendall(line.encode() + b"\n")
    reply = b""
    while not reply.endswith(b"\n"):
        chunk = client.recv(65536)
        if not chunk:
            fail("connection closed while waiting for the answer to " + line)
        reply += chunk
    return reply.decode().strip()


def closed_by_server(client, seconds=10):
    client.settimeout(seconds)
    try:
        return client.recv(1) == b""
    except ConnectionResetError:
        return True
    except socket.timeout:
        return False


def session(port, config, work):
    rm = pyvisa.ResourceManager("@py")
    scope = rm.open_resource("TCPIP::127.0.0.1::%d::SOCKET" % port, read_termination="\n",
                             write_termination="\n", timeout=60000)

    idn = scope.query("*IDN?").split(",")
    check(len(idn) == 4 and idn[0] == "Tarnix" and idn[1] == "MV-A2 USB", "*IDN? names the program and model: %s" % idn)
    check(idn[2] == config.get("slot0.id", "0"), "*IDN? gives the simulated instrument's device ID")

    # Ten cycles of the sine on the screen, four divisions high.
    frequency = float(config["ch1.frequency"])
    amplitude = float(config["ch1.amplitude"])
    scope.write("*CLS;:RUN;:CHAN1:DISP ON;PROB 1;COUP DC;SCAL %g;OFFS 0" % (amplitude / 4))
    scope.write(":TIM:SCAL %gs;POS 0;:TRIG:SOUR CHAN1;SWE AUTO;LEV 0" % (1.0 / frequency))
    check(abs(float(scope.query("TIM:SCAL?")) - 1.0 / frequency) < 1e-9, "the time base takes the nearest entry")
    check(abs(float(scope.query("CHAN1:SCAL?")) - amplitude / 4) < 1e-9, "CH1 takes %g V/div" % (amplitude / 4))
    check(scope.query("SYST:ERR?") == '0,"No error"', "the settings raise no error")

    # The acquisition needs a few frames at the new settings.
    measured = None
    deadline = time.monotonic() + 30
    while time.monotonic() < deadline:
        measured = float(scope.query("MEAS:FREQ? CHAN1"))
        if abs(measured - frequency) < 0.03 * frequency:
            break
        time.sleep(0.3)
    check(measured is not None and abs(measured - frequency) < 0.03 * frequency,
          "MEAS:FREQ? reads %g Hz for the simulator's %g Hz sine" % (measured, frequency))

    scope.write("WAV:SOUR CHAN1;FORM WORD")
    preamble = [float(field) for field in scope.query("WAV:PRE?").split(",")]
    codes = scope.query_binary_values("WAV:DATA?", datatype="h", is_big_endian=False, container=list)
    check(len(codes) == int(preamble[2]) == 5000, "WAV:DATA? sends a block of 5000 words")
    volts = [(code - preamble[9]) * preamble[7] + preamble[8] for code in codes if 0 <= code <= 255]
    peak_to_peak = max(volts) - min(volts)
    check(abs(peak_to_peak - amplitude) < 0.15 * amplitude,
          "the waveform's amplitude is %.3f Vpp for the configured %g Vpp" % (peak_to_peak, amplitude))
    vpp = float(scope.query("MEAS:VPP? CHAN1"))
    check(abs(vpp - amplitude) < 0.15 * amplitude, "MEAS:VPP? reads %.3f V" % vpp)

    # A scale of a channel that is off is refused, as its greyed menu item is.
    scope.write("CHAN2:DISP OFF;SCAL 1")
    error = scope.query("SYST:ERR?")
    check(error.startswith("-221,") and "Function not available!" in error, "the refusal is queued: " + error)
    scope.write("CHAN2:DISP ON;:NOSUCH:THING 3")
    check(scope.query("SYST:ERR?").startswith("-113,"), "an unknown header is -113")
    check(scope.query("SYST:ERR?") == '0,"No error"', "the queue is empty again")

    # Files go through the File menu's loaders with their messages.
    setup = os.path.join(work, "bench.set")
    scope.write('MMEM:STOR:SET "%s"' % setup)
    check(scope.query("*OPC?") == "1" and os.path.getsize(setup) > 0, "MMEM:STOR:SET writes the setup file")
    csv = os.path.join(work, "ch1.csv")
    scope.write('MMEM:STOR:CSV "%s"' % csv)
    check(scope.query("*OPC?") == "1" and os.path.getsize(csv) > 0, "MMEM:STOR:CSV writes CH1 as CSV")
    scope.write('MMEM:LOAD:SET "%s"' % csv)
    error = scope.query("SYST:ERR?")
    check(error.startswith("-200,") and "setup" in error, "loading a CSV as a setup is refused: " + error)
    scope.write('MMEM:LOAD:SET "%s"' % setup)
    check(scope.query("SYST:ERR?") == '0,"No error"', "the saved setup loads again")

    png = scope.query_binary_values("HCOP:DATA?", datatype="B", container=bytes)
    check(png[:8] == b"\x89PNG\r\n\x1a\n", "HCOP:DATA? sends the window as a PNG of %d bytes" % len(png))
    scope.write("HCOP:SDUM:FORM SVG")
    svg = scope.query_binary_values("HCOP:DATA?", datatype="B", container=bytes)
    check(scope.query("HCOP:SDUM:FORM?") == "SVG" and b"<svg" in svg and b"<polyline" in svg,
          "HCOP:SDUM:FORM SVG makes HCOP:DATA? send the screen as an SVG drawing with its traces as polylines")
    scope.write("HCOP:SDUM:FORM PNG")

    scope.write("AUT")
    check(scope.query("*OPC?") == "1", "*OPC? answers once Autoset has finished")
    scope.write("*RST")
    check(scope.query("*OPC?;TIM:SCAL?").split(";")[0] == "1", "*RST runs Factory Setup")

    # Safety: at most four clients; a fifth is closed at once.
    extra = [raw_client(port) for _ in range(3)]
    check(raw_query(extra[0], "*idn?").startswith("Tarnix,"), "a second client is served")
    fifth = raw_client(port)
    check(closed_by_server(fifth), "a fifth client is refused")
    fifth.close()
    # Bytes that are not text are an error, not a crash.
    extra[1].sendall(b"\x00\xff\xfe\n")
    check(raw_query(extra[1], "SYST:ERR?").startswith("-101,"), "bytes that are not text are -101")
    # A line over 1 MiB ends that client's connection; the others go on.
    extra[2].sendall(b"A" * (1536 * 1024))
    check(closed_by_server(extra[2], 30), "a line over 1 MiB closes the connection")
    check(scope.query("*IDN?").startswith("Tarnix,"), "the first client is still served")
    for client in extra:
        client.close()
    scope.close()
    rm.close()


def stop(process):
    if process is not None and process.poll() is None:
        process.send_signal(signal.SIGTERM)
        try:
            process.wait(20)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()


def main():
    if len(sys.argv) != 5:
        fail("usage: remote_session.py TARNIX SIM_LIBRARY SIM_CONFIG LSAN_SUPPRESSIONS")
    tarnix, library, config_path, suppressions = (os.path.realpath(arg) for arg in sys.argv[1:])
    try:
        import pyvisa_py  # noqa: F401
    except ImportError:
        print("SKIP: python3-pyvisa-py is not installed")
        sys.exit(77)
    config = read_config(config_path)
    work = tempfile.mkdtemp(prefix="tarnix-remote-")
    process = None
    try:
        # Default.set is written beside the program: a copy in the scratch folder keeps it there.
        shutil.copy(tarnix, os.path.join(work, "tarnix"))
        runtime = os.path.join(work, "runtime")
        os.mkdir(runtime, 0o700)
        port = free_port()
        environment = {
            "PATH": "/usr/bin:/bin",
            "HOME": work,
            "XDG_RUNTIME_DIR": runtime,
            "XDG_CONFIG_HOME": os.path.join(work, "config"),
            "QT_QPA_PLATFORM": "offscreen",
            "MORVLINK_LIBRARY": library,
            "MORVLINK_SIM_CONFIG": config_path,
            "LSAN_OPTIONS": "suppressions=" + suppressions,
            "ASAN_OPTIONS": "detect_leaks=0",
        }
        process = subprocess.Popen([os.path.join(work, "tarnix"), "--nosplash", "--remote=%d" % port],
                                   cwd=work, env=environment)
        wait_for_port(port, process, 120)
        session(port, config, work)
        check(process.poll() is None, "tarnix is still running")
        stop(process)

        # --demo on a machine without the driver library: no Searching Device question to answer.
        del environment["MORVLINK_LIBRARY"]
        port = free_port()
        process = subprocess.Popen([os.path.join(work, "tarnix"), "--demo", "--remote=%d" % port],
                                   cwd=work, env=environment)
        wait_for_port(port, process, 120)
        with raw_client(port) as client:
            client.settimeout(60)
            check(raw_query(client, "*IDN?").split(",")[2] == "DEMO", "--demo starts in demo mode unattended")
    finally:
        stop(process)
        shutil.rmtree(work, ignore_errors=True)
    print("PASS")


if __name__ == "__main__":
    main()

#!/usr/bin/python3
"""A script's session with the real program over SCPI, as a bench engineer would write it.

remote_session.py TARNIX SIM_LIBRARY SIM_CONFIG LSAN_SUPPRESSIONS

Starts tarnix on the simulated instrument with --remote on a free port (offscreen, in a scratch
folder, with its own environment), then drives it with pyvisa and the pyvisa-py backend.
"""
import csv
import os
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.realpath(__file__)), "..", "support"))
from tarnix_session import connect_when_listening, fail, free_port, query  # noqa: E402

HERE = os.path.dirname(os.path.realpath(__file__))
DOCUMENT = os.path.join(HERE, "..", "..", "docs", "remote.md")
EXAMPLE = os.path.join(HERE, "..", "..", "docs", "examples", "capture_csv.py")

try:
    import pyvisa
except ImportError:
    print("SKIP: python3-pyvisa is not installed")
    sys.exit(77)


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


def raw_client(port):
    client = socket.create_connection(("127.0.0.1", port), timeout=10)
    return client


def closed_by_server(client, seconds=10):
    client.settimeout(seconds)
    try:
        return client.recv(1) == b""
    except ConnectionResetError:
        return True
    except socket.timeout:
        return False


def resident_kib(pid):
    with open("/proc/%d/status" % pid) as status:
        return next(int(line.split()[1]) for line in status if line.startswith("VmRSS:"))


def read_all(client):
    data = b""
    while True:
        try:
            chunk = client.recv(65536)
        except ConnectionResetError:
            return data
        if not chunk:
            return data
        data += chunk


def run_documented_example(port):
    """Runs the pyvisa example of docs/remote.md as written, on this server's port."""
    with open(DOCUMENT) as doc:
        text = doc.read()
    start = text.index("```python\n") + len("```python\n")
    code = text[start:text.index("```", start)].replace("127.0.0.1::5025", "127.0.0.1::%d" % port)
    scope_vars = {}
    exec(compile(code, "docs/remote.md", "exec"), scope_vars)
    check(len(scope_vars["codes"]) == 5000, "the pyvisa example of docs/remote.md runs as written")
    scope_vars["scope"].close()


def session(port, config, work, pid):
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

    # *OPC? holds the reading back until a capture under the new settings has been processed.
    for scale in (0.2, 1.0, 0.5):
        opc, measured = scope.query(":TIM:SCAL %gs;*OPC?;:MEAS:FREQ? CHAN1" % (scale / frequency)).split(";")
        check(opc == "1" and abs(float(measured) - frequency) < 0.03 * frequency,
              "right after TIM:SCAL %g periods and *OPC?, MEAS:FREQ? reads %s Hz" % (scale, measured))

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

    # Files go through the File menu's loaders with their messages, inside the remote file folder.
    files = os.path.join(work, "files")
    scope.write('MMEM:STOR:SET "bench.set"')
    check(scope.query("*OPC?") == "1" and os.path.getsize(os.path.join(files, "bench.set")) > 0,
          "MMEM:STOR:SET writes the setup file into the remote file folder")
    scope.write('MMEM:STOR:CSV "ch1.csv"')
    check(scope.query("*OPC?") == "1" and os.path.getsize(os.path.join(files, "ch1.csv")) > 0,
          "MMEM:STOR:CSV writes CH1 as CSV")
    scope.write('MMEM:LOAD:SET "ch1.csv"')
    error = scope.query("SYST:ERR?")
    check(error.startswith("-200,") and "setup" in error, "loading a CSV as a setup is refused: " + error)
    scope.write('MMEM:LOAD:SET "bench.set"')
    check(scope.query("SYST:ERR?") == '0,"No error"', "the saved setup loads again")
    os.mkdir(os.path.join(files, "folder.csv"))
    for path, code, what in (("../outside.set", "-257,", "a path out of the folder"),
                             (os.path.join(work, "outside.set"), "-257,", "an absolute path"),
                             ("folder.csv", "-2", "a CSV that cannot be written")):
        scope.write('MMEM:STOR:%s "%s"' % ("CSV" if path.endswith(".csv") else "SET", path))
        error = scope.query("SYST:ERR?")
        check(error.startswith(code), "%s is refused with an error: %s" % (what, error))
    check(not os.path.exists(os.path.join(work, "outside.set")), "nothing was written outside the folder")

    png = scope.query_binary_values("HCOP:DATA?", datatype="B", container=bytes)
    check(png[:8] == b"\x89PNG\r\n\x1a\n", "HCOP:DATA? sends the window as a PNG of %d bytes" % len(png))
    scope.write("HCOP:SDUM:FORM SVG")
    svg = scope.query_binary_values("HCOP:DATA?", datatype="B", container=bytes)
    check(scope.query("HCOP:SDUM:FORM?") == "SVG" and b"<svg" in svg and b"<polyline" in svg,
          "HCOP:SDUM:FORM SVG makes HCOP:DATA? send the screen as an SVG drawing with its traces as polylines")
    scope.write("HCOP:SDUM:FORM PNG")

    # A log of CH1's frequency beside its statistics: reset and start on one line, stop and read on
    # one line, so both count the same captures.
    interval = 0.5
    scope.query(":TIM:SCAL %gs;*OPC?;:MEAS:STAT? FREQ,CHAN1" % (1.0 / frequency))
    scope.write('LOG:FILE "log.csv";ITEM "FREQ CHAN1";INT %g;:MEAS:STAT:RES;:LOG:STAR' % interval)
    started = time.monotonic()
    time.sleep(4)
    rows, state, stats = scope.query("LOG:STOP;COUN?;STAT?;:MEAS:STAT? FREQ,CHAN1").split(";")
    elapsed = time.monotonic() - started
    with open(os.path.join(files, "log.csv"), newline="") as log:
        table = list(csv.reader(line for line in log if not line.startswith("#")))
    header, data = table[0], table[1:]
    captures = sum(int(row[header.index("captures")]) for row in data)
    check(state == "0" and int(rows) == len(data) and abs(len(data) - elapsed / interval) <= 1.5,
          "the log wrote %d rows in %.1f s, one per %g s (LOG:COUN? %s)" % (len(data), elapsed, interval, rows))
    check(int(stats.split(",")[5]) == captures > 0,
          "MEAS:STAT? counts %s captures, the log %d" % (stats.split(",")[5], captures))
    check(all(abs(float(row[2]) - frequency) < 0.01 * frequency for row in data),
          "the log's %s column is within 1%% of %g Hz" % (header[2], frequency))

    scope.write("TIM:SCAL 20ms")
    opc, scale = scope.query("AUT;*OPC?;:TIM:SCAL?").split(";")
    check(opc == "1" and float(scale) < 0.02, "*OPC? answers once Autoset has set the time base: %s s" % scale)
    scope.write("TIM:SCAL 1s")
    opc, scale = scope.query("*RST;*OPC?;:TIM:SCAL?").split(";")
    check(opc == "1" and float(scale) != 1.0, "*RST runs Factory Setup: the time base is %s s again" % scale)
    check(scope.query("*ESR?;*CLS;*ESR?;*STB?;SYST:VERS?").split(";")[1:] == ["0", "0", "1999.0"],
          "*CLS clears the status registers")

    run_documented_example(port)
    captured = os.path.join(work, "frames.csv")
    subprocess.run([sys.executable, EXAMPLE, "--resource", "TCPIP::127.0.0.1::%d::SOCKET" % port,
                    "--frames", "2", "--interval", "0", captured], check=True, timeout=120)
    with open(captured) as rows:
        check(len(rows.readlines()) > 2000, "the example script captures two frames into a CSV file")

    # A client that stops sending after its query still gets the answer.
    with raw_client(port) as client:
        client.sendall(b"*IDN?\n")
        client.shutdown(socket.SHUT_WR)
        check(read_all(client).startswith(b"Tarnix,"), "a client that shut down its sending side is answered")

    # A long line of queries: another client is served meanwhile; a client that reads is never dropped.
    heavy, other = raw_client(port), raw_client(port)
    resident = resident_kib(pid)
    heavy.sendall(b"WAV:SOUR CHAN1;FORM WORD\n" + b"WAV:DATA?;" * (1024 * 1024 // 10 - 1) + b"\n")
    check(query(other, "*IDN?").startswith("Tarnix,"), "another client is answered during a 1 MiB line")
    time.sleep(2)  # the client reads nothing yet
    grown = resident_kib(pid) - resident
    check(grown < 64 * 1024, "answers nobody reads took %d KiB" % grown)
    received = b""
    while len(received) < 8 * 1024 * 1024:
        chunk = heavy.recv(1 << 20)
        if not chunk:
            break
        received += chunk
    check(received.startswith(b"#510000") and len(received) >= 8 * 1024 * 1024,
          "the client of the long line reads 8 MiB of its answers without being dropped")
    heavy.close()

    # A client that never reads is paused at the unread-answer limit: the end of its line waits until
    # it reads every answer.
    before = scope.query("TIM:SCAL?")
    after = "1.000000E-03" if before != "1.000000E-03" else "2.000000E-03"
    lazy, count = raw_client(port), 2000
    lazy.sendall(b"WAV:SOUR CHAN1;FORM WORD\n" + b"WAV:DATA?;" * count + b":TIM:SCAL %s\n" % after.encode())
    time.sleep(5)  # 20 MB of answers, far beyond the limit and what the sockets hold
    check(scope.query("TIM:SCAL?") == before, "a client that does not read runs no further than the limit")
    lazy.settimeout(60)
    received = b""
    while len(received) < count * 10008:
        chunk = lazy.recv(1 << 20)
        if not chunk:
            break
        received += chunk
    check(received.count(b";#510000") == count - 1 and len(received) == count * 10008,
          "once it reads, the client gets every answer (%d bytes)" % len(received))
    check(scope.query("*OPC?;:TIM:SCAL?") == "1;" + after, "and the rest of its line runs")
    lazy.close()

    # A client waiting in *OPC? cannot make the program buffer more than one line.
    scope.write("TRIG:SWE NORM;SOUR EXT")  # nothing at the EXT input: no capture comes
    check(scope.query("SYST:ERR?") == '0,"No error"', "Normal sweep on EXT waits for a trigger")
    waiting = raw_client(port)
    waiting.sendall(b"*OPC?\n")
    waiting.setblocking(False)
    accepted, chunk, deadline = 0, b"A" * 65536, time.monotonic() + 3
    while accepted < 64 * 1024 * 1024 and time.monotonic() < deadline:
        try:
            accepted += waiting.send(chunk)
        except BlockingIOError:
            time.sleep(0.01)
    check(accepted < 32 * 1024 * 1024, "while *OPC? waits, %d bytes of an endless line were taken in" % accepted)
    waiting.settimeout(60)
    check(read_all(waiting) == b"0\n", "the wait ends with its answer, then the endless line closes the client")
    other.close()  # the round trip below lets the program see it go
    check(scope.query("SYST:ERR?") == '0,"No error"', "the other client's queue stays its own")
    scope.write("TRIG:SWE AUTO;SOUR CHAN1")

    # Safety: at most four clients; a fifth is closed at once.
    extra = [raw_client(port) for _ in range(3)]
    check(query(extra[0], "*idn?").startswith("Tarnix,"), "a second client is served")
    fifth = raw_client(port)
    check(closed_by_server(fifth), "a fifth client is refused")
    fifth.close()
    # Bytes that are not text are an error, not a crash.
    extra[1].sendall(b"\x00\xff\xfe\n")
    check(query(extra[1], "SYST:ERR?").startswith("-101,"), "bytes that are not text are -101")
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
        process = subprocess.Popen([os.path.join(work, "tarnix"), "--nosplash", "--remote=%d" % port,
                                    "--remote-files=" + os.path.join(work, "files")],
                                   cwd=work, env=environment)
        connect_when_listening(port, process, 120, 1).close()
        session(port, config, work, process.pid)
        check(process.poll() is None, "tarnix is still running")
        stop(process)

        # --demo on a machine without the driver library: no Searching Device question to answer.
        del environment["MORVLINK_LIBRARY"]
        port = free_port()
        process = subprocess.Popen([os.path.join(work, "tarnix"), "--demo", "--remote=%d" % port,
                                    "--remote-idle=2"], cwd=work, env=environment)
        connect_when_listening(port, process, 120, 1).close()
        with raw_client(port) as client:
            client.settimeout(60)
            check(query(client, "*IDN?").split(",")[2] == "DEMO", "--demo starts in demo mode unattended")
            time.sleep(4)
            check(closed_by_server(client, 1), "a client silent for longer than --remote-idle=2 is closed")
    finally:
        stop(process)
        shutil.rmtree(work, ignore_errors=True)
    print("PASS")


if __name__ == "__main__":
    main()

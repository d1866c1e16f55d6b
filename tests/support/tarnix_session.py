"""What the whole-program Python tests share: failing with a message, a free port, waiting until the
program listens for remote clients, and one SCPI query over a plain socket."""
import socket
import sys
import time


def fail(message):
    print("FAIL: " + message)
    sys.exit(1)


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def connect_when_listening(port, process, seconds, timeout):
    """A client socket once tarnix listens on `port`; fails when it ends first or takes `seconds`."""
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if process.poll() is not None:
            fail("tarnix ended with status %d before listening" % process.returncode)
        try:
            return socket.create_connection(("127.0.0.1", port), timeout=timeout)
        except OSError:
            time.sleep(0.2)
    fail("tarnix did not listen on port %d" % port)


def query(client, line):
    """Sends one line and returns the answer's line without its terminator."""
    client.sendall(line.encode() + b"\n")
    reply = b""
    while not reply.endswith(b"\n"):
        chunk = client.recv(65536)
        if not chunk:
            fail("connection closed while waiting for the answer to " + line)
        reply += chunk
    return reply.decode().strip()

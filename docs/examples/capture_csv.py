#!/usr/bin/python3
"""Capture frames from Tarnix over SCPI into one CSV file.

    tarnix --remote &                      # or: QT_QPA_PLATFORM=offscreen tarnix --demo --remote &
    /usr/bin/python3 capture_csv.py --frames 100 --interval 1 frames.csv

Needs pyvisa and its pure-Python backend (Debian: python3-pyvisa python3-pyvisa-py). Each row holds the
frame number, the capture time, the time from the trigger point in seconds and the CH1 voltage.
"""
import argparse
import csv
import time

import pyvisa


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("output", help="CSV file to write")
    parser.add_argument("--resource", default="TCPIP::127.0.0.1::5025::SOCKET")
    parser.add_argument("--source", default="CHAN1", help="CHAN1, CHAN2, MATH or REF")
    parser.add_argument("--frames", type=int, default=100)
    parser.add_argument("--interval", type=float, default=1.0, help="seconds between frames")
    args = parser.parse_args()

    rm = pyvisa.ResourceManager("@py")
    scope = rm.open_resource(args.resource, read_termination="\n", write_termination="\n", timeout=20000)
    print(scope.query("*IDN?"))
    scope.write("WAV:SOUR %s;FORM WORD" % args.source)

    with open(args.output, "w", newline="") as out:
        writer = csv.writer(out)
        writer.writerow(["frame", "captured", "seconds", "volts"])
        for frame in range(args.frames):
            # Each frame is a capture begun after the previous one was read.
            if scope.query("*OPC?") != "1":
                print("frame %d: no new capture came" % frame)
            # The preamble follows the time base and the channel scale, which may change between frames.
            pre = [float(field) for field in scope.query("WAV:PRE?").split(",")]
            x_increment, x_origin, x_reference = pre[4], pre[5], pre[6]
            y_increment, y_origin, y_reference = pre[7], pre[8], pre[9]
            codes = scope.query_binary_values("WAV:DATA?", datatype="h", is_big_endian=False)
            captured = time.strftime("%Y-%m-%dT%H:%M:%S")
            for index, code in enumerate(codes):
                if code < 0 or code > 255:  # a column without data
                    continue
                seconds = (index - x_reference) * x_increment + x_origin
                volts = (code - y_reference) * y_increment + y_origin
                writer.writerow([frame, captured, "%.9g" % seconds, "%.6g" % volts])
            error = scope.query("SYST:ERR?")
            if not error.startswith("0,"):
                print("frame %d: %s" % (frame, error))
            time.sleep(args.interval)
    scope.close()


if __name__ == "__main__":
    main()

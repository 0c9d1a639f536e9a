#!/usr/bin/env python3
"""A serial cable for the Wine bench: one end a COM port of a prefix, the other
a file the test reads.

    ptycom.py --prefix DIR --com COMn --capture FILE --ready FILE [--seconds N]

Makes a pseudo-terminal pair, puts it in raw mode (a serial line passes every
byte as it is: no newline translation, no echo, no line editing), links
DIR/dosdevices/comn to its terminal end so that \\\\.\\COMn opens it, writes
that end's name (/dev/pts/N) to the --ready file, and appends every byte that
arrives at the other end to --capture as it comes. Ends after --seconds
(default 300), when its parent ends, or on SIGTERM/SIGINT, and removes the
link. Test equipment only.
"""
import argparse
import os
import pty
import select
import signal
import sys
import time
import tty


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--prefix", required=True)
    parser.add_argument("--com", required=True)
    parser.add_argument("--capture", required=True)
    parser.add_argument("--ready", required=True)
    parser.add_argument("--seconds", type=float, default=300)
    args = parser.parse_args()

    name = args.com.lower()
    if not (name.startswith("com") and name[3:].isdigit() and name[3] != "0"):
        print("ptycom: not a COM port name: %s" % args.com, file=sys.stderr)
        return 2

    master, terminal = pty.openpty()
    tty.setraw(terminal)
    # The terminal end stays open here too: without it the master reads an
    # end of file (EIO) each time Wine closes its last handle on the port.
    device = os.ttyname(terminal)
    link = os.path.join(args.prefix, "dosdevices", name)
    if os.path.lexists(link):
        os.unlink(link)
    os.symlink(device, link)

    stop = []
    signal.signal(signal.SIGTERM, lambda *_: stop.append(1))
    signal.signal(signal.SIGINT, lambda *_: stop.append(1))

    partial = args.ready + ".part"
    with open(partial, "w") as ready:
        ready.write(device + "\n")
    os.rename(partial, args.ready)

    parent = os.getppid()
    deadline = time.monotonic() + args.seconds
    try:
        with open(args.capture, "ab", buffering=0) as capture:
            while not stop and time.monotonic() < deadline and os.getppid() == parent:
                try:
                    readable, _, _ = select.select([master], [], [], 0.2)
                except InterruptedError:
                    continue
                if not readable:
                    continue
                try:
                    data = os.read(master, 65536)
                except OSError:
                    time.sleep(0.05)
                    continue
                if data:
                    capture.write(data)
    finally:
        if os.path.islink(link) and os.readlink(link) == device:
            os.unlink(link)
    return 0


if __name__ == "__main__":
    sys.exit(main())

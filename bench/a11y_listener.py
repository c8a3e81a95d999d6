#!/usr/bin/python3
"""Runs a program as it runs for someone who uses a screen reader: under Xvfb, in a private D-Bus
session with the accessibility (AT-SPI) bus, the program's Qt accessibility bridge on, and a
listener registered for every object event (children, states, texts, properties), as a screen
reader registers. The program's bridge sends those events only while a listener wants them.

Runs through tests/testnet/testnet.sh only:

    a11y_listener.py PROGRAM [ARGS...]

Exit status: PROGRAM's, or 1 when the session cannot be set up or PROGRAM does not end within
LIMIT_S.
"""
import os
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "a11y"))
from a11y_session import Atspi, Failure, GLib, refusal, run_in_session

LIMIT_S = 900
POLL_MS = 100


def listen_while(command, processes):
    events = 0

    def on_event(event):
        nonlocal events
        events += 1

    Atspi.init()
    listener = Atspi.EventListener.new(on_event)
    listener.register("object:")
    program = processes.start(command)
    deadline = time.monotonic() + LIMIT_S

    def program_running():
        if program.poll() is None and time.monotonic() < deadline:
            return True
        Atspi.event_quit()
        return False

    GLib.timeout_add(POLL_MS, program_running)
    Atspi.event_main()
    listener.deregister("object:")
    if program.returncode is None:
        raise Failure(f"{command[0]} not done after {LIMIT_S} s")
    print(f"a11y_listener: {events} accessibility events heard", file=sys.stderr)
    return program.returncode


def main():
    if len(sys.argv) < 2:
        print("usage: a11y_listener.py PROGRAM [ARGS...]", file=sys.stderr)
        return 2
    refused = refusal("a11y_listener")
    if refused:
        message, status = refused
        print(message, file=sys.stderr)
        return status
    return run_in_session("a11y_listener", lambda processes: listen_while(sys.argv[1:], processes))


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/python3
"""The window as a screen reader sees it, through the accessibility (AT-SPI) bus.

Runs through tests/testnet/testnet.sh only:

    test_a11y.py QUENLO QUENLO-DEVSIM

Starts simulators on hosts a1, a2 and f1, Xvfb, a private D-Bus session and the real program with
its accessibility bridge on and its standard output closed; presses Search through the bus, then
reads the device list's headings and rows through the bus and checks them, and that the window
still answers after cycles of rejected replies and Stop.
"""
import os
import signal
import subprocess
import sys
import time
import warnings

from a11y_session import (START_LIMIT_S, Atspi, Failure, read_line, refusal,
                          run_in_session)

WATCHDOG_S = 90
ROWS_LIMIT_S = 20
POLL_S = 0.1

HEADINGS = ["chn", "version", "IP", "port", "gateway", "mac"]
DEVICES = [
    ("a1", ["--count", "2", "--ip", "10.60.1.101", "--mac", "02:4E:51:3C:1F:01",
            "--chn", "前门{n}", "--gbk", "--port", "8000", "--version", "V2.3.{n}"]),
    ("f1", ["--ip", "192.168.1.64", "--mac", "02:4E:51:3C:7F:01", "--chn", "新设备",
            "--broadcast-reply", "--delay", "100"]),
    # Rejected replies, each one a diagnostic line on a standard output that is closed.
    ("a2", ["--count", "500", "--ip", "10.60.1.200", "--mac", "02:4E:51:3C:9F:01",
            "--fault", "unknown-cmd"]),
]
ROWS = {
    ("前门1", "V2.3.1", "10.60.1.101", "8000", "10.60.1.1", "02:4E:51:3C:1F:01"),
    ("前门2", "V2.3.2", "10.60.1.102", "8000", "10.60.1.1", "02:4E:51:3C:1F:02"),
    ("新设备", "V1.0.0", "192.168.1.64", "80", "192.168.1.1", "02:4E:51:3C:7F:01"),
}


def wait_for(what, limit_s, probe):
    deadline = time.monotonic() + limit_s
    while True:
        value = probe()
        if value:
            return value
        if time.monotonic() > deadline:
            raise Failure(f"no {what} after {limit_s} s")
        time.sleep(POLL_S)


def start_devices(processes, devsim):
    for host, options in DEVICES:
        ns = os.environ[f"QUENLO_NS_{host.upper()}"]
        simulator = processes.start(["nsenter", f"--net={ns}", devsim] + options,
                                    stdout=subprocess.PIPE, text=True)
        read_line(simulator.stdout, f"quenlo-devsim on {host}")


def find(root, role, name=None):
    """The first accessible below root with that role (and name), breadth first."""
    queue = [root]
    while queue:
        node = queue.pop(0)
        if node.get_role() == role and (name is None or node.get_name() == name):
            return node
        if node.get_role() != Atspi.Role.TABLE:
            queue.extend(node.get_child_at_index(i) for i in range(node.get_child_count()))
    return None


def application(pid):
    desktop = Atspi.get_desktop(0)
    for i in range(desktop.get_child_count()):
        app = desktop.get_child_at_index(i)
        if app is not None and app.get_process_id() == pid:
            return app
    return None


def press(button):
    with warnings.catch_warnings():
        # Its successor is not in the GObject bindings of Debian 12.
        warnings.simplefilter("ignore", DeprecationWarning)
        names = [Atspi.Action.get_action_name(button, i)
                 for i in range(Atspi.Action.get_n_actions(button))]
    if "Press" not in names:
        raise Failure(f"the Search button offers no Press action (actions: {names})")
    Atspi.Action.do_action(button, names.index("Press"))


def headings(table):
    """The headings as the table interface describes them, and as its header cells are named."""
    described = [Atspi.Table.get_column_description(table, column)
                 for column in range(Atspi.Table.get_n_columns(table))]
    children = (table.get_child_at_index(i) for i in range(table.get_child_count()))
    cells = [child.get_name() for child in children
             if child.get_role() == Atspi.Role.TABLE_COLUMN_HEADER]
    return described, cells


def complete_rows(table):
    """Every row as a tuple of its cells' names, without the list's padding; None while a row is
    still being filled."""
    rows = [tuple(Atspi.Table.get_accessible_at(table, row, column).get_name().strip()
                  for column in range(Atspi.Table.get_n_columns(table)))
            for row in range(Atspi.Table.get_n_rows(table))]
    return rows if len(rows) == len(ROWS) and all(all(row) for row in rows) else None


def check_window(pid):
    app = wait_for("application on the accessibility bus", START_LIMIT_S, lambda: application(pid))
    app.set_cache_mask(Atspi.Cache.NONE)
    table = wait_for("device list", START_LIMIT_S, lambda: find(app, Atspi.Role.TABLE))
    button = find(app, Atspi.Role.PUSH_BUTTON, "Search")
    if button is None:
        raise Failure("no push button named Search")

    for seen in headings(table):
        if seen != HEADINGS:
            raise Failure(f"headings {seen}, expected {HEADINGS}")

    press(button)
    rows = wait_for(f"{len(ROWS)} complete rows", ROWS_LIMIT_S, lambda: complete_rows(table))
    if set(rows) != ROWS:
        raise Failure(f"rows {sorted(rows)}, expected {sorted(ROWS)}")

    # After two cycles of rejected replies, the window still answers.
    time.sleep(2.5)
    press(find(app, Atspi.Role.PUSH_BUTTON, "Stop"))
    if set(complete_rows(table) or ()) != ROWS:
        raise Failure("the rows changed after Stop")


def on_watchdog(signum, frame):
    raise Failure(f"watchdog: not done after {WATCHDOG_S} s")


def main():
    if len(sys.argv) != 3:
        print("usage: test_a11y.py QUENLO QUENLO-DEVSIM", file=sys.stderr)
        return 2
    quenlo, devsim = sys.argv[1:]
    refused = refusal("test_a11y")
    if refused:
        message, status = refused
        print(message, file=sys.stderr)
        return status

    def search_and_read(processes):
        signal.signal(signal.SIGALRM, on_watchdog)
        signal.alarm(WATCHDOG_S)
        try:
            start_devices(processes, devsim)
            # Started with standard output closed, as some launchers do: the diagnostic lines
            # must neither reach whatever the program opens next nor stop it.
            window = processes.start([quenlo], preexec_fn=lambda: os.close(1))
            Atspi.init()
            check_window(window.pid)
        finally:
            signal.alarm(0)
        print("test_a11y: headings and rows read through the accessibility bus")
        return 0

    return run_in_session("test_a11y", search_and_read)


if __name__ == "__main__":
    sys.exit(main())

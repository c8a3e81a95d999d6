#!/usr/bin/python3
"""The window as a screen reader sees it, through the accessibility (AT-SPI) bus.

Runs through tests/testnet/testnet.sh only:

    test_a11y.py QUENLO QUENLO-DEVSIM

Starts simulators on hosts a1 and f1, Xvfb, a private D-Bus session and the real program with
its accessibility bridge on; presses Search through the bus, then reads the device list's
headings and rows through the bus and checks them.
"""
import os
import select
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time
import traceback
import warnings

try:
    import gi
    gi.require_version("Atspi", "2.0")
    from gi.repository import Atspi
    BINDINGS_MISSING = None
except (ImportError, ValueError) as error:
    BINDINGS_MISSING = error

WATCHDOG_S = 90
START_LIMIT_S = 15
ROWS_LIMIT_S = 20
STOP_LIMIT_S = 5
POLL_S = 0.1

HEADINGS = ["chn", "version", "IP", "port", "gateway", "mac"]
DEVICES = [
    ("a1", ["--count", "2", "--ip", "10.60.1.101", "--mac", "02:4E:51:3C:1F:01",
            "--chn", "前门{n}", "--gbk", "--port", "8000", "--version", "V2.3.{n}"]),
    ("f1", ["--ip", "192.168.1.64", "--mac", "02:4E:51:3C:7F:01", "--chn", "新设备",
            "--broadcast-reply", "--delay", "100"]),
]
ROWS = {
    ("前门1", "V2.3.1", "10.60.1.101", "8000", "10.60.1.1", "02:4E:51:3C:1F:01"),
    ("前门2", "V2.3.2", "10.60.1.102", "8000", "10.60.1.1", "02:4E:51:3C:1F:02"),
    ("新设备", "V1.0.0", "192.168.1.64", "80", "192.168.1.1", "02:4E:51:3C:7F:01"),
}


class Failure(Exception):
    pass


def in_private_network():
    """The rule of tools/netguard: not process 1's namespace, and only loopback and qn* links."""
    own = os.readlink("/proc/self/ns/net")
    try:
        if own == os.readlink("/proc/1/ns/net"):
            return False
    except OSError:
        pass
    return all(name == "lo" or name.startswith("qn") for _, name in socket.if_nameindex())


def wait_for(what, limit_s, probe):
    deadline = time.monotonic() + limit_s
    while True:
        value = probe()
        if value:
            return value
        if time.monotonic() > deadline:
            raise Failure(f"no {what} after {limit_s} s")
        time.sleep(POLL_S)


def read_line(stream, what):
    """One line from a child's pipe, within START_LIMIT_S."""
    ready, _, _ = select.select([stream], [], [], START_LIMIT_S)
    line = stream.readline() if ready else ""
    if not line:
        raise Failure(f"{what} did not start")
    return line.strip()


class Processes:
    """The children started here, ended in reverse order; the helpers' chatter goes to logs that
    are shown only when the check fails."""

    def __init__(self, log_dir):
        self.log_dir = log_dir
        self.children = []
        self.logs = []

    def start(self, argv, log=None, **options):
        if log:
            path = os.path.join(self.log_dir, log + ".log")
            self.logs.append(path)
            with open(path, "w") as stream:
                child = subprocess.Popen(argv, stderr=stream, **options)
        else:
            child = subprocess.Popen(argv, **options)
        self.children.append(child)
        return child

    def stop_all(self):
        for child in reversed(self.children):
            if child.poll() is None:
                child.terminate()
            try:
                child.wait(STOP_LIMIT_S)
            except subprocess.TimeoutExpired:
                child.kill()
                child.wait()
            if child.stdout:
                child.stdout.close()

    def show_logs(self):
        for path in self.logs:
            with open(path, errors="replace") as stream:
                text = stream.read().strip()
            if text:
                print(f"--- {os.path.basename(path)}\n{text}", file=sys.stderr)


def start_session_bus(processes, runtime_dir):
    bus = processes.start(["dbus-daemon", "--session", "--nofork", "--print-address",
                           f"--address=unix:path={runtime_dir}/bus"],
                          log="dbus", stdout=subprocess.PIPE, text=True)
    return read_line(bus.stdout, "dbus-daemon")


def start_display(processes):
    read_end, write_end = os.pipe()
    processes.start(["Xvfb", "-displayfd", str(write_end), "-nolisten", "tcp",
                     "-screen", "0", "1280x900x24"], log="xvfb", pass_fds=[write_end])
    os.close(write_end)
    with os.fdopen(read_end) as numbers:
        return ":" + read_line(numbers, "Xvfb")


def start_devices(processes, devsim):
    for host, options in DEVICES:
        ns = os.environ[f"QUENLO_NS_{host.upper()}"]
        simulator = processes.start(["ip", "netns", "exec", ns, devsim] + options,
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


def on_watchdog(signum, frame):
    raise Failure(f"watchdog: not done after {WATCHDOG_S} s")


def main():
    if len(sys.argv) != 3:
        print("usage: test_a11y.py QUENLO QUENLO-DEVSIM", file=sys.stderr)
        return 2
    quenlo, devsim = sys.argv[1:]
    # quenlo broadcasts its searches.
    if not in_private_network() or "QUENLO_NS_A1" not in os.environ:
        print("test_a11y: refusing to run outside a private test network; "
              "run it through tests/testnet/testnet.sh", file=sys.stderr)
        return 3
    if BINDINGS_MISSING:
        print(f"test_a11y: {BINDINGS_MISSING}: needs python3-gi and gir1.2-atspi-2.0 "
              "(scripts/install-deps)", file=sys.stderr)
        return 1
    for tool in ("Xvfb", "dbus-daemon"):
        if shutil.which(tool) is None:
            print(f"test_a11y: {tool} is missing (scripts/install-deps)", file=sys.stderr)
            return 1

    signal.signal(signal.SIGALRM, on_watchdog)
    signal.alarm(WATCHDOG_S)
    runtime_dir = tempfile.mkdtemp(prefix="quenlo-a11y-")
    processes = Processes(runtime_dir)
    try:
        for name in ("DISPLAY", "WAYLAND_DISPLAY", "AT_SPI_BUS_ADDRESS"):
            os.environ.pop(name, None)
        os.environ["XDG_RUNTIME_DIR"] = runtime_dir
        # Started before there is a display, so that the accessibility bus's helpers, which it
        # starts, keep off the display and need not outlive it.
        os.environ["DBUS_SESSION_BUS_ADDRESS"] = start_session_bus(processes, runtime_dir)
        os.environ["DISPLAY"] = start_display(processes)
        os.environ["QT_LINUX_ACCESSIBILITY_ALWAYS_ON"] = "1"
        os.environ["QT_QPA_PLATFORM"] = "xcb"
        start_devices(processes, devsim)
        window = processes.start([quenlo])
        Atspi.init()
        check_window(window.pid)
    except Exception as failure:
        if not isinstance(failure, Failure):
            traceback.print_exc()
        print(f"test_a11y: {failure}", file=sys.stderr)
        processes.show_logs()
        return 1
    finally:
        signal.alarm(0)
        processes.stop_all()
        shutil.rmtree(runtime_dir, ignore_errors=True)
    print("test_a11y: headings and rows read through the accessibility bus")
    return 0


if __name__ == "__main__":
    sys.exit(main())

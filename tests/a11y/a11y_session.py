"""A private desktop session in which a Qt program can be read through the accessibility (AT-SPI)
bus: a D-Bus session of its own, Xvfb, and the program's accessibility bridge turned on. For the
scripts that run through tests/testnet/testnet.sh.
"""
import os
import select
import shutil
import socket
import subprocess
import sys
import tempfile
import traceback

try:
    import gi
    gi.require_version("Atspi", "2.0")
    from gi.repository import Atspi, GLib
    BINDINGS_MISSING = None
except (ImportError, ValueError) as error:
    Atspi = GLib = None
    BINDINGS_MISSING = error

START_LIMIT_S = 15
STOP_LIMIT_S = 5


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


def refusal(program):
    """Why program cannot run here, as a message and an exit status; None when it can."""
    # The programs read through the bus broadcast their searches.
    if not in_private_network() or "QUENLO_NS_A1" not in os.environ:
        return (f"{program}: refusing to run outside a private test network; "
                "run it through tests/testnet/testnet.sh", 3)
    if BINDINGS_MISSING:
        return (f"{program}: {BINDINGS_MISSING}: needs python3-gi and gir1.2-atspi-2.0 "
                "(scripts/install-deps)", 1)
    for tool in ("Xvfb", "dbus-daemon"):
        if shutil.which(tool) is None:
            return f"{program}: {tool} is missing (scripts/install-deps)", 1
    return None


def read_line(stream, what):
    """One line from a child's pipe, within START_LIMIT_S."""
    ready, _, _ = select.select([stream], [], [], START_LIMIT_S)
    line = stream.readline() if ready else ""
    if not line:
        raise Failure(f"{what} did not start")
    return line.strip()


class Processes:
    """The children started here, ended in reverse order; the helpers' chatter goes to logs that
    are shown only when the run fails."""

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


def run_in_session(program, body):
    """Runs body(processes) in a private session; the Qt programs it starts there use Xvfb and
    have their accessibility bridge on. Returns body's exit status, or 1 when it raised; then the
    helpers' logs are shown. Every child is ended on the way out."""
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
        return body(processes)
    except Exception as failure:
        if not isinstance(failure, Failure):
            traceback.print_exc()
        print(f"{program}: {failure}", file=sys.stderr)
        processes.show_logs()
        return 1
    finally:
        processes.stop_all()
        shutil.rmtree(runtime_dir, ignore_errors=True)

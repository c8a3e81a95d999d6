#!/usr/bin/python3
"""quenlo-find from outside, as people and scripts use it, against simulated devices.

Runs through tests/testnet/testnet.sh and quenlo-private-run only:

    test_find.py QUENLO-FIND QUENLO-DEVSIM VERSION
"""
import csv
import fcntl
import io
import json
import os
import pty
import re
import select
import signal
import socket
import subprocess
import sys
import tempfile
import time
import unicodedata
import unittest

FIND = DEVSIM = VERSION = None
START_LIMIT_S = 10
RUN_LIMIT_S = 60

# Devices whose texts try every way of breaking a format, answering one after another.
TRICKY = [
    ("a1", ["--count", "2", "--ip", "10.60.1.101", "--mac", "02:4E:51:3C:1F:01",
            "--chn", "前门{n}", "--gbk", "--port", "8000", "--version", "V2.3.{n}"]),
    ("a2", ["--ip", "10.60.1.130", "--mac", "02:4E:51:3C:2F:10", "--chn", "=1+2", "--port", "+80",
            "--gateway", "@gw", "--version", '-a,"b\\', "--delay", "100"]),
    ("b1", ["--ip", "10.60.2.40", "--mac", "02:4E:51:3C:6F:10", "--chn", "x\ty\x1b", "--version",
            "V4\n0", "--delay", "200"]),
    ("f1", ["--ip", "192.168.1.64", "--mac", "02:4E:51:3C:7F:01", "--chn", "新设备",
            "--broadcast-reply", "--delay", "300"]),
]
FIELDS = ["chn", "version", "ip", "port", "gateway", "mac"]
# RFC 3339, local time with milliseconds and the offset as digits.
TIME = re.compile(r"^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}[+-]\d\d:\d\d$")
TRICKY_TEXTS = [
    ["前门1", "V2.3.1", "10.60.1.101", "8000", "10.60.1.1", "02:4E:51:3C:1F:01"],
    ["前门2", "V2.3.2", "10.60.1.102", "8000", "10.60.1.1", "02:4E:51:3C:1F:02"],
    ["=1+2", '-a,"b\\', "10.60.1.130", "+80", "@gw", "02:4E:51:3C:2F:10"],
    ["x\ty\x1b", "V4\n0", "10.60.2.40", "80", "10.60.2.1", "02:4E:51:3C:6F:10"],
    ["新设备", "V1.0.0", "192.168.1.64", "80", "192.168.1.1", "02:4E:51:3C:7F:01"],
]
# Where each reply comes in: LAN A, LAN B, and LAN B again for the device outside both subnets.
TRICKY_HEARD = [("qna0", "10.60.1.1", False)] * 3 + [("qnb0", "10.60.2.1", False),
                                                    ("qnb0", "10.60.2.1", True)]


def visible(text):
    """What table, tsv and csv show of a text: control characters as their pictures."""
    return "".join(chr(0x2400 + ord(c)) if ord(c) < 0x20 else c for c in text)


def sheet(text):
    shown = visible(text)
    return "'" + shown if shown[:1] in ("=", "+", "-", "@") else shown


class Devices:
    """quenlo-devsim on hosts of the test network, each answering once it has said so."""

    def __init__(self, specs):
        self.specs = specs
        self.children = []

    def __enter__(self):
        for host, options in self.specs:
            ns = os.environ[f"QUENLO_NS_{host.upper()}"]
            child = subprocess.Popen(["nsenter", f"--net={ns}", DEVSIM] + options,
                                     stdout=subprocess.PIPE, text=True)
            self.children.append(child)
            ready, _, _ = select.select([child.stdout], [], [], START_LIMIT_S)
            if not ready or not child.stdout.readline():
                raise AssertionError(f"quenlo-devsim on {host} did not start")
        return self

    def __exit__(self, *exc):
        for child in self.children:
            child.terminate()
            child.wait(START_LIMIT_S)
            child.stdout.close()


def find(*options, ns=None):
    argv = [FIND, *options]
    if ns:
        argv = ["nsenter", f"--net={ns}"] + argv
    return subprocess.run(argv, capture_output=True, timeout=RUN_LIMIT_S)


def read_terminal(fd, until=None):
    """What a program writes to a terminal: everything until it closes, or until the text."""
    seen = b""
    while until is None or until not in seen:
        ready, _, _ = select.select([fd], [], [], RUN_LIMIT_S)
        if not ready:
            raise AssertionError(f"terminal showed only {seen!r}")
        try:
            chunk = os.read(fd, 4096)
        except OSError:  # the other side has closed
            break
        if not chunk:
            break
        seen += chunk
    return seen


def cell_columns(line):
    """The terminal column each cell of a table line starts at; these cells hold no blanks."""
    columns, column, previous = [], 0, " "
    for c in line:
        if c != " " and previous == " ":
            columns.append(column)
        column += 2 if unicodedata.east_asian_width(c) in "WF" else 1
        previous = c
    return columns


class Output(unittest.TestCase):
    def test_every_format_reads_back_as_the_devices_sent_them(self):
        with Devices(TRICKY):
            runs = {fmt: find("-n", "5", "--format", fmt) for fmt in ("tsv", "csv", "json")}
            excel = find("-n", "5", "--excel")
            default = find("-n", "5")
            raw = find("-n", "5", "--format", "json", "--raw")
            cards = find("-n", "5", "--interfaces")
            primary, secondary = pty.openpty()
            on_terminal = subprocess.Popen([FIND, "-n", "5"], stdout=secondary,
                                           stderr=subprocess.DEVNULL)
            os.close(secondary)
            table = read_terminal(primary).decode().replace("\r\n", "\n")
            os.close(primary)
            self.assertEqual(on_terminal.wait(RUN_LIMIT_S), 0)

        for fmt, run in runs.items():
            self.assertEqual((run.returncode, run.stderr), (0, b""), fmt)
        self.assertEqual(default.stdout, runs["tsv"].stdout, "tsv is the default off a terminal")

        tsv = [line.split("\t") for line in runs["tsv"].stdout.decode().splitlines()]
        self.assertEqual(tsv, [[sheet(t) for t in texts] for texts in TRICKY_TEXTS])

        self.assertFalse(runs["csv"].stdout.startswith(b"\xef\xbb\xbf"))
        self.assertEqual(excel.stdout, b"\xef\xbb\xbf" + runs["csv"].stdout)
        rows = list(csv.reader(io.StringIO(runs["csv"].stdout.decode(), newline="")))
        self.assertEqual(rows, [FIELDS] + [[sheet(t) for t in texts] for texts in TRICKY_TEXTS])

        lines = [json.loads(line) for line in runs["json"].stdout.decode().splitlines()]
        self.assertEqual([[line[f] for f in FIELDS] for line in lines], TRICKY_TEXTS)
        self.assertEqual([(line["interface"], line["local_address"], line["outside_local_subnets"])
                          for line in lines], TRICKY_HEARD)
        heard = [line["first_reply_ms"] for line in lines]
        self.assertEqual(heard, sorted(heard))
        self.assertTrue(all(TIME.match(line["first_heard"]) for line in lines), lines)
        self.assertEqual([line["first_heard"] for line in lines],
                         sorted(line["first_heard"] for line in lines))
        self.assertGreaterEqual(heard[-1], 300, "no reply can be listed before it was sent")

        first = json.loads(raw.stdout.decode().splitlines()[0])
        self.assertEqual(first["chn_hex"], "c7b0c3c531" + "00" * 5)  # 前门1 in GBK, slot of 10
        self.assertEqual(bytes.fromhex(first["mac_hex"]), b"02:4E:51:3C:1F:01\0\0\0")
        self.assertEqual(len(first["version_hex"]), 80)

        header, *body = cards.stdout.decode().splitlines()
        self.assertEqual(header.split(), ["interface", "addresses", "request", "devices"])
        used = {line.split()[0]: line.split()[1:] for line in body}
        self.assertEqual((used["qna0"], used["qnb0"]),
                         (["10.60.1.1", "sent", "3"], ["10.60.2.1", "sent", "2"]))

        header, *body = table.splitlines()
        self.assertEqual(header.split(), FIELDS)
        self.assertEqual([line.split() for line in body],
                         [[visible(t) for t in texts] for texts in TRICKY_TEXTS])
        for line in body:
            self.assertEqual(cell_columns(line), cell_columns(header), line)

    def test_diagnostics_reach_stderr_only_when_asked_for(self):
        with Devices([("a1", ["--fault", "unknown-cmd"])]):
            quiet = find("-t", "0.5", "--format", "json")
            verbose = find("-t", "0.5", "--format", "json", "--verbose")
        self.assertEqual((quiet.returncode, quiet.stdout), (1, b""))
        self.assertNotIn(b"netserver", quiet.stderr)
        self.assertEqual((verbose.returncode, verbose.stdout), (1, b""))
        self.assertIn(b"netserver OnHandleRecvBC", verbose.stderr)


class Ending(unittest.TestCase):
    def test_three_hundred_devices_give_the_255_the_list_holds_and_say_it_is_full(self):
        many = ["--count", "300", "--ip", "10.60.1.1", "--mac", "02:00:00:00:10:00"]
        with Devices([("a1", many)]):
            run = find("--format", "json")
        self.assertEqual(run.returncode, 6)
        self.assertEqual(run.stderr, b"quenlo-find: the list is full: 45 more devices answered"
                                     b" and are not listed\n")
        macs = [json.loads(line)["mac"] for line in run.stdout.decode().splitlines()]
        self.assertEqual(len(macs), 255)
        self.assertEqual(len(set(macs)), 255)
        self.assertTrue(all(mac.startswith("02:00:00:00:1") for mac in macs))

    def test_count_ends_the_search_as_soon_as_enough_are_listed(self):
        late = ["--ip", "10.60.2.50", "--mac", "02:00:00:00:20:01", "--delay", "1500"]
        with Devices([("a1", ["--count", "3", "--ip", "10.60.1.50", "--mac", "02:00:00:00:10:01"]),
                      ("b1", late)]):
            run = find("-n", "2", "-t", "30", "--format", "tsv")
        self.assertEqual(run.returncode, 0)
        self.assertEqual([line.split("\t")[5] for line in run.stdout.decode().splitlines()],
                         ["02:00:00:00:10:01", "02:00:00:00:10:02"])

    def test_interrupt_hangup_and_terminate_print_what_was_found_after_a_live_count(self):
        late = ["--ip", "10.60.2.50", "--mac", "02:00:00:00:20:01", "--delay", "60000"]
        with Devices([("a1", ["--ip", "10.60.1.50", "--mac", "02:00:00:00:10:01"]),
                      ("b1", late)]):
            for sent, status in ((signal.SIGINT, 130), (signal.SIGHUP, 129),
                                 (signal.SIGTERM, 143)):
                with self.subTest(sent.name):
                    primary, secondary = pty.openpty()
                    search = subprocess.Popen([FIND, "-t", "60"], stdout=subprocess.PIPE,
                                              stderr=secondary)
                    os.close(secondary)
                    shown = read_terminal(primary, until=b"1 device found")
                    search.send_signal(sent)
                    out, _ = search.communicate(timeout=RUN_LIMIT_S)
                    shown += read_terminal(primary)
                    os.close(primary)
                    self.assertEqual(search.returncode, status)
                    self.assertIn(b"0 devices found", shown)
                    self.assertTrue(shown.endswith(b"\r"), "the count is cleared away")
                    self.assertEqual([line.split("\t")[5] for line in out.decode().splitlines()],
                                     ["02:00:00:00:10:01"])


class ExitStatus(unittest.TestCase):
    def test_none_found_usage_help_and_version(self):
        none = find("-t", "0.5")
        self.assertEqual((none.returncode, none.stdout), (1, b""))
        self.assertIn(b"no device answered", none.stderr)

        for bad in (["--format", "xml"], ["-t", "0"], ["-t", "nan"], ["-n", "0"], ["stray"],
                    ["--excel", "--format", "json"], ["--bogus"]):
            run = find(*bad)
            self.assertEqual((run.returncode, run.stdout), (2, b""), bad)
            self.assertRegex(run.stderr.decode(),
                             r"^quenlo-find: .+\nTry 'quenlo-find --help'\.\n$")

        usage = find("--help")
        self.assertEqual(usage.returncode, 0)
        self.assertIn(b"--format", usage.stdout)
        version = find("--version")
        self.assertEqual((version.returncode, version.stdout),
                         (0, f"quenlo-find {VERSION}\n".encode()))

    def test_results_that_cannot_be_written_are_a_failure_of_their_own(self):
        with Devices([("a1", ["--ip", "10.60.1.50", "--mac", "02:00:00:00:10:01"])]):
            with open("/dev/full", "wb") as full:
                on_full = subprocess.run([FIND, "-n", "1"], stdout=full, stderr=subprocess.PIPE,
                                         timeout=RUN_LIMIT_S)
            closed = subprocess.run([FIND, "-n", "1"], stderr=subprocess.PIPE,
                                    preexec_fn=lambda: os.close(1), timeout=RUN_LIMIT_S)
        self.assertEqual(
            (on_full.returncode, on_full.stderr),
            (5, b"quenlo-find: cannot write the results: No space left on device\n"))
        self.assertEqual((closed.returncode, closed.stderr),
                         (5, b"quenlo-find: cannot write the results: Bad file descriptor\n"))

    def test_reply_port_in_use(self):
        with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as holder:
            holder.bind(("0.0.0.0", 6061))
            run = find("-t", "10")
        self.assertEqual((run.returncode, run.stdout), (3, b""))
        self.assertIn(b"6061", run.stderr)

    def test_no_interface_can_send_the_request(self):
        # No cable: nothing but loopback, and no route for the request.
        ns = os.environ["QUENLO_NS_EMPTY"]
        run = find("-t", "10", ns=ns)
        self.assertEqual((run.returncode, run.stdout), (4, b""))
        # A pulled cable with the link still up: an interface without a carrier.
        ip = ["nsenter", f"--net={ns}", "ip"]
        for command in (["link", "add", "qnv2", "type", "veth", "peer", "name", "qnv3"],
                        ["addr", "add", "10.98.0.1/24", "dev", "qnv2"],
                        ["link", "set", "qnv2", "up"]):
            subprocess.run(ip + command, check=True)
        run = find("-t", "10", ns=ns)
        self.assertEqual((run.returncode, run.stdout), (4, b""))
        subprocess.run(ip + ["link", "del", "qnv2"], check=True)
        # An interface that can broadcast, whose address the stack refuses to send from.
        for command in (["link", "add", "qnv0", "type", "veth", "peer", "name", "qnv1"],
                        ["addr", "add", "10.99.0.1/24", "dev", "qnv0"],
                        ["link", "set", "qnv0", "up"], ["link", "set", "qnv1", "up"],
                        ["route", "del", "local", "10.99.0.1", "table", "local"]):
            subprocess.run(ip + command, check=True)
        run = find("-t", "10", ns=ns)
        self.assertEqual((run.returncode, run.stdout), (4, b""))
        self.assertIn(b"no network interface could send", run.stderr)
        cards = find("-t", "10", "--interfaces", ns=ns)
        self.assertEqual(cards.returncode, 4)
        self.assertEqual([line.split() for line in cards.stdout.decode().splitlines()][1:],
                         [["qnv0", "10.99.0.1", "could-not-send", "0"]])


class Watching(unittest.TestCase):
    def test_each_device_is_told_new_changed_silent_and_back_as_it_happens(self):
        mac_moved, mac_unplugged = "02:00:00:00:30:01", "02:00:00:00:30:02"
        factory = ["--mac", mac_moved, "--ip", "192.168.1.64", "--broadcast-reply"]
        readdressed = ["--mac", mac_moved, "--ip", "10.60.2.64", "--broadcast-reply"]
        plugged = ["--mac", mac_unplugged, "--ip", "10.60.1.60"]
        # Unbuffered, so that what select says is waiting has not been read into a buffer.
        watch = subprocess.Popen([FIND, "--watch", "--format", "json", "-t", "60"],
                                 stdout=subprocess.PIPE, stderr=subprocess.PIPE, bufsize=0)

        def events(count):
            seen = []
            while len(seen) < count:
                ready, _, _ = select.select([watch.stdout], [], [], 15)
                if not ready:
                    raise AssertionError(f"after {seen} no further event")
                seen.append(json.loads(watch.stdout.readline()))
            for e in seen:
                self.assertRegex(e["time"], TIME)
            return [(e["event"], e.get("mac"), e.get("ip")) for e in seen], seen

        try:
            # Before any device, the search says it begins, so that none is taken for new on
            # the site.
            told, _ = events(1)
            self.assertEqual(told, [("start", None, None)])
            with Devices([("a1", plugged)]):
                with Devices([("f1", factory)]):
                    told, _ = events(2)
                    self.assertEqual(sorted(told), [("new", mac_moved, "192.168.1.64"),
                                                    ("new", mac_unplugged, "10.60.1.60")])
                with Devices([("f1", readdressed)]):
                    told, changed = events(1)
                    self.assertEqual(told, [("changed", mac_moved, "10.60.2.64")])
                    self.assertEqual(changed[0]["listed"]["ip"], "192.168.1.64")
                    self.assertFalse(changed[0]["outside_local_subnets"])
            # Unplugged, the device falls silent after three cycles; plugged in, it is back.
            told, silent = events(2)
            self.assertEqual(sorted(told), [("silent", mac_moved, "10.60.2.64"),
                                            ("silent", mac_unplugged, "10.60.1.60")])
            self.assertLess(silent[0]["last_reply_ms"], silent[1]["last_reply_ms"] + 10000)
            with Devices([("a1", plugged)]):
                told, _ = events(1)
                self.assertEqual(told, [("back", mac_unplugged, "10.60.1.60")])
            watch.send_signal(signal.SIGINT)
            out, err = watch.communicate(timeout=RUN_LIMIT_S)
        finally:
            watch.kill()
            watch.wait()
        self.assertEqual((watch.returncode, out, err), (130, b"", b""))

    def test_a_reader_that_comes_late_still_gets_every_event_decided_before_the_deadline(self):
        # A pipe of one page: the program blocks on it after a few lines while replies keep
        # coming in over half a second, and its time runs out before the reader starts.
        read_end, write_end = os.pipe()
        fcntl.fcntl(write_end, fcntl.F_SETPIPE_SZ, 4096)
        seconds = 1
        with Devices([("a1", ["--count", "200", "--ip", "10.60.1.100", "--mac",
                              "02:00:00:00:40:01", "--jitter", "500"])]):
            watch = subprocess.Popen([FIND, "--watch", "-t", str(seconds)], stdout=write_end,
                                     stderr=subprocess.PIPE)
            os.close(write_end)
            try:
                self.assertTrue(has_run_for(watch.pid, seconds + 0.5),
                                "quenlo-find has not run out its time")
                with os.fdopen(read_end, "rb") as reader:
                    lines = reader.read().splitlines()
                err = watch.communicate(timeout=RUN_LIMIT_S)[1]
            finally:
                watch.kill()
                watch.wait()
        self.assertEqual((watch.returncode, err), (0, b""))
        self.assertEqual([line.split(b"\t")[1] for line in lines], [b"start"] + [b"new"] * 200)
        times = [line.split(b"\t")[0].decode() for line in lines]
        self.assertTrue(all(TIME.match(time) for time in times), times[0])


class Cards(unittest.TestCase):
    def test_interface_keeps_the_requests_and_the_replies_to_the_chosen_cards(self):
        # On LAN A a device that answers by broadcast, asked by a neighbour while the search runs:
        # its reply reaches LAN A's card although the search does not ask there.
        request = bytearray(52)
        request[0:8], request[20] = b"Zarquvel", 0xA0
        asker = ("import socket\n"
                 "s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)\n"
                 "s.setsockopt(socket.SOL_SOCKET, socket.SO_BROADCAST, 1)\n"
                 f"s.sendto(bytes.fromhex('{request.hex()}'), ('10.60.1.255', 6060))\n")
        specs = {"a1": ["--ip", "10.60.1.50", "--mac", "02:00:00:00:50:01", "--broadcast-reply"],
                 "b1": ["--ip", "10.60.2.50", "--mac", "02:00:00:00:50:02"]}
        told = {host: bytearray() for host in specs}
        children = []
        try:
            for host, options in specs.items():
                child = subprocess.Popen(
                    ["nsenter", f"--net={os.environ[f'QUENLO_NS_{host.upper()}']}", DEVSIM,
                     "--verbose"] + options, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
                children.append(child)
                ready, _, _ = select.select([child.stdout], [], [], START_LIMIT_S)
                self.assertTrue(ready and child.stdout.readline(), f"no devsim on {host}")
            # Two requests go out, two seconds apart; once the first has, the search listens and
            # the neighbour asks.
            search = subprocess.Popen(
                [FIND, "--interface", "qnb0", "--format", "json", "-t", "2.5"],
                stdout=subprocess.PIPE, stderr=subprocess.PIPE)
            try:
                self.assertTrue(read_until(children[1].stderr, b"request from 10.60.2.1:",
                                           told["b1"]), "the search asked on LAN B")
                subprocess.run(["nsenter", f"--net={os.environ['QUENLO_NS_A2']}", sys.executable,
                                "-c", asker], check=True, timeout=START_LIMIT_S)
                self.assertTrue(read_until(children[0].stderr, b"request from 10.60.1.12:",
                                           told["a1"]), "the neighbour asked")
                out, err = search.communicate(timeout=RUN_LIMIT_S)
            finally:
                search.kill()
                search.wait()
            cards = find("--interface", "qnb0", "--interfaces", "-t", "0.5")
        finally:
            for child in children:
                child.terminate()
                child.wait(START_LIMIT_S)
        for host, child in zip(specs, children):
            told[host] += child.stderr.read()
            child.stdout.close()
            child.stderr.close()
        told = {host: text.decode() for host, text in told.items()}
        self.assertEqual(search.returncode, 0, err)
        self.assertEqual([(line["mac"], line["interface"])
                          for line in map(json.loads, out.decode().splitlines())],
                         [("02:00:00:00:50:02", "qnb0")])
        # Two requests of the search and one of the cards' listing.
        self.assertEqual(told["b1"].count("request from 10.60.2.1:"), 3, told["b1"])
        self.assertNotIn("request from 10.60.1.1:", told["a1"])
        self.assertIn("request from 10.60.1.12:", told["a1"], "the neighbour asked")
        self.assertEqual([line.split()[0] for line in cards.stdout.decode().splitlines()[1:]],
                         ["qnb0"])

    def test_a_card_that_is_not_there_is_a_usage_error_that_lists_the_cards(self):
        run = find("--interface", "qnb0", "--interface", "eth9")
        self.assertEqual((run.returncode, run.stdout), (2, b""))
        self.assertEqual(run.stderr.decode().splitlines(),
                         ["quenlo-find: --interface: no network card named 'eth9' can search;"
                          " the cards that can are:", "  qna0", "  qnb0"])


def read_until(stream, text, seen):
    """Reads a child's stream into seen until seen holds text; false when the stream ends or the
    start limit passes first."""
    deadline = time.monotonic() + START_LIMIT_S
    while text not in seen:
        ready, _, _ = select.select([stream], [], [], max(deadline - time.monotonic(), 0))
        chunk = os.read(stream.fileno(), 4096) if ready else b""
        if not chunk:
            return False
        seen += chunk
    return True


def has_run_for(pid, seconds):
    """Waits until the process has run for so many seconds since it started, if that comes
    within the run limit. The wait is the test's own case, a reader that comes this late: it is
    reckoned from the process's start as the system counts it, not a pause of a fixed length."""
    with open(f"/proc/{pid}/stat") as stat:
        started = int(stat.read().rsplit(")", 1)[1].split()[19]) / os.sysconf("SC_CLK_TCK")
    with open("/proc/uptime") as uptime:
        left = started + seconds - float(uptime.read().split()[0])
    if left > RUN_LIMIT_S:
        return False
    # A pause kept on purpose: the late reader is the case under test, and nothing else can show
    # that the deadline has passed, since the program sits blocked in its write until it is read.
    time.sleep(max(left, 0))
    return True


class Plan(unittest.TestCase):
    FRONT = ("a1", ["--count", "2", "--ip", "10.60.1.101", "--mac", "02:4E:51:3C:40:01",
                    "--chn", "前门{n}", "--port", "8000"])
    STRANGER = ("b1", ["--ip", "10.60.2.40", "--mac", "02:4E:51:3C:6F:10", "--chn", "后门",
                       "--delay", "100"])
    HEADING = "MAC,通道名称,IP地址,端口,网关\n"
    FRONT_PLANNED = ("02:4e:51:3c:40:01,前门1,10.60.1.101,8000,10.60.1.1\n"
                     "02-4E-51-3C-40-02,前门2,10.60.1.102,8000,10.60.1.1\n")

    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()

    def tearDown(self):
        self.folder.cleanup()

    def plan(self, name, text):
        path = os.path.join(self.folder.name, name)
        with open(path, "w", encoding="utf-8") as out:
            out.write(text)
        return path

    def test_each_device_is_judged_by_what_it_answers_now_and_any_fault_exits_7(self):
        mac_moved = "02:4E:51:3C:30:01"
        path = self.plan("site.csv", self.HEADING
                         + "02:4e:51:3c:40:01,前门1,10.60.1.101,8000,10.60.1.1\n"
                         + "02-4E-51-3C-40-02,前门\t2,10.60.1.99,80,10.60.1.1\n"
                         + "02:4E:51:3C:40:03,前门3,10.60.1.103,8000,\n"
                         + ",后门1,10.60.2.31,554,10.60.2.1\n"
                         + "024E513C3001,,10.60.2.64,,\n")
        with Devices([self.FRONT, self.STRANGER]):
            # Heard first at its factory address, then re-addressed as planned while the search
            # goes on.
            with Devices([("f1", ["--mac", mac_moved, "--ip", "192.168.1.64",
                                  "--broadcast-reply"])]):
                primary, secondary = pty.openpty()
                search = subprocess.Popen([FIND, "-t", "5", "--format", "json", "--plan", path],
                                          stdout=subprocess.PIPE, stderr=secondary)
                os.close(secondary)
                told = read_terminal(primary, until=b"4 devices found")
            with Devices([("f1", ["--mac", mac_moved, "--ip", "10.60.2.64",
                                  "--broadcast-reply"])]):
                out, _ = search.communicate(timeout=RUN_LIMIT_S)
                told += read_terminal(primary)
                os.close(primary)
                sheet_run = find("--plan", path, "--format", "csv")
        self.assertEqual(search.returncode, 7)
        told = told.decode()
        self.assertIn(f"quenlo-find: {path} line 5: no MAC, skipped\r\n", told)
        self.assertIn("quenlo-find: plan: 4 planned, 2 as planned, 1 differs, 0 silent, 1 missing;"
                      " 1 not in the plan\r\n", told)

        lines = [json.loads(line) for line in out.decode().splitlines()]
        self.assertEqual([(line["mac"], line["ip"], line["plan"]["verdict"], line["plan"]["line"])
                          for line in lines],
                         [("02:4E:51:3C:40:01", "10.60.1.101", "as-planned", 2),
                          ("02:4E:51:3C:40:02", "10.60.1.102", "differs", 3),
                          (None, None, "missing", 4),
                          (mac_moved, "10.60.2.64", "as-planned", 6),
                          ("02:4E:51:3C:6F:10", "10.60.2.40", "not-in-plan", None)])
        self.assertEqual([line["plan"]["differences"] for line in lines[:2]],
                         [[], [{"field": "chn", "planned": "前门\t2", "heard": "前门2"},
                               {"field": "ip", "planned": "10.60.1.99", "heard": "10.60.1.102"},
                               {"field": "port", "planned": "80", "heard": "8000"}]])
        missing = lines[2]
        self.assertEqual([missing[f] for f in FIELDS + ["interface", "outside_local_subnets",
                                                        "first_reply_ms"]], [None] * 9)
        self.assertEqual(missing["plan"]["planned"],
                         {"chn": "前门3", "ip": "10.60.1.103", "port": "8000", "gateway": None,
                          "mac": "02:4E:51:3C:40:03"})

        self.assertEqual(sheet_run.returncode, 7)
        rows = list(csv.reader(io.StringIO(sheet_run.stdout.decode(), newline="")))
        self.assertEqual(rows, [
            FIELDS + ["plan", "plan_line", "plan_differences"],
            ["前门1", "V1.0.0", "10.60.1.101", "8000", "10.60.1.1", "02:4E:51:3C:40:01",
             "as-planned", "2", ""],
            ["前门2", "V1.0.0", "10.60.1.102", "8000", "10.60.1.1", "02:4E:51:3C:40:02",
             "differs", "3", "chn " + visible("前门\t2")
             + " -> 前门2; ip 10.60.1.99 -> 10.60.1.102; port 80 -> 8000"],
            ["前门3", "", "10.60.1.103", "8000", "", "02:4E:51:3C:40:03", "missing", "4", ""],
            ["CH1", "V1.0.0", "10.60.2.64", "80", "10.60.2.1", mac_moved, "as-planned", "6", ""],
            ["后门", "V1.0.0", "10.60.2.40", "80", "10.60.2.1", "02:4E:51:3C:6F:10",
             "not-in-plan", "", ""]])

    def test_only_a_site_as_planned_exits_0_and_a_plan_that_cannot_be_read_is_a_usage_error(self):
        planned = self.plan("site.csv", self.HEADING + self.FRONT_PLANNED)
        # 101 lines skipped: the first 100 are named, the last only counted.
        skipping = self.plan("skipping.csv", self.HEADING + self.FRONT_PLANNED
                             + "02:4E:51:3C:40:09,前门9,10.60.1.300,8000,10.60.1.1\n"
                             + "x\n" * 100)
        with Devices([self.FRONT, self.STRANGER]):
            good = find("-n", "3", "--plan", planned, "--format", "tsv")
            skipped = find("-n", "3", "--plan", skipping, "--format", "tsv")
        self.assertEqual((good.returncode, good.stderr.decode()),
                         (0, "quenlo-find: plan: 2 planned, 2 as planned, 0 differs, 0 silent, 0 missing;"
                             " 1 not in the plan\n"))
        self.assertEqual([line.split("\t")[5:] for line in good.stdout.decode().splitlines()],
                         [["02:4E:51:3C:40:01", "as-planned", "2", ""],
                          ["02:4E:51:3C:40:02", "as-planned", "3", ""],
                          ["02:4E:51:3C:6F:10", "not-in-plan", "", ""]])
        self.assertEqual((skipped.returncode, skipped.stdout), (7, good.stdout))
        told = skipped.stderr.decode()
        self.assertIn(f"{skipping} line 4: bad IP address \"10.60.1.300\", skipped\n", told)
        self.assertEqual(told.count(", skipped\n"), 100)
        self.assertIn(f"quenlo-find: {skipping}: 1 more line skipped, not shown\n", told)
        nobody = find("-t", "0.5", "--plan", planned)
        self.assertEqual(nobody.returncode, 7, "every planned device is missing")

        none = os.path.join(self.folder.name, "none.csv")
        fifo = os.path.join(self.folder.name, "fifo.csv")
        os.mkfifo(fifo)
        names = self.plan("names.csv", "name,ip\nx,10.0.0.1\n")
        large = self.plan("large.csv", self.HEADING + "," * (16 * 1024 * 1024))
        for options, message in (
                ([none], f"cannot read the plan {none}: No such file or directory"),
                ([self.folder.name], f"cannot read the plan {self.folder.name}: not a regular"
                                     " file"),
                ([fifo], f"cannot read the plan {fifo}: not a regular file"),
                ([names], f"{names} is no address plan: its heading names no MAC column"),
                ([large], f"{large} is no address plan: larger than 16 MiB"),
                ([planned, "--watch"],
                 "--plan does not go with --watch: each writes a report of its own"),
                ([planned, "--interfaces"],
                 "--plan does not go with --interfaces: each writes a report of its own")):
            run = find("--plan", *options)
            self.assertEqual((run.returncode, run.stdout), (2, b""), options)
            self.assertEqual(run.stderr.decode().splitlines()[0], "quenlo-find: " + message)

if __name__ == "__main__":
    if len(sys.argv) != 4 or "QUENLO_NS_A1" not in os.environ:
        print("usage: test_find.py QUENLO-FIND QUENLO-DEVSIM VERSION, through testnet.sh",
              file=sys.stderr)
        sys.exit(2)
    FIND, DEVSIM, VERSION = sys.argv[1:]
    unittest.main(argv=sys.argv[:1], verbosity=2)

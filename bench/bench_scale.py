#!/usr/bin/env python3
"""A crowd of devices that all answer every request, for a minute: quenlo-find --watch and the
window, each in turn, with 255, 1,000 and 5,000 devices. Per search cycle: the replies the system
handed to the reply socket and those it dropped for a full queue (this network namespace's UDP
counters), the replies the program says it lost, its CPU; then its peak memory and the devices it
called silent although every one answers. Runs inside the private test network (make bench):

    tests/testnet/testnet.sh bench/bench_scale.py BUILD_DIR [SECONDS]

BENCH_DEVICES="5000" runs only the crowds it lists.
"""
import json
import os
import select
import socket
import subprocess
import sys
import threading
import time

CYCLE_S = 2
DEVICES = tuple(int(n) for n in os.environ.get("BENCH_DEVICES", "255 1000 5000").split())
START_LIMIT_S = 10


def in_private_network():
    """Why this is no private test network, or None when it is one: a network namespace of its
    own holding loopback and the test network's links alone, as the compiled programs check."""
    try:
        if os.readlink("/proc/self/ns/net") == os.readlink("/proc/1/ns/net"):
            return "this is the machine's own network namespace"
    except OSError:
        pass  # process 1's namespace may be hidden: the links below still tell
    for _, name in socket.if_nameindex():
        if name != "lo" and not name.startswith("qn"):
            return f"interface {name} belongs to a real network"
    return None


def udp_counters():
    with open("/proc/net/snmp") as snmp:
        lines = [line.split() for line in snmp if line.startswith("Udp: ")]
    figures = dict(zip(lines[0][1:], map(int, lines[1][1:])))
    return figures["InDatagrams"], figures["RcvbufErrors"]


def peak_kib(pid):
    try:
        with open(f"/proc/{pid}/status") as status:
            for line in status:
                if line.startswith("VmHWM:"):
                    return int(line.split()[1])
    except OSError:
        pass  # it has just ended
    return 0


class Crowd:
    """quenlo-devsim on host a1 playing devices that answer every request."""

    def __init__(self, build, devices):
        ns = os.environ["QUENLO_NS_A1"]
        self.child = subprocess.Popen(
            ["nsenter", f"--net={ns}", f"{build}/tools/devsim/quenlo-devsim", "--count",
             str(devices), "--ip", "10.60.1.1", "--mac", "02:00:00:01:00:01"],
            stdout=subprocess.PIPE, text=True)
        ready, _, _ = select.select([self.child.stdout], [], [], START_LIMIT_S)
        if not ready or not self.child.stdout.readline():
            raise SystemExit("bench_scale: quenlo-devsim did not start")

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.child.terminate()
        self.child.wait(START_LIMIT_S)
        self.child.stdout.close()


def find(build, devices, seconds):
    with Crowd(build, devices):
        received, dropped = udp_counters()
        child = subprocess.Popen([f"{build}/frontends/cli/quenlo-find", "--watch", "--format",
                                  "json", "-t", str(seconds)],
                                 stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        events = []
        reader = threading.Thread(target=lambda: events.extend(map(json.loads, child.stdout)))
        reader.start()
        # The peak resident memory as the system keeps it for the process, read until it exits:
        # the child's own figure after wait would include the Python that forked it.
        peak = 0
        running = os.WEXITED | os.WNOHANG | os.WNOWAIT  # not reaped: wait4 below takes its CPU
        while os.waitid(os.P_PID, child.pid, running) is None:
            peak = max(peak, peak_kib(child.pid))
            time.sleep(0.2)
        reader.join()
        silent = sum(event["event"] == "silent" for event in events)
        told_lost, unlisted, at_least = 0, 0, False
        for event in events:
            if event["event"] == "lost":
                told_lost = event["lost"]
            elif event["event"] == "full":
                unlisted, at_least = event["unlisted"], event.get("at_least", False)
        _, status, usage = os.wait4(child.pid, 0)
        if os.waitstatus_to_exitcode(status) not in (0, 6):
            raise SystemExit(f"bench_scale: quenlo-find failed ({status})")
        received_after, dropped_after = udp_counters()
    cycles = seconds / CYCLE_S
    return {"received": (received_after - received) / cycles,
            "dropped": (dropped_after - dropped) / cycles, "told_lost": told_lost,
            "cpu_ms": (usage.ru_utime + usage.ru_stime) * 1000 / cycles,
            "peak_kib": peak, "false_silences": silent, "unlisted": unlisted,
            "at_least": at_least}


def window(build, devices, seconds):
    run = subprocess.run([f"{build}/bench/bench_window", "--scale", str(devices), str(seconds)],
                         capture_output=True, text=True, timeout=seconds + 120,
                         env={**os.environ, "QT_QPA_PLATFORM": "offscreen"})
    if run.returncode != 0:
        raise SystemExit(f"bench_scale: bench_window failed: {run.stderr}")
    return json.loads(run.stdout.strip().splitlines()[-1])


def main():
    why = in_private_network()
    if why or len(sys.argv) < 2:
        raise SystemExit("bench_scale: runs quenlo-find, which broadcasts, so only inside the "
                         f"private test network: tests/testnet/testnet.sh {sys.argv[0]} BUILD_DIR"
                         + (f" ({why})" if why else ""))
    build = os.path.abspath(sys.argv[1])
    seconds = int(sys.argv[2]) if len(sys.argv) > 2 else 60
    print(f"{seconds} s of devices answering every request ({seconds // CYCLE_S} cycles); "
          f"load average {os.getloadavg()[0]:.1f}")
    print(f"{'program':<12} {'devices':>7} {'received':>9} {'dropped':>8} {'told lost':>10} "
          f"{'CPU (ms)':>9} {'peak (KiB)':>11} {'false silences':>15} {'further':>12}")
    for devices in DEVICES:
        for program, measure in (("quenlo-find", find), ("window", window)):
            f = measure(build, devices, seconds)
            further = ("at least " if f["at_least"] else "") + str(f["unlisted"])
            print(f"{program:<12} {devices:>7} {f['received']:>9.0f} {f['dropped']:>8.0f} "
                  f"{f['told_lost'] / (seconds / CYCLE_S):>10.0f} {f['cpu_ms']:>9.1f} "
                  f"{f['peak_kib']:>11} {f['false_silences']:>15} {further:>12}", flush=True)
    print(f"load average {os.getloadavg()[0]:.1f}")


if __name__ == "__main__":
    main()

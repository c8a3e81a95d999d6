#!/usr/bin/env bash
# Runs a command inside a private test network built for it alone, then tears the network down.
#
#   testnet.sh COMMAND [ARGS...]
#
# Nothing here touches the machine's own network namespace: the bridges live in a "switch"
# namespace, every host in one of its own. The topology:
#
#   LAN A 10.60.1.0/24 (default route)      LAN B 10.60.2.0/24
#     pc  10.60.1.1 (qna0)                    pc  10.60.2.1 (qnb0)
#     a1  10.60.1.11                          b1  10.60.2.11
#     a2  10.60.1.12                          f1  192.168.1.64/24, no route to the PC
#
# plus "empty", a namespace with nothing but loopback. COMMAND runs in the pc namespace with
# QUENLO_NS_<HOST> (namespace name) and QUENLO_ADDR_<HOST> (address) set for every host.
# Exit status: COMMAND's; 77 (skip) when the network cannot be built outside CI, 1 under CI=true.
set -uo pipefail

[ $# -ge 1 ] || { echo "usage: testnet.sh COMMAND [ARGS...]" >&2; exit 2; }

id="qn$$"
namespaces=()

cannot_build() {
    if [ "${CI:-}" = "true" ]; then
        echo "testnet: cannot build the private test network: $1" >&2
        exit 1
    fi
    echo "testnet: skipped, cannot build the private test network: $1" >&2
    exit 77
}

teardown() {
    local ns
    for ns in "${namespaces[@]}"; do
        ip netns pids "$ns" 2>/dev/null | xargs -r kill -KILL 2>/dev/null
    done
    for ns in "${namespaces[@]}"; do
        ip netns delete "$ns" 2>/dev/null
    done
}

# Removes what earlier runs left behind when they were killed before they could clean up.
sweep_stale() {
    local ns owner
    for ns in $(ip netns list 2>/dev/null | awk '{print $1}' | grep -E '^qn[0-9]+[a-z]' ); do
        owner=${ns#qn}
        owner=${owner%%[a-z]*}
        if ! kill -0 "$owner" 2>/dev/null; then
            ip netns pids "$ns" 2>/dev/null | xargs -r kill -KILL 2>/dev/null
            ip netns delete "$ns" 2>/dev/null
        fi
    done
}

add_ns() {
    local ns="$id$1"
    ip netns add "$ns" || return 1
    namespaces+=("$ns")
    ip -n "$ns" link set lo up
    ip netns exec "$ns" sysctl -qw net.ipv6.conf.all.disable_ipv6=1 net.ipv6.conf.default.disable_ipv6=1
}

# link HOST IFNAME BRIDGE ADDRESS/PREFIX: a veth from HOST's IFNAME into the switch's BRIDGE.
link() {
    local host="$id$1" port="qn$1$2"
    ip -n "$id"sw link add "$port" type veth peer name "$2" netns "$host" &&
    ip -n "$id"sw link set "$port" master "$3" up &&
    ip -n "$host" addr add "$4" dev "$2" &&
    ip -n "$host" link set "$2" up
}

build() {
    add_ns sw || return 1
    ip -n "$id"sw link add qnbra type bridge && ip -n "$id"sw link set qnbra up || return 1
    ip -n "$id"sw link add qnbrb type bridge && ip -n "$id"sw link set qnbrb up || return 1
    for host in pc a1 a2 b1 f1 empty; do add_ns "$host" || return 1; done
    link pc qna0 qnbra 10.60.1.1/24 &&
    link pc qnb0 qnbrb 10.60.2.1/24 &&
    ip -n "$id"pc route add default via 10.60.1.254 &&
    link a1 qn0 qnbra 10.60.1.11/24 &&
    link a2 qn0 qnbra 10.60.1.12/24 &&
    link b1 qn0 qnbrb 10.60.2.11/24 &&
    link f1 qn0 qnbrb 192.168.1.64/24
}

[ "$(id -u)" -eq 0 ] || cannot_build "it needs root for ip netns"
command -v ip >/dev/null || cannot_build "ip (iproute2) is not installed"

trap teardown EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
trap 'exit 129' HUP

sweep_stale
build 2>/tmp/testnet-$$.err || { err=$(tail -n 1 /tmp/testnet-$$.err); rm -f /tmp/testnet-$$.err; cannot_build "$err"; }
rm -f /tmp/testnet-$$.err

ip netns exec "$id"pc env \
    QUENLO_NS_PC="$id"pc QUENLO_ADDR_PC=10.60.1.1 QUENLO_ADDR_PC_B=10.60.2.1 \
    QUENLO_NS_A1="$id"a1 QUENLO_ADDR_A1=10.60.1.11 \
    QUENLO_NS_A2="$id"a2 QUENLO_ADDR_A2=10.60.1.12 \
    QUENLO_NS_B1="$id"b1 QUENLO_ADDR_B1=10.60.2.11 \
    QUENLO_NS_F1="$id"f1 QUENLO_ADDR_F1=192.168.1.64 \
    QUENLO_NS_EMPTY="$id"empty \
    "$@" &
child=$!
wait "$child"
status=$?
exit "$status"

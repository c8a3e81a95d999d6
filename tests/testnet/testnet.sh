#!/usr/bin/env bash
# Runs a command inside a private test network built for it alone; the network ends with it.
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
# QUENLO_NS_<HOST> (the path of the host's namespace, for setns or nsenter --net) and
# QUENLO_ADDR_<HOST> (its address) set for every host.
#
# Each namespace is held by a process, not by a name under /run/netns, so that the network can be
# built by root and, inside a user namespace of its own, by any user the kernel lets have one:
# the files such a run leaves stay that user's. Everything runs in a PID namespace of its own,
# whose end, however the run ends, takes every process and namespace of it along.
# Exit status: COMMAND's; 77 (skip) when the network cannot be built outside CI, 1 under CI=true.
set -uo pipefail

[ $# -ge 1 ] || { echo "usage: testnet.sh COMMAND [ARGS...]" >&2; exit 2; }

cannot_build() {
    echo "testnet: cannot build the private test network: $1" >&2
    [ "${CI:-}" = "true" ] && exit 1
    exit 77
}

# Why this user cannot have a user namespace, as far as the kernel's settings tell.
userns_hint() {
    [ "$(id -u)" -ne 0 ] || return 0
    if [ "$(cat /proc/sys/kernel/apparmor_restrict_unprivileged_userns 2>/dev/null)" = 1 ]; then
        echo " (AppArmor restricts them: sysctl kernel.apparmor_restrict_unprivileged_userns=0)"
    elif [ "$(cat /proc/sys/user/max_user_namespaces 2>/dev/null)" = 0 ]; then
        echo " (sysctl user.max_user_namespaces is 0)"
    elif [ "$(cat /proc/sys/kernel/unprivileged_userns_clone 2>/dev/null)" = 0 ]; then
        echo " (sysctl kernel.unprivileged_userns_clone=1 allows them)"
    fi
}

# --- Outside: a PID namespace, and for a user other than root a user namespace around it. ---

if [ "${QUENLO_TESTNET_INSIDE:-}" != 1 ]; then
    for tool in ip unshare nsenter; do
        command -v "$tool" >/dev/null ||
            cannot_build "$tool is not installed (Debian packages iproute2 and util-linux)"
    done
    source "$(dirname "$0")/own_namespaces.sh"
    own_namespaces --pid --fork --kill-child --mount-proc ||
        cannot_build "unshare failed: $OWN_NAMESPACES_FAILURE$(userns_hint)"
    QUENLO_TESTNET_INSIDE=1 exec unshare "${OWN_NAMESPACES[@]}" -- "$0" "$@"
fi

# --- Inside: process 1 of the PID namespace, still in the machine's network namespace. ---

unset QUENLO_TESTNET_INSIDE
trap 'exit 130' INT
trap 'exit 143' TERM
trap 'exit 129' HUP

declare -A host_pid

# new_host NAME: a network namespace with loopback up and IPv6 off, held by a sleeping process.
new_host() {
    local fd said
    exec {fd}< <(exec unshare --net -- sh -c 'ip link set lo up &&
        echo 1 >/proc/sys/net/ipv6/conf/all/disable_ipv6 &&
        echo 1 >/proc/sys/net/ipv6/conf/default/disable_ipv6 && echo ready && exec sleep infinity')
    host_pid[$1]=$!
    read -r -t 10 -u "$fd" said && [ "$said" = ready ] ||
        { echo "the namespace of host $1 did not come up" >&2; return 1; }
}

on_host() {
    local host=$1
    shift
    nsenter --net="/proc/${host_pid[$host]}/ns/net" -- "$@"
}

# link HOST IFNAME BRIDGE ADDRESS/PREFIX: a veth from HOST's IFNAME into the switch's BRIDGE.
link() {
    local port="qn$1$2"
    on_host sw ip link add "$port" type veth peer name "$2" netns "${host_pid[$1]}" &&
    on_host sw ip link set "$port" master "$3" up &&
    on_host "$1" ip addr add "$4" dev "$2" &&
    on_host "$1" ip link set "$2" up
}

build() {
    local host
    for host in sw pc a1 a2 b1 f1 empty; do new_host "$host" || return 1; done
    on_host sw ip link add qnbra type bridge && on_host sw ip link set qnbra up &&
    on_host sw ip link add qnbrb type bridge && on_host sw ip link set qnbrb up &&
    link pc qna0 qnbra 10.60.1.1/24 &&
    link pc qnb0 qnbrb 10.60.2.1/24 &&
    on_host pc ip route add default via 10.60.1.254 &&
    link a1 qn0 qnbra 10.60.1.11/24 &&
    link a2 qn0 qnbra 10.60.1.12/24 &&
    link b1 qn0 qnbrb 10.60.2.11/24 &&
    link f1 qn0 qnbrb 192.168.1.64/24
}

errors=$(mktemp) || exit 1
if ! build 2>"$errors"; then
    failure=$(tail -n 1 "$errors")
    rm -f "$errors"
    hint=""
    # The kernel loads the veth and bridge modules for root alone, not inside a user namespace.
    if [[ $failure == *"Unknown device type"* ]]; then
        hint=" (the veth and bridge modules are not loaded: scripts/install-deps loads them, or"
        hint+=" 'sudo modprobe -a veth bridge')"
    fi
    cannot_build "$failure$hint"
fi
rm -f "$errors"

ns() { echo "/proc/${host_pid[$1]}/ns/net"; }
on_host pc env \
    QUENLO_NS_PC="$(ns pc)" QUENLO_ADDR_PC=10.60.1.1 QUENLO_ADDR_PC_B=10.60.2.1 \
    QUENLO_NS_A1="$(ns a1)" QUENLO_ADDR_A1=10.60.1.11 \
    QUENLO_NS_A2="$(ns a2)" QUENLO_ADDR_A2=10.60.1.12 \
    QUENLO_NS_B1="$(ns b1)" QUENLO_ADDR_B1=10.60.2.11 \
    QUENLO_NS_F1="$(ns f1)" QUENLO_ADDR_F1=192.168.1.64 \
    QUENLO_NS_EMPTY="$(ns empty)" \
    "$@" &
# Waited for in the background, so that a signal's trap runs at once.
wait $!

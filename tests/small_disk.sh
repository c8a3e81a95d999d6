#!/usr/bin/env bash
# Runs a command with a filesystem of 64 KiB of its own, as a nearly full disk is, mounted at the
# folder named by QUENLO_SMALL_DISK, in a mount namespace of its own that ends with the command.
#
#   small_disk.sh COMMAND [ARGS...]
#
# Exit status: COMMAND's; 77 (skip) when no mount namespace can be had.
set -uo pipefail

[ $# -ge 1 ] || { echo "usage: small_disk.sh COMMAND [ARGS...]" >&2; exit 2; }

if [ "${QUENLO_SMALL_DISK_INSIDE:-}" != 1 ]; then
    source "$(dirname "$0")/testnet/own_namespaces.sh"
    own_namespaces --mount ||
        { echo "small_disk: cannot make a mount namespace: $OWN_NAMESPACES_FAILURE" >&2; exit 77; }
    QUENLO_SMALL_DISK_INSIDE=1 exec unshare "${OWN_NAMESPACES[@]}" -- "$0" "$@"
fi
unset QUENLO_SMALL_DISK_INSIDE

disk=$(mktemp -d) || exit 1
trap 'umount "$disk"; rmdir "$disk"' EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
mount -t tmpfs -o size=64k small "$disk" || exit 1
QUENLO_SMALL_DISK=$disk "$@" &
# Waited for in the background, so that a signal's trap runs at once.
wait $!

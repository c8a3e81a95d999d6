#!/usr/bin/env bash
# Runs a command beside as many busy loops as the machine has cores, plus one, as a user's busy
# machine would, and ends them with it.
#
#   under_load.sh COMMAND [ARGS...]
#
# Exit status: COMMAND's.
set -uo pipefail

[ $# -ge 1 ] || { echo "usage: under_load.sh COMMAND [ARGS...]" >&2; exit 2; }

loops=()
end_loops() {
    [ ${#loops[@]} -eq 0 ] || kill "${loops[@]}" 2>/dev/null
    wait "${loops[@]}" 2>/dev/null
}
trap end_loops EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

count=$(($(nproc) + 1))
for ((i = 0; i < count; i++)); do
    sh -c 'while :; do :; done' &
    loops+=($!)
done
echo "under_load: $count busy loops beside $*; load average $(cut -d' ' -f1-3 /proc/loadavg)"
"$@"
status=$?
echo "under_load: done, exit status $status; load average $(cut -d' ' -f1-3 /proc/loadavg)"
exit "$status"

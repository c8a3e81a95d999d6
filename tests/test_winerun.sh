#!/usr/bin/env bash
# winerun.sh gives each run a prefix of its own, copied from the template, with /tmp on another
# filesystem than the clone (a tmpfs /tmp, a /tmp partition): the template here, the run's prefix
# on the small filesystem of small_disk.sh. A stand-in for Wine checks the prefix it is given.
#
#   small_disk.sh test_winerun.sh WINERUN
set -uo pipefail

winerun=$(readlink -f "$1")

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

[ -n "${QUENLO_SMALL_DISK:-}" ] || fail "run it through small_disk.sh"
work=$(mktemp -d) || exit 1
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/bin"
[ "$(stat -c %d "$work")" != "$(stat -c %d "$QUENLO_SMALL_DISK")" ] ||
    fail "the template and the run's folder share a filesystem"

template=$work/wine-template
mkdir -p "$template/drive_c/windows"
echo "from the template" >"$template/drive_c/windows/marker"
echo "system" >"$template/system.reg"
echo "user" >"$template/user.reg"
touch "$template/.complete"

# The stand-ins: wineserver does nothing; wine checks its prefix and writes to its registry.
printf '#!/bin/sh\nexit 0\n' >"$work/bin/wineserver"
cat >"$work/bin/wine" <<'WINE'
#!/bin/sh
case "$WINEPREFIX" in "$TMPDIR"/*) ;; *) echo "prefix $WINEPREFIX is not under $TMPDIR"; exit 1 ;; esac
[ "$(cat "$WINEPREFIX/drive_c/windows/marker")" = "from the template" ] || { echo "no marker"; exit 1; }
echo "changed by the run" >>"$WINEPREFIX/system.reg"
echo "ran $*"
WINE
chmod +x "$work/bin/wine" "$work/bin/wineserver"

said=$(PATH="$work/bin:$PATH" TMPDIR="$QUENLO_SMALL_DISK" LANG=C.UTF-8 \
    "$winerun" --isolate "$template" program.exe argument 2>&1)
status=$?
[ "$status" -eq 0 ] && [ "$said" = "ran program.exe argument" ] ||
    fail "exit status $status: $said"
[ "$(cat "$template/system.reg")" = system ] || fail "the run's registry write reached the template"
[ -z "$(ls -A "$QUENLO_SMALL_DISK")" ] || fail "the run left $(ls -A "$QUENLO_SMALL_DISK")"
echo "PASS: winerun copies the template across filesystems and leaves nothing behind"

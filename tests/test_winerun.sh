#!/usr/bin/env bash
# winerun.sh gives each run a prefix of its own, copied from the template, with /tmp on another
# filesystem than the clone (a tmpfs /tmp, a /tmp partition): two tmpfs mounts here, in a mount
# namespace of this test's own. A stand-in for Wine checks the prefix it is given.
#
#   test_winerun.sh WINERUN
set -uo pipefail

winerun=$(readlink -f "$1")

if [ "${QUENLO_TEST_INSIDE:-}" != 1 ]; then
    own=()
    [ "$(id -u)" -eq 0 ] || own=(--map-current-user --keep-caps)
    why=$(unshare "${own[@]}" --mount true 2>&1) ||
        { echo "test_winerun: cannot make a mount namespace: $why" >&2; exit 77; }
    QUENLO_TEST_INSIDE=1 exec unshare "${own[@]}" --mount -- "$0" "$@"
fi

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

work=$(mktemp -d) || exit 1
trap 'umount "$work/template-disk" "$work/tmp-disk" 2>/dev/null; rm -rf "$work"' EXIT
mkdir -p "$work/template-disk" "$work/tmp-disk" "$work/bin"
mount -t tmpfs template "$work/template-disk" && mount -t tmpfs tmp "$work/tmp-disk" ||
    fail "cannot mount two tmpfs"

template=$work/template-disk/wine-template
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

said=$(PATH="$work/bin:$PATH" TMPDIR="$work/tmp-disk" LANG=C.UTF-8 \
    "$winerun" --isolate "$template" program.exe argument 2>&1)
status=$?
[ "$status" -eq 0 ] && [ "$said" = "ran program.exe argument" ] ||
    fail "exit status $status: $said"
[ "$(cat "$template/system.reg")" = system ] || fail "the run's registry write reached the template"
[ -z "$(ls -A "$work/tmp-disk")" ] || fail "the run left $(ls -A "$work/tmp-disk")"
echo "PASS: winerun copies the template across filesystems and leaves nothing behind"

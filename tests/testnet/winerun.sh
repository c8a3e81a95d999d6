#!/usr/bin/env bash
# Runs a Windows test program under Wine inside a private network namespace, never in the
# machine's own.
#
#   winerun.sh --prepare TEMPLATE
#       makes the Wine prefix every run copies, inside a new namespace with no links
#   winerun.sh [--isolate] [--agent AGENT] [--display] [--screen WxH] [--dpi N] TEMPLATE PROGRAM
#              [ARGS...]
#       runs PROGRAM under Wine with a prefix of its own: in a new namespace with no links
#       (--isolate), or in the namespace it is started in, which must be private (testnet.sh's pc
#       host), with PROGRAM started through the test network's agent (--agent); with a display
#       of its own, an Xvfb started here and ended with the run (--display), of WxH pixels
#       (--screen, 1280x1024 unless given), at N pixels per inch (--dpi, the scaling: 96 is 100 %)
#
# Wine's sockets are opened by its wineserver, in the namespace where that server was started; a
# run that shared a prefix with a server started elsewhere would have its sockets there. So each
# run takes a fresh copy of the template (hard links where it can), starts the copy's wineserver
# here and ends it before it leaves. Exit status: PROGRAM's; 77 (skip) when Wine, the locale or a
# namespace is out of reach, 1 instead under CI=true; 3 when it refuses to run.
set -uo pipefail

cannot_run() {
    if [ "${CI:-}" = "true" ]; then
        echo "winerun: cannot run: $1" >&2
        exit 1
    fi
    echo "winerun: skipped: $1" >&2
    exit 77
}

# Refuses unless this process sits in a network namespace other than process 1's that holds
# nothing but loopback and the test network's links.
require_private_network() {
    local link
    if [ "$(readlink /proc/self/ns/net)" = "$(readlink /proc/1/ns/net)" ]; then
        echo "winerun: refusing to run Wine in the machine's own network namespace" >&2
        exit 3
    fi
    for link in $(ip -o link show | awk -F': ' '{ sub(/@.*/, "", $2); print $2 }'); do
        case "$link" in
            lo | qn*) ;;
            *) echo "winerun: refusing to run Wine beside the real link $link" >&2; exit 3 ;;
        esac
    done
}

wine_environment() {
    export WINEPREFIX="$1" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    unset DISPLAY WAYLAND_DISPLAY
}

# Runs this script again with the same arguments, inside a new network namespace with no links.
isolated() {
    source "$(dirname "$0")/own_namespaces.sh"
    own_namespaces --net ||
        cannot_run "cannot make a network namespace of its own: $OWN_NAMESPACES_FAILURE"
    export QUENLO_WINERUN_ISOLATED=1
    exec unshare "${OWN_NAMESPACES[@]}" -- "$0" "$@"
}

prepare() {
    # Wine takes only an absolute WINEPREFIX.
    local template building
    template=$(realpath -m -- "$1")
    [ -f "$template/.complete" ] && exit 0
    command -v wine >/dev/null || cannot_run "wine is not installed (scripts/install-deps)"
    building="$template.new$$"
    rm -rf "$building"
    local said
    said=$("$0" --init-prefix "$building" 2>&1) ||
        cannot_run "wineboot could not make $building: $(tail -n 1 <<<"$said")"
    touch "$building/.complete"
    rm -rf "$template"
    mv "$building" "$template"
}

case "${1:-}" in
    --prepare)
        [ $# -eq 2 ] || { echo "usage: winerun.sh --prepare TEMPLATE" >&2; exit 2; }
        prepare "$2"
        exit 0
        ;;
    --init-prefix)
        [ "${QUENLO_WINERUN_ISOLATED:-}" = 1 ] || isolated "$@"
        require_private_network
        wine_environment "$2"
        wine wineboot --init && wineserver -w
        exit
        ;;
esac

arguments=("$@")
isolate=0
agent=()
display=0
screen=1280x1024
dpi=
while [ $# -gt 0 ]; do
    case "$1" in
        --isolate) isolate=1; shift ;;
        --agent) agent=("$2"); shift 2 ;;
        --display) display=1; shift ;;
        --screen) screen=$2; shift 2 ;;
        --dpi) dpi=$2; shift 2 ;;
        *) break ;;
    esac
done
[ $# -ge 2 ] || { echo "usage: winerun.sh [--isolate] [--agent AGENT] [--display] [--screen WxH]" \
    "[--dpi N] TEMPLATE PROGRAM [ARGS...]" >&2; exit 2; }
if ! [[ "$screen" =~ ^[0-9]+x[0-9]+$ ]] || ! [[ -z "$dpi" || "$dpi" =~ ^[0-9]+$ ]]; then
    echo "winerun: --screen takes WxH and --dpi a number, not $screen and $dpi" >&2
    exit 2
fi
template="$1"
shift

if [ "$isolate" = 1 ] && [ "${QUENLO_WINERUN_ISOLATED:-}" != 1 ]; then
    isolated "${arguments[@]}"
fi
require_private_network
[ -f "$template/.complete" ] || cannot_run "no Wine prefix at $template (winerun.sh --prepare)"
# Wine takes the ANSI code page from the locale, and without a word falls back to 1252.
if [ -n "${LANG:-}" ] && LC_ALL="$LANG" locale 2>&1 >/dev/null | grep -q .; then
    cannot_run "the locale $LANG is not installed (scripts/install-deps)"
fi

if [ "$display" = 1 ]; then
    command -v Xvfb >/dev/null || cannot_run "Xvfb is not installed (scripts/install-deps)"
fi

prefix=$(mktemp -d "${TMPDIR:-/tmp}/quenlo-wine.XXXXXX") || exit 1
xvfb=
finish() {
    WINEPREFIX="$prefix" wineserver -k 2>/dev/null
    WINEPREFIX="$prefix" wineserver -w 2>/dev/null
    if [ -n "$xvfb" ]; then
        kill "$xvfb" 2>/dev/null
        wait "$xvfb" 2>/dev/null
    fi
    rm -rf "$prefix"
}
trap finish EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
trap 'exit 129' HUP

# Hard links where the template and the run's folder share a filesystem, a copy where they do
# not. The registry files are always copied: the wineserver writes a file with several links in
# place.
cp -al "$template/." "$prefix/" 2>/dev/null || cp -a "$template/." "$prefix/" || exit 1
rm "$prefix"/*.reg && cp "$template"/*.reg "$prefix/" || exit 1
wine_environment "$prefix"
if [ -n "$dpi" ]; then
    # Wine reads the scaling once, as a process starts.
    printf '\n[Control Panel\\\\Desktop]\n"LogPixels"=dword:%08x\n' "$dpi" >>"$prefix/user.reg"
fi
if [ "$display" = 1 ]; then
    # No window manager runs on this display: Wine draws the windows' frames itself rather than
    # wait for one.
    printf '\n[Software\\\\Wine\\\\X11 Driver]\n"Decorated"="N"\n"Managed"="N"\n' >>"$prefix/user.reg"
    # Xvfb picks a free display number and writes it once it accepts clients.
    Xvfb -displayfd 3 -nolisten tcp -screen 0 "${screen}x24" 3>"$prefix/display" 2>/dev/null &
    xvfb=$!
    until [ -s "$prefix/display" ]; do
        kill -0 "$xvfb" 2>/dev/null || cannot_run "Xvfb did not start"
        sleep 0.05
    done
    export DISPLAY=":$(cat "$prefix/display")"
fi
# A server left behind by a run that was killed outright ends on its own after a while.
wineserver -p30 || exit 1
"${agent[@]}" wine "$@"

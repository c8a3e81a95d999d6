#!/bin/sh
# The watch service's unit as the package installs it, checked offline and never started, since
# it would broadcast: systemd-analyze verify has nothing to say of it, and its sandbox leaves an
# exposure of at most 2.0 ("OK").
#
#   package_service.sh UNIT QUENLO-FIND WORK-DIR
set -eu
unit=$1 find=$2 root=$3/service-root
rm -rf "$root"
mkdir -p "$root/usr/bin" "$root/lib/systemd/system"
# The system's own units, which the service's ordering and wants name.
cp -R /lib/systemd/system/. "$root/lib/systemd/system/"
cp "$unit" "$root/lib/systemd/system/quenlo-watch.service"
cp "$find" "$root/usr/bin/quenlo-find"

said=$(systemd-analyze verify --man=no --root="$root" quenlo-watch.service 2>&1) || status=$?
if [ "${status:-0}" -ne 0 ] || [ -n "$said" ]; then
    echo "systemd-analyze verify: $said"
    exit 1
fi
rated=$(systemd-analyze security --offline=yes --root="$root" --threshold=20 \
    quenlo-watch.service 2>&1) || { echo "$rated"; exit 1; }
echo "$rated" | tail -n 1

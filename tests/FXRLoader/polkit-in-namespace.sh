#!/usr/bin/env bash
# Runs a command as root where a staged installation stands in for an installed one, with a polkit of its own:
#   polkit-in-namespace.sh STAGE PREFIX -- COMMAND [ARGUMENT...]
# STAGE is the folder `cmake --install` wrote into through DESTDIR, PREFIX the install prefix. Inside a mount
# namespace STAGE/PREFIX is mounted over PREFIX, the staged polkit policies over polkitd's actions folder and an
# empty folder over /run, and a private system bus there starts polkitd when pkexec or pkaction first asks for it.
# Nothing outside the namespace changes.
set -euo pipefail

if [ "${1:-}" != "--inside" ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "root (installed paths are replaced inside a mount namespace)" >&2
    exit 77
  fi
  if ! unshare --mount true 2>/dev/null; then
    echo "mount namespaces (unshare --mount)" >&2
    exit 77
  fi
  for tool in dbus-daemon pkexec pkaction /usr/lib/polkit-1/polkitd; do
    command -v "$tool" >/dev/null || { echo "missing tool: $tool" >&2; exit 1; }
  done
  exec unshare --mount bash "$0" --inside "$@"
fi

stage=$2
prefix=$3
[ "$4" = "--" ] || { echo "usage: $0 STAGE PREFIX -- COMMAND [ARGUMENT...]" >&2; exit 2; }
shift 4
case "$prefix" in
  /usr/local | /opt/* | /usr/local/*) ;;
  *) echo "the prefix $prefix cannot be replaced without hiding the system's own programs" >&2; exit 1 ;;
esac

mount --bind "$stage$prefix" "$prefix"
mount --bind "$stage/usr/share/polkit-1/actions" /usr/share/polkit-1/actions
mount -t tmpfs -o mode=755 quellsy-run /run
mkdir -m 755 /run/dbus /run/bus-services

cat >/run/bus.conf <<CONF
<busconfig>
  <type>session</type>
  <listen>unix:path=/run/dbus/system_bus_socket</listen>
  <auth>EXTERNAL</auth>
  <servicedir>/run/bus-services</servicedir>
  <!-- A busy machine may take a while to start polkitd: only a guard. -->
  <limit name="service_start_timeout">300000</limit>
  <policy context="default">
    <allow user="*"/>
    <allow own="*"/>
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
  </policy>
</busconfig>
CONF
cat >/run/bus-services/org.freedesktop.PolicyKit1.service <<SERVICE
[D-BUS Service]
Name=org.freedesktop.PolicyKit1
Exec=/usr/lib/polkit-1/polkitd --no-debug
SERVICE

bus_pid=$(dbus-daemon --config-file=/run/bus.conf --fork --print-pid=1)
trap 'kill "$bus_pid"' EXIT
"$@"

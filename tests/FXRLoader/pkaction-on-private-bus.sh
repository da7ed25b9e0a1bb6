#!/usr/bin/env bash
# Asks polkitd about an action whose policy is not installed on this machine: polkitd runs on a private message bus,
# inside a mount namespace where the given folder stands in for its actions folder. Nothing outside changes.
#   pkaction-on-private-bus.sh ACTIONS_DIR ACTION_ID OUT_FILE
# writes what `pkaction --verbose --action-id ACTION_ID` answers into OUT_FILE.
set -euo pipefail
actions=$1
action=$2
out=$3

if [ "$(id -u)" -ne 0 ]; then
  echo "root (polkitd's actions folder is replaced inside a mount namespace)" >&2
  exit 77
fi
if ! unshare --mount true 2>/dev/null; then
  echo "mount namespaces (unshare --mount)" >&2
  exit 77
fi
polkitd=/usr/lib/polkit-1/polkitd
for tool in dbus-daemon pkaction "$polkitd"; do
  command -v "$tool" >/dev/null || { echo "missing tool: $tool" >&2; exit 1; }
done

work=$(mktemp -d)
bus_pid=
cleanup() {
  [ -n "$bus_pid" ] && kill "$bus_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
# polkitd drops to its own user, which must reach the bus socket.
chmod 755 "$work"
mkdir "$work/services"

cat >"$work/bus.conf" <<CONF
<busconfig>
  <type>session</type>
  <listen>unix:path=$work/socket</listen>
  <auth>EXTERNAL</auth>
  <servicedir>$work/services</servicedir>
  <policy context="default">
    <allow user="*"/>
    <allow own="*"/>
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
  </policy>
</busconfig>
CONF

# polkitd is started by the bus when pkaction first asks for it, so nothing waits for it to come up.
cat >"$work/polkitd.sh" <<SCRIPT
export DBUS_SYSTEM_BUS_ADDRESS="\$DBUS_STARTER_ADDRESS"
exec unshare --mount sh -c 'mount --bind "$actions" /usr/share/polkit-1/actions && exec "$polkitd" --no-debug'
SCRIPT
cat >"$work/services/org.freedesktop.PolicyKit1.service" <<SERVICE
[D-BUS Service]
Name=org.freedesktop.PolicyKit1
Exec=/bin/sh $work/polkitd.sh
SERVICE

bus_pid=$(dbus-daemon --config-file="$work/bus.conf" --fork --print-pid=1)
DBUS_SYSTEM_BUS_ADDRESS="unix:path=$work/socket" pkaction --verbose --action-id "$action" >"$out"

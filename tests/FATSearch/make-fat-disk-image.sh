#!/usr/bin/env bash
# Puts a FAT volume image into an MBR-partitioned disk image as its only partition, and copies the volume's
# manifest beside the disk:
#   make-fat-disk-image.sh VOLUME START-SECTOR DISK
# A missing tool fails it (exit 1): the set-up installs them all.
set -euo pipefail
export PATH="$PATH:/usr/sbin:/sbin"

volume=${1:?usage: make-fat-disk-image.sh VOLUME START-SECTOR DISK}
start=${2:?}
disk=${3:?}
for tool in sfdisk dd truncate stat; do
  command -v "$tool" >/dev/null || { echo "missing tool: $tool (./quellsy.sh installs it)" >&2; exit 1; }
done

sectors=$(($(stat -c %s "$volume") / 512))
rm -f "$disk"
# Free space after the partition, as on a real disk.
truncate -s $(((start + sectors + 2048) * 512)) "$disk"
printf 'label: dos\nstart=%s, size=%s, type=6\n' "$start" "$sectors" | sfdisk --quiet "$disk"
dd if="$volume" of="$disk" bs=512 seek="$start" conv=notrunc,sparse status=none
[ -f "$volume.manifest" ] && cp "$volume.manifest" "$disk.manifest"
exit 0

#!/usr/bin/env bash
# NTFS quick-scan benchmark: an ntfs-3g volume holding about 100,000 files in 1,000 folders, a fifth of them
# deleted, listed by the quick scan (engine-cli quick --live --json), by The Sleuth Kit's "fls -r -p" and by
# ntfs-3g's "ntfsundelete -s" on the same image. Each is timed as a whole command (hyperfine, see lib.sh); the
# figures are files per second, and what each found is the number of deleted files it lists.
#
# usage: bench/ntfs_quick_scan.sh [WORK_DIR] [FOLDERS=1000] [FILES_PER_FOLDER=100]
# Needs the release build of engine-cli, mkntfs and ntfs-3g (with /dev/fuse, to write the files), fls (package
# sleuthkit), ntfsundelete and hyperfine.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=lib.sh
. "$here/lib.sh"

work=${1:-$(mktemp -d)}
folders=${2:-1000}
per_folder=${3:-100}
need mkntfs ntfs-3g fls ntfsundelete hyperfine python3 "$cli"
[ -c /dev/fuse ] || { echo "ntfs-3g needs /dev/fuse to write the benchmark's files" >&2; exit 2; }

mkdir -p "$work"
image="$work/ntfs-many.img"
if [ ! -s "$image" ]; then
  echo "making $((folders * per_folder)) files on $image (ntfs-3g), deleting every fifth"
  mnt=$(mktemp -d)
  truncate -s 1G "$image.partial"
  mkntfs -F -Q -q -L MANYFILES "$image.partial" >/dev/null 2>&1
  ntfs-3g "$image.partial" "$mnt"
  python3 - "$mnt" "$folders" "$per_folder" <<'PY'
import os, sys
root, folders, per_folder = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
for f in range(folders):
    folder = os.path.join(root, "group%02d" % (f // 100), "folder %04d" % f)
    os.makedirs(folder, exist_ok=True)
    for i in range(per_folder):
        path = os.path.join(folder, "file %05d.txt" % i)
        with open(path, "w") as out:
            out.write(("%d-%d " % (f, i)) * (1 + (f * 31 + i) % 400))
# Deleted once all are written: records freed earlier would be taken again by the files written after them.
for f in range(folders):
    folder = os.path.join(root, "group%02d" % (f // 100), "folder %04d" % f)
    for i in range(0, per_folder, 5):
        os.remove(os.path.join(folder, "file %05d.txt" % i))
PY
  umount "$mnt"
  rmdir "$mnt"
  mv "$image.partial" "$image"
fi

files=$((folders * per_folder))
deleted_ours=$("$cli" quick "$image" --json 2>/dev/null | grep -c '"deleted": true' || true)
deleted_fls=$(fls -r -p "$image" | grep -c '^[-r]/r \* ' || true)
deleted_undelete=$(ntfsundelete -s "$image" 2>/dev/null | grep -cv '<none>$' || true)

ours=$(wall_seconds 3 "" "'$cli' quick '$image' --live --json >/dev/null 2>&1")
fls_time=$(wall_seconds 3 "" "fls -r -p '$image' >/dev/null")
undelete_time=$(wall_seconds 3 "" "ntfsundelete -s '$image' >/dev/null 2>&1")

record "NTFS quick scan" "quick scan vs fls -r -p" "$(rate "$files" "$ours")" files/s "fls -r -p" \
  "$(rate "$files" "$fls_time")" "$deleted_ours deleted" "$deleted_fls deleted"
record "NTFS quick scan" "quick scan vs ntfsundelete -s" "$(rate "$files" "$ours")" files/s "ntfsundelete -s" \
  "$(rate "$files" "$undelete_time")" "$deleted_ours deleted" "$deleted_undelete deleted"
echo "wall seconds: quick scan $ours, fls -r -p $fls_time, ntfsundelete -s $undelete_time"

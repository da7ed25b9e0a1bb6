#!/usr/bin/env python3
"""The quick-scan benchmarks' tree: FILES small files, 100 to a folder and 100 folders to a group
("groupNN/folder NNNN/file NNNNN.txt", every other name an upper-case 8.3 name "FNNNNN.TXT" so FAT keeps some short
names alone), every fifth file marked to be deleted. Writes the tree under ROOT (unless --manifest-only) and the
manifest: one line per file, path, size, SHA-256 and 1 for a file to delete (0 otherwise), tab-separated.

usage: many_files.py ROOT FILES MANIFEST [--manifest-only]
"""
import hashlib
import os
import sys

root, files, manifest = sys.argv[1], int(sys.argv[2]), sys.argv[3]
write = "--manifest-only" not in sys.argv[4:]
with open(manifest, "w") as out:
    for n in range(files):
        f, i = divmod(n, 100)
        folder = "group%02d/folder %04d" % (f // 100, f)
        name = "file %05d.txt" % i if i % 2 else "F%05d.TXT" % i
        data = (("%d-%d " % (f, i)) * (1 + (f * 31 + i) % 60)).encode()
        path = folder + "/" + name
        if write:
            os.makedirs(os.path.join(root, folder), exist_ok=True)
            with open(os.path.join(root, path), "wb") as fh:
                fh.write(data)
        out.write("%s\t%d\t%s\t%d\n" % (path, len(data), hashlib.sha256(data).hexdigest(), 1 if i % 5 == 0 else 0))

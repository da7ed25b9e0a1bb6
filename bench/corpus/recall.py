#!/usr/bin/env python3
"""Scores what a carver copied out of a corpus image (bench/corpus/assemble.py) against the image's manifest.

Every regular file under an output folder is a copy. For each placed file (its bytes read back from the image
through the manifest's fragments and checked against its SHA-256):
  found   a copy begins with the file's first sector (its first min(size, sector size) bytes);
  exact   a copy is what the file's end kind asks: the file byte for byte (end=exact), or a copy that begins
          with the whole file (end=prefix);
  padded  a copy is the file followed by nothing but zeros to the end of its last sector (the carver ended it
          on a whole sector);
  named   every name text the maker gave occurs in the path (relative to the folder) of a copy that begins with
          the file's first sector; "-" when the maker gave none.
Files of equal content are scored once in the tables (the first in the manifest stands for them).

usage: recall.py IMAGE DIR [--peer NAME=DIR] [--per-file | --summary] [--title TEXT]
  (default)   a table per format (the file type): files, and found / exact / named for DIR and each peer; then
              the bytes each carver wrote (every copy, the found and the false) against the bytes placed;
  --per-file  one tab-separated line per placed file: name, type, family, end, found, exact, padded, named
              (yes, no or -);
  --summary   one line, "EXACT/DISTINCT".
"""

import argparse
import hashlib
import os
import sys

HEAD = 32


def fail(message):
    print(f"recall.py: {message}", file=sys.stderr)
    sys.exit(1)


def read_manifest(image):
    facts, rows = {}, []
    with open(image + ".manifest", encoding="utf-8") as manifest:
        for line in manifest:
            line = line.rstrip("\n")
            if line.startswith("# "):
                key, equals, value = line[2:].partition("=")
                if equals:
                    facts[key] = value
                continue
            fields = line.split("\t")
            if len(fields) != 9:
                fail(f"{image}.manifest: not 9 columns: {line!r}")
            name, size, digest, _, kind, end, names, family, fragments = fields
            rows.append({"name": name, "size": int(size), "sha256": digest, "type": kind, "end": end,
                         "names": [n for n in names.split("|") if n], "family": family,
                         "fragments": [tuple(int(x) for x in f.split("+")) for f in fragments.split(",")]})
    if "sector_size" not in facts:
        fail(f"{image}.manifest: no sector_size line")
    return int(facts["sector_size"]), rows


def placed_bytes(image, sector, row):
    data = bytearray()
    with open(image, "rb") as source:
        for start, count in row["fragments"]:
            source.seek(start * sector)
            data += source.read(count * sector)
    data = bytes(data[:row["size"]])
    if hashlib.sha256(data).hexdigest() != row["sha256"]:
        fail(f"{row['name']}: the image does not hold the bytes the manifest states")
    return data


class Copies:
    """The files under a folder, indexed by their first sector and by their first bytes."""

    def __init__(self, folder, sector):
        self.folder = folder
        self.sector = sector
        self.by_lead = {}
        self.by_head = {}
        for root, _, names in os.walk(folder):
            for name in names:
                path = os.path.join(root, name)
                if not os.path.isfile(path) or os.path.islink(path):
                    continue
                with open(path, "rb") as copy:
                    lead = copy.read(sector)
                entry = (path, os.path.getsize(path))
                self.by_head.setdefault(lead[:HEAD], []).append(entry)
                if len(lead) == sector:
                    self.by_lead.setdefault(hashlib.sha256(lead).digest(), []).append(entry)

    def starting_with(self, lead):
        """Copies whose first bytes are `lead` (at most a sector of them), as (path, bytes)."""
        if len(lead) == self.sector:
            candidates = self.by_lead.get(hashlib.sha256(lead).digest(), [])
        elif len(lead) >= HEAD:
            candidates = self.by_head.get(lead[:HEAD], [])
        else:
            candidates = [entry for group in self.by_head.values() for entry in group]
        for path, size in candidates:
            if size < len(lead):
                continue
            with open(path, "rb") as copy:
                data = copy.read()
            if data.startswith(lead):
                yield os.path.relpath(path, self.folder), data


def score(copies, sector, row, data):
    lead = data[:sector]
    found = exact = padded = False
    paths = []
    for path, copy in copies.starting_with(lead):
        found = True
        paths.append(path)
        if copy == data or (row["end"] == "prefix" and copy.startswith(data)):
            exact = True
        if len(copy) == -(-len(data) // sector) * sector and copy.startswith(data) and not any(copy[len(data):]):
            padded = True
    named = "-" if not row["names"] else \
        ("yes" if all(any(text in path for path in paths) for text in row["names"]) else "no")
    return {"found": found, "exact": exact, "padded": padded, "named": named}


def yes(flag):
    return "yes" if flag else "no"


def table(rows, results, labels):
    """Per format: files, then found / exact / named of each carver; a total line last."""
    distinct, seen = [], set()
    for number, row in enumerate(rows):
        if row["sha256"] not in seen:
            seen.add(row["sha256"])
            distinct.append(number)
    kinds = sorted({rows[n]["type"] for n in distinct}) + ["all"]
    header = ["format", "family", "files", "with name"] + [f"{label} found/exact/named" for label in labels]
    lines = [header]
    for kind in kinds:
        numbers = [n for n in distinct if kind in ("all", rows[n]["type"])]
        families = sorted({rows[n]["family"] for n in numbers})
        line = [kind, ",".join(families) if kind != "all" else "", str(len(numbers)),
                str(sum(1 for n in numbers if rows[n]["names"]))]
        for result in results:
            found = sum(result[n]["found"] for n in numbers)
            exact = sum(result[n]["exact"] for n in numbers)
            named = sum(result[n]["named"] == "yes" for n in numbers)
            line.append(f"{found}/{exact}/{named}")
        lines.append(line)
    widths = [max(len(line[i]) for line in lines) for i in range(len(header))]
    for number, line in enumerate(lines):
        print("  ".join(cell.ljust(width) for cell, width in zip(line, widths)).rstrip())
        if number == 0:
            print("  ".join("-" * width for width in widths))


def written(folder):
    """(bytes, files) of every regular file under the folder."""
    total = count = 0
    for root, _, names in os.walk(folder):
        for name in names:
            path = os.path.join(root, name)
            if os.path.isfile(path) and not os.path.islink(path):
                total += os.path.getsize(path)
                count += 1
    return total, count


def main():
    parser = argparse.ArgumentParser(description="Scores copied-out files against a corpus image's manifest.")
    parser.add_argument("image")
    parser.add_argument("folder")
    parser.add_argument("--label", default="ours")
    parser.add_argument("--peer", action="append", default=[], help="NAME=DIR of another carver's copies")
    mode = parser.add_mutually_exclusive_group()
    mode.add_argument("--per-file", action="store_true")
    mode.add_argument("--summary", action="store_true")
    parser.add_argument("--title", default="")
    args = parser.parse_args()

    sector, rows = read_manifest(args.image)
    folders = [(args.label, args.folder)] + [tuple(peer.split("=", 1)) for peer in args.peer]
    carvers = [(label, Copies(folder, sector)) for label, folder in folders]
    results = [[] for _ in carvers]
    for row in rows:
        data = placed_bytes(args.image, sector, row)
        for result, (_, copies) in zip(results, carvers):
            result.append(score(copies, sector, row, data))

    if args.per_file:
        for row, result in zip(rows, results[0]):
            print("\t".join([row["name"], row["type"], row["family"], row["end"], yes(result["found"]),
                             yes(result["exact"]), yes(result["padded"]), result["named"]]))
    elif args.summary:
        exact = {row["sha256"] for row, result in zip(rows, results[0]) if result["exact"]}
        print(f"{len(exact)}/{len({row['sha256'] for row in rows})}")
    else:
        if args.title:
            print(args.title)
        table(rows, results, [label for label, _ in carvers])
        placed = sum(row["size"] for row in rows)
        for label, folder in folders:
            total, count = written(folder)
            print(f"{label}: {total / 1e6:.1f} MB written in {count} files, {total / placed:.2f} x the "
                  f"{placed / 1e6:.1f} MB placed")


if __name__ == "__main__":
    main()

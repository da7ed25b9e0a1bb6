#!/usr/bin/env python3
"""Makes a signature-search corpus and places it in one raw image, with a manifest.

The files come from the maker scripts beside this one: `bench/corpus/<family>.sh OUT_FILE_STEM INDEX` writes one
file OUT_FILE_STEM.<ext> from seed INDEX with real tools, and its `# weight: N` line near the top says how many of
every 100 files it makes. With --count the makers take turns by weight (a smooth weighted round robin over the
makers sorted by name, file INDEX made from seed INDEX); with --per-maker K every maker makes seeds 0..K-1, or
0..N-1 when a `# formats: N` line near its top says it goes round N formats by seed and N is larger. Files already
in the folder are reused. A maker that fails (a missing tool included) stops the assembly.

A maker may write a sidecar OUT_FILE_STEM.meta, one `key=value` a line:
  end=exact   (the default) the format's end is structural: the scan recovers the file byte for byte;
  end=prefix  the format has no structural end: the placed bytes are a prefix of what the scan recovers;
  name=TEXT   a text the scan shows for the file from its metadata. The complete scan lists a carved file in
              its type tree, "<image>(RAW Files)/<type>/<name><NNN>.<EXT>", and, when the file carries a label,
              in the label tree too, "<image>(Label RAW Files)/<Artists|Camera|Office|MOV|PDF>[/<application>]/
              <label>/<name><NNN>.<EXT>" (engine-cli's JSON `path`; --recover copies the file to that path). The
              name comes from the metadata: "<MAKE>_<model>_<first>-<last sector>" for a JPEG or TIFF with a
              camera, "<artist>_<title>" for a tagged MP3, "<last author>_<title>_<time>" for an office package,
              the PDF title followed by its modification time; the label is the upper-case camera make, the
              artist, the document's last author or the PDF's author. The file counts as named when TEXT occurs
              in the path of one of its copies. Several name= lines may be given: each must occur.

Image: files at sector-aligned offsets in the given order, each followed by zero bytes to the end of its last
sector; between files random bytes or zeros (--gaps). With --slack random the bytes behind each file are old data,
as on a reused card or disk: random to the end of its last sector and in the whole gap behind it. With
--fragment-over N every file longer than N sectors is split in two fragments at a random sector with a gap between
them (a record of what carving does with fragmentation; no file is fragmented otherwise).

Manifest (IMAGE.manifest, tab-separated, after the lines `# sector_size=N` and `# slack=zero|random` and a `#` line
of column names): name (the file's name among the made files), size, sha256, offset (in sectors of the image's
sector size, the first fragment's), type (the extension), end, name (the expected name texts, `|`-separated, empty
when none), family (the maker), fragments (the sectors of each fragment as start+count, `,`-separated; one for a
file placed whole).

usage: assemble.py IMAGE --files DIR (--count N | --per-maker K) [--makers "jpeg png ..."] [--mib M]
                   [--sector 512|4096] [--gaps mixed|random|zero] [--slack zero|random] [--fragment-over SECTORS]
                   [--seed S] [--jobs J]
Without --mib the image is as large as the files and gaps of 64 sectors on average.
"""

import argparse
import concurrent.futures
import hashlib
import os
import random
import re
import subprocess
import sys

CORPUS = os.path.dirname(os.path.abspath(__file__))
MEAN_GAP_SECTORS = 64
CHUNK = 4 << 20


def fail(message):
    print(f"assemble.py: {message}", file=sys.stderr)
    sys.exit(1)


def header_number(head, key):
    """N of the first `# key: N` line among the head lines, or None."""
    for line in head:
        match = re.match(rf"# {key}: *([0-9]+) *$", line)
        if match:
            return int(match.group(1))
    return None


def makers(selected):
    """(family, weight, formats) of every maker script, sorted by name; `selected` limits the families when not
    empty."""
    found = []
    for script in sorted(os.listdir(CORPUS)):
        if not script.endswith(".sh"):
            continue
        family = script[:-3]
        if selected and family not in selected:
            continue
        with open(os.path.join(CORPUS, script)) as text:
            head = [next(text, "") for _ in range(8)]
        weight = header_number(head, "weight")
        if weight is None:
            fail(f"{script}: no '# weight: N' line at its head")
        found.append((family, weight, header_number(head, "formats") or 1))
    if selected and len(found) != len(selected):
        fail(f"no maker for: {' '.join(sorted(set(selected) - {f for f, _, _ in found}))}")
    if not found:
        fail("no corpus maker selected")
    return found


def plan(families, count, per_maker):
    """(family, stem, seed) of every file to make."""
    if per_maker:
        return [(family, f"{family}-{seed:03d}", seed) for family, _, formats in families
                for seed in range(max(per_maker, formats))]
    total = sum(weight for _, weight, _ in families)
    current = [0] * len(families)
    chosen = []
    for index in range(count):
        current = [c + weight for c, (_, weight, _) in zip(current, families)]
        best = max(range(len(families)), key=lambda k: current[k])
        current[best] -= total
        chosen.append((families[best][0], f"f{index:04d}-{families[best][0]}", index))
    return chosen


def made_files(files, stem):
    return sorted(name for name in os.listdir(files) if name.startswith(stem + ".") and name != stem + ".meta")


def make(files, family, stem, seed):
    """Runs the maker unless its file is there; the made file's name."""
    if not made_files(files, stem):
        run = subprocess.run(["bash", os.path.join(CORPUS, family + ".sh"), os.path.join(files, stem), str(seed)],
                             stdin=subprocess.DEVNULL, capture_output=True, text=True)
        if run.returncode != 0:
            lines = (run.stderr or run.stdout).strip().splitlines()[-5:]
            fail(f"{family}.sh failed on seed {seed} (exit {run.returncode}): " + " / ".join(lines))
    made = made_files(files, stem)
    if len(made) != 1:
        fail(f"{family}.sh made {len(made)} files for seed {seed}, not one: {made}")
    return made[0]


def sidecar(path):
    """(end, names) from a maker's sidecar, the defaults when there is none."""
    end, names = "exact", []
    if os.path.exists(path):
        for number, line in enumerate(open(path, encoding="utf-8").read().splitlines(), 1):
            key, _, value = line.partition("=")
            if key == "end" and value in ("exact", "prefix"):
                end = value
            elif key == "name" and value and "|" not in value and "\t" not in value:
                names.append(value)
            elif line.strip():
                fail(f"{path}:{number}: not end=exact, end=prefix or name=TEXT: {line!r}")
    return end, names


def fragments_of(sectors, fragment_over, rng):
    """Sector counts of the fragments the file is placed in, and the gap before each fragment but the first."""
    if not fragment_over or sectors <= fragment_over:
        return [sectors], []
    cut = rng.randrange(1, sectors)
    return [cut, sectors - cut], [rng.randrange(8, 65)]


def write_gap(out, size, zero, rng):
    while size > 0:
        step = min(size, CHUNK)
        out.write(bytes(step) if zero else rng.randbytes(step))
        size -= step


def main():
    parser = argparse.ArgumentParser(description="Makes a signature-search corpus image with its manifest.")
    parser.add_argument("image")
    parser.add_argument("--files", required=True, help="folder of the made files (reused when there)")
    how = parser.add_mutually_exclusive_group(required=True)
    how.add_argument("--count", type=int, help="files in all, the makers taking turns by weight")
    how.add_argument("--per-maker", type=int, help="files from every maker, seeds 0..K-1")
    parser.add_argument("--makers", default="", help="families to use (default: every maker)")
    parser.add_argument("--mib", type=int, default=0, help="image size (default: as large as needed)")
    parser.add_argument("--sector", type=int, choices=(512, 4096), default=512)
    parser.add_argument("--gaps", choices=("mixed", "random", "zero"), default="mixed")
    parser.add_argument("--slack", choices=("zero", "random"), default="zero",
                        help="bytes behind each file to its last sector's end and in the gap behind it")
    parser.add_argument("--fragment-over", type=int, default=0, help="split files longer than this many sectors")
    parser.add_argument("--seed", type=int, default=22, help="seed of the layout and the gap bytes")
    parser.add_argument("--jobs", type=int, default=4, help="makers run at once")
    args = parser.parse_args()

    os.makedirs(args.files, exist_ok=True)
    chosen = plan(makers(args.makers.split()), args.count, args.per_maker)
    with concurrent.futures.ThreadPoolExecutor(max_workers=max(1, args.jobs)) as pool:
        names = list(pool.map(lambda item: make(args.files, *item), chosen))

    sector = args.sector
    rng = random.Random(args.seed)
    entries = []
    for (family, stem, _), name in zip(chosen, names):
        data = open(os.path.join(args.files, name), "rb").read()
        if not data:
            fail(f"{family}.sh wrote an empty {name}")
        end, expected = sidecar(os.path.join(args.files, stem + ".meta"))
        fragments, inner = fragments_of(-(-len(data) // sector), args.fragment_over, rng)
        entries.append({"name": name, "data": data, "end": end, "names": expected, "family": family,
                        "fragments": fragments, "inner": inner})

    used = sum(sum(e["fragments"]) + sum(e["inner"]) for e in entries)
    total = (args.mib << 20) // sector if args.mib else used + MEAN_GAP_SECTORS * (len(entries) + 1)
    if used > total:
        fail(f"the files take {used * sector >> 20} MiB, more than the image's {args.mib} MiB")
    # The free sectors are shared out among the gaps before, between and after the files in random parts.
    weights = [rng.random() for _ in range(len(entries) + 1)]
    free = total - used
    gaps = [int(free * w / sum(weights)) for w in weights]
    gaps[-1] += free - sum(gaps)

    def zero_gap():
        return args.gaps == "zero" or (args.gaps == "mixed" and rng.random() < 0.5)

    with open(args.image, "wb") as out, open(args.image + ".manifest", "w", encoding="utf-8") as manifest:
        manifest.write(f"# sector_size={sector}\n# slack={args.slack}\n"
                       "# name\tsize\tsha256\toffset\ttype\tend\tname\tfamily\tfragments\n")
        write_gap(out, gaps[0] * sector, zero_gap(), rng)
        for entry, gap in zip(entries, gaps[1:]):
            data = entry["data"]
            slack = -len(data) % sector
            padded = data + (rng.randbytes(slack) if args.slack == "random" else bytes(slack))
            placed, at = [], 0
            for number, count in enumerate(entry["fragments"]):
                if number:
                    write_gap(out, entry["inner"][number - 1] * sector, zero_gap(), rng)
                placed.append(f"{out.tell() // sector}+{count}")
                out.write(padded[at:at + count * sector])
                at += count * sector
            kind = entry["name"].rsplit(".", 1)[1].lower() if "." in entry["name"] else ""
            manifest.write("\t".join([entry["name"], str(len(data)), hashlib.sha256(data).hexdigest(),
                                      placed[0].split("+")[0], kind, entry["end"], "|".join(entry["names"]),
                                      entry["family"], ",".join(placed)]) + "\n")
            write_gap(out, gap * sector, args.slack == "zero" and zero_gap(), rng)
    print(f"{len(entries)} files placed in {total * sector / 2**20:.1f} MiB ({sector}-byte sectors)")


if __name__ == "__main__":
    main()

#!/usr/bin/env bash
# weight: 2
# Text documents from seed INDEX, in turn: an HTML page and an RTF document that enscript writes from a text of
# a few hundred to a few thousand lines, the HTML page re-encoded by iconv as UTF-16 with a byte-order mark, and a
# mailbox of a few to a few hundred messages written by Python's mailbox module.
# Text has no structural end: the HTML, RTF and mailbox files say so in their sidecar (end=prefix); the UTF-16
# page ends at its last character, the scan's rule for it.
# usage: bench/corpus/text.sh OUT_FILE_STEM INDEX  (writes OUT_FILE_STEM.<ext>)
source "$(dirname "$0")/maker.bash" "$@" || exit 2
need enscript iconv python3
scratch
if ((turn % 4 == 3)); then
  python3 - "$stem.mbox" "$index" <<'PY'
import email.message, mailbox, random, sys
path, index = sys.argv[1], int(sys.argv[2])
rng = random.Random(index)
words = ["sector", "cluster", "volume", "backup", "restore", "meeting", "report", "invoice"]
box = mailbox.mbox(path)
for n in range(rng.randrange(2, 300)):
    message = email.message.EmailMessage()
    message["From"] = f"sender{n % 7}@example.org"
    message["To"] = f"reader{index}@example.org"
    message["Subject"] = f"Note {n} of seed {index}"
    message["Date"] = f"Mon, {1 + n % 28:02d} Feb 2021 10:{n % 60:02d}:00 +0000"
    message.set_content(" ".join(rng.choice(words) for _ in range(rng.randrange(10, 400))) + "\n")
    entry = mailbox.mboxMessage(message)
    entry.set_from(f"sender{n % 7}@example.org", (2021, 2, 1 + n % 28, 10, n % 60, 0, 0, 1, 0))
    box.add(entry)
box.close()
PY
  echo "end=prefix" >"$stem.meta"
  exit 0
fi
python3 - "$work/notes.txt" "$index" <<'PY'
import random, sys
rng = random.Random(int(sys.argv[2]))
words = ["alpha", "beta", "gamma", "delta", "omega", "sector", "cluster", "volume"]
with open(sys.argv[1], "w") as out:
    for _ in range(rng.randrange(100, 3000)):
        out.write(" ".join(rng.choice(words) for _ in range(rng.randrange(1, 12))) + "\n")
PY
case $((turn % 4)) in
  0)
    enscript --quiet --language=html --title="Notes $index" -o "$stem.html" "$work/notes.txt"
    echo "end=prefix" >"$stem.meta" ;;
  1)
    enscript --quiet --language=rtf -o "$stem.rtf" "$work/notes.txt"
    echo "end=prefix" >"$stem.meta" ;;
  2)
    enscript --quiet --language=html --title="Notes $index" -o "$work/notes.html" "$work/notes.txt"
    { printf '\xff\xfe'; iconv -f UTF-8 -t UTF-16LE "$work/notes.html"; } >"$stem.html" ;;
esac

#!/usr/bin/env bash
# weight: 2
# One SQLite database made with sqlite3 from seed INDEX: a page size of 1024 to 8192 bytes and a table of a few
# to a few thousand rows of text and blobs; every third seed an address book (its ABCDRecord and
# ABCDPhoneNumber tables) instead of notes.
# usage: bench/corpus/sqlite.sh OUT_FILE_STEM INDEX  (writes OUT_FILE_STEM.sqlite or OUT_FILE_STEM.abcddb)
set -euo pipefail
stem=${1:?output file stem}
index=${2:?seed index}
command -v sqlite3 >/dev/null || { echo "missing tool: sqlite3" >&2; exit 2; }
rows=$((5 + index * 97 % 3000))
if ((index % 3 == 2)); then
  file=$stem.abcddb
  tables="CREATE TABLE ABCDRecord(Z_PK INTEGER PRIMARY KEY, ZFIRSTNAME TEXT, ZLASTNAME TEXT);
CREATE TABLE ABCDPhoneNumber(Z_PK INTEGER PRIMARY KEY, ZOWNER INTEGER, ZFULLNUMBER TEXT);
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < $rows)
INSERT INTO ABCDRecord(ZFIRSTNAME, ZLASTNAME) SELECT 'First ' || i, 'Last ' || i FROM n;
INSERT INTO ABCDPhoneNumber(ZOWNER, ZFULLNUMBER) SELECT Z_PK, '+41 44 ' || (1000000 + Z_PK * 7) FROM ABCDRecord;"
else
  file=$stem.sqlite
  tables="CREATE TABLE note(id INTEGER PRIMARY KEY, title TEXT, body BLOB);
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < $rows)
INSERT INTO note(title, body) SELECT 'note ' || i || ' of seed $index', randomblob(i % 300) FROM n;
CREATE INDEX note_title ON note(title);"
fi
rm -f "$file"
sqlite3 "$file" <<SQL
PRAGMA page_size = $((1024 << (index % 4)));
$tables
SQL

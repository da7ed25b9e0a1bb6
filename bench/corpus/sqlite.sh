#!/usr/bin/env bash
# weight: 1
# One SQLite database made with sqlite3 from seed INDEX: a page size of 1024 to 8192 bytes and a table of a few
# to a few thousand rows of text and blobs; every third seed an address book (the entity table of its object
# store, then its records) instead of notes.
# usage: bench/corpus/sqlite.sh OUT_FILE_STEM INDEX  (writes OUT_FILE_STEM.sqlite or OUT_FILE_STEM.abcddb)
source "$(dirname "$0")/maker.bash" "$@" || exit 2
need sqlite3
rows=$((5 + index * 97 % 3000))
if ((turn % 3 == 2)); then
  file=$stem.abcddb
  # The entity table an address book's object store keeps: one row per entity, 30 of them on one page.
  tables="CREATE TABLE Z_PRIMARYKEY(Z_ENT INTEGER PRIMARY KEY, Z_NAME VARCHAR, Z_SUPER INTEGER, Z_MAX INTEGER);
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 30)
INSERT INTO Z_PRIMARYKEY(Z_NAME, Z_SUPER, Z_MAX) SELECT CASE i WHEN 1 THEN 'ABCDRecord' WHEN 2 THEN 'ABCDPhoneNumber'
  ELSE 'ABCDEntity' || i END, 0, i * 7 FROM n;
CREATE TABLE ZABCDRECORD(Z_PK INTEGER PRIMARY KEY, ZFIRSTNAME TEXT, ZLASTNAME TEXT);
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < $rows)
INSERT INTO ZABCDRECORD(ZFIRSTNAME, ZLASTNAME) SELECT 'First ' || i, 'Last ' || i FROM n;"
else
  file=$stem.sqlite
  tables="CREATE TABLE note(id INTEGER PRIMARY KEY, title TEXT, body BLOB);
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < $rows)
INSERT INTO note(title, body)
  SELECT 'note ' || i || ' of seed $index', CAST(printf('%.*c', i % 300, char(65 + i % 26)) AS BLOB) FROM n;
CREATE INDEX note_title ON note(title);"
fi
rm -f "$file"
sqlite3 "$file" <<SQL
PRAGMA page_size = $((1024 << (index % 4)));
$tables
SQL

#!/bin/bash
# Document samples made with the real tools, into the folder given:
#   report.pdf        six uncompressed pages (over 20 KiB) with Title, Author, Creator and both dates
#   illustrator.pdf   the same pages, its Creator an Illustrator version, no Title or Author
#   updated.pdf       report.pdf with an incremental update written by exiftool (a second %%EOF)
#   small.pdf         one page, under 20 KiB
#   library.sqlite    a SQLite database of 1 KiB pages, several of them
#   contacts.abcddb   a SQLite database with a page listing the address-book table names 30 times
#   drawing.eps       a text EPS written by ghostscript
set -euo pipefail
out=$1
for tool in gs exiftool sqlite3; do
  command -v "$tool" >/dev/null || { echo "missing tool: $tool" >&2; exit 1; }
done
cd "$out"
cat > pages.ps <<'PS'
%!PS
/Helvetica findfont 10 scalefont setfont
/pages where { pop } { /pages 6 def } ifelse
1 1 pages { /p exch def
  1 1 60 { /l exch def 40 800 l 12 mul sub moveto
    (Line ) show l 20 string cvs show ( of page ) show p 20 string cvs show ( lorem ipsum dolor sit amet) show } for
  showpage } for
PS
pdf() {
  local output=$1 info=$2
  shift 2
  gs -q -dNOPAUSE -dBATCH -dSAFER -sDEVICE=pdfwrite -dCompressPages=false -sOutputFile="$output" "$@" \
    -c "[ $info /CreationDate (D:20200506102030+02'00') /ModDate (D:20210102030405Z) /DOCINFO pdfmark" -f pages.ps
}
pdf report.pdf "/Title (Quarterly Report) /Author (Jane Doe) /Creator (Writer)"
pdf illustrator.pdf "/Creator (Adobe Illustrator 25.0)"
pdf small.pdf "/Title (Short Note) /Author (Jane Doe) /Creator (Writer)" -dpages=1
cp report.pdf updated.pdf
exiftool -q -overwrite_original -Title="Second Title" updated.pdf
gs -q -dNOPAUSE -dBATCH -dSAFER -sDEVICE=eps2write -sOutputFile=drawing.eps -dpages=1 pages.ps
rm pages.ps
sqlite3 library.sqlite <<'SQL'
PRAGMA page_size = 1024;
CREATE TABLE clip(id INTEGER PRIMARY KEY, name TEXT, note TEXT);
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 200)
INSERT INTO clip(name, note) SELECT 'clip ' || i, printf('%.60c', 'a') FROM n;
CREATE INDEX clip_name ON clip(name);
SQL
sqlite3 contacts.abcddb <<'SQL'
PRAGMA page_size = 1024;
CREATE TABLE tables(name TEXT);
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 30)
INSERT INTO tables(name) SELECT CASE i % 2 WHEN 0 THEN 'ABCDRecord' ELSE 'ABCDPhoneNumber' END FROM n;
CREATE TABLE filler(x TEXT);
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 60)
INSERT INTO filler(x) SELECT printf('%.80c', 'z') FROM n;
SQL

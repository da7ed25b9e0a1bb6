#!/bin/bash
# ZIP archives and the packages built on ZIP, into the folder given, made with Python's zipfile and Info-ZIP:
#   docx.docx xlsx.xlsx pptx.pptx  office packages with core properties (title, creator, last modifier, dates)
#   stream.docx                    the word-processing package written to a pipe: every member's sizes in a
#                                  data descriptor
#   odt.odt ods.ods odp.odp        OpenDocument packages, the stored "mimetype" member first
#   epub.epub                      an e-book, the stored "mimetype" member first
#   ipa.ipa                        an application bundle, "Payload/" first
#   plain.zip                      two deflated members
#   comment.zip                    a member with a 10-byte file comment and an archive comment
#   piped.zip                      Info-ZIP writing to a pipe (data descriptors)
#   named.gz                       gzip of a text, its name in the header
#   members.gz                     two gzip members one behind the other
set -euo pipefail
out=$1
for tool in python3 zip gzip; do
  command -v "$tool" >/dev/null || { echo "missing tool: $tool" >&2; exit 1; }
done
cd "$out"
python3 - <<'PY'
import io, random, sys, zipfile

random.seed(25)
D = zipfile.ZIP_DEFLATED
S = zipfile.ZIP_STORED
CORE = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
        '<cp:coreProperties xmlns:cp="http://schemas.openxmlformats.org/package/2006/metadata/core-properties" '
        'xmlns:dc="http://purl.org/dc/elements/1.1/" xmlns:dcterms="http://purl.org/dc/terms/" '
        'xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance">'
        '<dc:title>{title}</dc:title><dc:creator>Ann Author</dc:creator>'
        '<cp:lastModifiedBy>Bob Editor</cp:lastModifiedBy>'
        '<dcterms:created xsi:type="dcterms:W3CDTF">2021-03-04T05:06:07Z</dcterms:created>'
        '<dcterms:modified xsi:type="dcterms:W3CDTF">2022-01-02T03:04:05Z</dcterms:modified>'
        '</cp:coreProperties>')
TYPES = '<?xml version="1.0"?><Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types"/>'

def noise(n):
    return bytes(random.getrandbits(8) for _ in range(n))

def write(target, members):
    with zipfile.ZipFile(target, 'w') as z:
        for name, data, method in members:
            z.writestr(zipfile.ZipInfo(name, (2022, 1, 2, 3, 4, 6)), data, compress_type=method)

def office(part, rels, title):
    return [('[Content_Types].xml', TYPES, D), ('_rels/.rels', '<Relationships/>', D),
            (rels, '<Relationships/>', D), (part, '<doc>' + 'text ' * 400 + '</doc>', D),
            ('docProps/core.xml', CORE.format(title=title), D), ('media/noise.bin', noise(3000), S)]

write('docx.docx', office('word/document.xml', 'word/_rels/document.xml.rels', 'Quarterly Plan'))
write('xlsx.xlsx', office('xl/workbook.xml', 'xl/_rels/workbook.xml.rels', 'Budget'))
write('pptx.pptx', office('ppt/presentation.xml', 'ppt/_rels/presentation.xml.rels',
                          'A title that runs well past twenty-four bytes'))
pipe = io.BytesIO()
class Unseekable(io.RawIOBase):
    def writable(self): return True
    def write(self, b): return pipe.write(b)
write(Unseekable(), office('word/document.xml', 'word/_rels/document.xml.rels', 'Streamed'))
open('stream.docx', 'wb').write(pipe.getvalue())
for ext, kind in (('odt', 'text'), ('ods', 'spreadsheet'), ('odp', 'presentation')):
    write(ext + '.' + ext, [('mimetype', 'application/vnd.oasis.opendocument.' + kind, S),
                            ('content.xml', '<office:document-content/>' * 50, D),
                            ('META-INF/manifest.xml', '<manifest:manifest/>', D)])
write('epub.epub', [('mimetype', 'application/epub+zip', S), ('META-INF/container.xml', '<container/>', D),
                    ('OEBPS/content.opf', '<package/>' * 30, D)])
write('ipa.ipa', [('Payload/App.app/Info.plist', '<plist/>' * 20, D), ('Payload/App.app/App', noise(5000), S)])
write('plain.zip', [('notes.txt', 'notes ' * 300, D), ('data.bin', noise(9000), D)])
with zipfile.ZipFile('comment.zip', 'w') as z:
    info = zipfile.ZipInfo('a.txt', (2022, 1, 2, 3, 4, 6))
    info.comment = b'0123456789'
    z.writestr(info, 'alpha ' * 100, compress_type=D)
    z.writestr(zipfile.ZipInfo('b.bin', (2022, 1, 2, 3, 4, 6)), noise(1500), compress_type=S)
    z.comment = b'archive comment'
open('members.bin', 'wb').write(noise(7000))
open('members.txt', 'w').write('line\n' * 700)
PY
zip -q -X - members.txt members.bin | cat > piped.zip
rm members.bin members.txt
python3 -c "import sys; sys.stdout.write(''.join(f'line {n} of the gzip sample\\n' for n in range(3000)))" > notes.txt
gzip -9 -c notes.txt > named.gz
printf 'the second member\n' | gzip -c > second.gz
cat named.gz second.gz > members.gz
rm notes.txt second.gz

#!/usr/bin/env bash
# weight: 7
# One office package made with Python's zipfile from seed INDEX: a word-processing, spreadsheet or
# presentation package with core properties, an OpenDocument text or an e-book (each with a few kilobytes to
# a few hundred kilobytes of incompressible media), written to OUT_FILE_STEM.<ext>. The scan names a package
# with core properties "<last modifier>_<title>" after its modification time: the sidecar says so.
#
# usage: bench/corpus/office.sh OUT_FILE_STEM INDEX
source "$(dirname "$0")/maker.bash" "$@" || exit 2
need python3
python3 - "$stem" "$index" <<'PY'
import random, sys, zipfile

stem, index = sys.argv[1], int(sys.argv[2])
rng = random.Random(index)
D, S = zipfile.ZIP_DEFLATED, zipfile.ZIP_STORED
core = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
        '<cp:coreProperties xmlns:cp="http://schemas.openxmlformats.org/package/2006/metadata/core-properties" '
        'xmlns:dc="http://purl.org/dc/elements/1.1/" xmlns:dcterms="http://purl.org/dc/terms/">'
        '<dc:title>Report %d</dc:title><dc:creator>Writer %d</dc:creator>'
        '<cp:lastModifiedBy>Editor %d</cp:lastModifiedBy>'
        '<dcterms:created>2021-03-%02dT05:06:07Z</dcterms:created>'
        '<dcterms:modified>2022-01-%02dT03:04:05Z</dcterms:modified></cp:coreProperties>'
        % (index, index % 7, index % 5, 1 + index % 28, 1 + index % 28))
media = rng.randbytes(rng.randrange(4000, 300000))
text = ' '.join(rng.choice(['alpha', 'beta', 'gamma', 'delta', 'omega']) for _ in range(rng.randrange(200, 5000)))
kinds = {
    'docx': [('[Content_Types].xml', '<Types/>', D), ('_rels/.rels', '<Relationships/>', D),
             ('word/_rels/document.xml.rels', '<Relationships/>', D), ('word/document.xml', text, D),
             ('docProps/core.xml', core, D), ('word/media/image1.bin', media, S)],
    'xlsx': [('[Content_Types].xml', '<Types/>', D), ('_rels/.rels', '<Relationships/>', D),
             ('xl/_rels/workbook.xml.rels', '<Relationships/>', D), ('xl/workbook.xml', text, D),
             ('docProps/core.xml', core, D), ('xl/media/image1.bin', media, S)],
    'pptx': [('[Content_Types].xml', '<Types/>', D), ('_rels/.rels', '<Relationships/>', D),
             ('ppt/_rels/presentation.xml.rels', '<Relationships/>', D), ('ppt/presentation.xml', text, D),
             ('docProps/core.xml', core, D), ('ppt/media/image1.bin', media, S)],
    'odt': [('mimetype', 'application/vnd.oasis.opendocument.text', S), ('content.xml', text, D),
            ('Pictures/image1.bin', media, S), ('META-INF/manifest.xml', '<manifest/>', D)],
    'epub': [('mimetype', 'application/epub+zip', S), ('META-INF/container.xml', '<container/>', D),
             ('OEBPS/content.xhtml', text, D), ('OEBPS/image1.bin', media, S)],
}
# The corpus's weighted round robin (period 100) hands a family seeds a fixed step apart: the hundreds shift
# the turn, so that every kind comes up.
ext = list(kinds)[(index + index // 100) % len(kinds)]
with zipfile.ZipFile('%s.%s' % (stem, ext), 'w') as z:
    for name, data, method in kinds[ext]:
        z.writestr(zipfile.ZipInfo(name, (2022, 1, 2, 3, 4, 6)), data, compress_type=method)
if any(name == 'docProps/core.xml' for name, _, _ in kinds[ext]):
    open(stem + '.meta', 'w').write('name=Editor %d_Report %d\n' % (index % 5, index))
PY

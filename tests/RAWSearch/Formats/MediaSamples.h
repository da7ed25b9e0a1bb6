#pragma once
// Samples of the archive, media, image and document formats measured by walking or end-mark search:
// files made at test time by tar, ffmpeg and ImageMagick, and hand-built files whose extents are
// worked out where they are built.

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "FormatSamples.h"

namespace quellsy::test::formats {

// A file made by make-media-samples.sh (run once per test process); a failed script fails the test.
std::function<Bytes()> MadeMedia(const std::string& file);

// A RAR 4 archive: marker, archive header, one stored file of `data` bytes, the end block.
Bytes Rar4File(std::uint32_t data = 1500, bool endBlock = true);
// StuffIt 5: the stated length is the file's.
Bytes Sit5File();
// StuffIt X: a body, then the closing mark (its fourth byte `kind`) and the bytes after it.
Bytes SitxFile(std::uint8_t kind = 0x19);
// A bzip2-compressed disk image of `bodyBytes` bytes before its 512-byte "koly" trailer.
Bytes DmgFile(std::size_t bodyBytes);
// A xar archive: the header, the zlib-packed table of contents `toc`, then `heap` bytes of heap.
Bytes XarFile(const std::string& toc, std::size_t heap);
// A table of contents listing file entries, each (id, offset, length); a length of 0 makes a folder.
std::string XarToc(const std::vector<std::array<std::uint64_t, 3>>& entries);
// The other package header, stating `length`.
Bytes PkgFile(std::uint64_t length, std::size_t bytes);
// Two sections of a OneNote file chained by their expected lengths.
Bytes OneFile();
Bytes MboxFile();
// Outlook file of the Unicode (23) or ANSI (14) kind, of `size` bytes.
Bytes PstFile(std::uint8_t version, std::size_t size);
// UTF-16LE page, optionally behind a document-type line.
Bytes UnicodeHtmlFile(bool doctype);
Bytes WpdFile(std::uint32_t product, std::uint32_t index);
Bytes ItlFile();
Bytes PspFile();
// A metafile of `records` bytes after its header, with or without the placeable header.
Bytes WmfFile(bool placeable);
Bytes ThreeDsFile();
Bytes MrwFile();
Bytes X3fFile(std::size_t size);
Bytes RtfFile();
Bytes SvgFile();
Bytes RiffFile(const char* form, const char* chunk, std::uint32_t length);

}  // namespace quellsy::test::formats

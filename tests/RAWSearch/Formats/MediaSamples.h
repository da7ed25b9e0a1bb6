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

// A xar archive: the header, the zlib-packed table of contents `toc`, then `heap` bytes of heap.
Bytes XarFile(const std::string& toc, std::size_t heap);
// A table of contents listing file entries, each (id, offset, length); a length of 0 makes a folder.
std::string XarToc(const std::vector<std::array<std::uint64_t, 3>>& entries);
// The other package header, stating `length`.
Bytes PkgFile(std::uint64_t length, std::size_t bytes);
Bytes MboxFile();
// UTF-16LE page, optionally behind a document-type line.
Bytes UnicodeHtmlFile(bool doctype);
Bytes RtfFile();
Bytes SvgFile();
Bytes RiffFile(const char* form, const char* chunk, std::uint32_t length);

}  // namespace quellsy::test::formats

#include "MediaSamples.h"

#include <zlib.h>

#include <cstring>
#include <string_view>

#include "Utility/ByteReader.h"
#include "support/FixtureScript.h"
#include "support/TempDir.h"

namespace quellsy::test::formats {
namespace {

Bytes Utf16(std::string_view text) {
  Bytes b;
  for (char c : text) b.insert(b.end(), {static_cast<std::uint8_t>(c), 0});
  return b;
}

}  // namespace

std::function<Bytes()> MadeMedia(const std::string& file) {
  return Made("tests/RAWSearch/Formats/make-media-samples.sh", file);
}

std::string XarToc(const std::vector<std::array<std::uint64_t, 3>>& entries) {
  std::string toc =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<xar>\n <toc>\n  <creation-time>2024-01-01T00:00:00</creation-time>\n"
      "  <checksum style=\"sha1\">\n   <offset>0</offset>\n   <size>20</size>\n  </checksum>\n";
  for (const auto& [id, offset, length] : entries) {
    toc += "  <file id=\"" + std::to_string(id) + "\">\n";
    if (length)
      toc += "   <data>\n    <length>" + std::to_string(length) + "</length>\n    <offset>" + std::to_string(offset) +
             "</offset>\n    <size>" + std::to_string(length) + "</size>\n   </data>\n   <type>file</type>\n";
    else
      toc += "   <type>directory</type>\n";
    toc += "   <name>f" + std::to_string(id) + "</name>\n  </file>\n";
  }
  return toc + " </toc>\n</xar>\n";
}

Bytes XarFile(const std::string& toc, std::size_t heap) {
  uLongf packedBytes = compressBound(static_cast<uLong>(toc.size()));
  Bytes packed(packedBytes);
  compress2(packed.data(), &packedBytes, reinterpret_cast<const Bytef*>(toc.data()), static_cast<uLong>(toc.size()), 9);
  packed.resize(packedBytes);
  Bytes b(28, 0);
  PutText(b, 0, "xar!");
  quellsy::FieldWriter w(b);
  w.be16(4, 28);
  w.be16(6, 1);
  w.be64(8, packed.size());
  w.be64(16, toc.size());
  w.be32(24, 1);
  Append(b, packed);
  Append(b, Body(heap, 10));
  return b;
}

Bytes PkgFile(std::uint64_t length, std::size_t bytes) {
  Bytes b = Body(bytes, 11);
  PutText(b, 0, "\x7FPKG");
  quellsy::FieldWriter w(b);
  w.be16(4, 0);
  w.be16(6, 1);
  w.be64(24, length);
  return b;
}

Bytes MboxFile() {
  Bytes b;
  Append(b, "From alice@example.org Mon Jan  1 00:00:00 2024\nFrom: Alice <alice@example.org>\nSubject: notes\n\n");
  for (int line = 0; line < 30; ++line) Append(b, "The quick brown fox jumps over the lazy dog " + std::to_string(line) + "\n");
  Append(b, "Alice\n--\n\n");
  return b;
}

Bytes UnicodeHtmlFile(bool doctype) {
  Bytes b = {0xFF, 0xFE};
  std::string text = doctype ? "<!DOCTYPE html>\r\n" : "";
  text += "<HTML>\r\n<body>";
  for (int line = 0; line < 40; ++line) text += "<p>line " + std::to_string(line) + " of the page</p>\r\n";
  text += "</body>\r\n</html>\n";
  Append(b, Utf16(text));
  return b;
}

Bytes RtfFile() {
  Bytes b;
  Append(b, "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0\\fs24 ");
  for (int line = 0; line < 40; ++line)
    Append(b, "Line " + std::to_string(line) + " with \\{braces\\} and a \\\\ backslash.\\par\n");
  Append(b, "}");
  return b;
}

Bytes SvgFile() {
  Bytes b;
  Append(b, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"64\">\n");
  for (int i = 0; i < 30; ++i) Append(b, "<rect x=\"" + std::to_string(i) + "\" width=\"2\" height=\"2\"/>\n");
  Append(b, "</svg>\r\n");
  return b;
}

Bytes RiffFile(const char* form, const char* chunk, std::uint32_t length) {
  Bytes b = Body(length + 8, 21);
  PutText(b, 0, "RIFF");
  quellsy::FieldWriter(b).le32(4, length);
  PutText(b, 8, std::string_view(form, 4));
  PutText(b, 12, std::string_view(chunk, 4));
  return b;
}

}  // namespace quellsy::test::formats

#include "MediaSamples.h"

#include <zlib.h>

#include <cstring>
#include <string_view>

#include "Utility/ByteReader.h"
#include "support/FixtureScript.h"
#include "support/TempDir.h"

namespace quellsy::test::formats {
namespace {

void Append(Bytes& b, std::string_view text) { b.insert(b.end(), text.begin(), text.end()); }
void Append(Bytes& b, const Bytes& more) { b.insert(b.end(), more.begin(), more.end()); }

Bytes Utf16(std::string_view text) {
  Bytes b;
  for (char c : text) b.insert(b.end(), {static_cast<std::uint8_t>(c), 0});
  return b;
}

}  // namespace

std::function<Bytes()> MadeMedia(const std::string& file) {
  return Made("tests/RAWSearch/Formats/make-media-samples.sh", file);
}

Bytes Rar4File(std::uint32_t data, bool endBlock) {
  using namespace std::string_view_literals;
  Bytes b;
  Append(b, "Rar!\x1A\x07\x00"sv);
  Bytes archive(13, 0);
  quellsy::FieldWriter a(archive);
  a.le16(0, 0x90CF);
  a.u8(2, 0x73);
  a.le16(5, 13);
  Append(b, archive);
  const std::string name = "notes.txt";
  Bytes file(32 + name.size(), 0);
  quellsy::FieldWriter f(file);
  f.le16(0, 0x1234);
  f.u8(2, 0x74);
  f.le16(3, 0x8000);
  f.le16(5, static_cast<std::uint16_t>(file.size()));
  f.le32(7, data);
  f.le32(11, data);
  f.u8(15, 2);
  f.le32(16, 0xDEADBEEF);
  f.le32(20, 0x5A215A21);
  f.u8(24, 29);
  f.u8(25, 0x30);
  f.le16(26, static_cast<std::uint16_t>(name.size()));
  f.le32(28, 0x20);
  std::memcpy(file.data() + 32, name.data(), name.size());
  Append(b, file);
  Append(b, Body(data, 5));
  if (endBlock) Append(b, "\xC4\x3D\x7B\x00\x40\x07\x00"sv);
  return b;
}

Bytes Sit5File() {
  Bytes b = Body(2300, 6);
  PutText(b, 0, "StuffIt (c)1997-2002 Aladdin Systems, Inc., http://www.aladdinsys.com/StuffIt/\r\n");
  quellsy::FieldWriter(b).be32(84, static_cast<std::uint32_t>(b.size()));
  return b;
}

Bytes SitxFile(std::uint8_t kind) {
  Bytes b = Body(3000, 7);
  PutText(b, 0, "StuffIt!");
  const std::size_t mark = b.size();
  b.insert(b.end(), {0x02, 0xD7, 0x0A, kind, 0x98, 0xF6, 0x42, 0x88});
  const std::size_t end = mark + (kind == 0x19 ? 12 : kind == ';' ? 13 : 14);
  while (b.size() < end) b.push_back(0x77);
  return b;
}

Bytes DmgFile(std::size_t bodyBytes) {
  Bytes b = Body(bodyBytes, 8);
  PutText(b, 0, "BZh11AY&SY");
  Bytes koly = Body(512, 9);
  PutText(koly, 0, "koly");
  std::fill(koly.end() - 120, koly.end(), 0);
  Append(b, koly);
  return b;
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

Bytes OneFile() {
  using namespace std::string_view_literals;
  constexpr std::string_view kType = "\xE4\x52\x5C\x7B\x8C\xD8\xA7\x4D\xAE\xB1\x53\x78\xD0\x29\x96\xD3"sv;
  Bytes b = Body(2536, 12);
  PutText(b, 0, kType);
  quellsy::FieldWriter w(b);
  w.le64(196, 1536);
  PutText(b, 1536, kType);
  w.le64(1536 + 196, 0);
  w.le64(1536 + 100, 1000);
  return b;
}

Bytes MboxFile() {
  Bytes b;
  Append(b, "From alice@example.org Mon Jan  1 00:00:00 2024\nFrom: Alice <alice@example.org>\nSubject: notes\n\n");
  for (int line = 0; line < 30; ++line) Append(b, "The quick brown fox jumps over the lazy dog " + std::to_string(line) + "\n");
  Append(b, "Alice\n--\n\n");
  return b;
}

Bytes PstFile(std::uint8_t version, std::size_t size) {
  Bytes b = Body(size, 13);
  PutText(b, 0, "!BDN");
  b[10] = version;
  quellsy::FieldWriter w(b);
  if (version == 23) w.le64(184, size);
  if (version == 14) w.le32(168, static_cast<std::uint32_t>(size));
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

Bytes WpdFile(std::uint32_t product, std::uint32_t index) {
  Bytes b = Body(1900, 14);
  quellsy::FieldWriter w(b);
  w.le32(0, 0x435057FF);
  w.le32(4, 0x10);
  w.le32(8, product);
  w.le32(14, index);
  w.le32(20, static_cast<std::uint32_t>(b.size()));
  return b;
}

Bytes ItlFile() {
  Bytes b = Body(1300, 15);
  PutText(b, 0, "hdfm");
  quellsy::FieldWriter(b).be32(8, static_cast<std::uint32_t>(b.size()));
  return b;
}

Bytes PspFile() {
  using namespace std::string_view_literals;
  Bytes b;
  Append(b, "Paint Shop Pro Image File\n\x1A\0\0\0\0\0"sv);
  b.insert(b.end(), {5, 0, 0, 0});
  std::uint16_t id = 0;
  for (std::uint32_t length : {200u, 300u, 400u}) {
    Bytes block(10, 0);
    PutText(block, 0, "~BK"sv);
    quellsy::FieldWriter w(block);
    w.le16(4, id++);
    w.le32(6, length);
    Append(b, block);
    Append(b, Body(length, 16 + id));
  }
  return b;
}

Bytes WmfFile(bool placeable) {
  Bytes records(18, 0);
  quellsy::FieldWriter h(records);
  h.le16(0, 1);
  h.le16(2, 9);
  h.le16(4, 0x0300);
  h.le16(10, 0);
  h.le32(12, 500);
  h.le16(16, 0);
  Bytes escape = Body(1000, 17);
  quellsy::FieldWriter e(escape);
  e.le32(0, 500);
  e.le16(4, 0x0626);
  Append(records, escape);
  records.insert(records.end(), {3, 0, 0, 0, 0, 0});
  quellsy::FieldWriter(records).le32(6, static_cast<std::uint32_t>(records.size() / 2));
  if (!placeable) return records;
  Bytes b(22, 0);
  quellsy::FieldWriter w(b);
  w.le32(0, 0x9AC6CDD7);
  w.le16(8, 100);
  w.le16(10, 100);
  w.le16(14, 1440);
  std::uint16_t checksum = 0;
  for (std::size_t i = 0; i < 10; ++i) checksum ^= *quellsy::le16(b, 2 * i);
  w.le16(20, checksum);
  Append(b, records);
  return b;
}

Bytes ThreeDsFile() {
  Bytes b = Body(3000, 18);
  quellsy::FieldWriter w(b);
  w.le16(0, 0x4D4D);
  w.le32(2, static_cast<std::uint32_t>(b.size()));
  w.le16(6, 0x0002);
  w.le32(8, 10);
  w.le16(16, 0x3D3D);
  w.le32(18, static_cast<std::uint32_t>(b.size() - 16));
  return b;
}

Bytes MrwFile() {
  Bytes b = Body(300 + 20 * 30 * 12 / 8, 19);
  PutText(b, 0, std::string_view("\0MRM\0\0\0\0\0PRD", 12));
  quellsy::FieldWriter w(b);
  w.be32(4, 300 - 8);
  w.be16(24, 20);
  w.be16(26, 30);
  b[32] = 12;
  return b;
}

Bytes X3fFile(std::size_t size) {
  Bytes b = Body(size, 20);
  PutText(b, 0, "FOVb");
  PutText(b, size - 76, "SECd");
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

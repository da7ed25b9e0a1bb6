#include "support/samples/HandBuiltSamples.h"

#include <algorithm>
#include <cstring>

#include "RAWSearch/Formats/Document/InddAnalyser.h"
#include "Utility/ByteReader.h"
#include "support/samples/PatternBytes.h"

namespace quellsy::test::formats {

void PutText(Bytes& b, std::size_t at, std::string_view text) { std::memcpy(b.data() + at, text.data(), text.size()); }

Bytes Body(std::size_t size, std::uint32_t seed) {
  Bytes b = PatternBytes(size, seed);
  for (auto& byte : b)
    if (byte == 0) byte = 0x5A;
  return b;
}

Bytes ChmFile() {
  Bytes b = Body(3000);
  PutText(b, 0, "ITSF");
  quellsy::FieldWriter w(b);
  w.le32(4, 3);
  w.le32(8, 0x60);
  const std::uint8_t guid[16] = {0x10, 0xFD, 0x01, 0x7C, 0xAA, 0x7B, 0xD0, 0x11,
                                 0x9E, 0x0C, 0x00, 0xA0, 0xC9, 0x22, 0xE6, 0xEC};
  std::memcpy(b.data() + 24, guid, 16);
  std::memcpy(b.data() + 40, guid, 16);
  b[40] = 0x11;
  w.le32(96, 0x1FE);
  w.le32(100, 0);
  w.le64(104, b.size());
  w.le32(112, 0);
  w.le32(116, 0);
  return b;
}

Bytes CptFile(std::uint32_t extra) {
  Bytes b = Body(1100);
  PutText(b, 0, "CPT9FILE");
  quellsy::FieldWriter w(b);
  w.le32(40, 2);
  w.le32(52, 316);
  w.le32(316, 400);
  w.le32(324, 600);
  w.le32(600 + 32, extra);
  const std::uint32_t q = 660 + extra;
  if (extra) w.le32(660, extra);
  w.le32(q, 900);
  w.le32(q + 4, 1);
  w.le32(892, 800);
  w.le32(896, 300);
  return b;
}

Bytes CrwFile(std::size_t size, std::size_t recordAt, std::uint8_t kind) {
  Bytes b = Body(size);
  PutText(b, 0, "II\x1A");
  b[3] = 0;
  b[4] = b[5] = 0;
  PutText(b, 6, "HEAPCCDR\x02");
  const std::uint8_t record[6] = {0x07, 0x28, kind, 0, 0, 0};
  std::memcpy(b.data() + recordAt, record, 6);
  return b;
}

Bytes HlpFile() {
  Bytes b = Body(5000);
  quellsy::FieldWriter w(b);
  w.le32(0, 0x00035F3F);
  w.le32(4, 0x200);
  w.le32(8, 0xFFFFFFFF);
  w.le32(12, static_cast<std::uint32_t>(b.size()));
  return b;
}

Bytes LowDocFile() {
  Bytes b = Body(2048);
  quellsy::FieldWriter w(b);
  w.le32(0, 0x002DA5DB);
  w.le32(292, 1500);
  w.le16(296, 100);
  return b;
}

Bytes MnyFile() {
  Bytes b = Body(0x100000);
  PutText(b, 0, "MS");
  PutText(b, 4, "MSISAM Database");
  return b;
}

Bytes LzhEntry(const char* method, const std::string& name, std::uint32_t packed, std::size_t dataBytes) {
  Bytes e(2 + 22 + name.size(), 0);
  e[0] = static_cast<std::uint8_t>(22 + name.size());
  PutText(e, 2, method);
  quellsy::FieldWriter w(e);
  w.le32(7, packed);
  w.le32(11, packed);
  e[21] = static_cast<std::uint8_t>(name.size());
  PutText(e, 22, name);
  const Bytes data = Body(dataBytes, 33);
  e.insert(e.end(), data.begin(), data.end());
  return e;
}

Bytes LzhArchive() {
  Bytes a = LzhEntry("-lh0-", "readme.txt", 700, 700);
  const Bytes second = LzhEntry("-lh5-", "data.bin", 900, 900);
  a.insert(a.end(), second.begin(), second.end());
  a.push_back(0);  // end of archive
  return a;
}

Bytes Text(const std::string& head, std::size_t length) {
  Bytes b = Body(length, 5);
  PutText(b, 0, head);
  return b;
}

Bytes TextLines(const std::string& head, std::size_t length) {
  std::string text = head;
  for (int line = 0; text.size() < length; ++line)
    text += "<p>line " + std::to_string(line) + " of the quick brown fox</p>\n";
  text.resize(length);
  return Bytes(text.begin(), text.end());
}

void Append(Bytes& b, std::string_view text) { b.insert(b.end(), text.begin(), text.end()); }

void Append(Bytes& b, const Bytes& more) { b.insert(b.end(), more.begin(), more.end()); }

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
  quellsy::FieldWriter version(koly);
  version.be32(4, 4);
  version.be32(8, 512);
  std::fill(koly.end() - 120, koly.end(), 0);
  Append(b, koly);
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

Bytes PstFile(std::uint8_t version, std::size_t size) {
  Bytes b = Body(size, 13);
  PutText(b, 0, "!BDN");
  b[10] = version;
  quellsy::FieldWriter w(b);
  if (version == 23) w.le64(184, size);
  if (version == 14) w.le32(168, static_cast<std::uint32_t>(size));
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
  quellsy::FieldWriter(b).le32(size - 72, 0x00020000);
  return b;
}

Bytes JksFile(std::size_t length) {
  // Header, one trusted certificate entry (tag, alias, time, type, certificate), the digest.
  constexpr std::size_t kFixed = 12 + 4 + 2 + 5 + 8 + 2 + 5 + 4 + 20;
  Bytes b = Body(std::max(length, kFixed + 1), 7);
  FieldWriter w(b);
  w.be32(0, 0xFEEDFEED);
  w.be32(4, 2);
  w.be32(8, 1);
  w.be32(12, 2);
  w.be16(16, 5);
  PutText(b, 18, "mykey");
  w.be16(31, 5);
  PutText(b, 33, "X.509");
  w.be32(38, static_cast<std::uint32_t>(b.size() - kFixed));
  return b;
}

Bytes Psafe3File(std::size_t length) {
  using namespace std::string_view_literals;
  // Header and records, the end block, the 32-byte HMAC.
  Bytes b = Body(std::max<std::size_t>(length, 4 + 16 + 32), 13);
  PutText(b, 0, "PWS3");
  PutText(b, b.size() - 48, "PWS3-EOFPWS3-EOF"sv);
  return b;
}

// A 60-byte header, then "atad" blocks of these data lengths (length at +16, 24-byte block header).
Bytes NgrrFile(std::initializer_list<std::uint32_t> blocks) {
  Bytes b = Body(60, 8);
  PutText(b, 0, "-in-");
  for (const std::uint32_t length : blocks) {
    Bytes block = Body(24 + length, 9);
    PutText(block, 0, "atad");
    FieldWriter(block).le32(16, length);
    b.insert(b.end(), block.begin(), block.end());
  }
  return b;
}

// A RIFX chunk tree of `treeBytes` bytes after its 8-byte header, then an XMP packet when asked.
Bytes AepFile(std::uint32_t treeBytes, bool packet) {
  Bytes b = Body(8 + treeBytes, 10);
  PutText(b, 0, "RIFX");
  FieldWriter(b).be32(4, treeBytes);
  PutText(b, 8, "Egg!");
  if (packet) {
    const std::string xmp = "<?xpacket begin='' id='W5M0MpCehiHzreSzNTczkc9d'?><x:xmpmeta /><?xpacket end='w'?>";
    b.insert(b.end(), xmp.begin(), xmp.end());
  }
  return b;
}

// A mail folder (one of the class identifiers, its size stated at 124) or the folder list.
Bytes DbxFile(std::size_t size, bool folderList) {
  Bytes b = Body(size, 12);
  constexpr std::uint8_t kFolder[16] = {0xCF, 0xAD, 0x12, 0xFE, 0xC5, 0xFD, 0x74, 0x6F,
                                        0x66, 0xE3, 0xD1, 0x11, 0x9A, 0x4E, 0x00, 0xC0};
  constexpr std::uint8_t kFolderList[16] = {0xF7, 0x89, 0x34, 0x2C, 0xF7, 0xF0, 0xEE, 0x6D,
                                            0xAF, 0x22, 0x89, 0xD1, 0x00, 0xFF, 0xF0, 0xB0};
  const std::uint8_t* id = folderList ? kFolderList : kFolder;
  std::copy(id, id + 16, b.begin());
  if (!folderList) FieldWriter(b).le32(124, static_cast<std::uint32_t>(size));
  return b;
}

// An e-book database: the 78-byte header ("BOOKMOBI" at 60, the record count at 76), the record table,
// records of these lengths and the 4-byte end-of-file record as the last one.
Bytes MobiFile(std::initializer_list<std::uint32_t> records) {
  Bytes b = Body(78, 36);
  PutText(b, 60, "BOOKMOBI");
  const auto count = static_cast<std::uint32_t>(records.size() + 1);
  FieldWriter(b).be32(72, 0);
  FieldWriter(b).be16(76, static_cast<std::uint16_t>(count));
  std::uint32_t at = 78 + 8 * count + 2;
  for (const std::uint32_t length : records) {
    Append(b, Bytes(8, 0));
    FieldWriter(b).be32(b.size() - 8, at);
    at += length;
  }
  Append(b, Bytes(8, 0));
  FieldWriter(b).be32(b.size() - 8, at);
  Append(b, {0x11, 0x22});
  for (const std::uint32_t length : records) Append(b, Body(length, 37));
  Append(b, {0xE9, 0x8E, 0x0D, 0x0A});
  return b;
}

Bytes SibFile(std::size_t length) {
  Bytes b = Text("xSIBELIUS", length);
  b[0] = 0x0F;
  return b;
}

Bytes WpgFile(std::size_t length) {
  Bytes b = Text("wpg", length);
  b[3] = 0;
  return b;
}

// An InDesign document: the header page naming page 1 as the first data page, objects with streams of
// these lengths, zero padding to the end of the last page.
Bytes InddFile(std::initializer_list<std::uint32_t> streams) {
  using namespace std::string_view_literals;
  Bytes b = Body(RawSpeed::InddAnalyser::kPageSize, 38);
  PutText(b, 0, "\x06\x06\xED\xF5\xD8\x1D\x46\xE5\xBD\x31\xEF\xE7\xFE\x74\xB7\x1D" "DOCUMENT"sv);
  FieldWriter(b).le32(280, 1);
  for (const std::uint32_t length : streams) {
    Bytes object = Body(64 + length, 39);
    PutText(object, 0, "\xDE\x39\x39\x79\x51\x88\x4B\x6C\x8E\x63\xEE\xF8\xAE\xE0\xDD\x38"sv);
    FieldWriter(object).le32(24, length);
    Append(b, object);
  }
  b.resize((b.size() + RawSpeed::InddAnalyser::kPageSize - 1) / RawSpeed::InddAnalyser::kPageSize *
               RawSpeed::InddAnalyser::kPageSize,
           0);
  return b;
}

// A Magic Lantern video: the file header block, the raw-format block, then frame blocks of these lengths.
Bytes MlvFile(std::initializer_list<std::uint32_t> frames) {
  Bytes b;
  const auto block = [&](const char* tag, std::uint32_t length) {
    Bytes one = Body(length, 40);
    PutText(one, 0, tag);
    FieldWriter(one).le32(4, length);
    Append(b, one);
  };
  block("MLVI", 52);
  block("RAWI", 180);
  for (const std::uint32_t length : frames) block("VIDF", length);
  return b;
}

Bytes Fh11File(std::size_t size) {
  Bytes b = formats::Body(size);
  const std::uint8_t lead[] = {0x1C, 0x01, 0x00, 0x00};
  const std::uint8_t header[] = {0x02, 0x00, 0x04, 0x1C, 0x01, 0x14, 0x00, 0x02, 0x00, 0x14, 0x1C, 0x01};
  std::copy(std::begin(lead), std::end(lead), b.begin());
  std::copy(std::begin(header), std::end(header), b.begin() + 4);
  formats::PutText(b, 34, "11");
  return b;
}

Bytes CurFile() {
  Bytes b = Body(6 + 16 + 744);
  quellsy::FieldWriter w(b);
  w.le16(0, 0);
  w.le16(2, 2);
  w.le16(4, 1);
  b[6 + 3] = 0;
  w.le16(6 + 4, 5);
  w.le16(6 + 6, 7);
  w.le32(6 + 8, 744);
  w.le32(6 + 12, 22);
  return b;
}

}  // namespace quellsy::test::formats

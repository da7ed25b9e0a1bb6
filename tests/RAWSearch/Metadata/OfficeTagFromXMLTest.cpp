// The core-properties reader over local file headers whose data zlib deflated here: the values it stores,
// the members it refuses, and members whose data are not all at hand yet.

#include <gtest/gtest.h>
#include <zlib.h>

#include <string>
#include <vector>

#include "RAWSearch/Metadata/OfficeTagFromXML.h"
#include "Utility/ByteReader.h"

namespace quellsy::test {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Brance::OfficeTagFromXML;

Bytes RawDeflate(const std::string& text) {
  z_stream stream{};
  EXPECT_EQ(deflateInit2(&stream, 9, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY), Z_OK);
  Bytes out(deflateBound(&stream, text.size()));
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
  stream.avail_in = static_cast<uInt>(text.size());
  stream.next_out = out.data();
  stream.avail_out = static_cast<uInt>(out.size());
  EXPECT_EQ(deflate(&stream, Z_FINISH), Z_STREAM_END);
  out.resize(stream.total_out);
  deflateEnd(&stream);
  return out;
}

// "docProps/core.xml" as a local header and its data; the sizes may be stated otherwise than they are.
Bytes Member(const std::string& xml, std::uint16_t method = 8, std::optional<std::uint32_t> uncompressed = {}) {
  const std::string name = "docProps/core.xml";
  const Bytes data = method == 8 ? RawDeflate(xml) : Bytes(xml.begin(), xml.end());
  Bytes b(30 + name.size(), 0);
  quellsy::FieldWriter w(b);
  w.le32(0, 0x04034B50);
  w.le16(8, method);
  w.le32(18, static_cast<std::uint32_t>(data.size()));
  w.le32(22, uncompressed.value_or(static_cast<std::uint32_t>(xml.size())));
  w.le16(26, static_cast<std::uint16_t>(name.size()));
  std::copy(name.begin(), name.end(), b.begin() + 30);
  b.insert(b.end(), data.begin(), data.end());
  return b;
}

std::string Core(const std::string& title) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><cp:coreProperties xmlns:cp=\"c\" xmlns:dc=\"d\" "
         "xmlns:dcterms=\"t\"><dc:title>" +
         title +
         "</dc:title><dc:creator>Ann</dc:creator><cp:lastModifiedBy>Bob</cp:lastModifiedBy>"
         "<dcterms:created>2021-03-04T05:06:07Z</dcterms:created></cp:coreProperties>";
}

TEST(OfficeTagFromXML, StoresTheFiveValues) {
  FileProperty out;
  const Bytes member = Member(Core("Plan"));
  EXPECT_EQ(OfficeTagFromXML::Instance().GetOfficeTagFromXML(member, out), OfficeTagFromXML::Result::kRead);
  EXPECT_EQ(out[FileProperty::kTitle], "Plan");
  EXPECT_EQ(out[FileProperty::kAuthor], "Ann");
  EXPECT_EQ(out[FileProperty::kLastAuthor], "Bob");
  EXPECT_EQ(out[FileProperty::kCreationTime], "2021-03-04 05-06-07 ");
  EXPECT_TRUE(out[FileProperty::kModificationTime].empty());
}

TEST(OfficeTagFromXML, RefusesAndWaits) {
  auto& reader = OfficeTagFromXML::Instance();
  FileProperty out;
  EXPECT_EQ(reader.GetOfficeTagFromXML(Member(Core("Plan"), 0), out), OfficeTagFromXML::Result::kRefused)
      << "stored";
  EXPECT_EQ(reader.GetOfficeTagFromXML(Member(Core("Plan"), 8, 10240), out), OfficeTagFromXML::Result::kRefused)
      << "10240 bytes";
  EXPECT_EQ(reader.GetOfficeTagFromXML(Member(Core("Plan"), 8, 10239), out), OfficeTagFromXML::Result::kRead)
      << "10239 bytes";
  // Stated smaller than it inflates: the output stops at the stated size, and the cut text is not parsed.
  FileProperty cut;
  EXPECT_EQ(reader.GetOfficeTagFromXML(Member(Core("Plan"), 8, 40), cut), OfficeTagFromXML::Result::kRead);
  EXPECT_TRUE(cut[FileProperty::kTitle].empty());
  const Bytes member = Member(Core("Plan"));
  for (std::size_t length : {std::size_t{0}, std::size_t{29}, member.size() - 1}) {
    const quellsy::ByteSpan part(member.data(), length);
    EXPECT_EQ(reader.GetOfficeTagFromXML(part, out), OfficeTagFromXML::Result::kNeedMore) << length;
  }
}

TEST(OfficeTagFromXML, StoresNothingItShouldNot) {
  auto& reader = OfficeTagFromXML::Instance();
  FileProperty out;
  EXPECT_EQ(reader.GetOfficeTagFromXML(Member("\xEF\xBB\xBF" + Core("Plan")), out), OfficeTagFromXML::Result::kRead);
  EXPECT_TRUE(out[FileProperty::kTitle].empty()) << "a byte-order mark before <?";
  FileProperty longTitle;
  EXPECT_EQ(reader.GetOfficeTagFromXML(Member(Core(std::string(2000, 'T'))), longTitle),
            OfficeTagFromXML::Result::kRead);
  EXPECT_TRUE(longTitle[FileProperty::kTitle].empty());
  EXPECT_EQ(longTitle[FileProperty::kAuthor], "Ann");
  // Deep nesting is not parsed.
  std::string deep = "<?xml version=\"1.0\"?>";
  for (int k = 0; k < 2000; ++k) deep += "<a>";
  FileProperty nested;
  EXPECT_EQ(reader.GetOfficeTagFromXML(Member(deep), nested), OfficeTagFromXML::Result::kRead);
  EXPECT_TRUE(nested[FileProperty::kTitle].empty());
}

}  // namespace
}  // namespace quellsy::test

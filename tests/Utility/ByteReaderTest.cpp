#include "Utility/ByteReader.h"

#include <gtest/gtest.h>

#include <array>
#include <limits>

namespace quellsy {
namespace {

constexpr std::array<std::uint8_t, 8> kBytes = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08};

TEST(ByteReader, ReadsBothOrdersInsideTheSpan) {
  const ByteSpan span(kBytes);
  EXPECT_EQ(le16(span, 0), 0x0201);
  EXPECT_EQ(be16(span, 6), 0x0708);
  EXPECT_EQ(le32(span, 4), 0x08070605u);
  EXPECT_EQ(be32(span, 0), 0x01020304u);
  EXPECT_EQ(le64(span, 0), 0x0807060504030201ull);
  EXPECT_EQ(be64(span, 0), 0x0102030405060708ull);
}

TEST(ByteReader, FieldsReachingPastTheSpanAreRefused) {
  const ByteSpan span(kBytes);
  EXPECT_FALSE(le16(span, 7));
  EXPECT_FALSE(le32(span, 5));
  EXPECT_FALSE(be64(span, 1));
  EXPECT_FALSE(u8(span, 8));
  EXPECT_FALSE(le32(span, std::numeric_limits<std::size_t>::max() - 1));  // no wrap-around
  EXPECT_FALSE(le16(ByteSpan{}, 0));

  FieldReader reader(span);
  EXPECT_EQ(reader.le32(0), 0x04030201u);
  EXPECT_TRUE(reader.ok());
  EXPECT_EQ(reader.le64(4), 0u);
  EXPECT_FALSE(reader.ok());
  EXPECT_TRUE(reader.bytes(9, 0).empty());
}

TEST(ByteReader, WriterRoundTripsAndRefusesOutOfRange) {
  std::array<std::uint8_t, 16> out{};
  FieldWriter writer{MutableByteSpan(out)};
  writer.le32(0, 0xDEADBEEF);
  writer.be16(4, 0x1234);
  writer.le64(8, 0x1122334455667788ull);
  EXPECT_TRUE(writer.ok());
  const auto before = out;
  writer.le32(14, 1);
  EXPECT_FALSE(writer.ok());
  EXPECT_EQ(out, before);

  FieldReader reader{ByteSpan(out)};
  EXPECT_EQ(reader.le32(0), 0xDEADBEEFu);
  EXPECT_EQ(reader.be16(4), 0x1234);
  EXPECT_EQ(reader.le64(8), 0x1122334455667788ull);
  EXPECT_TRUE(reader.ok());
}

}  // namespace
}  // namespace quellsy

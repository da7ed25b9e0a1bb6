// The LZVN decoder: opcodes worked out by hand, malformed streams, round trips through the test encoder and
// the real chunks of a resource fork written by the operating system's own compressor.

#include "HFSPlus/HFSPlusLib/LzvnDecoder.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "support/PublicFixture.h"
#include "support/TempDir.h"
#include "support/hfsplus/LzvnTestEncoder.h"

namespace {

using quellsy::lzvn::Decode;

std::vector<std::uint8_t> Bytes(std::initializer_list<int> values) {
  std::vector<std::uint8_t> out;
  for (int v : values) out.push_back(static_cast<std::uint8_t>(v));
  return out;
}

struct HandCase {
  const char* name;
  std::vector<std::uint8_t> stream;
  std::string expected;
};

class LzvnHandTest : public ::testing::TestWithParam<HandCase> {};

TEST_P(LzvnHandTest, DecodesToTheWorkedOutBytes) {
  const HandCase& c = GetParam();
  std::vector<std::uint8_t> out(c.expected.size() + 16, 0xAA);
  const auto got = Decode(c.stream, out);
  ASSERT_TRUE(got.has_value());
  ASSERT_EQ(*got, c.expected.size());
  EXPECT_EQ(std::string(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(*got)), c.expected);
}

// Each stream ends with the end-of-stream opcode; the comments give the fields by hand.
INSTANTIATE_TEST_SUITE_P(
    Opcodes, LzvnHandTest,
    ::testing::Values(
        HandCase{"SmallLiterals", Bytes({0xE3, 'a', 'b', 'c', 0x06}), "abc"},
        // 'a', then L0 M3 distance 1.
        HandCase{"SmallDistance", Bytes({0xE1, 'a', 0x00, 0x01, 0x06}), "aaaa"},
        // L1 M3 distance 0x102 would reach before the start; L2 M4 distance 2 with literals "cd" after "ab".
        HandCase{"SmallDistanceWithLiterals", Bytes({0xE2, 'a', 'b', 0x88, 0x02, 'c', 'd', 0x06}), "abcdcdcd"},
        // 101 LL=0 MMM=0, byte1 000010|00: distance 2, M 3.
        HandCase{"MediumDistance", Bytes({0xE2, 'a', 'b', 0xA0, 0x08, 0x00, 0x06}), "ababa"},
        // M = (1 << 2 | 3) + 3 = 10 at distance 1.
        HandCase{"MediumDistanceLongMatch", Bytes({0xE1, 'z', 0xA1, 0x07, 0x00, 0x06}), "zzzzzzzzzzz"},
        // LLMMM111: L0 M3, distance 0x0002 little-endian.
        HandCase{"LargeDistance", Bytes({0xE2, 'x', 'y', 0x07, 0x02, 0x00, 0x06}), "xyxyx"},
        // Then LLMMM110: L1 'z', M3 at the previous distance 2.
        HandCase{"PreviousDistance", Bytes({0xE2, 'x', 'y', 0x07, 0x02, 0x00, 0x46, 'z', 0x06}), "xyxyxzxzx"},
        // Then 1111MMMM: two more at distance 2.
        HandCase{"SmallMatch", Bytes({0xE2, 'x', 'y', 0x07, 0x02, 0x00, 0xF2, 0x06}), "xyxyxyx"},
        // 11110000 MMMMMMMM: 16 + 1 at distance 1.
        HandCase{"LargeMatch", Bytes({0xE1, 'q', 0x00, 0x01, 0xF0, 0x01, 0x06}), std::string(21, 'q')},
        HandCase{"LargeLiterals",
                 Bytes({0xE0, 0x01, 'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', 'J', 'K', 'L', 'M', 'N', 'O', 'P',
                        'Q', 0x06}),
                 "ABCDEFGHIJKLMNOPQ"},
        HandCase{"NoOperations", Bytes({0x0E, 0xE1, 'n', 0x16, 0x06}), "n"},
        HandCase{"BytesAfterTheEndIgnored", Bytes({0xE1, 'e', 0x06, 0xE1, 'X', 0xFF, 0x70}), "e"},
        HandCase{"EmptyStream", Bytes({0x06, 0, 0, 0, 0, 0, 0, 0}), ""}),
    [](const auto& p) { return std::string(p.param.name); });

struct BadCase {
  const char* name;
  std::vector<std::uint8_t> stream;
  std::size_t capacity;
};

class LzvnMalformedTest : public ::testing::TestWithParam<BadCase> {};

TEST_P(LzvnMalformedTest, IsRefused) {
  const BadCase& c = GetParam();
  std::vector<std::uint8_t> out(c.capacity);
  EXPECT_FALSE(Decode(c.stream, out).has_value());
}

INSTANTIATE_TEST_SUITE_P(
    Streams, LzvnMalformedTest,
    ::testing::Values(BadCase{"UndefinedOpcode1E", Bytes({0xE1, 'a', 0x1E, 0x06}), 16},
                      BadCase{"UndefinedOpcode70", Bytes({0xE1, 'a', 0x70, 0x01, 0x06}), 16},
                      BadCase{"UndefinedOpcodeD5", Bytes({0xE1, 'a', 0xD5, 0x01, 0x06}), 16},
                      BadCase{"MatchBeforeTheStart", Bytes({0xE1, 'a', 0x00, 0x02, 0x06}), 16},
                      BadCase{"MatchWithoutDistance", Bytes({0xE1, 'a', 0xF3, 0x06}), 16},
                      BadCase{"LiteralsCutShort", Bytes({0xE3, 'a'}), 16},
                      BadCase{"OpcodeCutShort", Bytes({0xE1, 'a', 0x07, 0x01}), 16},
                      BadCase{"NoEndOfStream", Bytes({0xE1, 'a'}), 16},
                      BadCase{"LiteralsPastTheOutput", Bytes({0xE3, 'a', 'b', 'c', 0x06}), 2},
                      BadCase{"MatchPastTheOutput", Bytes({0xE1, 'a', 0x00, 0x01, 0x06}), 3}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(LzvnDecoderTest, StopsWhenTheOutputIsFull) {
  const auto stream = Bytes({0xE3, 'a', 'b', 'c', 0xE1, 'd', 0x06});
  std::vector<std::uint8_t> out(3);
  EXPECT_EQ(Decode(stream, out), std::optional<std::size_t>(3));
}

TEST(LzvnDecoderTest, ShortStreamReportsItsOwnLength) {
  std::vector<std::uint8_t> out(100, 0xAA);
  EXPECT_EQ(Decode(Bytes({0xE2, 'h', 'i', 0x06}), out), std::optional<std::size_t>(2));
}

std::vector<std::uint8_t> Sample(const std::string& kind) {
  std::mt19937 random(7);
  std::vector<std::uint8_t> data;
  if (kind == "random") {
    for (int i = 0; i < 70000; ++i) data.push_back(static_cast<std::uint8_t>(random()));
  } else if (kind == "text") {
    const std::string words = "the quick brown fox jumps over the lazy dog and recovers every deleted file ";
    while (data.size() < 65536) data.insert(data.end(), words.begin(), words.end());
    data.resize(65536);
  } else if (kind == "runs") {
    for (int i = 0; i < 40; ++i) data.insert(data.end(), static_cast<std::size_t>(i * 97 + 1), static_cast<std::uint8_t>(i));
  } else if (kind == "far") {
    // A random block repeated after 20000 bytes: matches at distances past 16383.
    std::vector<std::uint8_t> block;
    for (int i = 0; i < 20000; ++i) block.push_back(static_cast<std::uint8_t>(random()));
    for (int i = 0; i < 3; ++i) data.insert(data.end(), block.begin(), block.end());
  } else if (kind == "mixed") {
    for (int i = 0; i < 30000; ++i) data.push_back(static_cast<std::uint8_t>(random() % 4 == 0 ? random() : 'a' + i % 7));
  }
  return data;
}

class LzvnRoundTripTest : public ::testing::TestWithParam<const char*> {};

TEST_P(LzvnRoundTripTest, EncodedDataDecodesBack) {
  const auto data = Sample(GetParam());
  const auto stream = quellsy::test::LzvnEncode(data);
  std::vector<std::uint8_t> out(data.size());
  const auto got = Decode(stream, out);
  ASSERT_TRUE(got.has_value());
  EXPECT_EQ(*got, data.size());
  EXPECT_EQ(out, data);
}

INSTANTIATE_TEST_SUITE_P(Samples, LzvnRoundTripTest, ::testing::Values("random", "text", "runs", "far", "mixed", "empty"));

// The chunk table of a real type-8 resource fork: little-endian offsets, the first its own length.
TEST(LzvnDecoderTest, RealForkChunksDecodeToTheOriginal) {
  for (const char* name : {"lzvn", "tahoe_type8"}) {
    SCOPED_TRACE(name);
    const auto fork = quellsy::test::ReadFile(
        quellsy::test::PublicFixture(std::string("hfsplus-forensic/decmpfs/") + name + ".rsrc"));
    const auto expected = quellsy::test::ReadFile(
        quellsy::test::PublicFixture(std::string("hfsplus-forensic/decmpfs/") + name + ".expected"));
    ASSERT_GE(fork.size(), 8u);
    const std::uint32_t tableBytes = *quellsy::le32(fork, 0);
    std::vector<std::uint8_t> decoded;
    for (std::uint32_t entry = 0; entry + 4 < tableBytes; entry += 4) {
      const std::uint32_t from = *quellsy::le32(fork, entry);
      const std::uint32_t to = *quellsy::le32(fork, entry + 4);
      ASSERT_LE(to, fork.size());
      std::vector<std::uint8_t> chunk(65536);
      const auto got = Decode(quellsy::ByteSpan(fork).subspan(from, to - from), chunk);
      ASSERT_TRUE(got.has_value());
      decoded.insert(decoded.end(), chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(*got));
    }
    EXPECT_EQ(decoded, expected);
  }
}

}  // namespace

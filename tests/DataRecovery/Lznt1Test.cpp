#include "DataRecovery/Lznt1.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DataRecovery/Lznt1TestEncoder.h"
#include "support/TempDir.h"

namespace quellsy::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Text(std::size_t size) {
  const std::string line = "The quick brown fox jumps over the lazy dog; ";
  Bytes out;
  for (std::size_t i = 0; out.size() < size; ++i) {
    const std::string piece = line + std::to_string(i % 37) + "\n";
    out.insert(out.end(), piece.begin(), piece.end());
  }
  out.resize(size);
  return out;
}

Bytes Repeated(std::size_t size, std::uint8_t value) { return Bytes(size, value); }

struct RoundTripCase {
  const char* name;
  Bytes data;
};

class Lznt1RoundTrip : public testing::TestWithParam<RoundTripCase> {};

TEST_P(Lznt1RoundTrip, DecodesWhatTheEncoderMade) {
  const Bytes& data = GetParam().data;
  const Bytes encoded = Lznt1Encode(data);
  Bytes out(65536 + 16, 0xCC);
  const std::size_t produced = lznt1::DecompressUnit(encoded, std::span(out).first(65536));
  ASSERT_EQ(produced, data.size());
  EXPECT_TRUE(std::equal(data.begin(), data.end(), out.begin()));
  for (std::size_t i = 65536; i < out.size(); ++i) ASSERT_EQ(out[i], 0xCC) << "written past the output at " << i;
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, Lznt1RoundTrip,
    testing::Values(RoundTripCase{"OneByte", Bytes{0x41}}, RoundTripCase{"ShortText", Text(100)},
                    RoundTripCase{"OneFullChunk", Text(4096)}, RoundTripCase{"ChunkPlusOne", Text(4097)},
                    RoundTripCase{"Zeros", Repeated(65536, 0)}, RoundTripCase{"Random", PatternBytes(9000, 3)},
                    RoundTripCase{"WholeUnitText", Text(65536)}),
    [](const testing::TestParamInfo<RoundTripCase>& param) { return std::string(param.param.name); });

TEST(Lznt1, StoredChunkWithLargestHeaderCopies4096Bytes) {
  Bytes chunk{0xFF, 0x3F};
  const Bytes payload = PatternBytes(4096, 9);
  chunk.insert(chunk.end(), payload.begin(), payload.end());
  Bytes out(4096);
  EXPECT_EQ(lznt1::ChunkLength(chunk), 4098u);
  ASSERT_EQ(lznt1::DecompressChunk(chunk, out), 4096u);
  EXPECT_EQ(out, payload);
}

TEST(Lznt1, BackReferencesUseTheWidthForTheirPosition) {
  // "abc" then a token at position 3 (4 offset bits): offset 3, length 9 -> "abcabcabcabc".
  const std::uint16_t token = ((3 - 1) << 12) | (9 - 3);
  const Bytes chunk{0x05, 0xB0, 0x08, 'a', 'b', 'c', static_cast<std::uint8_t>(token), static_cast<std::uint8_t>(token >> 8)};
  Bytes out(64);
  const std::size_t produced = lznt1::DecompressChunk(chunk, out);
  EXPECT_EQ(std::string(out.begin(), out.begin() + static_cast<long>(produced)), "abcabcabcabc");
}

TEST(Lznt1, MalformedChunksStayInsideTheirBuffers) {
  struct Case {
    const char* name;
    Bytes in;
    std::size_t outCapacity;
    std::size_t expected;
  };
  const std::vector<Case> cases = {
      // Claims 4096 bytes but only 3 follow: only those are read.
      {"StoredClaimsMoreThanGiven", {0xFF, 0x3F, 1, 2, 3}, 4096, 3},
      // A stored chunk longer than the output is cut at the output's end.
      {"StoredLongerThanOutput", {0x09, 0x30, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, 4, 4},
      // A first token reaching before the output yields zeros, 3 + 15 of them.
      {"ReferenceBeforeStart", {0x03, 0xB0, 0x01, 0x0F, 0x00}, 64, 18},
      // A token of the longest length into a small output stops at its end.
      {"LongMatchSmallOutput", {0x04, 0xB0, 0x02, 'x', 0xFF, 0x0F}, 10, 10},
      // The header claims a body the input does not hold; a token cut in half ends the decode.
      {"TokenCutInHalf", {0x10, 0xB0, 0x01, 0x05}, 64, 0},
      {"HeaderOnly", {0x00, 0xB0}, 64, 0},
      {"OneByte", {0x01}, 64, 0},
  };
  for (const Case& c : cases) {
    Bytes out(c.outCapacity + 8, 0xCC);
    const std::size_t produced = lznt1::DecompressChunk(c.in, std::span(out).first(c.outCapacity));
    EXPECT_EQ(produced, c.expected) << c.name;
    for (std::size_t i = c.outCapacity; i < out.size(); ++i) ASSERT_EQ(out[i], 0xCC) << c.name;
  }
}

TEST(Lznt1, ZeroHeaderEndsTheUnit) {
  Bytes unit = Lznt1Encode(Text(3000));
  unit.push_back(0);
  unit.push_back(0);
  const Bytes more = Lznt1Encode(Text(500));
  unit.insert(unit.end(), more.begin(), more.end());
  Bytes out(65536);
  EXPECT_EQ(lznt1::DecompressUnit(unit, out), 3000u);
}

}  // namespace
}  // namespace quellsy::test

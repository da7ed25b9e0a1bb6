// ID3 texts: synchsafe sizes and text frames in each stated encoding, as UTF-8.

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "RAWSearch/Metadata/Id3Text.h"

namespace quellsy::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct SynchsafeCase {
  Bytes bytes;
  std::optional<std::uint32_t> value;
};

TEST(Id3Text, SynchsafeIntegersUseSevenBitsPerByte) {
  const std::vector<SynchsafeCase> cases = {
      {{0x00, 0x00, 0x05, 0x13}, 5 * 128 + 0x13},
      {{0x7F, 0x7F, 0x7F, 0x7F}, 0x0FFFFFFF},
      {{0x01, 0x00, 0x00, 0x00}, 1u << 21},
      {{0x00, 0x00, 0x00, 0x80}, std::nullopt},
      {{0x00, 0x00, 0x00}, std::nullopt},
  };
  for (const SynchsafeCase& c : cases) EXPECT_EQ(Id3Text::SynchsafeInteger(c.bytes), c.value);
}

struct FrameCase {
  const char* name;
  Bytes frame;
  std::string text;
};

TEST(Id3Text, TextFramesBecomeUtf8ByTheirEncodingByte) {
  const std::vector<FrameCase> cases = {
      {"UTF-8", {3, 'S', 0xC3, 0xB4, 'n', 'g', 0}, "S\u00f4ng"},
      {"UTF-16 little-endian", {1, 0xFF, 0xFE, 'B', 0, 0xE4, 0, 'n', 0, 'd', 0}, "B\u00e4nd"},
      {"UTF-16 ends at a zero unit", {1, 0xFF, 0xFE, 'A', 0, 0, 0, 'B', 0}, "A"},
      {"UTF-16 big-endian mark", {1, 0xFE, 0xFF, 0, 'B', 0, 'x'}, ""},
      {"UTF-16 too short", {1, 0xFF, 0xFE}, ""},
      {"UTF-16 without mark", {2, 0, 'B', 0, 'x'}, ""},
      {"unknown encoding", {7, 'a', 'b', 'c'}, ""},
      {"ASCII", {0, 'F', 'i', 'r', 's', 't', ' ', 'S', 'o', 'n', 'g', 0}, "First Song"},
      {"empty", {}, ""},
  };
  for (const FrameCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::string kept;
    EXPECT_EQ(Id3Text::DecodeTextFrame(c.frame, true, kept), c.text);
  }
}

TEST(Id3Text, CharsetsThatIconvDoesNotKnowGiveNothing) {
  const Bytes text = {'a', 'b'};
  EXPECT_FALSE(Id3Text::ToUtf8(text, "NO-SUCH-SET").has_value());
  EXPECT_FALSE(Id3Text::ToUtf8(text, "").has_value());
  EXPECT_EQ(Id3Text::ToUtf8(Bytes{'C', 'a', 'f', 0xE9}, "LATIN1"), std::optional<std::string>("Caf\u00e9"));
}

}  // namespace
}  // namespace quellsy::test

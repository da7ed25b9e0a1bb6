#include "Utility/TextConvert.h"

#include <gtest/gtest.h>

namespace quellsy {
namespace {

TEST(TextConvert, Utf16LeToUtf8ByPolicy) {
  struct Case {
    const char* name;
    std::vector<std::uint16_t> units;
    std::optional<std::string> fail, stop, replace;
  };
  const std::vector<Case> cases = {
      {"ascii", {'a', 'b'}, "ab", "ab", "ab"},
      {"accent", {0x00E9, 't', 0x00E9}, "\xC3\xA9t\xC3\xA9", "\xC3\xA9t\xC3\xA9", "\xC3\xA9t\xC3\xA9"},
      {"surrogate pair", {0xD83D, 0xDE00}, "\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},
      {"lone high surrogate", {'a', 0xD83D, 'b'}, std::nullopt, "a", "a_b"},
      {"lone low surrogate", {'a', 0xDE00, 'b'}, std::nullopt, "a", "a_b"},
      {"empty", {}, "", "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Utf16LeToUtf8(c.units, InvalidUtf16::kFail), c.fail);
    EXPECT_EQ(Utf16LeToUtf8(c.units, InvalidUtf16::kStop), c.stop);
    EXPECT_EQ(Utf16LeToUtf8(c.units, InvalidUtf16::kReplace), c.replace);
  }
}

TEST(TextConvert, CutLastUnitAndLongText) {
  const std::vector<std::uint8_t> cut = {'a', 0, 'b'};
  EXPECT_EQ(Utf16LeToUtf8(ByteSpan(cut), InvalidUtf16::kFail), std::nullopt);
  EXPECT_EQ(Utf16LeToUtf8(ByteSpan(cut), InvalidUtf16::kStop), "a");
  EXPECT_EQ(Utf16LeToUtf8(ByteSpan(cut), InvalidUtf16::kReplace), "a_");

  // Longer than the converter's own output buffer.
  const std::vector<std::uint16_t> many(5000, 0x20AC);  // euro signs, 3 bytes each
  const auto text = Utf16LeToUtf8(many, InvalidUtf16::kFail);
  ASSERT_TRUE(text);
  EXPECT_EQ(text->size(), 15000u);
}

}  // namespace
}  // namespace quellsy

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

TEST(TextConvert, CutUtf8KeepsCharactersWhole) {
  struct Case {
    const char* name;
    std::string text;
    std::size_t limit;
    std::string kept;
  };
  // \xC3\xA9 is U+00E9, \xE2\x82\xAC U+20AC, \xF0\x9F\x98\x80 U+1F600.
  const std::vector<Case> cases = {
      {"ascii", "abcdef", 3, "abc"},
      {"limit 0", "abc", 0, ""},
      {"already shorter", "ab", 10, "ab"},
      {"exactly the limit", "a\xC3\xA9", 3, "a\xC3\xA9"},
      {"2-byte cut after its lead", "a\xC3\xA9", 2, "a"},
      {"3-byte cut after one byte", "a\xE2\x82\xAC" "b", 2, "a"},
      {"3-byte cut after two bytes", "a\xE2\x82\xAC" "b", 3, "a"},
      {"3-byte whole", "a\xE2\x82\xAC" "b", 4, "a\xE2\x82\xAC"},
      {"4-byte cut after three bytes", "x\xF0\x9F\x98\x80", 4, "x"},
      {"4-byte cut after its lead", "x\xF0\x9F\x98\x80", 2, "x"},
      {"lead byte just past the limit", "ab\xE2\x82\xAC", 2, "ab"},
      // Bytes of no character are units of their own: kept up to the limit, never a reason to cut earlier.
      {"stray continuation bytes", "a\x80\x80\x80", 2, "a\x80"},
      {"character after a stray byte", "\x80\xC3\xA9", 2, "\x80"},
      {"sequence cut short in the text", "\xE2\x82z", 2, "\xE2\x82"},
      {"overlong form", "\xC0\xAF", 1, "\xC0"},
      {"bytes never in UTF-8", "\xFF\xFE", 1, "\xFF"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(CutUtf8(c.text, c.limit), c.kept);
  }
}

}  // namespace
}  // namespace quellsy

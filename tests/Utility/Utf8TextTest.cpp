// Text from a disk on a terminal: what a terminal would act on is shown as escapes, everything else unchanged.

#include "Utility/Utf8Text.h"

#include <gtest/gtest.h>

namespace quellsy {
namespace {

TEST(Utf8Text, EscapeForTerminal) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"plain.txt", "plain.txt"},
      {"caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80", "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80"},
      {"red\x1B[31m", "red\\x1B[31m"},
      {"bell\a title\x1B]0;owned\x07", "bell\\x07 title\\x1B]0;owned\\x07"},
      {"cr\rlf\n", "cr\\x0Dlf\\x0A"},
      {"del\x7F", "del\\x7F"},
      {"csi \xC2\x9B" "2J", "csi \\xC2\\x9B2J"},     // U+009B, the one-character CSI
      {"nbsp \xC2\xA0", "nbsp \xC2\xA0"},            // U+00A0 is printable
      {"raw \x9B" "2J", "raw \\x9B2J"},              // not UTF-8: a stray byte
      {"cut \xE2\x82", "cut \\xE2\\x82"},
      {"back\\slash", "back\\\\slash"},
  };
  for (const auto& [text, shown] : cases) EXPECT_EQ(EscapeForTerminal(text), shown) << shown;
}

TEST(Utf8Text, SequenceLengths) {
  struct Case {
    std::string text;
    std::size_t length;
  };
  const std::vector<Case> cases = {
      {"a", 1}, {"\xC3\xA9", 2}, {"\xE2\x82\xAC", 3}, {"\xF0\x9F\x98\x80", 4},
      {"\x80", 0}, {"\xC0\xAF", 0}, {"\xED\xA0\x80", 0}, {"\xF4\x90\x80\x80", 0}, {"\xE2\x82", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(Utf8SequenceLength(c.text, 0), c.length) << testing::PrintToString(c.text);
  EXPECT_EQ(Utf8SequenceLength("a", 1), 0u);
}

}  // namespace
}  // namespace quellsy

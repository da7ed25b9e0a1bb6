// Names from the disk made into names a destination takes: nothing escapes, nothing vanishes, long names fit.

#include "DataRecovery/RecoveryName.h"

#include <gtest/gtest.h>

#include <string>

namespace quellsy::test {
namespace {

std::string Repeat(const std::string& piece, int count) {
  std::string out;
  for (int i = 0; i < count; ++i) out += piece;
  return out;
}

const std::string kE = "\xC3\xA9";  // é, two bytes in UTF-8

TEST(RecoveryName, DiskNamesBecomeSafeNames) {
  struct Case {
    const char* what;
    std::string disk;
    std::string safe;
    bool shortened;
  };
  const std::vector<Case> cases = {
      {"plain", "report.txt", "report.txt", false},
      {"separators", "a/b\\c", "a_b_c", false},
      {"dot", ".", "_", false},
      {"dot dot", "..", "_", false},
      {"empty", "", "_", false},
      {"three dots are a name", "...", "...", false},
      {"C0 controls and an escape sequence", "tab\there\x1B[31m", "tab_here_[31m", false},
      {"C1 control (CSI)", "\xC2\x9Bx", "_x", false},
      {"DEL", "a\x7F", "a_", false},
      // 130 é and ".txt" are 264 bytes: 251 bytes are left for the stem, 125 whole é.
      {"long name keeps its extension", Repeat(kE, 130) + ".txt", Repeat(kE, 125) + ".txt", true},
      {"long name without extension", std::string(300, 'a'), std::string(255, 'a'), true},
      // An "extension" of 21 bytes is part of the name: cut at 255 bytes, which would split the 128th é.
      {"long extension is not kept", Repeat(kE, 200) + "." + std::string(20, 'x'), Repeat(kE, 127), true},
      {"exactly 255 bytes", std::string(251, 'a') + ".txt", std::string(251, 'a') + ".txt", false},
  };
  for (const Case& c : cases) {
    const RecoveryName name = MakeRecoveryName(c.disk);
    EXPECT_EQ(name.name, c.safe) << c.what;
    EXPECT_EQ(name.shortened, c.shortened) << c.what;
    EXPECT_LE(name.name.size(), 255u) << c.what;
  }
}

TEST(RecoveryName, NumberedAndIncompleteNamesFit) {
  EXPECT_EQ(NumberedName("b.bin", 1), "b_0001.bin");
  EXPECT_EQ(NumberedName("b.bin", 12345), "b_12345.bin");
  EXPECT_EQ(NumberedName(".hidden", 2), ".hidden_0002");
  EXPECT_EQ(NumberedName("noext", 3), "noext_0003");
  // "_0001.txt" takes 9 bytes: 246 are left, 123 whole é.
  EXPECT_EQ(NumberedName(Repeat(kE, 125) + ".txt", 1), Repeat(kE, 123) + "_0001.txt");
  EXPECT_EQ(IncompleteName("photo.jpg"), "photo.incomplete.jpg");
  EXPECT_EQ(IncompleteName("README"), "README.incomplete");
  // ".incomplete.txt" takes 15 bytes: 240 are left, 120 é.
  EXPECT_EQ(IncompleteName(Repeat(kE, 125) + ".txt"), Repeat(kE, 120) + ".incomplete.txt");
}

}  // namespace
}  // namespace quellsy::test

#include "FATLib/CIniFile.h"

#include <gtest/gtest.h>

#include "FATLib/UIConfig.h"
#include "support/TempDir.h"

namespace quellsy::test {
namespace {

void WriteText(const std::filesystem::path& path, const std::string& text) {
  WriteFile(path, std::vector<std::uint8_t>(text.begin(), text.end()));
}

std::string ReadText(const std::filesystem::path& path) {
  const auto bytes = ReadFile(path);
  return {bytes.begin(), bytes.end()};
}

struct ReadCase {
  const char* name;
  std::string text;
  int loadResult;
  std::string section;
  std::string key;
  int readResult;
  std::string value;
};

class IniRead : public ::testing::TestWithParam<ReadCase> {};

TEST_P(IniRead, LoadsAndReads) {
  const auto& c = GetParam();
  TempDir dir;
  WriteText(dir / "UIConfig.ini", c.text);
  CIniFile ini;
  EXPECT_EQ(ini.Init((dir / "UIConfig.ini").string()), c.loadResult);
  std::string value = "unchanged";
  EXPECT_EQ(ini.ReadItem(c.section, c.key, value), c.readResult);
  EXPECT_EQ(value, c.value);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IniRead,
    ::testing::Values(
        ReadCase{"Plain", "[UserExperience]\nbRevise=1\n", 0, "UserExperience", "bRevise", 0, "1"},
        // Nothing is trimmed: the key is "bRevise " and its value " 1".
        ReadCase{"BlanksBelongToNames", "[UserExperience]\nbRevise = 1\n", 0, "UserExperience", "bRevise", -1, ""},
        ReadCase{"BlankKeyReadsAsStored", "[UserExperience]\nbRevise = 1\n", 0, "UserExperience", "bRevise ", 0, " 1"},
        ReadCase{"LastLineWithoutNewline", "[S]\nkey=value", 0, "S", "key", 0, "value"},
        ReadCase{"CarriageReturnKept", "[S]\r\nkey=0\r\n", 0, "S", "key", 0, "0\r"},
        ReadCase{"RepeatedKeyKeepsLast", "[S]\nk=1\nk=2\n", 0, "S", "k", 0, "2"},
        ReadCase{"ValueWithEquals", "[S]\nk=a=b\n", 0, "S", "k", 0, "a=b"},
        ReadCase{"CommentsIgnored", "; comment\n\n[S]\n# another\nk=v\n", 0, "S", "k", 0, "v"},
        ReadCase{"EmptyValue", "[S]\nk=\n", 0, "S", "k", -1, ""},
        ReadCase{"MissingSection", "[S]\nk=v\n", 0, "T", "k", -1, "unchanged"},
        ReadCase{"KeyBeforeSection", "k=v\n[S]\nk=w\n", -1, "S", "k", -1, "unchanged"},
        ReadCase{"BracketWithoutClose", "[S]\nk=v\n[Broken\nm=n\n", -1, "S", "k", 0, "v"},
        ReadCase{"CloseBeforeOpen", "]x[Name\nk=v\n", 0, "Name", "k", 0, "v"},
        ReadCase{"TextAroundBrackets", "  [Sec]tail\nk=v\n", 0, "Sec", "k", 0, "v"},
        ReadCase{"LongLineSplits", "[S]\n" + std::string(1023, 'a') + "k=v\n", 0, "S", "k", 0, "v"}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(CIniFile, MissingFileAndMerging) {
  TempDir dir;
  CIniFile missing((dir / "none.ini").string());
  EXPECT_EQ(missing.Init(), -1);
  std::string value;
  EXPECT_EQ(missing.ReadItem("UserExperience", "bRevise", value), -1);

  WriteText(dir / "a.ini", "[S]\nk=1\n");
  WriteText(dir / "b.ini", "[S]\nm=2\n");
  CIniFile ini;
  ASSERT_EQ(ini.Init((dir / "a.ini").string()), 0);
  ASSERT_EQ(ini.Init((dir / "b.ini").c_str()), 0);
  EXPECT_EQ(ini.ReadItem("S", "k", value), 0);  // the second load merged into the first
  EXPECT_EQ(value, "1");
}

TEST(CIniFile, WriteItemRewritesInNameOrder) {
  TempDir dir;
  const auto path = dir / "UIConfig.ini";
  WriteText(path, "[b]\nz=1\ny=2\n[a]\nk=v\n");
  CIniFile ini(path.string());
  ASSERT_EQ(ini.Init(), 0);
  std::string value;

  EXPECT_EQ(ini.WriteItem("c", "new", "x"), -1);  // no such key: the file stays as it was
  EXPECT_EQ(ReadText(path), "[b]\nz=1\ny=2\n[a]\nk=v\n");

  EXPECT_EQ(ini.WriteItem("b", "y", "3"), 0);
  // Sections and keys in byte order; the section entered by the refused write is there, empty.
  EXPECT_EQ(ReadText(path), "[a]\nk=v\n\n[b]\ny=3\nz=1\n\n[c]\n\n");

  CIniFile unwritable((dir / "no-such-folder" / "x.ini").string());
  EXPECT_EQ(unwritable.WriteFile(), -1);
}

TEST(CIniFile, TrimString) {
  struct Case {
    std::string in;
    int result;
    std::string out;
  };
  for (const auto& c : std::vector<Case>{{" \tab c\t ", 0, "ab c"}, {"x", 0, "x"}, {" \t ", -1, ""}, {"", -1, ""}}) {
    std::string text = c.in;
    EXPECT_EQ(CIniFile::TrimString(text), c.result) << c.in;
    EXPECT_EQ(text, c.out);
  }
}

TEST(UIConfig, ReviseSwitch) {
  struct Case {
    const char* text;  // null: no file
    bool on;
  };
  const std::vector<Case> cases = {
      {nullptr, true},
      {"[UserExperience]\nbRevise=0\n", false},
      {"[UserExperience]\nbRevise=1\n", true},
      {"[UserExperience]\nbRevise=\n", true},
      {"[UserExperience]\nbRevise = 0\n", true},
      {"[Other]\nbRevise=0\n", true},
  };
  for (const auto& c : cases) {
    TempDir dir;
    if (c.text != nullptr) WriteText(dir / kUIConfigFileName, c.text);
    EXPECT_EQ(IsFirstClusterReviseOn(dir.path().c_str()), c.on) << (c.text ? c.text : "(no file)");
  }
}

}  // namespace
}  // namespace quellsy::test

// The summary-information reader over property-set streams built field by field: byte strings (ASCII and
// GBK), UTF-16 strings, FILETIMEs printed in local time (the test runs in UTC), refused sets and sections.

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

#include "Formats/CompoundFileSamples.h"
#include "RAWSearch/Metadata/CSummaryInFormation.h"

namespace quellsy::test::formats {
namespace {

class SummaryInformationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* tz = std::getenv("TZ");
    saved_ = tz ? std::optional<std::string>(tz) : std::nullopt;
    setenv("TZ", "UTC", 1);
    tzset();
  }
  void TearDown() override {
    if (saved_)
      setenv("TZ", saved_->c_str(), 1);
    else
      unsetenv("TZ");
    tzset();
  }
  static std::uint32_t Read(const Bytes& stream, FileProperty& out) {
    CSummaryInFormation reader;
    return reader.GetFileInformation(stream.data(), out, static_cast<int>(stream.size()));
  }

 private:
  std::optional<std::string> saved_;
};

TEST_F(SummaryInformationTest, TextsLandInTheirSlots) {
  // "中文" in GBK.
  const std::string gbk = "\xD6\xD0\xCE\xC4";
  struct Case {
    const char* what;
    PropertyValue value;
    FileProperty::Slot slot;
    std::string expected;
  };
  const Case cases[] = {
      {"ASCII title", StringProperty(2, "Plan"), FileProperty::kTitle, "Plan"},
      {"GBK author", StringProperty(4, gbk), FileProperty::kAuthor, "\xE4\xB8\xAD\xE6\x96\x87"},
      {"UTF-8 last author", StringProperty(8, "J\xC3\xBCrgen"), FileProperty::kLastAuthor, "J\xC3\xBCrgen"},
      {"title of 30 characters cut to 24", StringProperty(2, "abcdefghijklmnopqrstuvwxyz0123"), FileProperty::kTitle,
       "abcdefghijklmnopqrstuvwx"},
      {"leading blanks", StringProperty(2, "   Memo"), FileProperty::kTitle, "Memo"},
      {"UTF-16 title", UnicodeProperty(2, u"R\u00E9sum\u00E9"), FileProperty::kTitle, "R\xC3\xA9sum\xC3\xA9"},
      {"creation time", FileTimeProperty(12, FileTimeOfUnix(1276578367)), FileProperty::kCreationTime,
       "2010-06-15-05-06-07"},
      // Printed as stored (no day added in any year).
      {"last-save time", FileTimeProperty(13, FileTimeOfUnix(1614834367)), FileProperty::kModificationTime,
       "2021-03-04-05-06-07"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FileProperty out;
    EXPECT_EQ(Read(SummaryStream({c.value}), out), 1u);
    EXPECT_EQ(out[c.slot], c.expected);
  }
}

TEST_F(SummaryInformationTest, RefusedStreamsAndSections) {
  FileProperty out;
  // A zero FILETIME is an empty time: nothing stored.
  EXPECT_EQ(Read(SummaryStream({FileTimeProperty(12, 0)}), out), 0u);
  EXPECT_TRUE(out[FileProperty::kCreationTime].empty());
  // The document summary set has another format id.
  const std::array<std::uint8_t, 16> documentSummary = {0x02, 0xD5, 0xCD, 0xD5, 0x9C, 0x2E, 0x1B, 0x10,
                                                        0x93, 0x97, 0x08, 0x00, 0x2B, 0x2C, 0xF9, 0xAE};
  EXPECT_EQ(Read(SummaryStream({StringProperty(2, "Plan")}, documentSummary), out), 0u);
  EXPECT_EQ(Read(SummaryStream({}), out), 0u) << "empty section";
  std::vector<PropertyValue> many;
  many.push_back(StringProperty(2, "Early"));
  for (std::uint32_t k = 0; k < 39; ++k) many.push_back(StringProperty(100 + k, "x"));
  FileProperty kept;
  EXPECT_EQ(Read(SummaryStream(many), kept), 0u) << "40 properties";
  EXPECT_EQ(kept[FileProperty::kTitle], "Early") << "what was stored before the 32nd stays";
  // Cut streams: every prefix is read without going past it.
  const Bytes full = SummaryStream({StringProperty(2, "Plan"), FileTimeProperty(13, FileTimeOfUnix(1614834367))});
  for (std::size_t length = 0; length < full.size(); ++length) {
    const Bytes cut(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(length));
    FileProperty partial;
    CSummaryInFormation reader;
    reader.GetFileInformation(cut.data(), partial, static_cast<int>(cut.size()));
  }
  EXPECT_EQ(CSummaryInFormation().GetFileInformation(nullptr, out, 100), 0u);
}

TEST(SummaryInformationText, FilterAndTrim) {
  EXPECT_EQ(CSummaryInFormation::FilterFileTime(":12:30:00"), ":12-30-00");
  std::string text = "    ";
  CSummaryInFormation::OperateString(text);
  EXPECT_EQ(text, "");
  // A cut never splits a character: 23 ASCII bytes then a two-byte one.
  text = std::string(23, 'a') + "\xC3\xA9" + "tail";
  CSummaryInFormation::OperateString(text);
  EXPECT_EQ(text, std::string(23, 'a'));
}

}  // namespace
}  // namespace quellsy::test::formats

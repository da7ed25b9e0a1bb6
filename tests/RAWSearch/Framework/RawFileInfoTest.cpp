#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <type_traits>

#include "RAWSearch/Framework/CRawFileInfo.h"
#include "RAWSearch/Framework/IRawFileAnalyser.h"
#include "RAWSearch/Framework/RawSearchApi.h"

namespace {

TEST(ApiStrFilterBadFileName, TrailingBlanksGoAndPathCharactersBecomeUnderscores) {
  const struct {
    std::string in, out;
  } cases[] = {
      {"a:b ", "a_b"},
      {"   ", ""},
      {"", ""},
      {" lead and inner  blanks stay", " lead and inner  blanks stay"},
      {"x\t", "x\t"},
      {std::string("\x01\\/:?\"<>|*\r\n", 12), "____________"},
      {"Canon EOS 5D/Mark II  ", "Canon EOS 5D_Mark II"},
      {"a*b ? ", "a_b _"},
      {"caf\xC3\xA9", "caf\xC3\xA9"},
  };
  for (const auto& c : cases) EXPECT_EQ(ApiStrFilterBadFileName(c.in), c.out) << c.in;
}

TEST(Apimemstr, FindsTheFirstOccurrenceWithinBounds) {
  const unsigned char data[] = {'a', 'b', 'a', 'b', 'c', 0, 'x'};
  const unsigned char abc[] = {'a', 'b', 'c'};
  const unsigned char tail[] = {0, 'x'};
  const struct {
    const unsigned char* data;
    int dataLength;
    const unsigned char* pattern;
    int patternLength;
    long long at;  // -1 = not found
  } cases[] = {
      {data, 7, abc, 3, 2},
      {data, 4, abc, 3, -1},   // the match would end past dataLength
      {data, 5, abc, 3, 2},    // ends exactly at the end
      {data, 7, tail, 2, 5},   // a zero byte inside the pattern
      {data, 7, abc, 1, 0},
      {data, 2, abc, 3, -1},   // pattern longer than the data
      {data, 0, abc, 1, -1},
      {data, -5, abc, 1, -1},
      {data, 7, abc, 0, -1},
      {data, 7, abc, -1, -1},
      {nullptr, 7, abc, 1, -1},
      {data, 7, nullptr, 1, -1},
  };
  for (const auto& c : cases) {
    const unsigned char* found = Apimemstr(c.data, c.dataLength, c.pattern, c.patternLength);
    EXPECT_EQ(found ? found - data : -1, c.at) << c.dataLength << "/" << c.patternLength;
  }
}

TEST(CRawFileInfo, NamesAndLabelsAreStoredFiltered) {
  CRawFileInfo info;
  EXPECT_EQ(info.m_llStartSector, 0);
  EXPECT_EQ(info.m_ullSize, 0u);
  EXPECT_EQ(info.m_uRawFileType, RAW_FILE_TYPE_NONE);
  EXPECT_GE(info.m_uAnalyserType, kRawFileTypeCount) << "a fresh record names no analyser's type";
  EXPECT_EQ(info.m_pAnalyser, nullptr);
  RAW_FILE_TAG tag = RAW_FILE_TAG_PDF;
  std::string value = "left";
  info.GetRawFileTagAndValue(tag, value);
  EXPECT_EQ(tag, RAW_FILE_TAG_NONE);
  EXPECT_EQ(value, "");
  EXPECT_EQ(info.GetRawFileName(), "");

  info.SetRawFileName("Holiday: Rome? ");
  EXPECT_EQ(info.GetRawFileName(), "Holiday_ Rome_");
  info.SetRawFileTagAndValue(RAW_FILE_TAG_CAMERA, "NIKON|D70 ");
  info.GetRawFileTagAndValue(tag, value);
  EXPECT_EQ(tag, RAW_FILE_TAG_CAMERA);
  EXPECT_EQ(value, "NIKON_D70");
  info.SetRawFileTime("2004:06:12 10:00:00");
  EXPECT_EQ(info.GetRawFileTime(), "2004:06:12 10:00:00");

  // The plain record does not grow itself and never finishes on its own.
  unsigned char sector[512] = {};
  CRawFileInfo::SearchContext context;
  EXPECT_FALSE(info.WhetherImplementGuess());
  EXPECT_EQ(info.CalcRawSize(sector, 512, 0, context), 2);
}

// An analyser that overrides only what it must: what every analyser inherits.
class BareAnalyser : public IRawFileAnalyser {
 public:
  BareAnalyser() : IRawFileAnalyser(RAW_FILE_TYPE_JPG) {}
  int GetRawFileSize(CRawFileInfo&, IStorageDevice*) override { return 0; }
};

// Forgetting to say how a hit is sized does not compile: there is no default that reports success.
struct ForgetsSizing : IRawFileAnalyser {
  ForgetsSizing() : IRawFileAnalyser(RAW_FILE_TYPE_JPG) {}
  int AnalyseBuffer(unsigned char*, CRawFileInfo&) override { return 0; }
};
static_assert(std::is_abstract_v<ForgetsSizing>);
static_assert(!std::is_abstract_v<BareAnalyser>);

TEST(IRawFileAnalyser, DefaultsClaimNothingAndMakePlainRecords) {
  BareAnalyser analyser;
  CRawFileInfo scratch;
  unsigned char sector[512] = {0xFF, 0xD8, 0xFF, 0xE0};
  EXPECT_EQ(analyser.GetType(), RAW_FILE_TYPE_JPG);
  EXPECT_EQ(analyser.AnalyseBuffer(sector, scratch), 0);
  EXPECT_EQ(analyser.GetRawFileName(), "");
  EXPECT_EQ(analyser.GetRawFileTime(), "");
  EXPECT_EQ(analyser.GetSpecialRawFile(), nullptr);
  std::unique_ptr<CRawFileInfo> record(analyser.CreateRawFileInfo());
  ASSERT_NE(record, nullptr);
  EXPECT_FALSE(record->WhetherImplementGuess());
}

}  // namespace

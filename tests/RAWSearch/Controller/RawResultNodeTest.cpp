#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "RAWSearch/Controller/CRAWFileManager.h"
#include "RAWSearch/Controller/CRAWFileNode.h"
#include "RAWSearch/Controller/CRAWFileProperties.h"
#include "RAWSearch/Framework/CRawFileInfo.h"
#include "RAWSearch/Framework/RawFileExtName.h"
#include "RawResultTestSupport.h"
#include "Utility/FileUtil.h"
#include "Utility/TimeUtil.h"
#include "include/IDataRunList.h"
#include "support/RecordingTreeBuilder.h"

namespace {

using quellsy::test::RawResultTest;
using quellsy::test::RecordingTreeBuilder;

using RawResultNode = RawResultTest;

std::unique_ptr<CRawFileInfo> Hit(std::uint32_t type, std::uint64_t size, long long start, std::string name = {},
                                  std::string time = {}) {
  auto hit = std::make_unique<CRawFileInfo>();
  hit->m_uRawFileType = type;
  hit->m_ullSize = size;
  hit->m_llStartSector = start;
  hit->SetRawFileName(std::move(name));
  hit->SetRawFileTime(std::move(time));
  return hit;
}

std::vector<DataRun> RunsOf(IFileNode& node) {
  std::vector<DataRun> runs;
  if (IDataRunList* list = node.GetDataRunList())
    for (DataRun* run = list->GetFirst(); run; run = list->GetNext()) runs.push_back(*run);
  return runs;
}

// Times are local: the tests pin the zone so that the expected values are plain numbers.
class ScopedTimeZone {
 public:
  explicit ScopedTimeZone(const char* zone) {
    if (const char* old = std::getenv("TZ")) saved_ = old, hadZone_ = true;
    setenv("TZ", zone, 1);
    tzset();
  }
  ~ScopedTimeZone() {
    if (hadZone_)
      setenv("TZ", saved_.c_str(), 1);
    else
      unsetenv("TZ");
    tzset();
  }

 private:
  std::string saved_;
  bool hadZone_ = false;
};

TEST(RawFileExtName, EveryTypeHasItsExtension) {
  const struct {
    std::uint32_t type;
    const char* extension;
  } cases[] = {{0, "Raw"},     {1, "3DS"},    {29, "FH11"},  {35, "JPG"},  {73, "DOCX"},
               {76, "ACCDB"},  {112, "NUMBERS"}, {115, "FCPEVENT"}, {119, "pkg"}, {122, "icns"},
               {136, "PSAFE3"}, {143, "SKETCH"}, {146, "MLV"}};
  for (const auto& c : cases) EXPECT_STREQ(RawFileExtension(c.type), c.extension) << c.type;
  for (std::uint32_t type = 0; type < kRawFileTypeCount; ++type) {
    const std::string extension = g_s_strFileExtName[type];
    EXPECT_FALSE(extension.empty()) << "a missing row shifts every later type: " << type;
    EXPECT_LT(extension.size(), kRawFileExtNameBytes);
  }
  EXPECT_EQ(RawFileExtension(kRawFileTypeCount), nullptr);
  EXPECT_EQ(RawFileExtension(1999), nullptr);
}

TEST_F(RawResultNode, GeneratedNamesCountPerTypeAndKeepToAShowableLength) {
  const std::string twoByte = "\xC3\xA9";  // é
  const std::string longName = "a" + [&] {
    std::string s;
    for (int i = 0; i < 100; ++i) s += twoByte;
    return s;
  }();
  const struct {
    std::uint32_t type;
    std::string name;
    std::string expected;  // empty: checked by the length rule below
  } cases[] = {
      {RAW_FILE_TYPE_JPG, "", "FILE000.JPG"},
      {RAW_FILE_TYPE_JPG, "", "FILE001.JPG"},
      {RAW_FILE_TYPE_PNG, "", "FILE000.PNG"},
      {RAW_FILE_TYPE_PDF, "Report", "Report000.PDF"},
      {RAW_FILE_TYPE_PDF, ". .hidden", "hidden001.PDF"},
      {RAW_FILE_TYPE_PDF, "...", "FILE002.PDF"},
      {RAW_FILE_TYPE_PDF, "bad\xFF\xFEutf8", "FILE003.PDF"},
      {RAW_FILE_TYPE_PKG, "Setup", "Setup000.pkg"},
      {RAW_FILE_TYPE_MP3, longName, ""},
  };
  for (const auto& c : cases) {
    const std::string name = CRAWFileNode::BuildFileName(c.type, c.name);
    if (!c.expected.empty()) {
      EXPECT_EQ(name, c.expected);
      continue;
    }
    // 1 + 2 x 74 bytes fit in 150; the 75th character would be cut in half.
    EXPECT_EQ(name, longName.substr(0, 149) + "000.MP3");
    EXPECT_TRUE(isValidString(name.c_str()));
  }
  EXPECT_EQ(CRAWFileNode::BuildFileName(kRawFileTypeCount + 5, ""), "FILE000.Raw")
      << "a type without extension is named, not read past the table";
}

TEST_F(RawResultNode, TimeComesFromAValidTimeTextOnly) {
  ScopedTimeZone utc("UTC0");
  const auto at = [](std::int64_t unixSeconds) { return quellsy::UnixSecondsToFileTime(unixSeconds); };
  const struct {
    const char* text;
    unsigned long long expected;
  } cases[] = {
      {"2015-03-04 05:06:07", at(1425445567)},
      {"2015:03:04 05:06:07", at(1425445567)},  // EXIF form
      {"  2015-03-04  05:06:07 +02:00", at(1425445567)},
      {"2016-02-29 23:59:59", at(1456790399)},
      {"1900-01-01 00:00:00", at(-2208988800)},
      {"2100-12-31 23:59:59", at(4133980799)},
      {"2015-03-04 05:06", 0},  // five fields
      {"2015-13-04 05:06:07", 0},
      {"2015-02-29 05:06:07", 0},
      {"2015-04-31 05:06:07", 0},
      {"1899-12-31 23:59:59", 0},
      {"2101-01-01 00:00:00", 0},
      {"2015-03-04 24:00:00", 0},
      {"2015-03-04 05:60:07", 0},
      {"2015-03-04 05:06:07.5", 0},
      {"2015-03-x4 05:06:07", 0},
      {"99999999999999999999-01-01 00:00:00", 0},
      {"", 0},
      {"1", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(CRAWFileNode::TimeTextToFileTime(c.text), c.expected) << c.text;
}

TEST_F(RawResultNode, FileNodeCarriesTheHitAndItsTime) {
  ScopedTimeZone utc("UTC0");
  // A name that looks like a time is still not a time.
  auto hit = Hit(RAW_FILE_TYPE_JPG, 1000, 4242, "2015-03-04 05:06:07", "2001:02:03 04:05:06");
  CRAWFileNode node;
  ASSERT_TRUE(node.Initilaize(hit.get(), kFileAttributeArchive, 3, 10000));
  EXPECT_STREQ(node.GetFileName(), "2015-03-04 05_06_07000.JPG");
  EXPECT_EQ(node.GetFileSize(), 1000);
  EXPECT_EQ(node.GetAttribute(), kFileAttributeArchive);
  EXPECT_EQ(node.IsDirectory(), 0);
  EXPECT_EQ(node.IsDeleted(), 0);
  EXPECT_EQ(node.GetCurrentNodeID(), 10000);
  EXPECT_EQ(node.GetParentNodeID(), 3);
  const unsigned long long time = quellsy::UnixSecondsToFileTime(981173106);
  EXPECT_EQ(node.GetCreationTime(), time);
  EXPECT_EQ(node.GetModificationTime(), time);
  EXPECT_EQ(node.GetLastAccessTime(), time);
  ASSERT_EQ(RunsOf(node).size(), 1u);
  EXPECT_EQ(RunsOf(node)[0].lcn, 4242);
  EXPECT_EQ(RunsOf(node)[0].length, 2) << "1000 bytes take two 512-byte sectors";

  auto* properties = static_cast<CRAWFileProperties*>(node.GetFileProperties());
  ASSERT_NE(properties, nullptr);
  EXPECT_STREQ(properties->GetFileName(), node.GetFileName());
  EXPECT_EQ(properties->GetFileNameLength(), std::string(node.GetFileName()).size() + 1);
  EXPECT_EQ(properties->GetRawFileCreateTime(), "2001:02:03 04:05:06");
  EXPECT_EQ(properties->GetCreationTime(), 0u);
  EXPECT_EQ(properties->GetMaskFlag(), 463);
  EXPECT_EQ(properties->GetFilePropertyiesType(), 3);
  properties->SetFileName("renamed");
  EXPECT_STREQ(node.GetFileName(), properties->GetFileName()) << "generated names are not renamed";

  auto untimed = Hit(RAW_FILE_TYPE_JPG, 512, 1, "2015-03-04 05:06:07");
  CRAWFileNode other;
  ASSERT_TRUE(other.Initilaize(untimed.get(), kFileAttributeArchive, 3, 10001));
  EXPECT_EQ(other.GetCreationTime(), 0u) << "the time never comes from the name";
  EXPECT_FALSE(CRAWFileNode().Initilaize(nullptr, kFileAttributeArchive, 0, 0));
}

TEST_F(RawResultNode, FolderNodesAreNamedAfterTheRecord) {
  auto record = Hit(RAW_FILE_TYPE_NONE, 0, -1, "jpg");
  CRAWFileNode folder;
  ASSERT_TRUE(folder.Initilaize(record.get(), kFileAttributeDirectory, 1, 10));
  EXPECT_STREQ(folder.GetFileName(), "jpg");
  EXPECT_EQ(folder.IsDirectory(), 1);
  EXPECT_EQ(folder.GetFileSize(), 0);
  EXPECT_TRUE(RunsOf(folder).empty());
  EXPECT_EQ(CRAWFileNode().IsDirectory(), 1) << "a node without properties is a folder";
  EXPECT_EQ(CRAWFileNode::BuildFileName(RAW_FILE_TYPE_NONE, ""), "FILE000.Raw") << "folders take no number";
}

TEST_F(RawResultNode, CloneIsAnIndependentCopy) {
  auto hit = Hit(RAW_FILE_TYPE_PNG, 5000, 77, "", "2015-03-04 05:06:07");
  auto* node = new CRAWFileNode();
  ASSERT_TRUE(node->Initilaize(hit.get(), kFileAttributeArchive, 11, 10000));
  IFileNode* copy = node->Clone();
  ASSERT_NE(copy, nullptr);
  ASSERT_NE(copy, node);
  const std::string name = node->GetFileName();
  const auto runs = RunsOf(*node);
  const auto time = node->GetCreationTime();
  node->Release();  // the copy must not share anything with it
  EXPECT_EQ(copy->GetFileName(), name);
  EXPECT_EQ(copy->GetFileSize(), 5000);
  EXPECT_EQ(copy->GetCreationTime(), time);
  EXPECT_EQ(copy->GetCurrentNodeID(), 10000);
  ASSERT_EQ(RunsOf(*copy).size(), runs.size());
  EXPECT_EQ(RunsOf(*copy)[0].lcn, 77);
  EXPECT_EQ(RunsOf(*copy)[0].length, 10);
  IFileProperties* properties = static_cast<CRAWFileNode*>(copy)->GetFileProperties()->Clone();
  copy->Release();
  EXPECT_EQ(properties->GetFileSize(), 5000);
  ASSERT_NE(properties->GetDataRunList(), nullptr);
  EXPECT_EQ(properties->GetDataRunList()->GetFirst()->lcn, 77);
  delete properties;
}

TEST_F(RawResultNode, ManagerFilesHitsUnderAFolderPerExtension) {
  RecordingTreeBuilder builder;
  CRAWFileManager pictures(1, FILE_TYPE_PICTURE, &builder);
  for (auto type : {RAW_FILE_TYPE_JPG, RAW_FILE_TYPE_JPG, RAW_FILE_TYPE_PNG, RAW_FILE_TYPE_ICNS}) {
    auto hit = Hit(type, 512, 100);
    EXPECT_EQ(pictures.AddRawFileInfo(hit.get()), 1);
  }
  struct Expected {
    std::string name;
    long long id;
    long long parent;
  };
  const std::vector<Expected> expected = {{"FILE000.JPG", 10000, 10}, {"jpg", 10, 1},
                                          {"FILE001.JPG", 10001, 10}, {"FILE000.PNG", 10002, 11},
                                          {"png", 11, 1},             {"FILE000.icns", 10003, 12},
                                          {"icns", 12, 1}};
  ASSERT_EQ(builder.nodes().size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const auto& n = builder.nodes()[i];
    EXPECT_EQ(n.name, expected[i].name) << i;
    EXPECT_EQ(n.id, expected[i].id) << n.name;
    EXPECT_EQ(n.parentId, expected[i].parent) << n.name;
    EXPECT_EQ(n.searcher, SEARCHER_RAW);
  }
  CRAWFileManager documents(1, FILE_TYPE_DOCUMENT, &builder);
  auto pdf = Hit(RAW_FILE_TYPE_PDF, 512, 7);
  EXPECT_EQ(documents.AddRawFileInfo(pdf.get()), 1);
  EXPECT_EQ(builder.Find("FILE000.PDF")->id, 10000) << "file IDs count per manager";
  EXPECT_EQ(builder.Find("pdf")->id, 13) << "folder IDs are shared by all managers";
}

TEST_F(RawResultNode, ManagerSendsAHitTheLabelTreeCannotPlaceToTheTypeTree) {
  RecordingTreeBuilder builder;
  CRAWFileManager documents(1, FILE_TYPE_DOCUMENT, &builder);
  const struct {
    RAW_FILE_TAG tag;
    const char* value;
    std::uint32_t type;
    _tagSearcherType tree;
  } cases[] = {
      {RAW_FILE_TAG_NONE, "", RAW_FILE_TYPE_PDF, SEARCHER_RAW},
      {RAW_FILE_TAG_NONE, "Value without a label", RAW_FILE_TYPE_PDF, SEARCHER_RAW},
      {static_cast<RAW_FILE_TAG>(9), "unknown label", RAW_FILE_TYPE_PDF, SEARCHER_RAW},
      {RAW_FILE_TAG_OFFICE, "office label on a PDF", RAW_FILE_TYPE_PDF, SEARCHER_RAW},
      {RAW_FILE_TAG_PDF, "Author", RAW_FILE_TYPE_PDF, SEARCHER_LABEL},
  };
  for (const auto& c : cases) {
    auto hit = Hit(c.type, 512, 1);
    hit->SetRawFileTagAndValue(c.tag, c.value);
    const std::size_t before = builder.nodes().size();
    EXPECT_EQ(documents.AddRawFileInfo(hit.get()), 1) << c.value;
    ASSERT_GT(builder.nodes().size(), before) << c.value;
    EXPECT_EQ(builder.nodes()[before].searcher, c.tree) << c.value;
    EXPECT_FALSE(builder.nodes()[before].directory) << "the file comes first: " << c.value;
  }
  for (const auto& n : builder.NodesOf(SEARCHER_RAW))
    EXPECT_NE(n.name, "Office") << "an unplaceable hit leaves no label folder behind";
}

TEST_F(RawResultNode, RefusedNodesAreReleasedAndReported) {
  RecordingTreeBuilder builder;
  builder.RefuseNodes(true);
  CRAWFileManager pictures(1, FILE_TYPE_PICTURE, &builder);
  auto hit = Hit(RAW_FILE_TYPE_JPG, 512, 100);
  EXPECT_EQ(pictures.AddRawFileInfo(hit.get()), 0);
  hit->SetRawFileTagAndValue(RAW_FILE_TAG_CAMERA, "Camera X");
  EXPECT_EQ(pictures.AddRawFileInfo(hit.get()), 0);
  EXPECT_TRUE(builder.nodes().empty());
  CRAWFileManager without(1, FILE_TYPE_PICTURE, nullptr);
  EXPECT_EQ(without.AddRawFileInfo(hit.get()), 0);
  EXPECT_EQ(pictures.AddRawFileInfo(nullptr), 0);
}

}  // namespace

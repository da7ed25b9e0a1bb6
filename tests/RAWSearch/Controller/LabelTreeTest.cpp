#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "RAWSearch/Controller/CLABELRAWTreeBuilder.h"
#include "RAWSearch/Framework/CRawFileInfo.h"
#include "RawResultTestSupport.h"
#include "support/RecordingTreeBuilder.h"

namespace {

using quellsy::test::RawResultTest;
using quellsy::test::RecordingTreeBuilder;

using LabelTree = RawResultTest;

std::unique_ptr<CRawFileInfo> Tagged(std::uint32_t type, RAW_FILE_TAG tag, std::string value) {
  auto hit = std::make_unique<CRawFileInfo>();
  hit->m_uRawFileType = type;
  hit->m_ullSize = 4096;
  hit->m_llStartSector = 64;
  hit->SetRawFileTagAndValue(tag, std::move(value));
  return hit;
}

struct Delivered {
  std::string name;
  long long id;
  long long parent;
  bool operator==(const Delivered&) const = default;
};

std::vector<Delivered> DeliveredNodes(const RecordingTreeBuilder& builder) {
  std::vector<Delivered> out;
  for (const auto& n : builder.nodes()) {
    EXPECT_EQ(n.searcher, SEARCHER_LABEL) << n.name;
    out.push_back({n.name, n.id, n.parentId});
  }
  return out;
}

void PrintTo(const Delivered& d, std::ostream* os) { *os << d.name << " #" << d.id << " in " << d.parent; }

TEST_F(LabelTree, SongsOfOneArtistShareTheirFolders) {
  RecordingTreeBuilder builder;
  CLABELRAWTreeBuilder tree;
  for (int i = 0; i < 2; ++i) {
    auto song = Tagged(RAW_FILE_TYPE_MP3, RAW_FILE_TAG_ARTISTS, "Some Band");
    EXPECT_EQ(tree.InsertNodeToTree(song.get(), &builder), CLABELRAWTreeBuilder::kFiled);
  }
  // Each file before the folders made for it, newest folder first.
  EXPECT_EQ(DeliveredNodes(builder), (std::vector<Delivered>{{"FILE000.MP3", 2002, 2001},
                                                             {"Some Band", 2001, -14},
                                                             {"Artists", -14, 1000},
                                                             {"FILE001.MP3", 2003, 2001}}));
  EXPECT_TRUE(builder.nodes()[1].directory);
}

TEST_F(LabelTree, OfficeDocumentsGoUnderTheirApplication) {
  RecordingTreeBuilder builder;
  CLABELRAWTreeBuilder tree;
  auto word = Tagged(RAW_FILE_TYPE_DOC, RAW_FILE_TAG_OFFICE, "V");
  auto excel = Tagged(RAW_FILE_TYPE_XLSX, RAW_FILE_TAG_OFFICE, "V");
  auto pdf = Tagged(RAW_FILE_TYPE_PDF, RAW_FILE_TAG_OFFICE, "V");
  EXPECT_EQ(tree.InsertNodeToTree(word.get(), &builder), CLABELRAWTreeBuilder::kFiled);
  EXPECT_EQ(tree.InsertNodeToTree(excel.get(), &builder), CLABELRAWTreeBuilder::kFiled);
  EXPECT_EQ(tree.InsertNodeToTree(pdf.get(), &builder), CLABELRAWTreeBuilder::kNotPlaced);
  EXPECT_EQ(DeliveredNodes(builder), (std::vector<Delivered>{{"FILE000.DOC", 2002, 2001},
                                                             {"V", 2001, -12},
                                                             {"Word", -12, -13},
                                                             {"Office", -13, 1000},
                                                             {"FILE000.XLSX", 2004, 2003},
                                                             {"V", 2003, -11},
                                                             {"Excel", -11, -13}}));
}

TEST_F(LabelTree, KeyNamesAndFolders) {
  const struct {
    RAW_FILE_TAG tag;
    std::uint32_t type;
    const char* key;
    long long tagFolder;
  } cases[] = {
      {RAW_FILE_TAG_ARTISTS, RAW_FILE_TYPE_MP3, "V_MP3", -14},
      {RAW_FILE_TAG_CAMERA, RAW_FILE_TYPE_JPG, "V_CAMERA", -15},
      {RAW_FILE_TAG_MOV, RAW_FILE_TYPE_MOV, "V_MOV", -8},
      {RAW_FILE_TAG_PDF, RAW_FILE_TYPE_PDF, "V_PDF", -7},
      {RAW_FILE_TAG_AI, RAW_FILE_TYPE_AI, "V", -6},
      {RAW_FILE_TAG_OFFICE, RAW_FILE_TYPE_DOCX, "V_Word", -13},
      {RAW_FILE_TAG_OFFICE, RAW_FILE_TYPE_PPT, "V_PowerPoint", -13},
      {RAW_FILE_TAG_OFFICE, RAW_FILE_TYPE_PPTX, "V_PowerPoint", -13},
      {RAW_FILE_TAG_OFFICE, RAW_FILE_TYPE_XLS, "V_Excel", -13},
      {RAW_FILE_TAG_OFFICE, RAW_FILE_TYPE_PDF, "V", 0},
      {static_cast<RAW_FILE_TAG>(6), RAW_FILE_TYPE_PDF, "V", 0},
  };
  for (const auto& c : cases) {
    auto hit = Tagged(c.type, c.tag, "V ");
    EXPECT_EQ(CLABELRAWTreeBuilder::GetKeyName(hit.get()), c.key) << "value filtered, then the suffix";
    RecordingTreeBuilder builder;
    CLABELRAWTreeBuilder tree;
    const int result = tree.InsertNodeToTree(hit.get(), &builder);
    if (c.tagFolder == 0) {
      EXPECT_EQ(result, CLABELRAWTreeBuilder::kNotPlaced) << c.key;
      EXPECT_TRUE(builder.nodes().empty()) << "nothing is made for a hit that cannot be placed";
      continue;
    }
    ASSERT_EQ(result, CLABELRAWTreeBuilder::kFiled) << c.key;
    EXPECT_EQ(builder.nodes().back().id, c.tagFolder) << c.key;
    EXPECT_EQ(builder.nodes().back().parentId, 1000) << c.key;
  }
  auto untagged = Tagged(RAW_FILE_TYPE_MP3, RAW_FILE_TAG_NONE, "Value");
  RecordingTreeBuilder builder;
  EXPECT_EQ(CLABELRAWTreeBuilder().InsertNodeToTree(untagged.get(), &builder), CLABELRAWTreeBuilder::kNotPlaced);
}

TEST_F(LabelTree, EqualKeysOfTwoKindsStayApart) {
  RecordingTreeBuilder builder;
  CLABELRAWTreeBuilder tree;
  auto word = Tagged(RAW_FILE_TYPE_DOC, RAW_FILE_TAG_OFFICE, "Report");
  auto ai = Tagged(RAW_FILE_TYPE_AI, RAW_FILE_TAG_AI, "Word");  // key "Word", the application folder's name
  auto artist = Tagged(RAW_FILE_TYPE_MP3, RAW_FILE_TAG_ARTISTS, "X");
  auto camera = Tagged(RAW_FILE_TYPE_AI, RAW_FILE_TAG_AI, "X_MP3");  // key "X_MP3", the artist's key
  for (auto* hit : {word.get(), ai.get(), artist.get(), camera.get()})
    ASSERT_EQ(tree.InsertNodeToTree(hit, &builder), CLABELRAWTreeBuilder::kFiled);
  const auto* aiFolder = builder.Find("Word");
  ASSERT_NE(aiFolder, nullptr);
  std::vector<long long> parentsOfWordNamed;
  for (const auto& n : builder.nodes())
    if (n.name == "Word") parentsOfWordNamed.push_back(n.parentId);
  EXPECT_EQ(parentsOfWordNamed, (std::vector<long long>{-13, -6})) << "an AI value named Word gets its own folder";
  std::vector<long long> parentsOfXMp3;
  for (const auto& n : builder.nodes())
    if (n.name == "X_MP3") parentsOfXMp3.push_back(n.parentId);
  EXPECT_EQ(parentsOfXMp3, (std::vector<long long>{-6}));
}

TEST_F(LabelTree, IdsCountOnAcrossSearchesAndRefusedNodesAreReleased) {
  {
    RecordingTreeBuilder first;
    CLABELRAWTreeBuilder tree;
    auto hit = Tagged(RAW_FILE_TYPE_JPG, RAW_FILE_TAG_CAMERA, "Cam");
    ASSERT_EQ(tree.InsertNodeToTree(hit.get(), &first), CLABELRAWTreeBuilder::kFiled);
    EXPECT_EQ(first.Find("Cam")->id, 2001);
    EXPECT_EQ(first.Find("FILE000.JPG")->id, 2002);
  }
  RecordingTreeBuilder refusing;
  refusing.RefuseNodes(true);
  CLABELRAWTreeBuilder second;
  auto refused = Tagged(RAW_FILE_TYPE_JPG, RAW_FILE_TAG_CAMERA, "Cam");
  EXPECT_EQ(second.InsertNodeToTree(refused.get(), &refusing), CLABELRAWTreeBuilder::kRefused);
  EXPECT_EQ(CLABELRAWTreeBuilder::m_gRawCount, 2005) << "a new builder (next search) goes on counting";
}

}  // namespace

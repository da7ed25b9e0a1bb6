#include "RecoveryFilter/RecoveryFilter.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "include/TestFileNode.h"

namespace {

std::map<int, std::string> Catalogue() {
  return {
      {FILTER_TYPE_DOCUMENT, "doc;docx;pdf;txt;jpg"},  // jpg is a picture: the picture list is read first
      {FILTER_TYPE_PICTURE, "jpg;jpeg;png;tif"},
      {FILTER_TYPE_MOVIE, "mov;mp4"},
      {FILTER_TYPE_MUSIC, "mp3;m4a"},
      {FILTER_TYPE_ARCHIVES, "zip;rar"},
      {FILTER_TYPE_EMAIL, "eml;emlx"},
  };
}

class RecoveryFilterTest : public testing::Test {
 protected:
  void SetUp() override {
    auto catalogue = Catalogue();
    CFileTypeManager::Initialze(catalogue);
    filter.Reset();
  }
  void TearDown() override { CFileTypeManager::ResetExtensionLists(); }

  CRecoveryFilter filter;
};

TEST_F(RecoveryFilterTest, KindByTheTextAfterTheLastDot) {
  struct Case {
    const char* name;
    FILE_TYPE_ID id;
    _FILTER_TYPE bit;
  };
  const Case cases[] = {
      {"photo.jpg", FILE_TYPE_PICTURE, FILTER_TYPE_PICTURE},
      {"PHOTO.JPG", FILE_TYPE_PICTURE, FILTER_TYPE_PICTURE},
      {"Photo.JpEg", FILE_TYPE_PICTURE, FILTER_TYPE_PICTURE},
      {"archive.tar.zip", FILE_TYPE_ARCHIVE, FILTER_TYPE_ARCHIVES},
      {"notes.zip.txt", FILE_TYPE_DOCUMENT, FILTER_TYPE_DOCUMENT},
      {"song.mp3", FILE_TYPE_MUSIC, FILTER_TYPE_MUSIC},
      {"clip.MOV", FILE_TYPE_MOVIE, FILTER_TYPE_MOVIE},
      {"mail.emlx", FILE_TYPE_EMAIL, FILTER_TYPE_EMAIL},
      {"README", FILE_TYPE_OTHER, FILTER_TYPE_OTHER},
      {"trailing.", FILE_TYPE_OTHER, FILTER_TYPE_OTHER},
      {".jpg", FILE_TYPE_PICTURE, FILTER_TYPE_PICTURE},
      {"image.jpgx", FILE_TYPE_OTHER, FILTER_TYPE_OTHER},
      {"", FILE_TYPE_OTHER, FILTER_TYPE_OTHER},
      {"\xD1\x84\xD0\xBE\xD1\x82\xD0\xBE.png", FILE_TYPE_PICTURE, FILTER_TYPE_PICTURE},  // UTF-8 name
      {"x.\xC3\x89\xFF\x80", FILE_TYPE_OTHER, FILTER_TYPE_OTHER},                         // high bytes in the extension
  };
  for (const Case& c : cases) {
    TestFileNode node(c.name);
    EXPECT_EQ(filter.GetFileTypeID(&node), c.id) << c.name;
    EXPECT_EQ(filter.GetNodeFileType(&node), c.bit) << c.name;
  }
  EXPECT_EQ(filter.GetNodeFileType(nullptr), FILTER_TYPE_OTHER);
}

TEST_F(RecoveryFilterTest, MasksDecideWhichFilesPass) {
  TestFileNode picture("a.png");
  TestFileNode document("a.pdf");
  TestFileNode music("a.mp3");
  TestFileNode other("a.xyz");
  TestFileNode folder("DCIM", true);
  struct Case {
    unsigned int mask;
    bool picture, document, music, other;
  };
  const Case cases[] = {
      {127, true, true, true, true},      {0, true, true, true, true},   {128, true, true, true, true},
      {2, true, false, false, false},     {1 | 8, false, true, true, false}, {64, false, false, false, true},
      {2 | 64, true, false, false, true}, {126, true, false, true, true},
  };
  for (const Case& c : cases) {
    filter.SetFilterTypes(c.mask);
    EXPECT_EQ(filter.IsFileNodeValid(&picture), c.picture) << c.mask;
    EXPECT_EQ(filter.IsFileNodeValid(&document), c.document) << c.mask;
    EXPECT_EQ(filter.IsFileNodeValid(&music), c.music) << c.mask;
    EXPECT_EQ(filter.IsFileNodeValid(&other), c.other) << c.mask;
    EXPECT_EQ(filter.IsFileNodeValid(&folder), 1) << c.mask;
    EXPECT_EQ(filter.IsFileNodeValid(nullptr), 0) << c.mask;
  }
}

TEST_F(RecoveryFilterTest, ScanTypeAndTheProcessWideFilter) {
  EXPECT_EQ(filter.ShowNormalFiles(), 0);
  filter.SetScanType(SCAN_TYPE_DEEP);
  EXPECT_NE(filter.ShowNormalFiles(), 0);
  filter.SetScanType(SCAN_TYPE_QUICK);
  EXPECT_EQ(filter.ShowNormalFiles(), 0);

  IRecoveryFilter* shared = CreateFilter();
  ASSERT_NE(shared, nullptr);
  EXPECT_EQ(CreateFilter(), shared);
  shared->Release();
  EXPECT_EQ(CreateFilter(), shared) << "Release leaves the process-wide filter alive";
}

TEST(FileTypeManager, EmptyPiecesMissingKeysAndCapacity) {
  std::map<int, std::string> catalogue = {{FILTER_TYPE_PICTURE, "jpg;;png;"}, {FILTER_TYPE_MUSIC, ""}};
  CFileTypeManager::Initialze(catalogue);
  CFileTypeManager manager;
  manager.Initialize();
  EXPECT_EQ(manager.UsedSlots(), 4u) << "jpg, png and the empty extension once per empty piece";
  EXPECT_EQ(manager.GetFileTypeID(""), FILE_TYPE_PICTURE);
  EXPECT_EQ(manager.GetFileTypeID("PNG"), FILE_TYPE_PICTURE);
  EXPECT_EQ(manager.GetFileTypeID("mp3"), FILE_TYPE_OTHER);
  EXPECT_EQ(manager.GetFileTypeID(nullptr), FILE_TYPE_OTHER);

  // 2049 distinct extensions: the table holds the first 2048.
  std::string many;
  for (int i = 0; i <= 2048; ++i) many += "e" + std::to_string(i) + (i < 2048 ? ";" : "");
  catalogue = {{FILTER_TYPE_DOCUMENT, many}};
  CFileTypeManager::Initialze(catalogue);
  manager.Initialize();
  EXPECT_EQ(manager.UsedSlots(), 2048u);
  EXPECT_EQ(manager.GetFileTypeID("e0"), FILE_TYPE_DOCUMENT);
  EXPECT_EQ(manager.GetFileTypeID("E2047"), FILE_TYPE_DOCUMENT);
  EXPECT_EQ(manager.GetFileTypeID("e2048"), FILE_TYPE_OTHER);
  CFileTypeManager::ResetExtensionLists();
}

}  // namespace

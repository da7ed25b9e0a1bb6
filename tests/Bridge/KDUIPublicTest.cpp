// FILETIME to calendar values, the search match over found files (also in Desktop mode), node paths and the
// stems of the recovery folders.

#include "Bridge/KDUIPublic.h"

#include <gtest/gtest.h>

#include <chrono>
#include <clocale>
#include <cstdio>
#include <string>
#include <vector>

#include "Bridge/BridgeServices.h"
#include "BridgeTestNodes.h"
#include "support/ScopedTimeZone.h"

namespace quellsy::test {
namespace {

constexpr std::uint64_t kUnixEpochFileTime = 116'444'736'000'000'000ULL;
constexpr std::uint64_t kTicks = 10'000'000ULL;

std::uint64_t FileTimeOf(std::int64_t unixSeconds) {
  return static_cast<std::uint64_t>(static_cast<std::int64_t>(kUnixEpochFileTime) + unixSeconds * 10'000'000LL);
}

TEST(KDUIPublicTime, FileTimeToUnixTime) {
  struct Case {
    std::uint64_t fileTime;
    std::int64_t unix;
  };
  const Case cases[] = {
      {kUnixEpochFileTime, 0},
      {kUnixEpochFileTime + kTicks - 1, 0},        // parts of a second are dropped
      {kUnixEpochFileTime + 86'400 * kTicks, 86'400},
      {kUnixEpochFileTime - kTicks, -1},           // 1969-12-31 23:59:59
      {0, -11'644'473'600},                        // 1601-01-01
  };
  for (const Case& c : cases) EXPECT_EQ(convertWindowsTimeToUnixTime(c.fileTime), c.unix) << c.fileTime;
}

// 1704067200 is 2024-01-01 00:00:00 UTC.
TEST(KDUIPublicTime, YearAndMonthInTheLocalZone) {
  struct Case {
    const char* zone;
    std::int64_t unix;
    int year;
    int month;
  };
  const Case cases[] = {
      {"UTC0", 1'704'067'199, 2023, 12},  // the last second of 2023
      {"CET-1", 1'704'067'199, 2024, 1},  // already the new year one hour east
      {"UTC0", 1'704'067'200, 2024, 1},
      {"EST5", 1'704'067'200, 2023, 12},  // still the old year five hours west
      {"UTC0", 0, 1970, 1},
      {"EST5", 0, 1969, 12},
      {"UTC0", 1'709'210'096, 2024, 2},   // 2024-02-29 12:34:56, a leap day
  };
  for (const Case& c : cases) {
    ScopedTimeZone zone(c.zone);
    int year = 0, month = 0;
    EXPECT_EQ(KDUIPublic::GetYearAndMonthByFileTime(&year, &month, FileTimeOf(c.unix)), c.month) << c.zone << c.unix;
    EXPECT_EQ(year, c.year) << c.zone << " " << c.unix;
    EXPECT_EQ(month, c.month) << c.zone << " " << c.unix;
  }
}

TEST(KDUIPublicTime, YearAndMonthSkipMissingPointers) {
  ScopedTimeZone zone("UTC0");
  int year = 0, month = 0;
  EXPECT_EQ(KDUIPublic::GetYearAndMonthByFileTime(&year, nullptr, FileTimeOf(1'709'210'096)), 0);
  EXPECT_EQ(year, 2024);
  EXPECT_EQ(KDUIPublic::GetYearAndMonthByFileTime(nullptr, &month, FileTimeOf(1'709'210'096)), 2);
  EXPECT_EQ(month, 2);
  EXPECT_EQ(KDUIPublic::GetYearAndMonthByFileTime(nullptr, nullptr, FileTimeOf(0)), 0);
}

TEST(KDUIPublicTime, FormatsLongDateAndShortTime) {
  ScopedTimeZone zone("UTC0");
  const std::string oldLocale = std::setlocale(LC_TIME, nullptr);
  std::setlocale(LC_TIME, "C");
  EXPECT_EQ(KDUIPublic::FormatFileTimeToString(FileTimeOf(1'704'067'199)), "31 December 2023 23:59");
  EXPECT_EQ(KDUIPublic::FormatFileTimeToString(FileTimeOf(1'704'443'400)), "5 January 2024 08:30");
  EXPECT_EQ(KDUIPublic::FormatFileTimeToString(0), "");  // no time
  std::setlocale(LC_TIME, oldLocale.c_str());
}

TEST(KDUIPublicSearch, StringInString) {
  struct Case {
    const char* needle;
    const char* haystack;
    bool found;
  };
  const Case cases[] = {
      {nullptr, "photo.jpg", true}, {"", nullptr, true},       {"jpg", nullptr, false},
      {"JPG", "photo.jpg", true},   {"Photo.J", "photo.jpg", true}, {"jpeg", "photo.jpg", false},
      {"photo.jpg!", "photo.jpg", false},
      {"ÉTÉ", "vacances été.mov", true},   // beyond ASCII
      {"Жук", "ЖУК.txt", true},
      {"\xff", "a\xff" "b", true},           // a byte that is no UTF-8 only matches itself
      {"\xff", "a\xfe" "b", false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(KDUIPublic::IsStringInString(c.needle, c.haystack), c.found)
        << (c.needle ? c.needle : "(null)") << " in " << (c.haystack ? c.haystack : "(null)");
}

// Untitled/ DCIM/{a.jpg, b.png}  Docs/Desktop/notes.txt  Users/Desktop/ (empty)  Empty/  misc/desktop/x.jpg
class KDUIPublicNodeSearch : public ::testing::Test {
 protected:
  void SetUp() override {
    bridge::ResetBridgeServicesForTesting();
    root = tree.Root("Untitled");
    dcim = tree.Folder(root, "DCIM");
    a = tree.File(dcim, "a.jpg");
    b = tree.File(dcim, "b.png");
    docs = tree.Folder(root, "Docs");
    desktop = tree.Folder(docs, "Desktop");
    notes = tree.File(desktop, "notes.txt");
    users = tree.Folder(root, "Users");
    emptyDesktop = tree.Folder(users, "Desktop");
    empty = tree.Folder(root, "Empty");
    misc = tree.Folder(root, "misc");
    lowerDesktop = tree.Folder(misc, "desktop");
    x = tree.File(lowerDesktop, "x.jpg");
  }
  void TearDown() override { bridge::ResetBridgeServicesForTesting(); }

  struct Case {
    IFileNode* node;
    bool matches;
  };
  void Check(const char* needle, const std::vector<Case>& cases) {
    for (const Case& c : cases)
      EXPECT_EQ(KDUIPublic::IsStringInFileNode(needle, c.node), c.matches)
          << needle << " in " << KDUIPublic::GetPathByFileNode(c.node);
  }

  NodeTree tree;
  CFilesystemNode* root = nullptr;
  BridgeTestNode *dcim, *a, *b, *docs, *desktop, *notes, *users, *emptyDesktop, *empty, *misc, *lowerDesktop, *x;
};

TEST_F(KDUIPublicNodeSearch, FilesByNameFoldersThroughTheirFiles) {
  Check("JPG", {{a, true}, {b, false}, {dcim, true}, {misc, true}, {root, true}, {docs, false}, {empty, false}});
  Check("DCIM", {{dcim, false}, {root, false}});  // a folder's own name does not count
  EXPECT_TRUE(KDUIPublic::IsStringInFileNode("", nullptr));
  EXPECT_TRUE(KDUIPublic::IsStringInFileNode(nullptr, empty));
  EXPECT_FALSE(KDUIPublic::IsStringInFileNode("a", nullptr));
}

TEST_F(KDUIPublicNodeSearch, DesktopModeMatchesFilesInFoldersNamedDesktop) {
  bridge::Settings().SetBool(KDUIPublic::kSelectDesktopDiskKey, true);
  for (const char* needle : {"anything", "jpg"})
    Check(needle, {{notes, true},
                   {desktop, true},
                   {docs, true},
                   {root, true},
                   {a, false},
                   {dcim, false},
                   {emptyDesktop, false},  // no file in it
                   {users, false},
                   {x, false},             // "desktop" is not "Desktop"
                   {misc, false}});
  EXPECT_TRUE(KDUIPublic::IsStringInFileNode("", a));
}

TEST_F(KDUIPublicNodeSearch, NodeList) {
  const std::vector<IFileNode*> files{a, nullptr, b};
  EXPECT_TRUE(KDUIPublic::IsStringInFileNodeVector("PNG", files));
  EXPECT_FALSE(KDUIPublic::IsStringInFileNodeVector("txt", files));
  EXPECT_TRUE(KDUIPublic::IsStringInFileNodeVector("", {}));
  EXPECT_FALSE(KDUIPublic::IsStringInFileNodeVector("a", {}));
}

// A folder far deeper than any stack would allow for a walk by recursion.
TEST(KDUIPublicSearchDepth, DeepFoldersAreSearchedWithoutRecursion) {
  bridge::ResetBridgeServicesForTesting();
  NodeTree tree;
  BridgeTestNode* bottom = tree.Folder(nullptr, "bottom");
  tree.File(bottom, "deep.jpg");
  BridgeTestNode* top = tree.FoldersAbove(bottom, 200'000);
  EXPECT_TRUE(KDUIPublic::IsStringInFileNode("deep", top));
  EXPECT_FALSE(KDUIPublic::IsStringInFileNode("shallow", top));
}

TEST(KDUIPublicPath, FromTheVolumeDownWithSafeComponents) {
  NodeTree tree;
  CFilesystemNode* root = tree.Root("Untitled");
  BridgeTestNode* dcim = tree.Folder(root, "DCIM");
  struct Case {
    IFileNode* node;
    std::string path;
  };
  const std::vector<Case> cases{
      {tree.File(dcim, "a.jpg"), "/Untitled/DCIM/a.jpg"},
      {root, "/Untitled"},
      {tree.File(dcim, "a/b"), "/Untitled/DCIM/a_b"},
      {tree.File(dcim, ".."), "/Untitled/DCIM/_"},
      {tree.File(dcim, "."), "/Untitled/DCIM/_"},
      {tree.File(dcim, ""), "/Untitled/DCIM/_"},
      {tree.File(dcim, std::nullopt), "/Untitled/DCIM/_"},
      {tree.File(tree.Root(".."), "x"), "/_/x"},
      {tree.File(tree.Root(""), "x"), "/_/x"},
      {tree.File(tree.Folder(nullptr, "orphans"), "x"), "/_/x"},  // a top that is no file-system root
      {nullptr, ""},
  };
  for (const Case& c : cases) EXPECT_EQ(KDUIPublic::GetPathByFileNode(c.node), c.path);
}

TEST(KDUIPublicPath, ClimbsAtMostTheBoundedNumberOfParents) {
  NodeTree tree;
  BridgeTestNode* deepest = tree.Chain(tree.Root("Untitled"), 1100);  // d0 .. d1099
  // 1024 parents up from d1099 is d75, which is taken as the top: d76 .. d1099 stay below it.
  std::string expected = "/_";
  for (int i = 76; i < 1100; ++i) expected += "/d" + std::to_string(i);
  EXPECT_EQ(KDUIPublic::GetPathByFileNode(deepest), expected);
}

TEST(KDUIPublicStems, PerSearcherWithTheDate) {
  std::tm day{};
  day.tm_year = 2026 - 1900;
  day.tm_mon = 2;
  day.tm_mday = 7;
  struct Case {
    _tagSearcherType type;
    std::string stem;
  };
  const Case cases[] = {
      {SEARCHER_HFSPLUS, "HFS+_Recovered Data 2026-03-07_"},
      {SEARCHER_FAT, "Fat_Recovered Data 2026-03-07_"},
      {SEARCHER_EXFAT, "ExFat_Recovered Data 2026-03-07_"},
      {SEARCHER_RAW, "RAW_"},
      {SEARCHER_LABEL, "Lable_RAW_Recovered Data 2026-03-07_"},
      {SEARCHER_APFS, "APFS_Recovered Data 2026-03-07_"},
      {SEARCHER_NTFS, ""},
      {SEARCHER_NONE, ""},
      {static_cast<_tagSearcherType>(0), ""},
  };
  for (const Case& c : cases) EXPECT_EQ(KDUIPublic::GetFileSystemStrByType(c.type, day), c.stem) << c.type;
}

std::string TodayUtc() {
  const std::chrono::year_month_day ymd{std::chrono::floor<std::chrono::days>(std::chrono::system_clock::now())};
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02u-%02u", static_cast<int>(ymd.year()),
                static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()));
  return text;
}

TEST(KDUIPublicStems, TodayInTheLocalZone) {
  ScopedTimeZone zone("UTC0");
  const std::string before = TodayUtc();
  const std::string stem = KDUIPublic::GetFileSystemStrByType(SEARCHER_FAT);
  const std::string after = TodayUtc();  // the day may turn during the call
  EXPECT_TRUE(stem == "Fat_Recovered Data " + before + "_" || stem == "Fat_Recovered Data " + after + "_") << stem;
  EXPECT_EQ(KDUIPublic::GetFileSystemStrByType(SEARCHER_RAW), "RAW_");
}

}  // namespace
}  // namespace quellsy::test

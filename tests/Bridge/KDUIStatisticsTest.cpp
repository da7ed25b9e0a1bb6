// Usage statistics: nothing happens without the library; with a stub library built beside the tests, the
// calls reach it for keys from 4096 up, and the end of the program sends its figures.

#include "Bridge/KDUIStatistics.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Bridge/KDUIScan.h"
#include "RecordingPoster.h"
#include "Utility/WorkPath.h"

namespace quellsy::test {
namespace {

class StatisticsTest : public ::testing::Test {
 protected:
  void TearDown() override {
    KDUIStatistics::ResetForTesting();
    KDUIScan::instance()->SetQimRsf(0);
  }
  // Every figure call once, with keys on both sides of the line.
  static void CallEverything() {
    KDUIStatistics::SpyIDIncreateTable1(4095);
    KDUIStatistics::SpyIDIncreateTable1(4096);
    KDUIStatistics::SpyIDIncreateTable2(100, 1);
    KDUIStatistics::SpyIDIncreateTable2(5000, 42);
    KDUIStatistics::SpyIDStringTable1(4097, "one");
    KDUIStatistics::SpyIDStringTable2(4098, "two");
    KDUIStatistics::SpyIDStringTable2(3584, "refused");
    KDUIStatistics::SpyIDWStringTable1(4099, "wide");
    KDUIStatistics::SpyIDWStringTable1(1, "refused");
  }
  ScopedRecordingPoster services_;
};

TEST_F(StatisticsTest, NoLibraryMeansNothingHappens) {
  KDUIStatistics::SetLibraryPathForTesting("/nonexistent/libmervox.so");
  EXPECT_EQ(KDUIStatistics::LoadSpyModule(), nullptr);
  CallEverything();
  KDUIStatistics::SpyIDInstall();
  KDUIStatistics::SetUserParticipart(true);
  KDUIStatistics::SpyIDSaveToServerTable();
  KDUIStatistics::SpyIDEnd();
  KDUIStatistics::SetQimRsf();
  EXPECT_EQ(KDUIStatistics::LoadSpyModule(), nullptr);
}

TEST_F(StatisticsTest, CallsReachTheLibraryForKeysFrom4096) {
  KDUIStatistics::SetLibraryPathForTesting(QUELLSY_MERVOX_STUB);
  void* handle = KDUIStatistics::LoadSpyModule();
  ASSERT_NE(handle, nullptr) << QUELLSY_MERVOX_STUB;
  auto* recorded = reinterpret_cast<void* (*)()>(dlsym(handle, "StubRecordedCalls"));
  ASSERT_NE(recorded, nullptr);
  auto& calls = *static_cast<std::vector<std::string>*>(recorded());
  calls.clear();

  CallEverything();
  KDUIStatistics::SetQimRsf();  // not a restored qim scan: nothing
  KDUIScan::instance()->SetQimRsf(1);
  KDUIStatistics::SetQimRsf();
  KDUIStatistics::SetQimRsf();
  KDUIStatistics::SpyIDSaveToServerTable();
  KDUIStatistics::SpyIDEnd();
  const std::string endpoint = std::string("text2 3584 ") + KDUIStatistics::kEndpoint;
  const std::vector<std::string> expected = {
      "count 4096", "add 5000 42", "text1 4097 one", "text2 4098 two", "wide1 4099 wide",
      "add 4175 0", "add 4175 1",  endpoint,         "send 2 5",       endpoint,
      "send 7 5",   "finish"};
  EXPECT_EQ(calls, expected);

  calls.clear();
  KDUIStatistics::SetUserParticipart(true);
  const char* folder = GetAppWorkPath();
  ASSERT_NE(folder, nullptr);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0], std::string("install 1 ") + folder);
}

TEST(StatisticsText, Utf8ToUcs4) {
  wchar_t wide[8];
  EXPECT_EQ(UTF82WCHAR("h\xc3\xa9\xe2\x82\xac", 6, wide, sizeof wide), 0);
  EXPECT_EQ(wide[0], L'h');
  EXPECT_EQ(wide[1], static_cast<wchar_t>(0xE9));
  EXPECT_EQ(wide[2], static_cast<wchar_t>(0x20AC));
  EXPECT_EQ(wide[3], 0);
  // Too long for the buffer: the converter says so and the text stays terminated.
  EXPECT_EQ(UTF82WCHAR("abcdefghij", 10, wide, sizeof wide), -1);
  EXPECT_EQ(wide[7], 0);
  EXPECT_EQ(UTF82WCHAR(nullptr, 0, wide, sizeof wide), -1);
}

}  // namespace
}  // namespace quellsy::test

// The signature search inside a real complete scan: the registered engines, the complete controller
// with its read-ahead device and the directory-tree builder, delivering to a recording tree sink.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "CompleteScanSupport.h"
#include "FakeRawAnalysers.h"
#include "RawResultTestSupport.h"
#include "include/IDataRunList.h"
#include "support/MemoryDevice.h"
#include "support/RecordingTreeSink.h"

namespace {

using namespace quellsy::test;
using Registry = CRawFileAnalyserListSingle;

using RawSearchInACompleteScan = RawResultTest;

TEST_F(RawSearchInACompleteScan, DeliversTheTypeAndLabelTrees) {
  FakeLog log;
  ScopedSearchSet set([&](Registry::AnalyserMap& map, Registry::AnalyserMultimap&, Registry::AnalyserList&) {
    map[KeyOf("JPG!")] = new FixedSizeAnalyser(RAW_FILE_TYPE_JPG, 1024, &log);
    map[KeyOf("PNG!")] = new FixedSizeAnalyser(RAW_FILE_TYPE_PNG, 0, &log, 2048);
    map[KeyOf("CAM!")] = new FixedSizeAnalyser(RAW_FILE_TYPE_JPG, 512, &log, 0,
                                               {"", "2015:03:04 05:06:07", RAW_FILE_TAG_CAMERA, "Model 7"});
  });
  MemoryDevice device(256LL, 512);
  for (const auto& [sector, key] : {std::pair{4LL, "JPG!"}, {40LL, "JPG!"}, {90LL, "PNG!"}, {130LL, "CAM!"}})
    device.Put(static_cast<std::size_t>(sector) * 512, std::vector<std::uint8_t>(key, key + 4));

  RecordingTreeSink sink;
  unsigned long long result = 0;
  const ScanController controller = RunCompleteScan(device, sink, result);
  EXPECT_EQ(result, 0u);

  std::vector<std::string> paths = sink.DeliveredPaths();
  std::sort(paths.begin(), paths.end());
  EXPECT_EQ(paths, (std::vector<std::string>{"Disk(Label RAW Files)/Camera", "Disk(Label RAW Files)/Camera/Model 7",
                                             "Disk(Label RAW Files)/Camera/Model 7/FILE002.JPG",
                                             "Disk(RAW Files)/jpg", "Disk(RAW Files)/jpg/FILE000.JPG",
                                             "Disk(RAW Files)/jpg/FILE001.JPG", "Disk(RAW Files)/png",
                                             "Disk(RAW Files)/png/FILE000.PNG"}));
  const IFileNode* png = sink.Find("FILE000.PNG");
  ASSERT_NE(png, nullptr);
  EXPECT_EQ(png->GetFileSize(), 2048);
  ASSERT_NE(png->GetDataRunList(), nullptr);
  EXPECT_EQ(png->GetDataRunList()->GetFirst()->lcn, 90);
  ASSERT_EQ(log.sizings.size(), 1u) << "the pending PNG is sized against the device at the end";
  EXPECT_EQ(log.sizings[0].deviceType, STORAGE_DEVICE_CACHE) << "the scan's read-ahead device";
}

}  // namespace

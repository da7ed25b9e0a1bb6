// The signature search inside a real complete scan: the registered engines, the complete controller
// with its read-ahead device and the directory-tree builder, delivering to a recording tree sink.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "CompleteScanSupport.h"
#include "FakeRawAnalysers.h"
#include "RAWSearch/Controller/CRAWFileNode.h"
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

// A hit whose size runs past the end of the device keeps what the device holds and is marked
// incomplete; a file that ends exactly at the device's end is complete.
TEST_F(RawSearchInACompleteScan, FilesCutOffByTheDeviceEndAreMarkedIncomplete) {
  constexpr long long kSectors = 256;
  struct Case {
    char key[5];
    long long sector;
    std::uint64_t claimedSize;  // 0: sized from the device at the search's end
    std::uint64_t sizeWhenAsked;
    std::uint64_t expectedSize;
    bool incomplete;
  };
  // Worked out by hand: from sector s a 256-sector device holds (256 - s) x 512 bytes.
  const std::vector<Case> cases = {
      {"ONE!", 10, 1024, 0, 1024, false},
      {"END!", 250, 3072, 0, 3072, false},  // ends on the device's last byte
      {"CUT!", 200, 40000, 0, 56 * 512, true},
      {"LAT!", 240, 0, 9000, 16 * 512, true},  // pending, sized from the device at the end
  };
  FakeLog log;
  ScopedSearchSet set([&](Registry::AnalyserMap& map, Registry::AnalyserMultimap&, Registry::AnalyserList&) {
    for (const Case& c : cases)
      map[KeyOf(c.key)] = new FixedSizeAnalyser(RAW_FILE_TYPE_JPG, c.claimedSize, &log, c.sizeWhenAsked);
  });
  MemoryDevice device(kSectors, 512);
  for (const Case& c : cases)
    device.Put(static_cast<std::size_t>(c.sector) * 512, std::vector<std::uint8_t>(c.key, c.key + 4));

  RecordingTreeSink sink;
  unsigned long long result = 0;
  const ScanController controller = RunCompleteScan(device, sink, result);
  EXPECT_EQ(result, 0u);

  std::map<long long, const CRAWFileNode*> found;
  for (IFileNode* node : sink.Delivered()) {
    const auto* raw = dynamic_cast<const CRAWFileNode*>(node);
    if (!raw || raw->IsDirectory() || !raw->GetDataRunList()) continue;
    if (RecordingTreeSink::PathOf(node).find("(RAW Files)") != std::string::npos)
      found[raw->GetDataRunList()->GetFirst()->lcn] = raw;
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key);
    const auto node = found.find(c.sector);
    ASSERT_NE(node, found.end());
    EXPECT_EQ(static_cast<std::uint64_t>(node->second->GetFileSize()), c.expectedSize);
    EXPECT_EQ(node->second->IsIncomplete(), c.incomplete);
    const DataRun* run = node->second->GetDataRunList()->GetFirst();
    EXPECT_LE(run->lcn + run->length, kSectors) << "the run stays on the device";
  }
}

}  // namespace

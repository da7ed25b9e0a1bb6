// The complete and whole-disk controllers with recording fake searchers: call order and set-up, blocks and
// progress, stopping, restoring a saved result, and data-recovery objects per searcher.

#include <sched.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <memory>
#include <set>
#include <thread>

#include "DataRecovery/DataRecovery.h"
#include "RecoveryController/CompleteRecoveryController.h"
#include "RecoveryController/FakeSearchers.h"
#include "RecoveryController/RecoveryController.h"
#include "RecoveryController/RecoveryControllerErrors.h"
#include "RecoveryController/RestoreScanSink.h"
#include "StorageDevice/DeviceDataHolder.h"
#include "StorageDevice/HeldBlockDevice.h"
#include "StorageDevice/StorageDeviceErrors.h"
#include "StorageDevice/StorageDeviceWithCache.h"
#include "include/IDataRecovery.h"
#include "support/MemoryDevice.h"
#include "support/RecordingTreeSink.h"
#include "support/TempDir.h"

namespace {

using namespace quellsy;
using namespace quellsy::test;
using Report = RecordingProgress::Report;

struct ControllerDeleter {
  void operator()(IRecoveryController* controller) const { controller->Release(); }
};
using ControllerPtr = std::unique_ptr<IRecoveryController, ControllerDeleter>;

ControllerPtr MakeController(_RECOVERY_CONTROLLER_TYPE type, IRecoveryFilter& filter) {
  ControllerPtr controller(CreateRecoveryController(type));
  EXPECT_EQ(controller->Initialize(&filter), 1);
  return controller;
}

class RecordingRestoreSink : public RestoreScanSink {
 public:
  void SetDirecotryTreeBuilder(IDirecotryTreeBuilder* given, IProgress* reporting, IStorageDevice* scanned) override {
    builder = given;
    progress = reporting;
    device = scanned;
    ++calls;
  }
  std::vector<CSearchedPartitionInfo*>& GetSearchedPartition(int searcherType, IStorageDevice*) override {
    asked.push_back(searcherType);
    return saved[searcherType];
  }

  IDirecotryTreeBuilder* builder = nullptr;
  IProgress* progress = nullptr;
  IStorageDevice* device = nullptr;
  int calls = 0;
  std::vector<int> asked;
  std::map<int, std::vector<CSearchedPartitionInfo*>> saved;
};

class CompleteControllerTest : public testing::Test {
 protected:
  // The order of calls across searchers is only fixed when they run one after another.
  void SetUp() override { CCompleteRecoveryController::SetSearcherThreads(1); }
  void TearDown() override { CCompleteRecoveryController::SetSearcherThreads(0); }
  void RegisterAll() {
    for (const _tagSearcherType type : CCompleteRecoveryController::kSearcherOrder) engines.AddComplete(type);
  }
  // The calls every searcher gets before the first block, in list order.
  static std::vector<std::string> SetUpCalls(const std::vector<int>& types, const std::string& blockSize) {
    std::vector<std::string> calls;
    for (const int type : types) {
      for (const std::string& call : std::vector<std::string>{"SetDevice", "SetBlockSize " + blockSize,
                                                              "SetDirecotryTreeBuilder", "SetBitmap", "PreparetoSearch"}) {
        calls.push_back(std::to_string(type) + " " + call);
      }
    }
    return calls;
  }

  FakeEngines engines;
  AcceptAllFilter filter;
  RecordingProgress progress;
  RecordingTreeSink sink;
};

TEST_F(CompleteControllerTest, EverySearcherAnalysesEveryBlockInOrderOnAThreadOfItsOwn) {
  CCompleteRecoveryController::SetSearcherThreads(0);
  FakeEngines local;
  for (const _tagSearcherType type : CCompleteRecoveryController::kSearcherOrder) local.AddComplete(type);
  constexpr long long kBlocks = 5;
  const std::vector<std::uint8_t> bytes = PatternBytes(kBlocks * 8192 * 512, 3);
  MemoryDevice device(bytes, 512);
  ControllerPtr controller = MakeController(RECOVERY_CONTROLLER_COMPLETE_VOLUME, filter);
  EXPECT_EQ(controller->StartDataRecovery(&device, &progress, &sink), kResultOk);

  const std::size_t searchers = std::size(CCompleteRecoveryController::kSearcherOrder);
  const unsigned threads = CCompleteRecoveryController::SearcherThreadsFor(searchers);
  // One per searcher, up to the cores this process may run on (fewer than the machine's when pinned).
  cpu_set_t allowed;
  CPU_ZERO(&allowed);
  ASSERT_EQ(sched_getaffinity(0, sizeof allowed, &allowed), 0);
  EXPECT_EQ(threads, std::min<std::size_t>(searchers, std::max(1, CPU_COUNT(&allowed))));
  std::set<std::thread::id> all;
  for (const _tagSearcherType type : CCompleteRecoveryController::kSearcherOrder) {
    SCOPED_TRACE(type);
    std::vector<std::string> analysed;
    for (const std::string& call : local.log)
      if (call.rfind(std::to_string(type) + " AnalyzeBlock", 0) == 0) analysed.push_back(call);
    std::vector<std::string> expected;
    for (long long block = 0; block < kBlocks; ++block)
      expected.push_back(std::to_string(type) + " AnalyzeBlock " + std::to_string(block * 8192) + " 8192");
    EXPECT_EQ(analysed, expected);
    // Each saw its blocks' own bytes, read through a device of its own over the shared read-ahead device.
    const auto& heads = local.Script(type).blockHeads;
    ASSERT_EQ(heads.size(), static_cast<std::size_t>(kBlocks));
    for (long long block = 0; block < kBlocks; ++block) {
      const auto offset = static_cast<std::size_t>(block) * 8192 * 512;
      EXPECT_EQ(heads[block], std::vector<std::uint8_t>(bytes.begin() + offset, bytes.begin() + offset + 16));
    }
    EXPECT_EQ(local.Script(type).blockThreads.size(), 1u);
    all.insert(local.Script(type).blockThreads.begin(), local.Script(type).blockThreads.end());
  }
  EXPECT_EQ(all.size(), threads);
}

TEST_F(CompleteControllerTest, SearchersAreMadeSetUpAndDrivenInOrder) {
  struct Case {
    const char* what;
    enumFILE_SYSTEM_TYPE volumeType;
    bool activePartition;
  };
  for (const Case& c : {Case{"FAT volume", FILE_SYSTEM_FAT32, false}, Case{"HFS+ volume", FILE_SYSTEM_HFSPLUS, true}}) {
    FakeEngines local;
    for (const _tagSearcherType type : CCompleteRecoveryController::kSearcherOrder) local.AddComplete(type);
    MemoryDevice device(PatternBytes(8192 * 512, 2), 512);
    CCollectedVolumeDeviceInfoStruct record;
    record.fileSystemType = c.volumeType;
    CDeviceDataHolder<IVolumeDeviceData> data(new CCollectedVolumeDeviceInfoStruct(record));
    device.SetPrivateData(&data);

    ControllerPtr controller = MakeController(RECOVERY_CONTROLLER_COMPLETE_VOLUME, filter);
    EXPECT_EQ(controller->StartDataRecovery(&device, &progress, &sink), kResultOk) << c.what;

    std::vector<std::string> expected = {"31 SetIProgressSink"};
    if (c.activePartition) expected.push_back("31 SetActivePartition 1");
    for (const std::string call : {"32 SetFileSectorMap", "34 SetFileSectorMap", "34 SetIProgressSink"}) {
      expected.push_back(call);
    }
    const std::vector<int> order = {31, 33, 32, 34, 35, 37};
    for (const std::string& call : SetUpCalls(order, "8192")) expected.push_back(call);
    for (const int type : order) expected.push_back(std::to_string(type) + " AnalyzeBlock 0 8192");
    for (const int type : order) expected.push_back(std::to_string(type) + " EndSearch 1");
    EXPECT_EQ(local.log, expected) << c.what;

    // Each searcher reads through a device of its own over the one read-ahead device; one bitmap and one
    // sector map, shared as intended.
    std::set<IStorageDevice*> devices;
    for (const int type : order) {
      auto* held = dynamic_cast<CHeldBlockDevice*>(local.Script(type).device);
      ASSERT_NE(held, nullptr) << type;
      EXPECT_EQ(held->GetInnerDevice(), &device) << type;
      devices.insert(held);
      EXPECT_EQ(local.Script(type).bitmap, local.Script(SEARCHER_FAT).bitmap) << type;
      EXPECT_EQ(local.Script(type).blockHeads.size(), 1u) << type;
    }
    EXPECT_EQ(devices.size(), order.size());
    EXPECT_NE(local.Script(SEARCHER_FAT).bitmap, nullptr);
    EXPECT_EQ(local.Script(SEARCHER_RAW).fileSectorMap, local.Script(SEARCHER_FAT).fileSectorMap);
    EXPECT_NE(local.Script(SEARCHER_FAT).fileSectorMap, nullptr);
    EXPECT_EQ(local.Script(SEARCHER_HFSPLUS).progressSink, &progress);
    EXPECT_EQ(local.Script(SEARCHER_RAW).progressSink, &progress);
    EXPECT_EQ(local.Script(SEARCHER_NTFS).progressSink, nullptr);
    controller.reset();
    for (const int type : order) EXPECT_EQ(local.Script(type).destroyed, 1) << type;
    progress.reports.clear();
  }
}

struct BlockCase {
  const char* what;
  long long sectors;
  unsigned sectorSize;
  std::vector<std::pair<long long, long long>> blocks;  // (first sector, count) handed to AnalyzeBlock
  std::vector<Report> reports;
};

void PrintTo(const BlockCase& c, std::ostream* out) { *out << c.what; }

class BlockLoop : public CompleteControllerTest, public testing::WithParamInterface<BlockCase> {};

TEST_P(BlockLoop, BlocksAndProgress) {
  const BlockCase& c = GetParam();
  engines.AddComplete(SEARCHER_NTFS);
  const auto bytes = PatternBytes(static_cast<std::size_t>(c.sectors) * c.sectorSize, 9);
  MemoryDevice device(bytes, c.sectorSize);
  ControllerPtr controller = MakeController(RECOVERY_CONTROLLER_COMPLETE_DISK, filter);
  EXPECT_EQ(controller->thisType(), RECOVERY_CONTROLLER_COMPLETE_DISK);
  ASSERT_EQ(controller->StartDataRecovery(&device, &progress, &sink), kResultOk);

  std::vector<std::string> analysed;
  for (const std::string& call : engines.log) {
    if (call.find("AnalyzeBlock") != std::string::npos) analysed.push_back(call);
  }
  std::vector<std::string> expected;
  for (const auto& [first, count] : c.blocks) {
    expected.push_back("35 AnalyzeBlock " + std::to_string(first) + " " + std::to_string(count));
  }
  EXPECT_EQ(analysed, expected);
  EXPECT_EQ(progress.reports, c.reports);

  // Each block's bytes reached the searcher through the read-ahead device.
  const auto& heads = engines.Script(SEARCHER_NTFS).blockHeads;
  ASSERT_EQ(heads.size(), c.blocks.size());
  for (std::size_t i = 0; i < heads.size(); ++i) {
    const auto offset = static_cast<std::size_t>(c.blocks[i].first) * c.sectorSize;
    EXPECT_EQ(heads[i], std::vector<std::uint8_t>(bytes.begin() + offset, bytes.begin() + offset + 16)) << i;
  }
}

INSTANTIATE_TEST_SUITE_P(
    CompleteController, BlockLoop,
    testing::Values(
        BlockCase{"one block", 8192, 512, {{0, 8192}}, {{2, 1, 0}, {0, 2, 0}, {2, 2, 0}, {3, 1, 1}}},
        BlockCase{"one sector more", 8193, 512, {{0, 8192}, {8192, 1}},
                  {{2, 1, 0}, {0, 3, 0}, {2, 3, 0}, {2, 3, 1}, {3, 1, 1}}},
        BlockCase{"4096-byte sectors", 2048, 4096, {{0, 1024}, {1024, 1024}},
                  {{2, 1, 0}, {0, 3, 0}, {2, 3, 0}, {2, 3, 1}, {3, 1, 1}}},
        BlockCase{"small card", 100, 512, {{0, 100}}, {{2, 1, 0}, {0, 2, 0}, {2, 2, 0}, {3, 1, 1}}},
        BlockCase{"five blocks", 5 * 8192, 512, {{0, 8192}, {8192, 8192}, {16384, 8192}, {24576, 8192}, {32768, 8192}},
                  {{2, 1, 0}, {0, 6, 0}, {2, 6, 0}, {2, 6, 1}, {2, 6, 2}, {2, 6, 3}, {2, 6, 4}, {3, 1, 1}}}),
    [](const testing::TestParamInfo<BlockCase>& param) {
      std::string name = param.param.what;
      for (char& ch : name) ch = std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
      return name;
    });

// Stopped before the first block or after the first of three: no further block, the signature search is not
// ended, every other searcher is, with the sink's build answer.
TEST_F(CompleteControllerTest, StopEndsEveryFileSystemSearcherButNotTheSignatureSearch) {
  struct Case {
    long long continues;
    int build;
    int blocksAnalysed;
    std::vector<Report> reports;
  };
  for (const Case& c : {Case{0, 1, 0, {{2, 1, 0}, {0, 4, 0}, {3, 1, 1}}},
                        Case{1, 0, 1, {{2, 1, 0}, {0, 4, 0}, {2, 4, 0}, {3, 1, 1}}}}) {
    FakeEngines local;
    for (const _tagSearcherType type : {SEARCHER_FAT, SEARCHER_RAW, SEARCHER_NTFS}) local.AddComplete(type);
    RecordingProgress stopping;
    stopping.continues = c.continues;
    stopping.build = c.build;
    MemoryDevice device(3 * 8192, 512);
    ControllerPtr controller = MakeController(RECOVERY_CONTROLLER_COMPLETE_VOLUME, filter);
    EXPECT_EQ(controller->StartDataRecovery(&device, &stopping, &sink), kResultOk) << "a stop is no failure";
    EXPECT_EQ(stopping.reports, c.reports);

    const std::string build = " " + std::to_string(c.build);
    std::vector<std::string> tail(local.log.end() - 2, local.log.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"32 EndSearch" + build, "35 EndSearch" + build}));
    EXPECT_EQ(std::count_if(local.log.begin(), local.log.end(),
                            [](const std::string& s) { return s == "34 AnalyzeBlock 0 8192"; }),
              c.blocksAnalysed);
    EXPECT_EQ(std::count_if(local.log.begin(), local.log.end(),
                            [](const std::string& s) { return s.rfind("34 EndSearch", 0) == 0; }),
              0);
  }
}

TEST_F(CompleteControllerTest, FailuresReturnTheirCodes) {
  MemoryDevice device(16, 512);
  ControllerPtr controller = MakeController(RECOVERY_CONTROLLER_COMPLETE_VOLUME, filter);
  EXPECT_EQ(controller->StartDataRecovery(nullptr, &progress, &sink), controller::kCompleteMissingArgument);
  EXPECT_EQ(controller->StartDataRecovery(&device, nullptr, &sink), controller::kCompleteMissingArgument);
  EXPECT_EQ(controller->StartDataRecovery(&device, &progress, nullptr), controller::kCompleteMissingArgument);
  EXPECT_TRUE(progress.reports.empty());

  EXPECT_EQ(controller->StartDataRecovery(&device, &progress, &sink), controller::kCompleteNoSearcher);
  EXPECT_EQ(progress.reports, (std::vector<Report>{{2, 1, 0}}));

  ControllerPtr noFilter(CreateRecoveryController(RECOVERY_CONTROLLER_COMPLETE_VOLUME));
  EXPECT_EQ(noFilter->Initialize(nullptr), 0);
  EXPECT_EQ(noFilter->StartDataRecovery(&device, &progress, &sink), controller::kCompleteTreeBuilderRefused);

  // A sector size no 4 MiB block can be made of is refused before any searcher gets a device.
  engines.AddComplete(SEARCHER_FAT);
  MemoryDevice huge(std::vector<std::uint8_t>(8u << 20), 8u << 20);
  progress.reports.clear();
  EXPECT_EQ(controller->StartDataRecovery(&huge, &progress, &sink), controller::kBlockScanNoDevice);
  EXPECT_EQ(progress.reports, (std::vector<Report>{{2, 1, 0}, {3, 1, 1}}));
  EXPECT_EQ(engines.log, (std::vector<std::string>{"32 SetFileSectorMap"}));
}

// A device whose raw reads stop reaching it from one sector on (every raw-read worker stuck in a stalled read).
class StallingDevice : public MemoryDevice {
 public:
  StallingDevice(long long sectors, long long stallFrom) : MemoryDevice(sectors, 512), stallFrom_(stallFrom) {}
  bool ReadSector(void* buffer, long long first, long long count) override {
    stalled_ = first + count > stallFrom_;
    return stalled_ ? false : MemoryDevice::ReadSector(buffer, first, count);
  }
  unsigned long long GetLastError() override { return stalled_ ? storage::kReadersStalled : MemoryDevice::GetLastError(); }

 private:
  long long stallFrom_;
  bool stalled_ = false;
};

// Blocks the device never saw are not searched as zeros: the scan ends with the device's error.
TEST_F(CompleteControllerTest, DeviceThatStopsTakingReadsEndsTheScanWithItsError) {
  engines.AddComplete(SEARCHER_FAT);
  const long long blockSectors = CCompleteRecoveryController::BlockSizeFor(512);
  StallingDevice device(3 * blockSectors, blockSectors + 5);
  ControllerPtr controller = MakeController(RECOVERY_CONTROLLER_COMPLETE_VOLUME, filter);
  EXPECT_EQ(controller->StartDataRecovery(&device, &progress, &sink), storage::kReadersStalled);
  auto* complete = dynamic_cast<CCompleteRecoveryController*>(controller.get());
  ASSERT_NE(complete, nullptr);
  ASSERT_NE(complete->GetCachedDevice(), nullptr);
  EXPECT_TRUE(complete->GetCachedDevice()->GetUnreadableRanges().empty());
  EXPECT_EQ(std::count(engines.log.begin(), engines.log.end(), "32 EndSearch 1"), 1);
}

TEST_F(CompleteControllerTest, RestoreHandsTheBuilderToTheSinkInsteadOfSearching) {
  RegisterAll();
  MemoryDevice device(2 * 8192, 512);
  RecordingRestoreSink restore;
  CSearchedPartitionInfo saved;
  saved.SetStartSector(63);
  saved.SetTotalSectors(1000);
  restore.saved[SEARCHER_NTFS] = {&saved};

  ControllerPtr controller = MakeController(RECOVERY_CONTROLLER_COMPLETE_VOLUME, filter);
  ASSERT_TRUE(SetRestoreScanSink(controller.get(), &restore));
  EXPECT_EQ(controller->StartDataRecovery(&device, &progress, &sink), kResultOk);
  EXPECT_EQ(restore.calls, 1);
  EXPECT_NE(restore.builder, nullptr);
  EXPECT_EQ(restore.progress, &progress);
  EXPECT_EQ(restore.device, &device);
  for (const std::string& call : engines.log) {
    EXPECT_EQ(call.find("PreparetoSearch"), std::string::npos) << call;
    EXPECT_EQ(call.find("AnalyzeBlock"), std::string::npos) << call;
  }
  EXPECT_EQ(std::count_if(engines.log.begin(), engines.log.end(),
                          [](const std::string& s) { return s.find("EndSearch 1") != std::string::npos; }),
            6);
  EXPECT_EQ(progress.reports, (std::vector<Report>{{2, 1, 0}, {3, 1, 1}}));

  // Data recovery takes the saved records of the asked type, over the scanned device.
  IDataRecovery* recovery = controller->GetDataRecovery(SEARCHER_NTFS);
  ASSERT_NE(recovery, nullptr);
  const auto& records = dynamic_cast<CDataRecovery*>(recovery)->GetSearchedPartition();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0]->GetStartSector(), 63);
  EXPECT_NE(records[0], &saved) << "a copy, the sink keeps its own";
  recovery->Release();
  EXPECT_EQ(restore.asked, (std::vector<int>{SEARCHER_NTFS}));
}

TEST_F(CompleteControllerTest, DataRecoveryPerSearcherType) {
  engines.AddComplete(SEARCHER_FAT);
  engines.AddComplete(SEARCHER_RAW);
  CSearchedPartitionInfo fat;
  fat.SetStartSector(2048);
  fat.SetTotalSectors(4096);
  engines.Script(SEARCHER_FAT).partitions = {fat};
  MemoryDevice device(8192, 512);

  ControllerPtr controller = MakeController(RECOVERY_CONTROLLER_COMPLETE_VOLUME, filter);
  EXPECT_EQ(controller->GetDataRecovery(SEARCHER_FAT), nullptr) << "nothing before a scan";
  ASSERT_EQ(controller->StartDataRecovery(&device, &progress, &sink), kResultOk);

  struct Case {
    _tagSearcherType type;
    bool made;
  };
  for (const Case& c : {Case{SEARCHER_FAT, true}, Case{SEARCHER_RAW, false} /* it reports no partition */,
                        Case{SEARCHER_NTFS, false} /* not in the scan */}) {
    IDataRecovery* recovery = controller->GetDataRecovery(c.type);
    EXPECT_EQ(recovery != nullptr, c.made) << c.type;
    if (!recovery) continue;
    const auto& records = dynamic_cast<CDataRecovery*>(recovery)->GetSearchedPartition();
    ASSERT_FALSE(records.empty());
    EXPECT_EQ(records[0]->GetStartSector(), 2048);
    recovery->Release();
  }
}

// Releasing after a run, and a second run on the same controller, end the read-ahead and free every searcher once.
TEST_F(CompleteControllerTest, SecondRunRebuildsAndReleaseFreesEverything) {
  engines.AddComplete(SEARCHER_FAT);
  MemoryDevice device(3 * 8192 + 7, 512);
  ControllerPtr controller = MakeController(RECOVERY_CONTROLLER_COMPLETE_VOLUME, filter);
  ASSERT_EQ(controller->StartDataRecovery(&device, &progress, &sink), kResultOk);
  auto* complete = dynamic_cast<CCompleteRecoveryController*>(controller.get());
  ASSERT_EQ(controller->StartDataRecovery(&device, &progress, &sink), kResultOk);
  EXPECT_EQ(engines.Script(SEARCHER_FAT).created, 2);
  EXPECT_EQ(engines.Script(SEARCHER_FAT).destroyed, 1);
  EXPECT_NE(complete->GetBitmap(), nullptr);
  EXPECT_NE(complete->GetCachedDevice(), nullptr);
  controller.reset();
  EXPECT_EQ(engines.Script(SEARCHER_FAT).destroyed, 2);
}

TEST(RecoveryControllerFactory, TypesAndBlockSizes) {
  for (const auto type : {RECOVERY_CONTROLLER_QUICK, RECOVERY_CONTROLLER_COMPLETE_VOLUME,
                          RECOVERY_CONTROLLER_COMPLETE_DISK}) {
    ControllerPtr controller(CreateRecoveryController(type));
    ASSERT_NE(controller, nullptr);
    EXPECT_EQ(controller->thisType(), type);
    EXPECT_EQ(controller->GetDataRecovery(SEARCHER_FAT), nullptr);
  }
  EXPECT_EQ(CreateRecoveryController(static_cast<_RECOVERY_CONTROLLER_TYPE>(3)), nullptr);
  EXPECT_FALSE(SetRestoreScanSink(nullptr, nullptr));

  for (const auto& [sectorSize, block] : std::vector<std::pair<unsigned, unsigned>>{
           {512, 8192}, {0, 8192}, {4096, 1024}, {2048, 2048}, {4u << 20, 1}, {(4u << 20) + 1, 8192}}) {
    EXPECT_EQ(CCompleteRecoveryController::BlockSizeFor(sectorSize), block) << sectorSize;
  }
}

}  // namespace

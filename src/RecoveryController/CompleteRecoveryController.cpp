#include "RecoveryController/CompleteRecoveryController.h"

#include <algorithm>
#include <atomic>
#include <thread>

#include "RecoveryController/RecoveryControllerErrors.h"
#include "RecoveryController/RestoreScanSink.h"
#include "StorageDevice/StorageDeviceWithCache.h"
#include "Utility/Cores.h"
#include "Utility/RoundCrew.h"
#include "Utility/TBitmap.h"
#include "include/EngineRegistry.h"
#include "include/IFileSystemSearchController.h"
#include "include/IStorageDevice.h"
#include "include/IStorageDeviceData.h"

using namespace quellsy;

namespace {

constexpr unsigned kBlockBytes = 0x400000;
constexpr unsigned kFallbackBlockSectors = 8192;
// Blocks one lane of searchers may run ahead of another; each is one more block's buffer in memory.
constexpr std::size_t kRoundsApart = 3;
// The block loop fills the progress bar to this share; the end of the searches is not counted.
constexpr double kBlockLoopShare = 0.8;

std::atomic<unsigned> searcherThreads{0};

// How much work a searcher does on a block, against a file-system searcher's: the signature search looks at
// most of every sector's bytes and follows the files it found, as much as the file-system searchers together.
unsigned WorkPerBlock(_tagSearcherType type) { return type == SEARCHER_RAW ? 5 : 1; }

bool IsHfsPlusVolume(IStorageDevice* device) {
  if (device->GetType() != STORAGE_DEVICE_VOLUME) return false;
  auto* volume = dynamic_cast<IVolumeDeviceData*>(device->GetPrivateData());
  const auto* record = volume ? volume->GetVolumeInfo() : nullptr;
  return record && record->fileSystemType == FILE_SYSTEM_HFSPLUS;
}

}  // namespace

CCompleteRecoveryController::~CCompleteRecoveryController() {
  ReleaseRun();
  ReleaseTreeBuilder();
}

unsigned CCompleteRecoveryController::BlockSizeFor(unsigned sectorSize) {
  const unsigned sectors = kBlockBytes / (sectorSize != 0 ? sectorSize : 512);
  return sectors != 0 ? sectors : kFallbackBlockSectors;
}

void CCompleteRecoveryController::SetSearcherThreads(unsigned threads) { searcherThreads.store(threads); }

unsigned CCompleteRecoveryController::SearcherThreadsFor(std::size_t searchers) {
  const unsigned chosen = searcherThreads.load();
  const unsigned threads = chosen != 0 ? chosen : quellsy::UsableCores();
  return static_cast<unsigned>(std::clamp<std::size_t>(searchers, 1, threads));
}

void CCompleteRecoveryController::ReleaseRun() {
  for (const _SEARCHER_INFO& info : m_searchers) delete info.searcher;
  m_searchers.clear();
  m_views.clear();
  if (m_cache) m_cache->EndCache();
  m_cache.reset();
  m_fileSectorMap.clear();
}

unsigned long long CCompleteRecoveryController::StartDataRecovery(IStorageDevice* device, IProgress* progress,
                                                                  IDrirectoryTree* sink) {
  if (!device || !progress || !sink) return controller::kCompleteMissingArgument;
  ReleaseRun();
  m_bitmap = std::make_unique<TBitmap>();
  Report(progress, PROGRESS_STATUS_RUNNING, 1, 0);

  const ResultCode started = StartTreeBuilder(m_restoreSink != nullptr, device, sink,
                                              controller::kCompleteNoTreeBuilder,
                                              controller::kCompleteTreeBuilderRefused);
  if (started != kResultOk) return started;

  CreateSearchers(device, progress);
  if (m_searchers.empty()) return controller::kCompleteNoSearcher;

  FlushFileSystems(device);
  m_device = device;
  const unsigned blockSize = BlockSizeFor(device->GetSectorSize());
  m_cache = std::make_unique<CStorageDeviceWithCache>(device);
  if (!m_cache->SetBlockSize(blockSize)) {
    // A sector size no block can be made of: the searchers are never given a device, so they are not ended.
    m_cache.reset();
    Report(progress, PROGRESS_STATUS_FINISHED, 1, 1);
    return controller::kBlockScanNoDevice;
  }
  m_cache->BeginCache();

  for (const _SEARCHER_INFO& info : m_searchers) {
    m_views.push_back(std::make_unique<CHeldBlockDevice>(m_cache.get()));
    info.searcher->SetDevice(m_views.back().get());
    info.searcher->SetBlockSize(static_cast<int>(blockSize));
    info.searcher->SetDirecotryTreeBuilder(m_builder);
    info.searcher->SetBitmap(m_bitmap.get());
    if (!m_restoreSink) info.searcher->PreparetoSearch();
  }

  ResultCode result = kResultOk;
  if (m_restoreSink) {
    m_restoreSink->SetDirecotryTreeBuilder(m_builder, progress, device);
  } else {
    result = ScanBlocks(0, device->GetTotalSectors() - 1, progress);
  }
  EndSearches(progress);
  Report(progress, PROGRESS_STATUS_FINISHED, 1, 1);
  return UnlessStoppedAnswering(*device, result);
}

void CCompleteRecoveryController::CreateSearchers(IStorageDevice* device, IProgress* progress) {
  const EngineRegistry& registry = EngineRegistry::Instance();
  for (const _tagSearcherType type : kSearcherOrder) {
    ICompleteFileSystemSearchController* searcher = registry.CreateCompleteSearcher(type);
    if (!searcher) continue;
    switch (type) {
      case SEARCHER_HFSPLUS:
        searcher->SetIProgressSink(progress);
        if (IsHfsPlusVolume(device)) searcher->SetActivePartition(true);
        break;
      case SEARCHER_FAT:
        searcher->SetFileSectorMap(&m_fileSectorMap);
        break;
      case SEARCHER_RAW:
        searcher->SetFileSectorMap(&m_fileSectorMap);
        searcher->SetIProgressSink(progress);
        break;
      default:
        break;
    }
    m_searchers.push_back({type, searcher});
  }
}

ResultCode CCompleteRecoveryController::ScanBlocks(long long first, long long last, IProgress* progress) {
  if (!progress || !m_cache) return controller::kBlockScanNoDevice;
  if (first > last) return controller::kBlockScanBadRange;
  const long long blockSize = BlockSizeFor(m_cache->GetSectorSize());
  const long long total = m_cache->GetTotalSectors();
  first = std::clamp(first, 0LL, std::max(total, 0LL));
  last = std::min(last, total - 1);
  // An empty device has no block: nothing is handed to the searchers.
  const long long firstBlock = first / blockSize;
  const long long blocks = last >= first ? last / blockSize - firstBlock + 1 : 0;
  const std::uint64_t reportTotal = static_cast<std::uint64_t>(blocks) + 1;

  // Each lane of searchers works through the blocks in order on a thread of its own, up to kRoundsApart blocks
  // ahead of the other lanes, so that no lane waits for another at every block's end; a block's buffer goes back
  // to the read-ahead once every searcher let it go. Each searcher reads through a device of its own that holds
  // the block it is on. Searchers share nothing they change during the loop, so what they find does not depend
  // on the threads.
  struct Round {
    long long start = 0;
    long long count = 0;
    std::shared_ptr<const SharedSectorBlock> block;
  };
  std::vector<Round> rounds(kRoundsApart);
  std::vector<unsigned> weights;
  for (const _SEARCHER_INFO& info : m_searchers) weights.push_back(WorkPerBlock(info.type));
  quellsy::RoundCrew crew(
      weights, SearcherThreadsFor(m_searchers.size()),
      [this, &rounds](std::size_t k, unsigned long long round) {
        const Round& at = rounds[round % rounds.size()];
        m_views[k]->Hold(at.block);
        m_searchers[k].searcher->AnalyzeBlock(at.start, at.count);
      },
      rounds.size());
  Report(progress, PROGRESS_STATUS_START, reportTotal, 0);
  // Every finished block is reported once and in order, however far the lanes got between two looks, so that
  // the progress a caller sees does not depend on the threads.
  unsigned long long reported = 0;
  const auto reportFinished = [&] {
    for (const unsigned long long finished = crew.Finished(); reported < finished;) {
      ++reported;
      Report(progress, PROGRESS_STATUS_RUNNING, reportTotal,
             static_cast<std::uint64_t>(kBlockLoopShare * static_cast<double>(reported)));
    }
  };
  ResultCode result = kResultOk;
  for (long long done = 0; done < blocks; ++done) {
    if (progress->Continued() == 0) break;
    const long long block = firstBlock + done;
    Round& next = rounds[crew.NextRound() % rounds.size()];
    next.block = m_cache->TakeBlock(block);
    // The device stopped answering (every raw read stalled): the rest would be zeros, not a scan.
    if (const ResultCode error = m_cache->GetReadAheadError(); error != kResultOk) {
      result = error;
      break;
    }
    next.start = block * blockSize;
    next.count = std::min(blockSize, last - next.start + 1);
    crew.Start();
    reportFinished();
  }
  crew.Wait();
  reportFinished();
  return result;
}

void CCompleteRecoveryController::EndSearches(IProgress* progress) {
  for (const _SEARCHER_INFO& info : m_searchers) {
    // A stopped signature search has nothing worth building; every file-system searcher still ends.
    if (info.type == SEARCHER_RAW && progress->Continued() == 0) continue;
    info.searcher->EndSearch(progress->shouldBuild());
  }
}

IDataRecovery* CCompleteRecoveryController::GetDataRecovery(_tagSearcherType type) const {
  const auto found = std::find_if(m_searchers.begin(), m_searchers.end(),
                                  [type](const _SEARCHER_INFO& info) { return info.type == type; });
  return found == m_searchers.end() ? nullptr : MakeDataRecovery(found->searcher, type);
}

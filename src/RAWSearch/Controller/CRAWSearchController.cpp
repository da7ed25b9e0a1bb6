#include "RAWSearch/Controller/CRAWSearchController.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

#include "RAWSearch/Controller/CRAWFileManager.h"
#include "RAWSearch/Controller/CRAWFileNode.h"
#include "RAWSearch/Framework/CNotifyCenter.h"
#include "RAWSearch/Framework/IRawFileAnalyser.h"
#include "RAWSearch/Framework/RawFileBuffer.h"
#include "RAWSearch/Framework/RawFileExtName.h"
#include "RAWSearch/Framework/RawFollowedStreams.h"
#include "RAWSearch/Registry/CRawFileAnalyserListSingle.h"
#include "Utility/ByteReader.h"
#include "Utility/CatchExeception.h"
#include "Utility/Prefetch.h"
#include "Utility/TBitmap.h"
#include "include/IStorageDevice.h"
#include "include/SearchPartitionInfoStruct.h"

namespace {

constexpr unsigned kDefaultSectorSize = 512;
constexpr unsigned kMinSectorSize = 512;
constexpr unsigned kMaxTrailingZeroWords = 8;

bool Continues() { return CNotifyCenter::Instance()->isContinue() != 0; }

bool SearchSetEmpty(CRawFileAnalyserListSingle& registry) {
  const int set = CRawFileAnalyserListSingle::kSearchSet;
  return registry.GetAnalyserList(set).empty() && registry.GetAnalyserMap(set).empty() &&
         registry.GetAnalyserMultimap(set).empty();
}

}  // namespace

CRAWSearchController::CRAWSearchController() = default;

CRAWSearchController::~CRAWSearchController() {
  ClearRecords();
  CNotifyCenter::Instance()->Reset();
}

void CRAWSearchController::ClearRecords() {
  m_nActive = 0;
  m_hits.clear();
  m_pending.clear();
}

int CRAWSearchController::GetSearchedPartitionInfo(CSearchedPartitionInfo** out, int capacity) {
  if (!out || capacity < 1) return 1;
  const unsigned sectorSize = m_pDevice && m_pDevice->GetSectorSize() ? m_pDevice->GetSectorSize() : kDefaultSectorSize;
  auto* record = new (std::nothrow) CSearchedPartitionInfo(sectorSize);
  if (record) {
    record->SetSectorsPerCluster(1);
    record->SetClusterOrigin(0);
    record->SetStartSector(0);
    record->SetBytesPerSector(sectorSize);
    record->SetOrderKey(1.0);
  }
  out[0] = record;
  return 1;
}

void CRAWSearchController::SetDevice(IStorageDevice* device) {
  if (device) m_pDevice = device;
}

void CRAWSearchController::SetBlockSize(int sectors) {
  if (sectors >= 1) m_iRequestedBlockSize = sectors;
}

void CRAWSearchController::SetIProgressSink(IProgress* progress) { CNotifyCenter::Instance()->SetProgress(progress); }

void CRAWSearchController::PreparetoSearch() {
  ClearRecords();
  m_fileManagers.clear();
  m_bArmed = false;
  m_llLowerFirst = -1;
  if (!m_pTreeBuilder || !m_pDevice || m_iRequestedBlockSize < 1) {
    CatchExeception::WriteLog("signature search not armed: tree builder, device or block size missing\r\n");
    return;
  }
  const unsigned sectorSize = m_pDevice->GetSectorSize() ? m_pDevice->GetSectorSize() : kDefaultSectorSize;
  if (sectorSize < kMinSectorSize || !RawFileBuffer::SupportsSectorSize(sectorSize)) {
    CatchExeception::WriteLog("signature search not armed: sector size %u not supported\r\n", sectorSize);
    return;
  }
  m_uSectorSize = sectorSize;
  m_iSectorsPerBlock = std::min<long long>(m_iRequestedBlockSize, static_cast<long long>(kMaxBlockBytes / sectorSize));
  m_llOverlapSectors = std::min<long long>(kOverlapBytes / sectorSize, m_iSectorsPerBlock);

  CRawFileAnalyserListSingle* registry = CRawFileAnalyserListSingle::CreateInstance();
  registry->ReinitAnalyzeList(nullptr);
  m_dispatch.Build(*registry, CRawFileAnalyserListSingle::kSearchSet);
  RawFileBuffer::ResetSharedWindow();
  ReleaseFollowedStreams(nullptr);
  CRAWFileManager::g_nID = CRAWFileManager::kFirstFolderNodeID;
  m_llRingNext = 0;
  ResetRawFileCounters();
  m_fileTypeManager.Initialize();
  m_pTreeBuilder->AddSearcherInfo(SEARCHER_RAW, kTypeRootID);
  m_pTreeBuilder->AddSearcherInfo(SEARCHER_LABEL, CLABELRAWTreeBuilder::kLabelRootID);
  m_bArmed = ArmRing(0);
  if (!m_bArmed) CatchExeception::WriteLog("signature search not armed: no memory for the ring of blocks\r\n");
}

bool CRAWSearchController::ArmRing(long long first) {
  return m_ring.InitBufferDevice(m_pDevice, static_cast<unsigned long long>(first), m_uSectorSize,
                                 static_cast<unsigned>(m_iSectorsPerBlock), kRingBlocks,
                                 static_cast<unsigned>(m_llOverlapSectors) * m_uSectorSize, kZeroTail);
}

void CRAWSearchController::AnalyzeBlock(long long firstSector, long long sectorCount) {
  if (!m_bArmed || firstSector < 0 || sectorCount < 1) return;
  if (SearchSetEmpty(*CRawFileAnalyserListSingle::CreateInstance())) return;
  for (long long done = 0; done < sectorCount; done += m_iSectorsPerBlock)
    AnalyzePiece(firstSector + done, std::min(m_iSectorsPerBlock, sectorCount - done));
}

void CRAWSearchController::AnalyzePiece(long long first, long long count) {
  // A piece that does not follow on from the ring's last block starts a new ring.
  if (first != m_llRingNext && !ArmRing(first)) {
    m_bArmed = false;
    return;
  }
  // The bytes just before the piece are shown only when they are the device's data before it.
  const bool follows = m_ring.LastBlock() && m_llLowerFirst >= 0 && m_llLowerFirst + m_iSectorsPerBlock == first;
  std::shared_ptr<const SharedSectorBlock> block = TakePiece(first, count, follows);
  if (!block) {
    CatchExeception::WriteLog("signature search stopped: no memory for a block\r\n");
    m_bArmed = false;
    return;
  }
  // Analysers are handed the sectors through their long-standing non-const interface; none writes them, so
  // the block may be the one every searcher reads at the same time.
  auto* piece = const_cast<unsigned char*>(block->data);
  SearchPiece(piece, first, count, follows ? first - m_llOverlapSectors : first);

  m_llLowerFirst = count == m_iSectorsPerBlock ? first : -1;
  if (m_ring.IsFullBuffer()) SizePendingFromRing();
  m_ring.AppendBlock(std::move(block));
  // Sizing the waiting hits reads little more than their own bytes, a few megabytes over a whole scan: the ring
  // keeps only the block the next one follows on, every other goes back to the read-ahead at once, and a sizing
  // read finds those sectors in the device (the system's cache still holds what was just read). The scan then
  // holds a few blocks' memory instead of the ring's twenty, each new page of which costs more than those reads.
  m_ring.ReleaseBefore(first);
  m_llRingNext = first + m_iSectorsPerBlock;
}

std::shared_ptr<const SharedSectorBlock> CRAWSearchController::TakePiece(long long first, long long count,
                                                                         bool follows) {
  const std::size_t overlap = static_cast<std::size_t>(m_llOverlapSectors) * m_uSectorSize;
  const std::size_t blockBytes = static_cast<std::size_t>(m_iSectorsPerBlock) * m_uSectorSize;
  // The read-ahead block itself when it is laid out as the search needs: a whole piece, the look-back before it
  // (zeros before sector 0) and the zero tail after it.
  if (std::shared_ptr<const SharedSectorBlock> shared = m_pDevice->ShareHeldBlock(first, count);
      shared && shared->capacity == blockBytes && shared->lookBack >= overlap && shared->zeroTail >= kZeroTail &&
      (follows || first == 0))
    return shared;
  const CBufferStorageDevice::MadeBlock made = m_ring.MakeBlock(first, count);
  if (!made.block) return nullptr;
  if (follows) std::memcpy(made.bytes - overlap, m_ring.LastBlock()->data + blockBytes - overlap, overlap);
  FillPiece(made.bytes, first, count);
  return made.block;
}

void CRAWSearchController::FillPiece(unsigned char* piece, long long first, long long count) {
  const std::size_t bytes = static_cast<std::size_t>(count) * m_uSectorSize;
  // An unreadable piece is searched as zeros so that sector numbers stay in step.
  if (const unsigned char* held = m_pDevice->HeldSectors(first, count))
    std::memcpy(piece, held, bytes);
  else if (!m_pDevice->ReadSector(piece, first, count))
    std::memset(piece, 0, bytes);
  std::memset(piece + bytes, 0, static_cast<std::size_t>(m_iSectorsPerBlock) * m_uSectorSize - bytes);
}

void CRAWSearchController::SearchPiece(unsigned char* piece, long long first, long long count, long long bufferFirst) {
  const bool skipping = m_pBitmap && m_pBitmap->GetBitmapData();
  const long long unit = skipping ? std::max(1u, m_pBitmap->GetUnit()) : 1;
  const long long blockEnd = first + count;
  for (long long i = 0; i < count;) {
    const long long sector = first + i;
    if (skipping && m_pBitmap->GetBit(sector / unit)) {
      i += sector % unit == 0 ? unit : 1;
      continue;
    }
    if (!Continues()) break;
    unsigned char* p = piece + i * m_uSectorSize;
    // The table looks at words anywhere in the sector's first half: the whole sector is asked for.
    if (i + quellsy::kPrefetchSectorsAhead < count)
      quellsy::PrefetchBytes(p + quellsy::kPrefetchSectorsAhead * m_uSectorSize, m_uSectorSize);
    const bool mayClaim = m_dispatch.MayClaim(p, m_uSectorSize);
    // A sector that no analyser can start and no followed record waits for costs the table look alone.
    if (!mayClaim && m_nActive == 0) {
      ++i;
      continue;
    }
    CRawFileInfo::SearchContext context = InitContext(p, bufferFirst, blockEnd);
    CRawFileInfo scratch;
    CRawFileInfo* newHit = nullptr;
    if (IRawFileAnalyser* analyser = mayClaim ? m_dispatch.Find(p, scratch, m_uSectorSize, sector, context) : nullptr) {
      std::unique_ptr<CRawFileInfo> hit(CreateRawFileInfo(scratch, sector, analyser));
      // A hit filed at once, or dropped, is not shown to the followed records.
      if (!hit || (hit->m_ullSize != 0 && FileRecord(*hit))) {
        ++i;
        continue;
      }
      newHit = AddRawFileInfoToList(std::move(hit), p, sector);
    }
    CalcRawFileSize(p, newHit, sector, context);
    ++i;
  }
}

CRawFileInfo::SearchContext CRAWSearchController::InitContext(const unsigned char* sector, long long bufferFirst,
                                                               long long blockEnd) const {
  const quellsy::ByteSpan bytes(sector, m_uSectorSize);
  CRawFileInfo::SearchContext context;
  context.llBufferFirstSector = bufferFirst;
  context.llBlockEndSector = blockEnd;
  context.uLeadingZeroBytes = quellsy::le32(bytes, 0).value_or(0) == 0 ? 4 : 0;
  for (unsigned word = 1; word <= kMaxTrailingZeroWords; ++word) {
    if (quellsy::le32(bytes, m_uSectorSize - 4 * word).value_or(1) != 0) break;
    context.uTrailingZeroBytes += 4;
  }
  return context;
}

CRawFileInfo* CRAWSearchController::CreateRawFileInfo(CRawFileInfo& scratch, long long sectorNumber,
                                                      IRawFileAnalyser* analyser) {
  CRawFileInfo* hit = analyser->CreateRawFileInfo();
  if (!hit) return nullptr;
  hit->m_uRawFileType = scratch.m_uRawFileType;
  hit->m_ullSize = scratch.m_ullSize;
  hit->m_llStartSector = sectorNumber;
  hit->m_pAnalyser = analyser;
  hit->m_uAnalyserType = analyser->GetType();
  if (m_pFileSectorMap) m_pFileSectorMap->emplace(sectorNumber, scratch.m_uRawFileType);
  return hit;
}

CRAWFileManager* CRAWSearchController::GetFileManager(unsigned int rawFileType) {
  // Types past the extension table have no kind of file and are not filed.
  const char* extension = RawFileExtension(rawFileType);
  if (!extension) return nullptr;
  const auto kind = static_cast<std::uint32_t>(m_fileTypeManager.GetFileTypeID(extension));
  std::unique_ptr<CRAWFileManager>& manager = m_fileManagers[kind];
  if (!manager)
    manager = std::make_unique<CRAWFileManager>(static_cast<int>(kTypeRootID), static_cast<int>(kind), m_pTreeBuilder);
  return manager.get();
}

bool CRAWSearchController::FileRecord(CRawFileInfo& record) {
  CRAWFileManager* manager = GetFileManager(record.m_uRawFileType);
  if (!manager) return false;
  CutAtDeviceEnd(record);
  // The type may have been settled while the hit grew (a ZIP that is a DOCX).
  if (m_pFileSectorMap) (*m_pFileSectorMap)[record.m_llStartSector] = record.m_uRawFileType;
  manager->AddRawFileInfo(&record);
  return true;
}

void CRAWSearchController::CutAtDeviceEnd(CRawFileInfo& record) const {
  if (!m_pDevice || record.m_ullSize == 0) return;
  const long long total = m_pDevice->GetTotalSectors();
  if (total <= 0 || record.m_llStartSector < 0 || record.m_llStartSector >= total) return;
  const std::uint64_t held = static_cast<std::uint64_t>(total - record.m_llStartSector) * m_uSectorSize;
  if (record.m_ullSize <= held) return;
  record.m_ullSize = held;
  record.m_bIncomplete = true;
}

CRawFileInfo* CRAWSearchController::AddRawFileInfoToList(std::unique_ptr<CRawFileInfo> hit, unsigned char* sector,
                                                         long long sectorNumber) {
  CRawFileInfo* record = hit.get();
  // A sized hit reaching here has no manager for its type and can never be filed.
  if (hit->m_ullSize != 0) return nullptr;
  if (!hit->WhetherImplementGuess()) {
    m_pending.push_back(std::move(hit));
    return record;
  }
  if (m_nActive == kMaxActive) {
    const RecordList::iterator oldest = m_active[0];
    RemoveActive(0);
    if (LeaveActive(**oldest, sector, sectorNumber)) {
      FileRecord(**oldest);
      m_hits.erase(oldest);
    }
  }
  m_hits.push_back(std::move(hit));
  m_active[static_cast<std::size_t>(m_nActive++)] = std::prev(m_hits.end());
  return record;
}

void CRAWSearchController::CalcRawFileSize(unsigned char* sector, CRawFileInfo* newHit, long long sectorNumber,
                                           CRawFileInfo::SearchContext& context) {
  for (int k = 0; k < m_nActive;) {
    const RecordList::iterator it = m_active[static_cast<std::size_t>(k)];
    CRawFileInfo& record = **it;
    context.pSameSectorHit = newHit == &record ? nullptr : newHit;
    if (record.CalcRawSize(sector, static_cast<int>(m_uSectorSize), sectorNumber, context) != 1) {
      ++k;
      continue;
    }
    RemoveActive(k);
    ReleaseFollowedStreams(&record);
    if (record.m_ullSize == 0 && record.m_pAnalyser) {
      record.WillBeRemove(sector, sectorNumber);
      // Closing may have settled the size; otherwise the analyser sizes it once the ring is full.
      if (record.m_ullSize == 0) {
        m_pending.splice(m_pending.end(), m_hits, it);
        continue;
      }
    }
    // Sized: filed. Unsized without an analyser, or of a type without manager: nothing can file it.
    if (record.m_ullSize != 0) FileRecord(record);
    m_hits.erase(it);
  }
}

void CRAWSearchController::RemoveActive(int k) {
  std::move(m_active.begin() + k + 1, m_active.begin() + m_nActive, m_active.begin() + k);
  --m_nActive;
}

bool CRAWSearchController::LeaveActive(CRawFileInfo& record, unsigned char* sector, long long sectorNumber) {
  const std::uint64_t runningLength = record.m_ullSize;
  record.WillBeRemove(sector, sectorNumber);
  ReleaseFollowedStreams(&record);
  if (record.m_ullSize != 0 && record.m_ullSize != runningLength) return true;
  record.m_ullSize = 0;
  return false;
}

void CRAWSearchController::SizeAndFile(CRawFileInfo& record, IStorageDevice* device) {
  if (record.m_ullSize == 0 && record.m_pAnalyser && device) {
    try {
      record.m_pAnalyser->GetRawFileSize(record, device);
    } catch (...) {
      // An analyser that fails this way loses the hit, not the search.
      record.m_ullSize = 0;
    }
  }
  if (record.m_ullSize != 0) FileRecord(record);
}

void CRAWSearchController::SizePendingFromRing() {
  // Only hits in the ring's oldest block: the whole ring follows them.
  const long long limit = m_ring.GetDeviceStartSector() + m_iSectorsPerBlock - 1;
  while (!m_pending.empty() && Continues()) {
    CRawFileInfo& record = *m_pending.front();
    if (record.m_llStartSector > limit) break;
    SizeAndFile(record, &m_ring);
    m_pending.pop_front();
  }
}

void CRAWSearchController::EndSearch(int build) {
  if (!build) return;
  for (int k = 0; k < m_nActive; ++k) LeaveActive(**m_active[static_cast<std::size_t>(k)], nullptr, -1);
  m_nActive = 0;
  ReleaseFollowedStreams(nullptr);
  m_hits.splice(m_hits.end(), m_pending);
  while (!m_hits.empty() && Continues()) {
    SizeAndFile(*m_hits.front(), m_pDevice);
    m_hits.pop_front();
  }
  ClearRecords();
  CNotifyCenter::Instance()->Reset();
  m_bArmed = false;
  if (m_pTreeBuilder) {
    m_pTreeBuilder->FlashBuild(SEARCHER_RAW);
    m_pTreeBuilder->FlashBuild(SEARCHER_LABEL);
  }
  m_pBitmap = nullptr;
}

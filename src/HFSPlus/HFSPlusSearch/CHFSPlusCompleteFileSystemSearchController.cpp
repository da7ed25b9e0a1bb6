#include "HFSPlus/HFSPlusSearch/CHFSPlusCompleteFileSystemSearchController.h"

#include <algorithm>
#include <climits>
#include <new>

#include "HFSPlus/HFSPlusLib/CHFSPlusBTNode.h"
#include "HFSPlus/HFSPlusLib/CHFSPlusFileNode.h"
#include "HFSPlus/HFSPlusLib/CHFSPlusQuickFileSystemSearchProgress.h"
#include "HFSPlus/HFSPlusLib/CHFSPlusVolume.h"
#include "HFSPlus/HFSPlusSearch/CHFSPlusDirectoryTreeBuilder.h"
#include "HFSPlus/HFSPlusSearch/HFSPlusBlockRecognize.h"
#include "StorageDevice/PartitionVirtualVolumeDevice.h"
#include "Utility/Prefetch.h"
#include "Utility/TBitmap.h"
#include "include/SalvagingRead.h"
#include "include/SearchPartitionInfoStruct.h"

using namespace quellsy;
using namespace quellsy::hfsplus;

namespace {

// Node ID of an HFS+ root folder: the tree builder files nodes whose parent is 2 at the root.
constexpr long long kRootNodeId = 2;
constexpr std::uint32_t kCatalogLeaf = 4;
// Attribute bits that mark a volume whose catalog IDs may have wrapped past nextCatalogID.
constexpr std::uint32_t kIdsReusedMask = 0xC;
constexpr std::uint8_t kProtectiveType = 0xEE;
constexpr unsigned kBitmapUnitOfDisk = 8;

// Collects the nodes of a partition's quick search for the searcher, in order.
class PendingNodes : public IDirecotryTreeBuilder {
 public:
  explicit PendingNodes(std::vector<CHFSPlusFileNode*>& ready) : m_ready(ready) {}
  int Initialize(const char*, IDrirectoryTree*, IRecoveryFilter*) override { return 1; }
  int AddNode(IFileNode* node, _tagSearcherType) override {
    auto* hfsNode = dynamic_cast<CHFSPlusFileNode*>(node);
    if (hfsNode == nullptr) return 0;
    m_ready.push_back(hfsNode);
    return 1;
  }
  void AddSearcherInfo(_tagSearcherType, long long) override {}
  void FlashBuild(_tagSearcherType) override {}
  void Release() override {}
  void SetPartitonDevice(CSearchedPartitionInfo*, IStorageDevice*) override {}

 private:
  std::vector<CHFSPlusFileNode*>& m_ready;
};

}  // namespace

ICompleteFileSystemSearchController* CreateHFSPlusSearcher() {
  return new (std::nothrow) CHFSPlusCompleteFileSystemSearchController();
}

CHFSPlusCompleteFileSystemSearchController::~CHFSPlusCompleteFileSystemSearchController() { Clear(); }

void CHFSPlusCompleteFileSystemSearchController::Clear() {
  for (CHFSPlusFileNode* node : m_ready) node->Release();
  m_ready.clear();
  m_marks.clear();
  // Volumes go before the devices they read.
  for (auto& partition : m_partitions) partition->volume.reset();
  m_partitions.clear();
}

void CHFSPlusCompleteFileSystemSearchController::SetDevice(IStorageDevice* device) {
  m_device = device;
  m_sectorSize = 512;
  m_totalSectors = 0;
  m_gate.reset();
  if (device == nullptr) return;
  if (device->GetSectorSize() != 0) m_sectorSize = device->GetSectorSize();
  m_totalSectors = std::max(device->GetTotalSectors(), 0LL);
  if (m_sectorSize >= 512) m_gate.emplace(FirstLookGate(m_sectorSize));
  m_buffer.resize(m_sectorSize);
}

bool CHFSPlusCompleteFileSystemSearchController::IsContinue() const {
  return m_progress == nullptr || m_progress->Continued() != 0;
}

CompleteSearchPatition* CHFSPlusCompleteFileSystemSearchController::UpDataPartitionInfo(std::int64_t start,
                                                                                       std::int64_t count) {
  if (start < 0 || start >= m_totalSectors) return nullptr;
  auto partition = std::make_unique<CompleteSearchPatition>();
  partition->start = start;
  partition->count = std::min(count, m_totalSectors - start);
  partition->index = static_cast<std::uint32_t>(m_partitions.size());
  m_partitions.push_back(std::move(partition));
  return m_partitions.back().get();
}

void CHFSPlusCompleteFileSystemSearchController::PreparetoSearch() {
  Clear();
  m_inLoop = false;
  m_wrappedType = 0;
  if (m_device == nullptr || !m_device->ReadSector(m_buffer.data(), 0, 1)) return;
  std::int64_t start = 0;
  if (m_sectorSize >= 512 && m_buffer[450] == kProtectiveType && m_buffer[510] == 0x55 && m_buffer[511] == 0xAA)
    start = ((2 * std::int64_t{m_sectorSize} + 20479) & ~std::int64_t{0xFFF}) / m_sectorSize;
  UpDataPartitionInfo(start, m_totalSectors);

  if (IStorageDevice* inner = m_device->GetInnerDevice()) {
    m_wrappedType = inner->GetType();
    std::vector<CCollectedVolumeDeviceInfoStruct> volumes;
    if (m_wrappedType == STORAGE_DEVICE_DISK) inner->GetVolumes(volumes);
    for (const auto& volume : volumes) {
      if (volume.fileSystemType != FILE_SYSTEM_HFSPLUS) continue;
      if (UpDataPartitionInfo(static_cast<std::int64_t>(volume.startSector),
                              static_cast<std::int64_t>(volume.totalSectors)) != nullptr)
        m_active = true;
    }
  }

  // Volumes whose header already sits in its place are searched now, before the block loop, so that the
  // blocks of their files are marked before the signature search reaches them.
  for (auto& partition : m_partitions) {
    const std::int64_t s = partition->start + HeaderSectorOffset();
    if (s >= m_totalSectors || !m_device->ReadSector(m_buffer.data(), s, 1)) continue;
    const auto header = RecogniseVolumeHeader(m_buffer);
    if (!header) continue;
    partition->header = header;
    partition->headerSector = s;
    SizeBitmapFor(*partition);
    if (OpenVolume(*partition)) QuickSearchPartition(*partition);
  }
}

void CHFSPlusCompleteFileSystemSearchController::SizeBitmapFor(const CompleteSearchPatition& partition) {
  if (m_bitmap == nullptr || m_bitmap->GetBitmapData() != nullptr || !partition.header) return;
  if ((m_wrappedType == STORAGE_DEVICE_PARTITION || m_wrappedType == STORAGE_DEVICE_VOLUME) && partition.start == 0) {
    // One bit per allocation block; blocks smaller than a sector have no whole bit to mark.
    const auto perBlock = CHFSPlusVolume::SectorsPerBlock(partition.header->blockSize, m_sectorSize);
    if (perBlock && *perBlock != 0) {
      // A header may claim more blocks than the device holds (damage, or a volume cut short): only the blocks the
      // device holds get bits.
      const long long onDevice = (m_totalSectors + *perBlock - 1) / *perBlock;
      m_bitmap->CreateBitmap(std::min<long long>(partition.header->totalBlocks, onDevice), *perBlock);
    }
    return;
  }
  m_bitmap->CreateBitmap((m_totalSectors + kBitmapUnitOfDisk) / kBitmapUnitOfDisk, kBitmapUnitOfDisk);
}

void CHFSPlusCompleteFileSystemSearchController::MarkBits(long long firstBit, long long bits) {
  if (m_inLoop) {
    m_marks.push_back({firstBit, bits});
    return;
  }
  if (m_bitmap == nullptr || m_bitmap->GetBitmapData() == nullptr || firstBit < 0) return;
  while (bits > 0) {
    const auto chunk = static_cast<unsigned>(std::min<long long>(bits, INT_MAX));
    if (m_bitmap->SetBit(firstBit, 1, chunk) == 0) return;
    firstBit += chunk;
    bits -= chunk;
  }
}

void CHFSPlusCompleteFileSystemSearchController::ApplyMarks() {
  m_inLoop = false;
  for (const Mark& mark : m_marks) MarkBits(mark.firstBit, mark.bits);
  m_marks.clear();
}

void CHFSPlusCompleteFileSystemSearchController::AnalyzeBlock(long long firstSector, long long sectorCount) {
  if (m_device == nullptr || firstSector < 0 || sectorCount < 1 || firstSector >= m_totalSectors) return;
  m_inLoop = true;
  const long long count = std::min(sectorCount, m_totalSectors - firstSector);
  const std::uint8_t* held = m_device->HeldSectors(firstSector, count);
  std::vector<std::uint8_t> copy;
  if (held == nullptr) {
    // Not the read-ahead block (a test device, or the block never arrived): read it once.
    copy.resize(static_cast<std::size_t>(count) * m_sectorSize);
    quellsy::ReadSectorsSalvaging(*m_device, copy.data(), firstSector, count);
    held = copy.data();
  }
  Examine(firstSector, count, held);
}

void CHFSPlusCompleteFileSystemSearchController::Examine(long long first, long long count, const std::uint8_t* held) {
  const bool skipping = m_active && m_bitmap != nullptr && m_bitmap->GetBitmapData() != nullptr;
  const long long unit = skipping ? std::max(1u, m_bitmap->GetUnit()) : 1;
  const quellsy::SectorGate* gate = m_gate ? &*m_gate : nullptr;
  for (long long s = first; s < first + count;) {
    if (skipping && m_bitmap->GetBit(s / unit) != 0) {
      s += s % unit == 0 ? unit : 1;
      continue;
    }
    if (((s - first) & 0xFFF) == 0 && !IsContinue()) return;
    if (s - first + quellsy::kPrefetchSectorsAhead < count)
      quellsy::PrefetchSectorEnds(held + (s - first + quellsy::kPrefetchSectorsAhead) * m_sectorSize, m_sectorSize);
    const ByteSpan sector(held + (s - first) * m_sectorSize, m_sectorSize);
    if ((gate != nullptr && !gate->MayHold(sector.data())) || !MayHoldRecord(sector)) {
      ++s;
      continue;
    }
    if (const auto header = RecogniseVolumeHeader(sector)) {
      UpDataPartitionInfo(s, *header);
    } else if (const auto block = RecogniseJournalInfoBlock(sector)) {
      UpDataPartitionInfo(s, *block);
    } else if (const auto journal = RecogniseJournalHeader(sector)) {
      UpDataPartitionInfo(s, *journal);
    } else if (const long long skip = CheckBTNodeDescriptor(s, first + count - s, held + (s - first) * m_sectorSize,
                                                            (first + count - s) * m_sectorSize);
               skip > 0) {
      s += skip;
      continue;
    }
    ++s;
  }
}

long long CHFSPlusCompleteFileSystemSearchController::CheckBTNodeDescriptor(long long s, long long remaining,
                                                                           const std::uint8_t* held, long long heldBytes) {
  if (!StartsLeafOrHeaderNode(ByteSpan(held, m_sectorSize))) return 0;
  ByteSpan bytes(held, static_cast<std::size_t>(std::min<long long>(heldBytes, kMaxNodeBytes)));
  std::vector<std::uint8_t> probe;
  quellsy::SalvagedRead read;
  if (bytes.size() < kMaxNodeBytes && s + remaining < m_totalSectors) {
    // The node may run past the block's end: only this probe reads the device again.
    const long long sectors = std::min<long long>(std::max<long long>(kMaxNodeBytes / m_sectorSize, 1), m_totalSectors - s);
    probe.resize(static_cast<std::size_t>(sectors) * m_sectorSize);
    read = quellsy::ReadSectorsSalvaging(*m_device, probe.data(), s, sectors);
    bytes = probe;
  }
  const std::uint32_t size = FitNodeSize(bytes, m_sectorSize);
  // A sector of the node that could not be read makes it a node with a hole: it is not taken.
  if (size == 0 || read.Lost(s, std::max<long long>(size / m_sectorSize, 1))) return 0;
  AnalyzeNode(s, bytes.first(size));
  return std::min<long long>(std::max<long long>(size / m_sectorSize, 1), remaining);
}

void CHFSPlusCompleteFileSystemSearchController::UpDataPartitionInfo(std::int64_t s, const HFSPlusVolumeHeader& header) {
  if (m_partitions.empty()) return;
  const std::int64_t start = s - HeaderSectorOffset();
  // Only the record the header's place fits takes it: a header met anywhere else is another volume or a copy
  // of a known one, never the header of the device-wide first record.
  for (auto& partition : m_partitions) {
    if (partition->start != start || partition->header) continue;
    partition->header = header;
    partition->headerSector = s;
    return;
  }
  // Linux-made volumes leave the identifier 0; only a set one tells volumes apart.
  const auto known = std::find_if(m_partitions.begin(), m_partitions.end(), [&](const auto& partition) {
    return partition->header && (partition->header->createDate == header.createDate ||
                                 (header.VolumeIdentifier() != 0 &&
                                  partition->header->VolumeIdentifier() == header.VolumeIdentifier()));
  });
  if (known != m_partitions.end()) {
    // The alternate header at the volume's end may know of a volume grown since.
    (*known)->header->totalBlocks = std::max((*known)->header->totalBlocks, header.totalBlocks);
    return;
  }
  const std::int64_t size =
      static_cast<std::int64_t>(std::uint64_t{header.totalBlocks} * header.blockSize / m_sectorSize);
  if (start < 0 || size < 1 || size >= m_totalSectors) return;
  if (CompleteSearchPatition* added = UpDataPartitionInfo(start, size)) {
    added->header = header;
    added->headerSector = s;
  }
}

void CHFSPlusCompleteFileSystemSearchController::UpDataPartitionInfo(std::int64_t s, const JournalInfoBlock& block) {
  if (m_partitions.empty()) return;
  CompleteSearchPatition& last = *m_partitions.back();
  if (last.journalInfoBlock) return;
  last.journalInfoBlock = block;
  last.journalInfoBlockSector = s;
}

void CHFSPlusCompleteFileSystemSearchController::UpDataPartitionInfo(std::int64_t s, const JournalHeader& header) {
  if (m_partitions.empty()) return;
  CompleteSearchPatition& last = *m_partitions.back();
  if (last.journalHeader) return;
  last.journalHeader = header;
  last.journalHeaderSector = s;
}

void CHFSPlusCompleteFileSystemSearchController::AnalyzeNode(std::int64_t s, ByteSpan bytes) {
  CHFSPlusBTNode node(bytes);
  if (!node.Descriptor() || node.Descriptor()->kind != kLeafNode) return;
  // Attributes and extents leaves found loose name no file; only catalog leaves make nodes.
  if (node.TestNodeBelongToFile() != kCatalogLeaf) return;
  const std::uint16_t records = node.GetRecordCount();
  for (std::uint16_t i = 0; i < records; ++i) {
    const auto parts = node.GetKeyAndData(i);
    if (!parts) continue;
    const auto key = ParseCatalogKey(parts->key);
    const auto record = ParseCatalogRecord(parts->data);
    if (!key || !record) continue;
    std::uint32_t id = 0;
    std::uint32_t createDate = 0;
    if (const auto* file = std::get_if<HFSPlusCatalogFile>(&*record)) {
      id = file->fileID;
      createDate = file->createDate;
    } else if (const auto* folder = std::get_if<HFSPlusCatalogFolder>(&*record)) {
      id = folder->folderID;
      createDate = folder->createDate;
    } else {
      continue;
    }
    CompleteSearchPatition* partition = AdjustNodeBelongsPartitionIndex(id, createDate, s);
    if (partition == nullptr) continue;
    const BTKey btKey{*key};
    auto* made = new (std::nothrow) CHFSPlusFileNode(partition->volume.get(), s,
                                                     static_cast<std::uint16_t>(partition->index), &btKey, &*record);
    if (made == nullptr) continue;
    if (made->GetCurrentNodeID() == -1 || createDate == 0) {
      made->Release();
      continue;
    }
    made->ShareVolume(partition->volume);
    m_ready.push_back(made);
  }
}

CompleteSearchPatition* CHFSPlusCompleteFileSystemSearchController::AdjustNodeBelongsPartitionIndex(
    std::uint32_t id, std::uint32_t createDate, std::int64_t sector) {
  if (id == 0 && createDate == 0) return nullptr;
  for (auto it = m_partitions.rbegin(); it != m_partitions.rend(); ++it) {
    CompleteSearchPatition& p = **it;
    if (!p.header) continue;
    const bool idFits = (p.header->attributes & kIdsReusedMask) == kIdsReusedMask || id <= p.header->nextCatalogID;
    const bool dateFits = createDate <= p.header->modifyDate || p.index == 0;
    if (!idFits || !dateFits || sector > p.start + p.count) continue;
    if (p.opened) {
      if (p.volume) return &p;
      continue;
    }
    if (!OpenVolume(p)) continue;
    if (p.headerSector == p.start + HeaderSectorOffset()) QuickSearchPartition(p);
    return &p;
  }
  return nullptr;
}

bool CHFSPlusCompleteFileSystemSearchController::OpenVolume(CompleteSearchPatition& partition) {
  if (partition.opened) return partition.volume != nullptr;
  partition.opened = true;
  if (partition.count < 2) return false;
  IStorageDevice* device = m_device;
  if (partition.start > 0) {
    partition.device.reset(new (std::nothrow) CPartitionVirtualVolumeDevice(m_device, partition.start, partition.count));
    if (!partition.device || !partition.device->Open(nullptr)) return false;
    device = partition.device.get();
  }
  std::shared_ptr<CHFSPlusVolume> volume(new (std::nothrow) CHFSPlusVolume(device, false));
  // A volume that cannot be opened answers every look-up with a failure; its partition takes no records.
  if (!volume || volume->GetLastError() != kResultOk) return false;
  partition.volume = std::move(volume);
  return true;
}

void CHFSPlusCompleteFileSystemSearchController::QuickSearchPartition(CompleteSearchPatition& partition) {
  if (!partition.volume || !partition.header) return;
  const auto perBlock = CHFSPlusVolume::SectorsPerBlock(partition.header->blockSize, m_sectorSize).value_or(0);
  PendingNodes pending(m_ready);
  CHFSPlusDirectoryTreeBuilder decorator(&pending, perBlock, partition.index, static_cast<std::uint64_t>(partition.start));
  if (m_bitmap != nullptr && m_bitmap->GetBitmapData() != nullptr)
    decorator.SetBitmap(m_bitmap->GetUnit(), [this](long long first, long long bits) { MarkBits(first, bits); });
  CHFSPlusQuickFileSystemSearchProgress adapter(m_progress, true);
  partition.volume->QuickSearchFiles(&decorator, &adapter);
}

void CHFSPlusCompleteFileSystemSearchController::EndSearch(int buildTree) {
  if (buildTree == 0) return;
  ApplyMarks();
  if (m_builder != nullptr && !m_ready.empty()) {
    m_builder->AddSearcherInfo(SEARCHER_HFSPLUS, kRootNodeId);
    for (CHFSPlusFileNode* node : m_ready) {
      const std::size_t index = node->GetBelongedPartition();
      const bool directory = node->IsDirectory() != 0;
      if (m_builder->AddNode(node, SEARCHER_HFSPLUS) == 0) {
        node->Release();
        continue;
      }
      if (index >= m_partitions.size()) continue;
      if (directory) {
        ++m_partitions[index]->folders;
      } else {
        ++m_partitions[index]->files;
      }
    }
    m_ready.clear();
    m_builder->SetPartitonDevice(nullptr, m_device);
    m_builder->FlashBuild(SEARCHER_HFSPLUS);
  }
  for (auto& partition : m_partitions) {
    if (partition->files == 0 || !partition->header) continue;
    partition->blockSize = partition->header->blockSize;
    const auto size =
        static_cast<std::int64_t>(std::uint64_t{partition->header->totalBlocks} * partition->blockSize / m_sectorSize);
    if (partition->journalInfoBlock) {
      const auto back = static_cast<std::int64_t>(std::uint64_t{partition->header->journalInfoBlock} *
                                                  partition->blockSize / m_sectorSize);
      if (partition->journalInfoBlockSector - back >= 0) partition->start = partition->journalInfoBlockSector - back;
    }
    partition->count = std::max<std::int64_t>(std::min(size, m_totalSectors - partition->start), 0);
  }
  m_bitmap = nullptr;
}

int CHFSPlusCompleteFileSystemSearchController::GetSearchedPartitionInfo(CSearchedPartitionInfo** out, int capacity) {
  // Only partitions that gave the tree a node concern the recovery.
  std::vector<const CompleteSearchPatition*> found;
  for (const auto& partition : m_partitions)
    if (partition->files + partition->folders != 0) found.push_back(partition.get());
  const auto count = static_cast<int>(found.size());
  if (out == nullptr || capacity < count) return count;
  int stored = 0;
  for (const CompleteSearchPatition* partition : found) {
    auto* record = new (std::nothrow) CSearchedPartitionInfo(m_sectorSize);
    if (record == nullptr) break;
    record->SetPartitionIndex(static_cast<std::uint16_t>(partition->index));
    record->SetFileSystemType(FILE_SYSTEM_HFSPLUS);
    std::uint32_t perCluster = partition->blockSize / m_sectorSize;
    if (perCluster == 0) perCluster = std::max(4096u / m_sectorSize, 1u);
    record->SetSectorsPerCluster(perCluster);
    record->SetClusterOrigin(partition->start);
    record->SetStartSector(partition->start);
    record->SetTotalSectors(static_cast<std::uint64_t>(partition->count));
    out[stored++] = record;
  }
  return stored;
}

#include "APFS/APFSDeepScan.h"

#include <algorithm>
#include <limits>
#include <new>

#include "include/IStorageDevice.h"
#include "include/SalvagingRead.h"
#include "include/SearchPartitionInfoStruct.h"

using namespace quellsy;
using namespace quellsy::apfs;

namespace {

// The root folder's ID: the tree builder files nodes whose parent ID is 2 at the root.
constexpr long long kRootNodeId = 2;

}  // namespace

ICompleteFileSystemSearchController* CreateAPFSDeepSearcher() { return new (std::nothrow) APFSDeepScan(); }

void APFSDeepScan::SetDevice(IStorageDevice* device) {
  m_device = device;
  m_sectorSize = 512;
  if (device != nullptr && device->GetSectorSize() >= 1) m_sectorSize = device->GetSectorSize();
}

bool APFSDeepScan::IsContinue() { return m_progress == nullptr || m_progress->Continued() != 0; }

void APFSDeepScan::AddFileNode(APFSFileNode* node) { m_ready.push_back(node); }

int APFSDeepScan::ReadBlocks(APFSContainerParser& container, std::uint64_t block, std::uint32_t bytes,
                             std::uint8_t* buffer) {
  if (m_device == nullptr || kBlockSize % m_sectorSize != 0) return 0;
  const std::uint64_t perBlock = kBlockSize / m_sectorSize;
  const auto start = static_cast<std::uint64_t>(container.StartSector());
  std::uint64_t first = 0;
  if (__builtin_mul_overflow(block, perBlock, &first) || __builtin_add_overflow(first, start, &first) ||
      first > static_cast<std::uint64_t>(std::numeric_limits<long long>::max()))
    return 0;
  return m_device->ReadSector(buffer, static_cast<long long>(first), bytes / m_sectorSize) ? 1 : 0;
}

std::uint64_t APFSDeepScan::DeviceBlocks(APFSContainerParser& container) {
  if (m_device == nullptr) return 0;
  const long long total = m_device->GetTotalSectors();
  if (total <= container.StartSector()) return 0;
  return static_cast<std::uint64_t>(total - container.StartSector()) * m_sectorSize / kBlockSize;
}

void APFSDeepScan::AnalyzeBlock(long long firstSector, long long sectorCount) {
  // Blocks are 4096 bytes whatever the container says; a sector size that does not divide them cannot address
  // them.
  if (m_device == nullptr || firstSector < 0 || sectorCount < 1 || kBlockSize % m_sectorSize != 0) return;
  const long long perBlock = kBlockSize / m_sectorSize;
  const long long total = std::max(m_device->GetTotalSectors(), 0LL);
  const auto first = static_cast<std::uint64_t>(firstSector / perBlock);
  // The last group stops at the range's (and the device's) end rather than reading past it.
  const auto end = static_cast<std::uint64_t>(std::min(firstSector + sectorCount, total) / perBlock);
  if (!IsContinue() || first >= end) return;
  for (std::uint64_t group = first; group < end; group += kGroupBlocks) {
    const std::uint64_t blocks = std::min<std::uint64_t>(kGroupBlocks, end - group);
    const auto sector = static_cast<long long>(group) * perBlock;
    const auto sectors = static_cast<long long>(blocks) * perBlock;
    const std::uint8_t* data = m_device->HeldSectors(sector, sectors);
    if (data == nullptr) {
      // Sectors that cannot be read come back as zeros, which no block test passes; the blocks around them are
      // still read.
      m_buffer.resize(std::size_t{kGroupBlocks} * kBlockSize);
      quellsy::ReadSectorsSalvaging(*m_device, m_buffer.data(), sector, sectors);
      data = m_buffer.data();
    }
    for (std::uint64_t i = 0; i < blocks; ++i) {
      Examine(group + i, ByteSpan(data + i * kBlockSize, kBlockSize));
      if (!IsContinue()) return;
    }
  }
  for (const auto& [at, container] : m_containers) {
    if (!IsContinue()) return;
    container->FlushPending(end);
  }
}

void APFSDeepScan::Examine(std::uint64_t block, ByteSpan data) {
  if (!IsObjectValid(data)) return;
  const auto sector = static_cast<std::int64_t>(block * (kBlockSize / m_sectorSize));
  if (TakeContainer(sector, data) || TakeLoneVolume(sector, block, data)) return;
  for (const auto& [at, container] : m_containers) {
    if (!IsContinue()) return;
    container->AnalyzeNode(sector, block, data);
  }
}

bool APFSDeepScan::TakeContainer(std::int64_t sector, ByteSpan data) {
  const auto header = ReadObjectHeader(data);
  FieldReader fields(data);
  if (!header || header->oid != 1 || header->type != kTypeContainer || fields.le32(32) != kContainerMagic ||
      fields.le32(36) != kBlockSize)
    return false;
  APFSContainerParser::Uuid uuid{};
  std::copy_n(data.begin() + kContainerUuidOffset, uuid.size(), uuid.begin());
  // Copies of a known container's superblock (its checkpoint area) are not new containers.
  for (const auto& [at, container] : m_containers) {
    if (container->ContainerUuid() == uuid &&
        static_cast<std::uint64_t>(sector - container->StartSector()) < container->Span())
      return true;
  }
  if (m_containers.size() >= kMaxContainers) return true;
  AddContainer(sector, sector).WalkContainer();
  return true;
}

bool APFSDeepScan::TakeLoneVolume(std::int64_t sector, std::uint64_t block, ByteSpan data) {
  if (!m_containers.empty() || FieldReader(data).le32(32) != kVolumeMagic) return false;
  const long long total = std::max(m_device->GetTotalSectors(), 0LL);
  // Without its container the volume's block numbers are read as the device's.
  AddContainer(sector, 0).WalkLoneVolume(block, static_cast<std::uint64_t>(total));
  return true;
}

APFSContainerParser& APFSDeepScan::AddContainer(std::int64_t recognisedAt, std::int64_t startSector) {
  auto parser = std::make_unique<APFSContainerParser>(*this, static_cast<std::uint32_t>(m_containers.size()),
                                                      startSector);
  parser->SetSectorSize(static_cast<int>(m_sectorSize));
  m_byIndex.push_back(parser.get());
  return *m_containers.emplace(recognisedAt, std::move(parser)).first->second;
}

void APFSDeepScan::EndSearch(int buildTree) {
  if (buildTree == 0 || m_containers.empty()) return;
  for (const auto& [at, container] : m_containers) container->FlushPending(kNoKey);
  if (m_builder == nullptr) return;
  m_builder->AddSearcherInfo(SEARCHER_APFS, kRootNodeId);
  for (APFSFileNode* node : m_ready) {
    const std::size_t index = node->GetBelongedPartition();
    if (m_builder->AddNode(node, SEARCHER_APFS) != 0 && index < m_byIndex.size()) m_byIndex[index]->Disown(*node);
  }
  m_ready.clear();
  m_builder->SetPartitonDevice(nullptr, m_device);
  m_builder->FlashBuild(SEARCHER_APFS);
}

int APFSDeepScan::GetSearchedPartitionInfo(CSearchedPartitionInfo** out, int capacity) {
  const auto count = static_cast<int>(m_containers.size());
  if (out == nullptr || capacity < count) return count;
  const std::uint32_t bytesPerSector = m_sectorSize != 0 && m_sectorSize % 512 == 0 ? m_sectorSize : 512;
  int stored = 0;
  for (const auto& [at, container] : m_containers) {
    auto* record = new (std::nothrow) CSearchedPartitionInfo(bytesPerSector);
    if (record == nullptr) {
      for (int i = 0; i < stored; ++i) delete out[i];
      return 0;
    }
    // Nodes carry their container's index; the record answers to the same number.
    record->SetPartitionIndex(static_cast<std::uint16_t>(container->ContainerIndex()));
    record->SetFileSystemType(FILE_SYSTEM_APFS);
    record->SetSectorsPerCluster(1);
    record->SetClusterOrigin(container->StartSector());
    record->SetStartSector(container->StartSector());
    record->SetTotalSectors(container->Span());
    out[stored++] = record;
  }
  return stored;
}

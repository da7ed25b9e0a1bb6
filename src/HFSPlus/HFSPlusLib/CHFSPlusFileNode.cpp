#include "HFSPlus/HFSPlusLib/CHFSPlusFileNode.h"

#include <cinttypes>
#include <cstdio>
#include <new>
#include <vector>

#include "HFSPlus/HFSPlusLib/CHFSPlusCompressFileReader.h"
#include "HFSPlus/HFSPlusLib/CHFSPlusVolume.h"
#include "HFSPlus/HFSPlusLib/HFSPlusDecmpfs.h"
#include "HFSPlus/HFSPlusLib/HFSPlusForkExtents.h"
#include "Utility/TextConvert.h"
#include "include/IDataRunList.h"

namespace {

constexpr std::uint8_t kCompressedOwnerFlag = 0x20;
constexpr std::uint32_t kHardLinkType = 0x686C6E6B;     // 'hlnk'
constexpr std::uint32_t kHardLinkCreator = 0x6866732B;  // 'hfs+'
constexpr std::uint32_t kFolderAliasType = 0x66647270;  // 'fdrp'
constexpr std::uint64_t kFallbackBlockSize = 4096;

std::string NameOf(const HFSUniStr255& units) {
  // The private-data folder's name starts with zero units.
  std::size_t first = 0;
  while (first < units.size() && units[first] == 0) ++first;
  const std::size_t last = std::min(units.size(), quellsy::hfsplus::kMaxCatalogNameUnits);
  if (first >= last) return {};
  const std::vector<std::uint16_t> rest(units.begin() + static_cast<std::ptrdiff_t>(first),
                                        units.begin() + static_cast<std::ptrdiff_t>(last));
  return quellsy::Utf16LeToUtf8(rest, quellsy::InvalidUtf16::kStop).value_or(std::string());
}

}  // namespace

CHFSPlusFileNode::CHFSPlusFileNode(CHFSPlusVolume* volume, const BTKey* key, const BTRecord* record, int deleted)
    : volume_(volume) {
  CreateFileNode(0, 0, key, record, deleted != 0);
}

CHFSPlusFileNode::CHFSPlusFileNode(CHFSPlusVolume* volume, long long metadataSector, std::uint16_t partitionIndex,
                                   const BTKey* key, const BTRecord* record)
    : volume_(volume) {
  CreateFileNode(metadataSector, partitionIndex, key, record, false);
}

void CHFSPlusFileNode::CreateFileNode(long long metadataSector, std::uint16_t partitionIndex, const BTKey* key,
                                      const BTRecord* record, bool deleted) {
  const auto* catalogKey = key != nullptr ? std::get_if<HFSPlusCatalogKey>(key) : nullptr;
  if (catalogKey != nullptr && record != nullptr) {
    SetParentNodeID(catalogKey->parentID);
    name_ = NameOf(catalogKey->nodeName);
    if (const auto* file = std::get_if<HFSPlusCatalogFile>(record)) {
      if (!FillFile(*file)) return;
      FillTimes(*file, metadataSector, partitionIndex);
      const std::uint32_t type = *quellsy::be32(file->userInfo, 0);
      const std::uint32_t creator = *quellsy::be32(file->userInfo, 4);
      if ((type == kHardLinkType && creator == kHardLinkCreator) || type == kFolderAliasType) directory_ = true;
    } else if (const auto* folder = std::get_if<HFSPlusCatalogFolder>(record)) {
      directory_ = true;
      if (folder->folderID != quellsy::hfsplus::kRootParentID) {
        SetCurrentNodeID(folder->folderID);
        FillTimes(*folder, metadataSector, partitionIndex);
        // The root folder is never shown as deleted.
        if (deleted && folder->folderID != quellsy::hfsplus::kRootFolderID) deleted_ = true;
        return;
      }
    }
  }
  if (deleted) deleted_ = true;
}

bool CHFSPlusFileNode::FillFile(const HFSPlusCatalogFile& file) {
  SetCurrentNodeID(file.fileID);
  if ((file.permissions.ownerFlags & kCompressedOwnerFlag) != 0) {
    SetCompressed(true);
    resourceForkSize_ = file.resourceFork.logicalSize;
    size_ = resourceForkSize_;
    if (resourceForkSize_ != 0)
      SetDataRunList(BuildFileDataRun(volume_, file.fileID, quellsy::hfsplus::kResourceFork, file.resourceFork));
    // The content's length is the uncompressed one: copying out the fork's length would cut the file short.
    UpdateNodeInfo();
  } else {
    size_ = file.dataFork.logicalSize != 0 ? file.dataFork.logicalSize
                                           : std::uint64_t{file.dataFork.totalBlocks} * kFallbackBlockSize;
    SetDataRunList(BuildFileDataRun(volume_, file.fileID, quellsy::hfsplus::kDataFork, file.dataFork));
  }
  return !(GetParentNodeID() == 0 && name_.empty() && size_ > kOrphanSizeLimit);
}

void CHFSPlusFileNode::FillTimes(const HFSPlusCatalogCommon& common, long long metadataSector,
                                 std::uint16_t partitionIndex) {
  createDate_ = common.createDate;
  contentModDate_ = common.contentModDate;
  accessDate_ = common.accessDate;
  SetBelongedPartition(partitionIndex);
  SetMetaDataSector(metadataSector);
}

IFileReader* CHFSPlusFileNode::CreateCompressFileReader(void* /*unused*/) {
  return new (std::nothrow) CHFSPlusCompressFileReader(volume_, this);
}

void CHFSPlusFileNode::UpdateNodeInfo() {
  if (IsCompressed() == 0 || volume_ == nullptr || volume_->GetAttributesFile() == nullptr) return;
  const auto fileID = static_cast<std::uint32_t>(GetCurrentNodeID());
  std::vector<std::uint8_t> attribute;
  volume_->getAttribute(fileID, quellsy::hfsplus::kDecmpfsAttributeName, &attribute);
  if (const auto header = quellsy::hfsplus::ParseDecmpfsHeader(attribute)) {
    size_ = header->uncompressedSize;
  } else {
    std::printf("Warn:Can't find file 0x%" PRIx32 " Attribute\n", fileID);
  }
}

unsigned long long CHFSPlusFileNode::TimeConvert(std::uint32_t seconds) {
  return seconds == 0 ? 0 : kFileTimeOf1904 + std::uint64_t{seconds} * 10000000ull;
}

IDataRunList* CHFSPlusFileNode::BuildFileDataRun(CHFSPlusVolume* volume, std::uint32_t fileID, std::uint8_t forkType,
                                                 const HFSPlusForkData& fork) {
  IDataRunList* runs = CreateDataRunList();
  if (runs == nullptr) return nullptr;
  const auto add = [runs](const HFSPlusExtentDescriptor& extent) {
    const DataRun run{static_cast<long long>(extent.startBlock), static_cast<long long>(extent.blockCount)};
    runs->AddDataRun(&run);
    return true;
  };
  if (volume != nullptr) {
    quellsy::hfsplus::ForEachForkExtent(*volume, fileID, forkType, fork, add);
    return runs;
  }
  std::uint32_t remaining = fork.totalBlocks;
  for (const auto& extent : fork.extents) {
    const std::uint32_t take = std::min(extent.blockCount, remaining);
    if (take == 0) continue;
    add({extent.startBlock, take});
    remaining -= take;
  }
  return runs;
}

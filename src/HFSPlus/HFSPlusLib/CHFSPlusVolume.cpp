#include "HFSPlus/HFSPlusLib/CHFSPlusVolume.h"

#include <bit>
#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "HFSPlus/HFSPlusLib/CHFSPlusAttribute.h"
#include "HFSPlus/HFSPlusLib/CHFSPlusCatalog.h"
#include "HFSPlus/HFSPlusLib/CHFSPlusExtents.h"
#include "HFSPlus/HFSPlusLib/CHFSPlusFileCache.h"
#include "HFSPlus/HFSPlusLib/CHFSPlusJournal.h"
#include "HFSPlus/HFSPlusLib/HFSPlusErrors.h"
#include "HFSPlus/HFSPlusLib/HFSPlusForkExtents.h"
#include "include/IStorageDevice.h"
#include "include/SalvagingRead.h"

using namespace quellsy;
using namespace quellsy::hfsplus;

namespace {

constexpr std::uint16_t kMaxVersion = 16;
constexpr std::uint32_t kMinBlockSize = 512;
constexpr unsigned kMaxSectorSize = 65536;

std::vector<std::uint16_t> Widen(const char* name) {
  std::vector<std::uint16_t> units;
  for (const char* p = name; *p != '\0' && units.size() < kMaxAttrNameUnits; ++p) {
    units.push_back(static_cast<unsigned char>(*p));
  }
  return units;
}

}  // namespace

CHFSPlusVolume::CHFSPlusVolume(IStorageDevice* device, bool restore)
    : device_(device), lastError_(MakeFailure(module::kHFSPlus, 0, hfserror::kMissing)) {
  Open(restore);
}

CHFSPlusVolume::~CHFSPlusVolume() = default;

void CHFSPlusVolume::Open(bool restore) {
  if (device_ == nullptr) {
    Fail(HFS_FAILURE(hfserror::kBadArgument));
    return;
  }
  const unsigned reported = device_->GetSectorSize();
  sectorSize_ = reported == 0 ? 512 : reported;
  if (const auto code = ReadVolumeHeader(); code != kResultOk) {
    Fail(code);
    return;
  }
  // A journal that cannot be used only means no deleted records; the volume opens all the same.
  journal_ = std::make_unique<CHFSPlusJournal>(this);
  // Each part that fails ends the opening with its failure; the parts made so far stay for the destructor.
  auto failed = [this](const auto& part) {
    if (part->GetLastError() == kResultOk) return false;
    Fail(part->GetLastError());
    return true;
  };
  extentsFile_ = std::make_unique<CHFSPlusRawfile>(this, kExtentsFileID, header_->extentsFile);
  if (failed(extentsFile_)) return;
  extents_ = std::make_unique<CHFSPlusExtents>(this, extentsFile_.get());
  if (failed(extents_)) return;
  attributesFile_ = std::make_unique<CHFSPlusRawfile>(this, kAttributesFileID, header_->attributesFile);
  if (failed(attributesFile_)) return;
  attributes_ = std::make_unique<CHFSPlusAttribute>(this, attributesFile_.get());
  if (failed(attributes_)) return;
  if (restore) {
    // A restored scan reads compressed files only: the extents and attributes trees are all it needs.
    Fail(kResultOk);
    return;
  }
  catalogFile_ = std::make_unique<CHFSPlusFileCache>(this, kCatalogFileID, header_->catalogFile);
  if (failed(catalogFile_)) return;
  catalog_ = std::make_unique<CHFSPlusCatalog>(this, catalogFile_.get());
  if (failed(catalog_)) return;
  if (catalog_->GetHeaderRec() == nullptr) {
    Fail(HFS_FAILURE(hfserror::kInvalid));
    return;
  }
  keyCompareType_ = catalog_->KeyCompareType();
  Fail(kResultOk);
}

ResultCode CHFSPlusVolume::ReadVolumeHeader() {
  std::vector<std::uint8_t> bytes(kVolumeHeaderSize);
  if (Read(kVolumeHeaderOffset, bytes.data(), bytes.size()) != bytes.size()) return HFS_FAILURE(hfserror::kShortRead);
  header_ = ParseVolumeHeader(bytes);
  return header_ ? kResultOk : HFS_FAILURE(hfserror::kShortRead);
}

bool CHFSPlusVolume::IsValidVolumeHeader(ByteSpan bytes) {
  if (bytes.size() < kVolumeHeaderSize) return false;
  // The signature first: the complete scan asks this of every sector, and almost none is a header.
  const auto signature = quellsy::be16(bytes, 0);
  if (signature != kSignatureHFSPlus && signature != kSignatureHFSX) return false;
  const auto h = ParseVolumeHeader(bytes);
  if (!h) return false;
  if (h->signature != kSignatureHFSPlus && h->signature != kSignatureHFSX) return false;
  // A power of two of at least 512: a block size of 0 or 1536 would size nothing sensible.
  if (h->blockSize < kMinBlockSize || !std::has_single_bit(h->blockSize)) return false;
  if (h->version > kMaxVersion) return false;
  if (h->freeBlocks > h->totalBlocks || h->journalInfoBlock > h->totalBlocks) return false;
  return std::uint64_t{h->blockSize} * h->catalogFile.totalBlocks == h->catalogFile.logicalSize;
}

std::optional<std::uint32_t> CHFSPlusVolume::SectorsPerBlock(std::uint32_t blockSize, std::uint32_t sectorSize) {
  if (sectorSize == 0 || blockSize < sectorSize || blockSize % sectorSize != 0) return std::nullopt;
  return blockSize / sectorSize;
}

std::uint64_t CHFSPlusVolume::DeviceBytes() const {
  if (device_ == nullptr) return 0;
  const long long sectors = device_->GetTotalSectors();
  return sectors > 0 ? static_cast<std::uint64_t>(sectors) * sectorSize_ : 0;
}

std::uint64_t CHFSPlusVolume::Read(std::uint64_t offset, void* buffer, std::uint64_t length) {
  if (device_ == nullptr || buffer == nullptr || sectorSize_ > kMaxSectorSize) {
    Fail(HFS_FAILURE(hfserror::kDeviceRead));
    return 0;
  }
  auto* out = static_cast<std::uint8_t*>(buffer);
  const std::uint64_t sector = sectorSize_;
  std::vector<std::uint8_t> scratch;
  std::uint64_t copied = 0;
  auto failed = [&]() {
    Fail(HFS_FAILURE(hfserror::kDeviceRead));
    std::printf("Location%" PRIu64 "Size:%" PRIu64 "\n", offset + copied, length - copied);
    return copied;
  };
  if (const std::uint64_t within = offset % sector; within != 0 && length > 0) {
    scratch.resize(sector);
    if (!ReadSectors(scratch.data(), offset / sector, 1)) return failed();
    const std::uint64_t piece = std::min(sector - within, length);
    std::memcpy(out, scratch.data() + within, piece);
    copied = piece;
  }
  const std::uint64_t whole = (length - copied) / sector;
  if (whole > 0) {
    const auto first = static_cast<long long>((offset + copied) / sector);
    if (!ReadSectors(out + copied, static_cast<std::uint64_t>(first), whole)) return failed();
    copied += whole * sector;
  }
  if (copied < length) {
    scratch.resize(sector);
    if (!ReadSectors(scratch.data(), (offset + copied) / sector, 1)) return failed();
    std::memcpy(out + copied, scratch.data(), length - copied);
    copied = length;
  }
  return copied;
}

bool CHFSPlusVolume::ReadSectors(void* out, std::uint64_t first, std::uint64_t count) {
  // Read again in smaller pieces when it fails, so that each sector that stays unreadable is reported alone.
  return ReadSectorsSalvaging(*device_, out, static_cast<long long>(first), static_cast<long long>(count)).Whole();
}

ResultCode CHFSPlusVolume::Search(int fileID, const BTKey& key, HFSPlusSearchResult& result,
                                  std::optional<BTRecord>* record) {
  result = {};
  if (!header_) return HFS_FAILURE(hfserror::kBadArgument);
  CHFSPlusBTreeOptionBase* tree = nullptr;
  switch (fileID) {
    case kExtentsFileID: tree = extents_.get(); break;
    case kCatalogFileID: tree = catalog_.get(); break;
    case kAttributesFileID: tree = attributes_.get(); break;
    default: return Fail(HFS_FAILURE(hfserror::kUnsupported));
  }
  if (tree == nullptr) return lastError_;
  return tree->Search(key, result, record);
}

ResultCode CHFSPlusVolume::Traverse(int fileID, IHFSPlusLeafVisitor* visitor, IProgress* progress) {
  if (fileID != static_cast<int>(kCatalogFileID)) return Fail(HFS_FAILURE(hfserror::kUnsupported));
  if (!catalog_) return lastError_;
  return catalog_->Traverse(visitor, progress);
}

std::uint32_t CHFSPlusVolume::getAttribute(std::uint32_t fileID, const char* name, std::vector<std::uint8_t>* data) {
  if (data != nullptr) data->clear();
  if (!header_ || !attributes_ || name == nullptr || data == nullptr) return 0;
  HFSPlusAttrKey key;
  key.fileID = fileID;
  key.name = Widen(name);
  key.keyLength = static_cast<std::uint16_t>(12 + 2 * key.name.size());
  HFSPlusSearchResult result;
  std::optional<BTRecord> record;
  attributes_->Search(BTKey{key}, result, &record);
  if (result.found == 0) FindDeleteAttribute(key, result, &record);
  if (result.found == 0 || !record) return 0;
  const auto* inlineData = std::get_if<HFSPlusAttrData>(&*record);
  if (inlineData == nullptr) {
    std::fprintf(stderr, "unsupported attribute node format\n");
    return 0;
  }
  *data = inlineData->value;
  return inlineData->attrSize;
}

namespace {

// The first entry of list whose key compares equal under compare.
template <typename Key, typename Value, typename Compare, typename ToRecord>
ResultCode FindInList(const std::list<std::pair<Key, Value>>& list, const Key& key, Compare compare, ToRecord toRecord,
                      HFSPlusSearchResult& result, std::optional<BTRecord>* record) {
  result = {};
  for (const auto& [entryKey, value] : list) {
    if (compare(entryKey, key) != 0) continue;
    if (record != nullptr) *record = toRecord(value);
    result.found = 1;
    break;
  }
  return kResultOk;
}

}  // namespace

ResultCode CHFSPlusVolume::FindDeleteCatalog(const HFSPlusCatalogKey& key, HFSPlusSearchResult& result,
                                             std::optional<BTRecord>* record) {
  const std::uint8_t type = keyCompareType_;
  return FindInList(
      deletedCatalog_, key,
      [type](const HFSPlusCatalogKey& a, const HFSPlusCatalogKey& b) { return CHFSPlusCatalog::CompareKey(a, b, type); },
      [](const BTRecord& r) { return r; }, result, record);
}

ResultCode CHFSPlusVolume::FindDeleteExtent(const HFSPlusExtentKey& key, HFSPlusSearchResult& result,
                                            std::optional<BTRecord>* record) {
  return FindInList(deletedExtents_, key, &CHFSPlusExtents::CompareKey,
                    [](const HFSPlusExtentRecord& r) { return BTRecord{r}; }, result, record);
}

ResultCode CHFSPlusVolume::FindDeleteAttribute(const HFSPlusAttrKey& key, HFSPlusSearchResult& result,
                                               std::optional<BTRecord>* record) {
  return FindInList(deletedAttributes_, key, &CHFSPlusAttribute::CompareKey, [](const BTRecord& r) { return r; },
                    result, record);
}

void CHFSPlusVolume::AddDeletedCatalog(HFSPlusCatalogKey key, BTRecord record) {
  deletedCatalog_.emplace_front(std::move(key), std::move(record));
}

void CHFSPlusVolume::AddDeletedExtent(HFSPlusExtentKey key, HFSPlusExtentRecord record) {
  deletedExtents_.emplace_front(key, record);
}

void CHFSPlusVolume::AddDeletedAttribute(HFSPlusAttrKey key, BTRecord record) {
  deletedAttributes_.emplace_front(std::move(key), std::move(record));
}

std::uint32_t CHFSPlusVolume::GetNodeBelongToFile(std::uint64_t byteOffset) {
  if (!header_) {
    Fail(HFS_FAILURE(hfserror::kMissing));
    return 0;
  }
  const std::pair<std::uint32_t, const HFSPlusForkData*> forks[] = {
      {kCatalogFileID, &header_->catalogFile},       {kExtentsFileID, &header_->extentsFile},
      {kAttributesFileID, &header_->attributesFile}, {kAllocationFileID, &header_->allocationFile},
      {kStartupFileID, &header_->startupFile}};
  for (const auto& [id, fork] : forks) {
    if (IsBelongToFile(id, *fork, byteOffset)) return id;
  }
  return 0;
}

bool CHFSPlusVolume::IsBelongToFile(std::uint32_t fileID, const HFSPlusForkData& fork, std::uint64_t byteOffset) {
  if (!header_) {
    Fail(HFS_FAILURE(hfserror::kBadArgument));
    return false;
  }
  const std::uint64_t blockSize = header_->blockSize;
  bool holds = false;
  const ResultCode code = ForEachForkExtent(*this, fileID, kDataFork, fork, [&](const HFSPlusExtentDescriptor& e) {
    holds = std::uint64_t{e.startBlock} * blockSize <= byteOffset &&
            byteOffset < (std::uint64_t{e.startBlock} + e.blockCount) * blockSize;
    return !holds;
  });
  if (code != kResultOk) Fail(code);
  return holds;
}

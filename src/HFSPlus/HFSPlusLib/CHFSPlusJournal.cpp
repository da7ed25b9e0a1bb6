#include "HFSPlus/HFSPlusLib/CHFSPlusJournal.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "HFSPlus/HFSPlusLib/CHFSPlusAttribute.h"
#include "HFSPlus/HFSPlusLib/CHFSPlusBTNode.h"
#include "HFSPlus/HFSPlusLib/CHFSPlusCatalog.h"
#include "HFSPlus/HFSPlusLib/CHFSPlusExtents.h"
#include "HFSPlus/HFSPlusLib/CHFSPlusQuickFileSystemSearchProgress.h"
#include "HFSPlus/HFSPlusLib/CHFSPlusVolume.h"
#include "HFSPlus/HFSPlusLib/HFSPlusErrors.h"
#include "include/IStorageDevice.h"
#include "include/SalvagingRead.h"

using namespace quellsy;
using namespace quellsy::hfsplus;

namespace {

// The folderID or fileID of a folder or file record; 0 for any other record.
std::uint32_t CatalogIDOf(const BTRecord& record) {
  if (const auto* folder = std::get_if<HFSPlusCatalogFolder>(&record)) return folder->folderID;
  if (const auto* file = std::get_if<HFSPlusCatalogFile>(&record)) return file->fileID;
  return 0;
}

// The records of a logged extents or attributes leaf that the live tree no longer holds: one with a key
// already in the deleted list replaces that entry's record, any other goes to the front of the list.
template <typename Key, typename List, typename Take, typename Compare, typename Add>
void KeepLostRecords(CHFSPlusVolume& volume, IHFSPlusBTreeOption* tree, std::uint32_t fileID, CHFSPlusBTNode& node,
                     List& list, Take take, Compare compare, Add add) {
  if (tree == nullptr) return;
  for (std::uint16_t i = 0; i < node.GetRecordCount(); ++i) {
    const auto key = tree->KeyRead(node, i);
    const auto record = tree->DataRead(node, i);
    const auto* typedKey = key ? std::get_if<Key>(&*key) : nullptr;
    auto typedRecord = record ? take(*record) : std::nullopt;
    if (typedKey == nullptr || !typedRecord) continue;
    HFSPlusSearchResult live;
    volume.Search(static_cast<int>(fileID), *key, live, nullptr);
    if (live.found != 0) continue;
    const auto same = std::find_if(list.begin(), list.end(),
                                   [&](const auto& entry) { return compare(entry.first, *typedKey) == 0; });
    if (same != list.end()) {
      same->second = std::move(*typedRecord);
    } else {
      add(*typedKey, std::move(*typedRecord));
    }
  }
}

}  // namespace

CHFSPlusJournal::CHFSPlusJournal(CHFSPlusVolume* volume) : volume_(volume) { Open(); }

void CHFSPlusJournal::Open() {
  if (volume_ == nullptr) {
    Fail(HFS_FAILURE(hfserror::kBadArgument));
    return;
  }
  const HFSPlusVolumeHeader* volumeHeader = volume_->GetVolumeHeader();
  if (volumeHeader == nullptr) {
    Fail(volume_->GetLastError());
    return;
  }
  if ((volumeHeader->attributes & kJournaledBit) == 0) {
    Fail(HFS_FAILURE(hfserror::kDeviceRead));
    return;
  }
  const unsigned sector = volume_->GetSectorSize();
  std::vector<std::uint8_t> bytes(std::max<std::size_t>(sector, kJournalInfoBlockSize));
  const std::uint64_t infoOffset = std::uint64_t{volumeHeader->journalInfoBlock} * volumeHeader->blockSize;
  if (volume_->Read(infoOffset, bytes.data(), bytes.size()) != bytes.size()) {
    Fail(HFS_FAILURE(hfserror::kShortRead));
    return;
  }
  infoBlock_ = ParseJournalInfoBlock(bytes);
  if (!infoBlock_ || (infoBlock_->flags & kJournalInFileSystem) == 0) {
    Fail(HFS_FAILURE(hfserror::kDeviceRead));
    return;
  }
  if (volume_->Read(infoBlock_->offset, bytes.data(), bytes.size()) != bytes.size()) {
    Fail(HFS_FAILURE(hfserror::kDeviceRead));
    return;
  }
  header_ = ParseJournalHeader(bytes);
  if (!header_ || header_->magic != kJournalMagic || header_->endian != kJournalEndian ||
      header_->size != infoBlock_->size) {
    Fail(HFS_FAILURE(hfserror::kDeviceRead));
  }
  // A header written in the other byte order reads as nonsense here: walking its fields would only wander.
  walkable_ = header_ && header_->magic == kJournalMagic && header_->endian == kJournalEndian && SizesFit();
  if (lastError_ == kResultOk && !walkable_) Fail(HFS_FAILURE(hfserror::kDeviceRead));
}

bool CHFSPlusJournal::SizesFit() const {
  const std::uint64_t size = infoBlock_->size;
  const std::uint64_t device = volume_->DeviceBytes();
  if (size == 0 || (device != 0 && (infoBlock_->offset > device || size > device - infoBlock_->offset))) return false;
  const JournalHeader& h = *header_;
  if (h.jhdrSize < kJournalHeaderSize || h.jhdrSize > kMaxJournalBlock || h.jhdrSize >= size) return false;
  // Room for entry 0 and one block.
  if (h.blhdrSize < 2 * kBlockInfoSize || h.blhdrSize > kMaxJournalBlock || h.blhdrSize > size - h.jhdrSize) {
    return false;
  }
  return h.end >= h.jhdrSize && h.end < size;
}

std::uint64_t CHFSPlusJournal::Advance(std::uint64_t position, std::uint64_t n) const {
  const std::uint64_t size = infoBlock_->size;
  const std::uint64_t wrapTo = header_->jhdrSize;
  position += n;
  if (position >= size) position = wrapTo + (position - size) % (size - wrapTo);
  return position;
}

std::uint64_t CHFSPlusJournal::Read(std::uint64_t offset, std::uint8_t* buffer, std::uint64_t length) {
  if (!infoBlock_ || infoBlock_->size == 0 || buffer == nullptr) {
    Fail(HFS_FAILURE(hfserror::kDeviceRead));
    return 0;
  }
  const std::uint64_t size = infoBlock_->size;
  // The buffer starts after the journal header; without a usable header it is taken to start at 0.
  const std::uint64_t wrapTo = walkable_ ? header_->jhdrSize : 0;
  std::uint64_t position = offset < size ? offset : wrapTo + (offset - size) % (size - wrapTo);
  std::uint64_t done = 0;
  while (done < length) {
    const std::uint64_t piece = std::min(length - done, size - position);
    const std::uint64_t got = ReadInside(position, buffer + done, piece);
    done += got;
    if (got != piece) {
      Fail(HFS_FAILURE(hfserror::kDeviceRead));
      break;
    }
    position = wrapTo;
  }
  return done;
}

const std::uint8_t* CHFSPlusJournal::Held(std::uint64_t position, std::uint64_t length) {
  const auto held = [&] {
    return position >= windowStart_ && length <= windowBytes_ && position - windowStart_ <= windowBytes_ - length;
  };
  // Asked once for every header's worth of a lap: a window read whole answers at once.
  if (held() && windowRead_.unreadable.empty()) return window_.data() + (position - windowStart_);
  IStorageDevice* device = volume_->GetDevice();
  const std::uint64_t sector = device != nullptr ? device->GetSectorSize() : 0;
  const std::uint64_t at = infoBlock_->offset + position;
  if (!held() && sector != 0 && at % sector == 0) {
    // Read from the device itself: a window that fails leaves no error behind, the read of the bytes asked for
    // decides. A sector of it that cannot be read costs only the bytes asked for over it.
    const std::uint64_t bytes = std::min(kWindowBytes, infoBlock_->size - position) / sector * sector;
    if (window_.capacity() < bytes) window_ = quellsy::RawReadBuffer(static_cast<std::size_t>(bytes));
    windowBytes_ = bytes;
    windowStart_ = position;
    const auto first = static_cast<long long>(at / sector);
    const auto count = static_cast<long long>(bytes / sector);
    windowRead_ = bytes < length ? quellsy::SalvagedRead{{}, true}
                                 : quellsy::ReadSectorsSalvagingInto(*device, window_, first, count, 0);
    if (!windowRead_.AnyRead(first, count)) windowBytes_ = 0;
  }
  if (!held() || sector == 0) return nullptr;
  const bool lost = windowRead_.Lost(static_cast<long long>(at / sector),
                                     static_cast<long long>((at % sector + length + sector - 1) / sector));
  return lost ? nullptr : window_.data() + (position - windowStart_);
}

std::uint64_t CHFSPlusJournal::ReadInside(std::uint64_t position, std::uint8_t* buffer, std::uint64_t length) {
  const std::uint8_t* held = Held(position, length);
  if (held == nullptr) return volume_->Read(infoBlock_->offset + position, buffer, length);
  std::memcpy(buffer, held, static_cast<std::size_t>(length));
  return length;
}

ResultCode CHFSPlusJournal::GetDeleteRecord(CHFSPlusQuickFileSystemSearchProgress* progress) {
  if (!header_ || !walkable_) return kResultOk;
  const JournalHeader h = *header_;
  const std::uint64_t jhdr = h.jhdrSize;
  const std::uint64_t blhdr = h.blhdrSize;
  // Bytes of one lap round the buffer: the walk never goes further, even when a transaction jumps the end.
  const std::uint64_t lap = infoBlock_->size - jhdr;
  std::vector<std::uint8_t> buffer(std::max(jhdr, blhdr));
  std::uint64_t position = h.end;
  std::printf("Journal Start Offset:0x%" PRIx64 "\n", position);
  // Every logged catalog record is looked for among those kept so far: by ID, not by a walk of them all.
  deletedByID_.clear();
  auto& kept = volume_->DeletedCatalog();
  for (auto entry = kept.begin(); entry != kept.end(); ++entry) deletedByID_.emplace(CatalogIDOf(entry->second), entry);
  const struct Forget {
    std::unordered_multimap<std::uint32_t, CHFSPlusVolume::DeletedCatalogList::iterator>& index;
    ~Forget() { index.clear(); }
  } forget{deletedByID_};
  auto asked = [progress]() { return progress == nullptr || progress->Continued(); };
  asked();
  std::uint64_t travelled = 0;
  while (true) {
    const bool go = asked();
    // Most of a lap is stale or empty space looked at a header's worth at a time: it is looked at where the
    // window holds it, never copied out.
    const std::uint8_t* head = position <= infoBlock_->size - jhdr ? Held(position, jhdr) : nullptr;
    if (head == nullptr) {
      if (Read(position, buffer.data(), jhdr) != jhdr) return Fail(HFS_FAILURE(hfserror::kDeviceRead));
      head = buffer.data();
    }
    std::optional<JournalBlockListHeader> list;
    if (PeekMaxBlocks(ByteSpan(head, jhdr)) == blhdr / kBlockInfoSize - 1) {
      if (Read(position, buffer.data(), blhdr) != blhdr) return Fail(HFS_FAILURE(hfserror::kDeviceRead));
      list = ParseBlockListHeader(ByteSpan(buffer).first(blhdr));
      // Entry 0 and at least one block, and no more than the header has room for.
      if (list && (list->numBlocks < 2 || list->numBlocks > list->maxBlocks + 1u ||
                   list->blocks.size() != list->numBlocks)) {
        list.reset();
      }
    }
    if (list) {
      position = Advance(position, blhdr);
      travelled += blhdr;
      for (std::size_t i = 1; i < list->blocks.size() && travelled < lap; ++i) {
        if (!asked()) return lastError_;
        const JournalBlockInfo& info = list->blocks[i];
        // A size that is no whole number of header units or that runs past the lap leaves the rest unknowable.
        if (info.bsize == 0 || info.bsize % jhdr != 0 || info.bsize > kMaxJournalBlock || info.bsize > lap - travelled) {
          break;
        }
        auto block = std::make_unique_for_overwrite<std::uint8_t[]>(info.bsize);
        if (Read(position, block.get(), info.bsize) != info.bsize) return Fail(HFS_FAILURE(hfserror::kDeviceRead));
        position = Advance(position, info.bsize);
        travelled += info.bsize;
        if (!CHFSPlusBTNode::IsValidNode(ByteSpan(block.get(), info.bsize))) continue;
        CHFSPlusBTNode node(std::move(block), info.bsize);
        if (info.bnum <= UINT64_MAX / jhdr) KeepLoggedNode(node, info.bnum * jhdr, progress);
      }
    } else {
      position = Advance(position, jhdr);
      travelled += jhdr;
    }
    if (position == h.end || travelled >= lap || !go) return lastError_;
  }
}

void CHFSPlusJournal::KeepLoggedNode(CHFSPlusBTNode& node, std::uint64_t volumeOffset,
                                     CHFSPlusQuickFileSystemSearchProgress* progress) {
  if (node.Descriptor()->kind != kLeafNode) return;
  switch (volume_->GetNodeBelongToFile(volumeOffset)) {
    case kCatalogFileID: KeepCatalog(node, progress); break;
    case kExtentsFileID: KeepExtents(node); break;
    case kAttributesFileID: KeepAttributes(node); break;
    default: break;
  }
}

void CHFSPlusJournal::KeepExtents(CHFSPlusBTNode& node) {
  KeepLostRecords<HFSPlusExtentKey>(
      *volume_, volume_->GetExtents(), kExtentsFileID, node, volume_->DeletedExtents(),
      [](const BTRecord& record) -> std::optional<HFSPlusExtentRecord> {
        const auto* extents = std::get_if<HFSPlusExtentRecord>(&record);
        return extents != nullptr ? std::optional(*extents) : std::nullopt;
      },
      &CHFSPlusExtents::CompareKey,
      [this](const HFSPlusExtentKey& key, HFSPlusExtentRecord record) { volume_->AddDeletedExtent(key, record); });
}

void CHFSPlusJournal::KeepAttributes(CHFSPlusBTNode& node) {
  KeepLostRecords<HFSPlusAttrKey>(
      *volume_, volume_->GetAttributes(), kAttributesFileID, node, volume_->DeletedAttributes(),
      [](const BTRecord& record) { return std::optional(record); }, &CHFSPlusAttribute::CompareKey,
      [this](const HFSPlusAttrKey& key, BTRecord record) { volume_->AddDeletedAttribute(key, std::move(record)); });
}

void CHFSPlusJournal::KeepCatalog(CHFSPlusBTNode& node, CHFSPlusQuickFileSystemSearchProgress* progress) {
  CHFSPlusCatalog* tree = volume_->GetCatalog();
  if (tree == nullptr) return;
  const std::uint8_t compareType = volume_->GetKeyCompareType();
  for (std::uint16_t i = 0; i < node.GetRecordCount(); ++i) {
    // Thread records only point back to their entries; the entries themselves are what is recovered. Half of
    // a leaf's records are threads: they are known by their type, before anything is parsed.
    const auto parts = node.GetKeyAndData(i);
    if (!parts) continue;
    const auto type = be16(parts->data, 0);
    if (type == kFolderThreadRecord || type == kFileThreadRecord) continue;
    const auto key = tree->KeyRead(node, i);
    auto record = tree->DataRead(node, i);
    const auto* catalogKey = key ? std::get_if<HFSPlusCatalogKey>(&*key) : nullptr;
    if (catalogKey == nullptr || !record) continue;
    const std::uint32_t id = CatalogIDOf(*record);
    HFSPlusSearchResult live;
    std::optional<BTRecord> liveRecord;
    volume_->Search(kCatalogFileID, *key, live, &liveRecord);
    if (live.found != 0 && liveRecord && CatalogIDOf(*liveRecord) == id) continue;
    const auto [from, to] = deletedByID_.equal_range(id);
    const auto same = std::find_if(from, to, [&](const auto& entry) {
      return CHFSPlusCatalog::CompareKey(entry.second->first, *catalogKey, compareType) == 0;
    });
    if (same != to) {
      same->second->second = std::move(*record);
      continue;
    }
    volume_->AddDeletedCatalog(*catalogKey, std::move(*record));
    deletedByID_.emplace(id, volume_->DeletedCatalog().begin());
    if (progress != nullptr) progress->UpdateProgress();
  }
}

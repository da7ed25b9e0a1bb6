#pragma once
// One opened HFS+ or HFSX volume: its header, its extents, attributes and catalog trees over their special
// files, the look-ups the engine needs, and the lists of deleted records found outside the live trees.

#include <cstdint>
#include <list>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "HFSPlus/HFSPlusLib/CHFSPlusBTree.h"
#include "HFSPlus/HFSPlusLib/HFSPlusFormat.h"
#include "Utility/ResultCode.h"

class CHFSPlusAttribute;
class CHFSPlusCatalog;
class CHFSPlusExtents;
class CHFSPlusFileCache;
class CHFSPlusJournal;
class CHFSPlusQuickFileSystemSearchProgress;
class CHFSPlusRawfile;
class IDirecotryTreeBuilder;
class IProgress;
class IStorageDevice;

// Held through a shared_ptr by the searchers, so that the nodes made from it can keep it open after them.
class CHFSPlusVolume : public std::enable_shared_from_this<CHFSPlusVolume> {
 public:
  using DeletedCatalogList = std::list<std::pair<HFSPlusCatalogKey, BTRecord>>;
  using DeletedExtentsList = std::list<std::pair<HFSPlusExtentKey, HFSPlusExtentRecord>>;
  using DeletedAttributesList = std::list<std::pair<HFSPlusAttrKey, BTRecord>>;

  // Opens the volume on device; success leaves GetLastError at 0. For a restore the catalog is not opened
  // (the extents and attributes look-ups still work). The owner deletes the object in every case.
  CHFSPlusVolume(IStorageDevice* device, bool restore);
  ~CHFSPlusVolume();
  CHFSPlusVolume(const CHFSPlusVolume&) = delete;
  CHFSPlusVolume& operator=(const CHFSPlusVolume&) = delete;

  // The header test: a buffer of at least 512 bytes with an "H+" or "HX" signature, a block size that is a
  // power of two of at least 512, version up to 16, free blocks and the journal block within the volume, and
  // a catalog whose logical size is exactly its blocks.
  static bool IsValidVolumeHeader(quellsy::ByteSpan bytes);
  // Sectors of the device per allocation block; nullopt when a block is not a whole number of sectors
  // (512-byte blocks on 4096-byte sectors): such a volume is read by bytes, never by sectors per block.
  static std::optional<std::uint32_t> SectorsPerBlock(std::uint32_t blockSize, std::uint32_t sectorSize);

  quellsy::ResultCode ReadVolumeHeader();
  // Bytes copied from the device's byte offset; 0 without a device or buffer.
  std::uint64_t Read(std::uint64_t offset, void* buffer, std::uint64_t length);

  // fileID 3 searches the extents tree, 4 the catalog, 8 the attributes tree; any other is error 3.
  quellsy::ResultCode Search(int fileID, const BTKey& key, HFSPlusSearchResult& result,
                             std::optional<BTRecord>* record);
  // The quick search: the journal's deleted records, then every record of the catalog, as nodes for builder
  // (searcher 31). progress may be null; without a journal object the result is error 2.
  quellsy::ResultCode QuickSearchFiles(IDirecotryTreeBuilder* builder, CHFSPlusQuickFileSystemSearchProgress* progress);
  // Walks the catalog (fileID 4 only) and gives visitor every leaf record.
  quellsy::ResultCode Traverse(int fileID, IHFSPlusLeafVisitor* visitor, IProgress* progress);
  // The inline value of extended attribute `name` of fileID, live or deleted; its size, 0 when there is none
  // or it is not stored inline.
  std::uint32_t getAttribute(std::uint32_t fileID, const char* name, std::vector<std::uint8_t>* data);

  // Look-ups in the deleted lists: the first entry whose key compares equal.
  quellsy::ResultCode FindDeleteCatalog(const HFSPlusCatalogKey& key, HFSPlusSearchResult& result,
                                        std::optional<BTRecord>* record);
  quellsy::ResultCode FindDeleteExtent(const HFSPlusExtentKey& key, HFSPlusSearchResult& result,
                                       std::optional<BTRecord>* record);
  quellsy::ResultCode FindDeleteAttribute(const HFSPlusAttrKey& key, HFSPlusSearchResult& result,
                                          std::optional<BTRecord>* record);
  // The newest goes first.
  void AddDeletedCatalog(HFSPlusCatalogKey key, BTRecord record);
  void AddDeletedExtent(HFSPlusExtentKey key, HFSPlusExtentRecord record);
  void AddDeletedAttribute(HFSPlusAttrKey key, BTRecord record);

  // The special file (4 catalog, 3 extents, 8 attributes, 6 allocation, 7 startup) whose blocks hold the
  // volume byte offset, or 0.
  std::uint32_t GetNodeBelongToFile(std::uint64_t byteOffset);
  bool IsBelongToFile(std::uint32_t fileID, const HFSPlusForkData& fork, std::uint64_t byteOffset);

  quellsy::ResultCode GetLastError() const { return lastError_; }
  const HFSPlusVolumeHeader* GetVolumeHeader() const { return header_ ? &*header_ : nullptr; }
  unsigned GetSectorSize() const { return sectorSize_; }
  IStorageDevice* GetDevice() const { return device_; }
  std::uint64_t DeviceBytes() const;
  std::uint8_t GetKeyCompareType() const { return keyCompareType_; }
  CHFSPlusRawfile* GetExtentsFile() const { return extentsFile_.get(); }
  CHFSPlusRawfile* GetAttributesFile() const { return attributesFile_.get(); }
  CHFSPlusFileCache* GetCatalogFile() const { return catalogFile_.get(); }
  CHFSPlusCatalog* GetCatalog() const { return catalog_.get(); }
  CHFSPlusExtents* GetExtents() const { return extents_.get(); }
  CHFSPlusAttribute* GetAttributes() const { return attributes_.get(); }
  CHFSPlusJournal* GetJournal() const { return journal_.get(); }
  // The lists the journal walk fills, newest first.
  DeletedCatalogList& DeletedCatalog() { return deletedCatalog_; }
  DeletedExtentsList& DeletedExtents() { return deletedExtents_; }
  DeletedAttributesList& DeletedAttributes() { return deletedAttributes_; }

 private:
  // Whole sectors into out, false when any could not be read.
  bool ReadSectors(void* out, std::uint64_t first, std::uint64_t count);
  quellsy::ResultCode Fail(quellsy::ResultCode code) { return lastError_ = code; }
  void Open(bool restore);

  unsigned sectorSize_ = 512;
  IStorageDevice* device_;
  quellsy::ResultCode lastError_;
  std::optional<HFSPlusVolumeHeader> header_;
  std::unique_ptr<CHFSPlusRawfile> extentsFile_;
  std::unique_ptr<CHFSPlusExtents> extents_;
  std::unique_ptr<CHFSPlusRawfile> attributesFile_;
  std::unique_ptr<CHFSPlusAttribute> attributes_;
  std::unique_ptr<CHFSPlusFileCache> catalogFile_;
  std::unique_ptr<CHFSPlusCatalog> catalog_;
  DeletedCatalogList deletedCatalog_;
  DeletedExtentsList deletedExtents_;
  DeletedAttributesList deletedAttributes_;
  std::uint8_t keyCompareType_ = quellsy::hfsplus::kCaseFolding;
  // Last, so it goes first: it borrows the trees above.
  std::unique_ptr<CHFSPlusJournal> journal_;
};

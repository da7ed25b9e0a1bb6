#pragma once
// A file or folder of an HFS+ catalog, live or deleted, in the common node model: UTF-8 name, size, times as
// FILETIME, flags, IDs, and the extents of the fork that holds its content as runs in allocation blocks. A
// compressed file's runs are those of its resource fork and its size is the uncompressed one.

#include <cstdint>
#include <memory>
#include <string>

#include "HFSPlus/HFSPlusLib/HFSPlusFormat.h"
#include "include/FileNode.h"

class CHFSPlusVolume;
class IDataRunList;

class CHFSPlusFileNode : public CFileNode {
 public:
  // 100-nanosecond units from 1601-01-01 to 1904-01-01, where HFS+ times count from.
  static constexpr unsigned long long kFileTimeOf1904 = 95616288000000000ull;
  // Files without parent and name but larger than this are taken for damaged records: no times, no marks.
  static constexpr std::uint64_t kOrphanSizeLimit = 0x40000000;

  // From the catalog walk (deleted 0) or the journal's deleted records (deleted 1).
  CHFSPlusFileNode(CHFSPlusVolume* volume, const BTKey* key, const BTRecord* record, int deleted);
  // From the complete search, which knows where the record lies.
  CHFSPlusFileNode(CHFSPlusVolume* volume, long long metadataSector, std::uint16_t partitionIndex, const BTKey* key,
                   const BTRecord* record);
  CHFSPlusFileNode(const CHFSPlusFileNode&) = delete;
  CHFSPlusFileNode& operator=(const CHFSPlusFileNode&) = delete;
  ~CHFSPlusFileNode() override = default;

  const char* GetFileName() const override { return name_.c_str(); }
  long long GetFileSize() const override { return static_cast<long long>(size_); }
  unsigned short GetAttribute() const override { return 0; }
  unsigned long long GetCreationTime() const override { return TimeConvert(createDate_); }
  unsigned long long GetModificationTime() const override { return TimeConvert(contentModDate_); }
  unsigned long long GetLastAccessTime() const override { return TimeConvert(accessDate_); }
  int IsDirectory() const override { return directory_ ? 1 : 0; }
  int IsDeleted() const override { return deleted_ ? 1 : 0; }
  _tagSearcherType GetSearcheType() const override { return SEARCHER_HFSPLUS; }
  // The node itself: nodes are shared, not copied.
  IFileNode* Clone() override { return this; }
  void MarkDeleted() override { deleted_ = true; }
  // A reader of the compressed content on this node's volume; null when memory is short.
  IFileReader* CreateCompressFileReader(void* unused) override;
  void FilterFileNameByDot() override { name_ = CFileNode::FilterFileNameByDot(name_); }
  void UpdateFileSize(long long size) override { size_ = static_cast<std::uint64_t>(size); }
  // A compressed node's size from its decmpfs header; a warning line when the attribute is missing.
  void UpdateNodeInfo() override;

  // The logical size of the resource fork (compressed files keep their content there).
  std::uint64_t GetResourceForkSize() const { return resourceForkSize_; }
  CHFSPlusVolume* GetVolume() const { return volume_; }
  // Keeps the node's volume open for as long as the node lives (the searcher may go first).
  void ShareVolume(std::shared_ptr<CHFSPlusVolume> owner) { owner_ = std::move(owner); }

  // 0 stays 0; seconds since 1904 become FILETIME, with no time-zone adjustment.
  static unsigned long long TimeConvert(std::uint32_t seconds);
  // The fork's extents in order, past the eight of the record through the extents tree and the deleted
  // extents; a walk that cannot go on keeps the runs found so far. Null when memory is short.
  static IDataRunList* BuildFileDataRun(CHFSPlusVolume* volume, std::uint32_t fileID, std::uint8_t forkType,
                                        const HFSPlusForkData& fork);

 private:
  void CreateFileNode(long long metadataSector, std::uint16_t partitionIndex, const BTKey* key,
                      const BTRecord* record, bool deleted);
  // Returns false when the record is taken for damaged and the node stays as it is.
  bool FillFile(const HFSPlusCatalogFile& file);
  void FillTimes(const HFSPlusCatalogCommon& common, long long metadataSector, std::uint16_t partitionIndex);

  std::uint32_t createDate_ = 0;
  CHFSPlusVolume* volume_;
  std::shared_ptr<CHFSPlusVolume> owner_;
  std::string name_;
  std::uint64_t size_ = 0;
  std::uint64_t resourceForkSize_ = 0;
  std::uint32_t contentModDate_ = 0;
  std::uint32_t accessDate_ = 0;
  bool deleted_ = false;
  bool directory_ = false;
};

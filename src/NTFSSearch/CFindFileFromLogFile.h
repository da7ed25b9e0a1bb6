#pragma once
// Sizes and extents of deleted files that NTFS cleared, as the volume's log file still remembers them: images of
// FILE records the log carries, and the undo data of the changes made to data attributes. Until the log pages
// are read it remembers nothing: every question is answered "not found".

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "NTFSLib/CNTFSDataRunList.h"
#include "NTFSLib/CNTFSMultiFileRecord.h"
#include "NTFSLib/NTFSLogRecords.h"
#include "NTFSLib/NTFSStreamReader.h"
#include "NTFSSearch/CNTFSFileProperties.h"
#include "Utility/ByteReader.h"

class IStorageDevice;

class CFindFileFromLogFile {
 public:
  // Far above the 64 MiB a volume's log is given by default; a longer log is not read.
  static constexpr std::uint64_t kMaxLogBytes = std::uint64_t{1} << 30;

  struct FoundFile {
    std::int64_t parent = -1;
    std::unique_ptr<CNTFSFileProperties> properties;
    // The record's sequence number in the image: it changes when the record is freed and given to another file.
    std::uint16_t sequenceNumber = 0;
    // A record of the MFT still names this file (live or deleted), so it is listed from there.
    bool claimed = false;
  };

  // Locates the log file through record 2 of the $MFT whose runs are given, on a volume whose cluster 0 lies at
  // sector origin of the device (sectors per cluster 0 means 8). False for a null device, an empty run list or
  // when record 2 cannot be read; a record 2 that is not the log's leaves the finder with nothing to read.
  bool Init(IStorageDevice* device, const CNTFSDataRunList& mftRuns, std::uint32_t sectorsPerCluster,
            std::int64_t origin = 0);
  // Reads the log pages once; false when nothing was found.
  bool Analyzer();
  // Frees what was found and clears the flags.
  void Reset();

  bool IsReady() const { return m_ready; }
  bool IsAnalysed() const { return m_analysed; }
  std::uint64_t GetLogPageCount() const;

  // Gives a deleted, size-0 file its size and extents back, from an image of its record found in the log (by
  // parent and name, or by record number and name when the parent is -1) and from the undo data of the log's
  // changes to its data attributes (record holds its base record; extensions its extension records). False when
  // the log was not read, or the file is a folder or not deleted; properties then stay as they were.
  bool ReplaceFileRecordInfo(quellsy::ByteSpan record, CNTFSFileProperties& properties, std::int64_t parentMFTNumber,
                             const std::vector<CAttributeListExtendFileRecordInfo>& extensions);
  // The same for a base record already fixed up.
  bool ReplaceFileRecordInfo(const CNTFSFileRecord& base, CNTFSFileProperties& properties,
                             std::int64_t parentMFTNumber,
                             const std::vector<CAttributeListExtendFileRecordInfo>& extensions);
  // Marks the file the log found under that parent and name as named by the MFT.
  void ClaimFile(std::int64_t parentMFTNumber, std::string_view name);
  const std::vector<FoundFile>& FoundFiles() const { return m_found; }

  // The MFT record a log record addresses by its target cluster and 512-byte block within it; -1 when the block
  // does not begin a record.
  std::int64_t GetFileRecordIndex(std::int64_t vcn, std::uint16_t blockOffset) const;

 private:
  struct KeptUndo {
    std::uint64_t lsn = 0;
    std::uint16_t recordOffset = 0;
    std::uint16_t attributeOffset = 0;
    std::vector<std::uint8_t> undo;
  };
  struct RebuiltData {
    CNTFSDataRunList runs;
    std::int64_t realSize = 0;
  };

  void TakeLogRecord(const quellsy::ntfs::LogRecord& record);
  void MineFileRecordImage(const quellsy::ntfs::LogRecord& record);
  void KeepUndo(const quellsy::ntfs::LogRecord& record);
  // Properties of a file (not a folder, not an extension record) from an image of its record; null when none
  // can be built, the size is 0 or the data is not held in clusters.
  std::unique_ptr<CNTFSFileProperties> BuildFileProperties(quellsy::ByteSpan image, std::int64_t& parent) const;
  // The unnamed non-resident data attributes of a (fixed-up) record, each with the undo data of the log applied.
  void RebuildFileRecord(quellsy::ByteSpan record, RebuiltData& data) const;
  FoundFile* FindFoundFile(CNTFSFileProperties& properties, std::int64_t parent);

  IStorageDevice* m_device = nullptr;
  NTFSVolumeGeometry m_geometry;
  CNTFSDataRunList m_mftRuns;
  CNTFSDataRunList m_logRuns;
  bool m_ready = false;
  bool m_analysed = false;

  std::vector<FoundFile> m_found;
  // Index of the found files by (parent, name) and by (record number, name); a later image replaces an earlier.
  std::map<std::pair<std::int64_t, std::string>, std::size_t> m_byParent;
  std::map<std::pair<std::uint64_t, std::string>, std::size_t> m_byRecord;
  // Undo data by the MFT number it changes.
  std::unordered_map<std::int64_t, std::vector<KeptUndo>> m_undo;
  std::size_t m_keptUndoBytes = 0;
};

#pragma once
// The quick scan of an intact NTFS volume: the boot sector at sector 0, the $MFT's runs from its own record (or
// from its copy in the $MFTMirr), then every FILE record in MFT order, each user file or folder, live or deleted,
// handed to the tree builder as searcher 35 under the root folder (MFT number 5).

#include <cstdint>
#include <vector>

#include "NTFSLib/CNTFSDataRunList.h"
#include "NTFSLib/NTFSStreamReader.h"
#include "NTFSSearch/CFindFileFromLogFile.h"
#include "NTFSSearch/CSearchedNTFSPartitionInfo.h"
#include "Utility/ByteReader.h"
#include "Utility/ResultCode.h"
#include "include/IFileSystemSearchController.h"

class CNTFSDBR;
class IStorageDevice;

class CNTFSQuickSearch : public IQuickFileSystemSearchController {
 public:
  CNTFSQuickSearch();

  void SetDirecotryTreeBuilder(IDirecotryTreeBuilder* builder) override { m_builder = builder; }
  // Null out: 1. A capacity below 1: 0. Otherwise a new record of the volume in out[0], owned by the caller.
  int GetSearchedPartitionInfo(CSearchedPartitionInfo** out, int capacity) override;
  // 0 when the walk ran, else one of the codes of NTFSSearchErrors.h. Whatever the outcome, the sink's last record
  // is state 3 with the result; once the $MFT was found the builder gets the volume and builds the tree.
  unsigned long long QuickSearchFiles(IStorageDevice* device, IProgress* progress) override;

  // The $MFT's runs from the $MFT record at cluster (with those of its extension records); false when the
  // record there is not the $MFT's, or could not be read (then unreadable is set).
  static bool ReadMFTRuns(IStorageDevice& device, const NTFSVolumeGeometry& geometry, std::int64_t cluster,
                          CNTFSDataRunList& runs, bool& unreadable);

 private:
  quellsy::ResultCode Search(IStorageDevice* device, IProgress* progress, bool& accepted);
  // Every FILE record through the $MFT's runs, 128 sectors a read.
  void WalkMFT();
  // The records of one batch; firstByte is the batch's offset in the $MFT.
  void ProcessBatch(quellsy::MutableByteSpan batch, const std::vector<std::int64_t>& sectors, std::uint64_t firstByte);
  // The record is fixed up in place, once, and every test and builder reads that one fixed-up form.
  void ProcessRecord(quellsy::MutableByteSpan bytes, std::int64_t sector, std::int64_t mftNumber);
  // $Extend or a folder below it: the volume's own metadata.
  bool IsExtendMetadata(std::int64_t folder) const;
  // Files the log remembers whose records now hold other files, listed as deleted.
  void AddFilesOnlyInLog(std::uint64_t recordCount);
  void Report(std::uint32_t status, std::uint64_t total, std::uint64_t current, quellsy::ResultCode result);

  IDirecotryTreeBuilder* m_builder = nullptr;
  IStorageDevice* m_device = nullptr;
  IProgress* m_progress = nullptr;
  CSearchedNTFSPartitionInfo m_partition;
  CFindFileFromLogFile m_logFile;
  NTFSVolumeGeometry m_geometry;
  CNTFSDataRunList m_mftRuns;
  std::uint64_t m_mftSectors = 0;
  // Records under $Extend (by MFT number): the volume's own metadata, never listed.
  std::vector<bool> m_underExtend;
  // Sequence numbers of the valid records (0 for the others), by MFT number.
  std::vector<std::uint16_t> m_sequenceNumbers;
};

// A new quick searcher; null when memory is short.
IQuickFileSystemSearchController* CreateNTFSQuickSearcher();

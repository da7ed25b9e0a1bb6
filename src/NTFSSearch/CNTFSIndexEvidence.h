#pragma once
// Folders whose index lies in index-allocation clusters, and INDX records met elsewhere: an INDX record whose
// parent folder's runs map its VCN to a cluster fixes the origin of the partition both lie in.

#include <cstdint>
#include <map>

#include "NTFSLib/CNTFSDataRunList.h"
#include "NTFSSearch/CNTFSPartitionInfoBuilder.h"
#include "Utility/ByteReader.h"

class CNTFSFileRecord;

class CNTFSIndexEvidence {
 public:
  static constexpr std::size_t kMaxEntries = 500000;
  static constexpr std::int64_t kRootFolder = 5;
  // Folder records kept for one MFT number: a few copies (the $MFT's, older ones) are real, more are noise.
  static constexpr std::size_t kMaxFoldersPerNumber = 16;

  explicit CNTFSIndexEvidence(CNTFSPartitionInfoBuilder& builder) : m_builder(builder) {}

  // A valid folder record with a non-resident index allocation.
  void AnalyzeFolderRecord(const CNTFSFileRecord& record);
  // A buffer at sector that starts with "INDX"; false when it is not a valid index record.
  bool AnalyzeIndexRecord(std::int64_t sector, quellsy::ByteSpan buffer);
  void Clear();

 private:
  struct Folder {
    CNTFSDataRunList runs;
    std::uint32_t sectorsPerCluster;
  };
  struct IndexRecord {
    std::int64_t sector;
    std::int64_t vcn;
  };
  void Propose(const Folder& folder, const IndexRecord& index);

  CNTFSPartitionInfoBuilder& m_builder;
  std::multimap<std::int64_t, Folder> m_folders;        // by the folder's MFT number
  std::multimap<std::int64_t, IndexRecord> m_indexes;   // by the parent MFT number
};

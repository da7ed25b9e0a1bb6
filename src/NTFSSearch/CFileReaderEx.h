#pragma once
// Reads a found file's data one cluster per device read through its node's run list, or its resident value;
// the tree builder reads recycle-bin information files with it.

#include <cstdint>
#include <vector>

#include "include/IFileReaderEx.h"

class CFileNode;
class CSearchedPartitionInfo;
class IStorageDevice;

class CFileReaderEx : public IFileReaderEx {
 public:
  // Origin and sectors per cluster from the partition record; false for a null record.
  bool Open(IStorageDevice* device, CFileNode* node, CSearchedPartitionInfo* partition);
  // False for a null device or node, a zero cluster size, an empty file or a node without runs.
  bool Open(IStorageDevice* device, CFileNode* node, long long origin, int sectorsPerCluster) override;
  // True when the request was served (got: the bytes copied, fewer at the file's end); false at or past the
  // end, without runs, or on a failed device read. Sparse clusters read as zeros.
  bool Read(long long offset, unsigned char* buffer, int length, int& got) override;
  bool ReadResidentData(long long offset, unsigned char* buffer, int length, int& got);

 private:
  IStorageDevice* m_device = nullptr;
  CFileNode* m_node = nullptr;
  std::uint32_t m_clusterSize = 0;
  std::uint32_t m_sectorsPerCluster = 0;
  long long m_dataSize = 0;
  long long m_origin = 0;
  std::vector<std::uint8_t> m_buffer;
};

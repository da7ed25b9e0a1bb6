#include "NTFSSearch/CFileReaderEx.h"

#include <algorithm>
#include <cstring>

#include "NTFSSearch/CNTFSFileNode.h"
#include "NTFSSearch/NTFSResidentData.h"
#include "include/FileNode.h"
#include "include/IDataRunList.h"
#include "include/IStorageDevice.h"
#include "include/SearchPartitionInfoStruct.h"

namespace {
constexpr std::uint32_t kBufferClusters = 8;
// Clusters above 2 MiB are not NTFS's; they would only size the buffer from a bad record.
constexpr std::uint64_t kMaxClusterBytes = 2u << 20;
}  // namespace

bool CFileReaderEx::Open(IStorageDevice* device, CFileNode* node, CSearchedPartitionInfo* partition) {
  if (partition == nullptr) return false;
  return Open(device, node, partition->GetClusterOrigin(), static_cast<int>(partition->GetSectorsPerCluster()));
}

bool CFileReaderEx::Open(IStorageDevice* device, CFileNode* node, long long origin, int sectorsPerCluster) {
  if (device == nullptr || node == nullptr || sectorsPerCluster <= 0) return false;
  const std::uint64_t clusterSize = std::uint64_t{device->GetSectorSize()} * static_cast<std::uint64_t>(sectorsPerCluster);
  if (clusterSize == 0 || clusterSize > kMaxClusterBytes || node->GetFileSize() <= 0 ||
      node->GetDataRunList() == nullptr)
    return false;
  m_device = device;
  m_node = node;
  m_origin = origin;
  m_sectorsPerCluster = static_cast<std::uint32_t>(sectorsPerCluster);
  m_clusterSize = static_cast<std::uint32_t>(clusterSize);
  m_dataSize = node->GetFileSize();
  m_buffer.assign(std::size_t{kBufferClusters} * m_clusterSize, 0);
  return true;
}

bool CFileReaderEx::Read(long long offset, unsigned char* buffer, int length, int& got) {
  got = 0;
  if (m_node == nullptr || buffer == nullptr || offset < 0 || length < 0 || offset >= m_dataSize) return false;
  long long left = std::min<long long>(length, m_dataSize - offset);
  IDataRunList* runs = m_node->GetDataRunList();
  if (runs == nullptr) return false;
  if (runs->IsResident() != 0 || runs->GetOffset() != 0) return ReadResidentData(offset, buffer, static_cast<int>(left), got);
  // A copy of the runs: the node's own cursor is left alone.
  std::vector<DataRun> list;
  for (DataRun* run = runs->GetFirst(); run != nullptr; run = runs->GetNext()) list.push_back(*run);
  long long cluster = offset / m_clusterSize;
  long long vcn = 0;
  for (const DataRun& run : list) {
    if (left == 0) break;
    while (left > 0 && cluster >= vcn && cluster < vcn + run.length) {
      const auto within = static_cast<std::size_t>(offset % m_clusterSize);
      const auto take = static_cast<std::size_t>(std::min<long long>(m_clusterSize - within, left));
      if (run.lcn < 0) {
        std::memset(buffer + got, 0, take);
      } else {
        const long long sector = (cluster - vcn + run.lcn) * m_sectorsPerCluster + m_origin;
        if (!m_device->ReadSector(m_buffer.data(), sector, m_sectorsPerCluster)) return false;
        std::memcpy(buffer + got, m_buffer.data() + within, take);
      }
      offset += static_cast<long long>(take);
      got += static_cast<int>(take);
      left -= static_cast<long long>(take);
      ++cluster;
    }
    vcn += run.length;
  }
  return true;
}

bool CFileReaderEx::ReadResidentData(long long offset, unsigned char* buffer, int length, int& got) {
  got = 0;
  auto* node = dynamic_cast<CNTFSFileNode*>(m_node);
  if (node == nullptr || m_device == nullptr || buffer == nullptr || offset < 0 || length < 0) return false;
  std::int64_t valueLength = 0;
  if (GetResidentDataRunsStream(*node, *m_device, &valueLength, m_buffer.data(),
                                static_cast<std::uint32_t>(m_buffer.size())) == 0)
    return false;
  if (offset >= valueLength) return false;
  got = static_cast<int>(std::min<long long>(length, valueLength - offset));
  std::memcpy(buffer, m_buffer.data() + offset, static_cast<std::size_t>(got));
  return true;
}

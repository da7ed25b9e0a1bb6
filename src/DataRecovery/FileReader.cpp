#include "DataRecovery/FileReader.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <new>

#include "include/EngineRegistry.h"
#include "include/FileNode.h"
#include "include/IStorageDevice.h"
#include "include/SearchPartitionInfoStruct.h"
#include "Utility/CatchExeception.h"

namespace {

// Cluster sizes above this come only from damaged records; refusing them keeps every product below in 64 bits.
constexpr std::uint64_t kMaxBytesPerCluster = 256u << 20;
// A run list longer than this is looping or damaged.
constexpr std::size_t kMaxRunSteps = 1u << 24;
// Unaligned reads go through a bounce buffer of at most this many bytes at a time.
constexpr std::size_t kBounceBytes = 4u << 20;

}  // namespace

int CFileReader::Open(IStorageDevice* device, CFileNode* node, CSearchedPartitionInfo* record) {
  if (device == nullptr || node == nullptr || record == nullptr) {
    CatchExeception::WriteLog("%s %d\r\n", "CFileReader::Open", __LINE__);
    return 0;
  }
  const std::uint64_t bytesPerCluster =
      std::uint64_t{record->GetSectorsPerCluster()} * std::uint64_t{record->GetBytesPerSector()};
  if (bytesPerCluster == 0 || bytesPerCluster > kMaxBytesPerCluster) {
    CatchExeception::WriteLog("%s %d\r\n", "CFileReader::Open", __LINE__);
    return 0;
  }
  const long long dataSize = node->GetFileSize();
  if (dataSize <= 0) {
    CatchExeception::WriteLog("%s %d\r\n", "CFileReader::Open", __LINE__);
    return 0;
  }
  IDataRunList* runs = node->GetDataRunList();
  if (runs == nullptr) {
    CatchExeception::WriteLog("%s %d\r\n", "CFileReader::Open", __LINE__);
    return 0;
  }
  m_runs.clear();
  m_resident = runs->IsResident() != 0;
  // Runs past the file's last compression unit are never read (a compressed unit's sparse tail may lie past the
  // file's end, and tells it apart from a stored unit); a resident list only carries its record position.
  constexpr std::uint64_t kUnitClusters = 16;
  const std::uint64_t clustersInFile = (static_cast<std::uint64_t>(dataSize) + bytesPerCluster - 1) / bytesPerCluster;
  const std::uint64_t wanted = m_resident ? 1 : (clustersInFile + kUnitClusters - 1) / kUnitClusters * kUnitClusters;
  std::uint64_t clusters = 0;
  std::size_t steps = 0;
  for (DataRun* run = runs->GetFirst(); run != nullptr && clusters < wanted && steps < kMaxRunSteps;
       run = runs->GetNext(), ++steps) {
    if (m_resident) {
      m_runs.push_back(*run);
      break;
    }
    if (run->length <= 0) continue;
    m_runs.push_back(*run);
    clusters += std::min<std::uint64_t>(static_cast<std::uint64_t>(run->length), wanted);
  }
  m_device = device;
  m_node = node;
  m_bytesPerCluster = static_cast<std::uint32_t>(bytesPerCluster);
  m_sectorsPerCluster = record->GetSectorsPerCluster();
  m_dataSize = dataSize;
  m_origin = record->GetClusterOrigin();
  return 1;
}

void CFileReader::Close() {
  m_device = nullptr;
  m_node = nullptr;
}

int CFileReader::Read(long long offset, unsigned char* buffer, int length, int& got, int* error) {
  got = 0;
  if (buffer == nullptr) {
    CatchExeception::WriteLog("%s %d\r\n", "CFileReader::Read", __LINE__);
    return 0;
  }
  return ReadTo(offset, Target{buffer, nullptr, 0}, length, got, error);
}

int CFileReader::ReadInto(long long offset, quellsy::RawReadBuffer& buffer, std::size_t at, int length, int& got,
                          int* error) {
  got = 0;
  if (buffer.data() == nullptr || !buffer.Holds(length, 1, at)) {
    CatchExeception::WriteLog("%s %d\r\n", "CFileReader::ReadInto", __LINE__);
    return 0;
  }
  return ReadTo(offset, Target{nullptr, &buffer, at}, length, got, error);
}

int CFileReader::ReadTo(long long offset, const Target& target, int length, int& got, int* error) {
  got = 0;
  if (m_node == nullptr || m_device == nullptr || offset < 0 || offset >= m_dataSize) {
    CatchExeception::WriteLog("%s %d\r\n", "CFileReader::Read", __LINE__);
    return 0;
  }
  if (length <= 0) return 1;
  const long long end = offset + std::min<long long>(length, m_dataSize - offset);
  if (m_resident) return ReadResidentData(offset, target.At(0), static_cast<int>(end - offset), got);

  const auto clusterBytes = static_cast<long long>(m_bytesPerCluster);
  long long runStart = 0;  // file byte where the current run begins
  for (const DataRun& run : m_runs) {
    const long long runBytes =
        run.length > (LLONG_MAX - runStart) / clusterBytes ? LLONG_MAX - runStart : run.length * clusterBytes;
    const long long runEnd = runStart + runBytes;
    const long long from = std::max(offset + got, runStart);
    const long long to = std::min(end, runEnd);
    if (from < to) {
      const auto position = static_cast<std::size_t>(from - offset);
      const auto count = static_cast<std::size_t>(to - from);
      if (run.lcn < 0) {
        std::memset(target.At(position), 0, count);
      } else if (!ReadClusterBytesTo(run.lcn, static_cast<std::uint64_t>(from - runStart), target, position, count)) {
        // Not logged here: a copy logs each unreadable range once, not each read of it.
        if (error != nullptr) *error = -1;
        return 0;
      }
      got += static_cast<int>(count);
    }
    runStart = runEnd;
    if (runStart >= end) break;
  }
  return 1;
}

bool CFileReader::PlaceOf(long long offset, std::uint64_t length, DevicePlace& place) const {
  if (m_node == nullptr || m_device == nullptr || m_resident || offset < 0 || offset >= m_dataSize || length == 0)
    return false;
  const long long end = offset + static_cast<long long>(std::min<std::uint64_t>(length, m_dataSize - offset));
  const auto clusterBytes = static_cast<long long>(m_bytesPerCluster);
  const std::uint64_t sectorSize = m_device->GetSectorSize() != 0 ? m_device->GetSectorSize() : 512;
  long long runStart = 0;
  for (const DataRun& run : m_runs) {
    const long long runBytes =
        run.length > (LLONG_MAX - runStart) / clusterBytes ? LLONG_MAX - runStart : run.length * clusterBytes;
    const long long runEnd = runStart + runBytes;
    if (offset < runEnd) {
      if (run.lcn < 0 || m_origin < 0) return false;
      const auto inRun = static_cast<std::uint64_t>(offset - runStart);
      std::uint64_t sector = 0;
      if (__builtin_mul_overflow(static_cast<std::uint64_t>(run.lcn), std::uint64_t{m_sectorsPerCluster}, &sector) ||
          __builtin_add_overflow(sector, static_cast<std::uint64_t>(m_origin) + inRun / sectorSize, &sector))
        return false;
      place = {sector, inRun % sectorSize, static_cast<std::uint64_t>(std::min(end, runEnd) - offset)};
      return true;
    }
    runStart = runEnd;
  }
  return false;
}

std::uint64_t CFileReader::CopyToFile(long long offset, std::uint64_t length, int outFd, long long outOffset,
                                      bool& unsupported) {
  const std::uint64_t sectorSize = m_device != nullptr && m_device->GetSectorSize() != 0 ? m_device->GetSectorSize()
                                                                                         : 512;
  std::uint64_t done = 0;
  DevicePlace place;
  while (done < length && PlaceOf(offset + static_cast<long long>(done), length - done, place)) {
    const std::uint64_t sectors = (place.skip + place.bytes + sectorSize - 1) / sectorSize;
    int fd = -1;
    long long base = 0;
    if (sectors > static_cast<std::uint64_t>(LLONG_MAX) || place.sector > static_cast<std::uint64_t>(LLONG_MAX) ||
        !m_device->FileExtent(static_cast<long long>(place.sector), static_cast<long long>(sectors), fd, base))
      break;
    loff_t from = base + static_cast<loff_t>(place.skip);
    loff_t to = outOffset + static_cast<loff_t>(done);
    for (std::uint64_t left = place.bytes; left > 0;) {
      const ssize_t moved = copy_file_range(fd, &from, outFd, &to, static_cast<std::size_t>(left), 0);
      if (moved < 0 && errno == EINTR) continue;
      if (moved <= 0) {
        unsupported = moved < 0 && (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP ||
                                    errno == EBADF);
        return done;
      }
      left -= static_cast<std::uint64_t>(moved);
      done += static_cast<std::uint64_t>(moved);
    }
  }
  return done;
}

bool CFileReader::ReadSectors(std::uint64_t firstSector, std::uint64_t sectorCount, const Target& target,
                              std::size_t position) {
  if (firstSector > static_cast<std::uint64_t>(LLONG_MAX) || sectorCount > static_cast<std::uint64_t>(LLONG_MAX))
    return false;
  const auto first = static_cast<long long>(firstSector);
  const auto count = static_cast<long long>(sectorCount);
  return target.lent != nullptr ? m_device->ReadSectorInto(*target.lent, first, count, target.at + position)
                                : m_device->ReadSector(target.memory + position, first, count);
}

bool CFileReader::ReadClusterBytes(long long lcn, std::uint64_t byteOffset, unsigned char* out, std::size_t count) {
  return ReadClusterBytesTo(lcn, byteOffset, Target{out, nullptr, 0}, 0, count);
}

bool CFileReader::ReadClusterBytesTo(long long lcn, std::uint64_t byteOffset, const Target& target,
                                     std::size_t position, std::size_t count) {
  const std::uint64_t sectorSize = m_device->GetSectorSize() != 0 ? m_device->GetSectorSize() : 512;
  std::uint64_t sector = 0;
  if (lcn < 0 || m_origin < 0 ||
      __builtin_mul_overflow(static_cast<std::uint64_t>(lcn), std::uint64_t{m_sectorsPerCluster}, &sector) ||
      __builtin_add_overflow(sector, static_cast<std::uint64_t>(m_origin) + byteOffset / sectorSize, &sector)) {
    std::memset(target.At(position), 0, count);
    return false;
  }
  std::size_t skip = static_cast<std::size_t>(byteOffset % sectorSize);
  bool ok = true;
  if (skip == 0 && count >= sectorSize) {
    // Whole sectors go straight into the caller's buffer, the run's contiguous sectors in one device read.
    const std::uint64_t whole = count / sectorSize;
    ok = ReadSectors(sector, whole, target, position);
    sector += whole;
    position += static_cast<std::size_t>(whole * sectorSize);
    count -= static_cast<std::size_t>(whole * sectorSize);
  }
  std::vector<unsigned char> bounce;
  while (count > 0) {
    const std::size_t take = std::min(count, kBounceBytes - skip);
    const std::uint64_t sectors = (skip + take + sectorSize - 1) / sectorSize;
    bounce.assign(static_cast<std::size_t>(sectors * sectorSize), 0);
    ok = ReadSectors(sector, sectors, Target{bounce.data(), nullptr, 0}, 0) && ok;
    std::memcpy(target.At(position), bounce.data() + skip, take);
    sector += sectors;
    position += take;
    count -= take;
    skip = 0;
  }
  return ok;
}

int CFileReader::ReadResidentData(long long offset, unsigned char* buffer, int length, int& got) {
  got = 0;
  if (m_node == nullptr || m_device == nullptr || buffer == nullptr || offset < 0 || length < 0) return 0;
  const auto capacity = static_cast<unsigned int>(std::min<std::uint64_t>(8ull * m_bytesPerCluster, kMaxResidentBytes));
  std::vector<unsigned char> value(capacity);
  long long valueLength = 0;
  const quellsy::EngineRegistry& registry = quellsy::EngineRegistry::Instance();
  int found = 0;
  if (m_node->GetSearcheType() == SEARCHER_NTFS) {
    found = registry.GetResidentDataRunsStream(*m_node, *m_device, &valueLength, value.data(), capacity);
  } else {
    if (m_runs.empty()) return 0;
    found = registry.GetResidentDataRunsStream(static_cast<unsigned long long>(m_runs.front().lcn), *m_device,
                                               &valueLength, value.data(), capacity);
  }
  if (found == 0) return 0;
  // The engine reports the value's full length but copies at most the capacity.
  const long long available = std::min<long long>(valueLength, capacity);
  if (available <= offset) return 0;
  got = static_cast<int>(std::min<long long>(available - offset, length));
  std::memcpy(buffer, value.data() + offset, static_cast<std::size_t>(got));
  return 1;
}

unsigned int CFileReader::ReadData(long long offset, char* buffer, unsigned int length, int* error) {
  int got = 0;
  const int asked = static_cast<int>(std::min<unsigned int>(length, INT_MAX));
  return Read(offset, reinterpret_cast<unsigned char*>(buffer), asked, got, error) != 0
             ? static_cast<unsigned int>(got)
             : 0;
}

unsigned int CFileReader::ReadDataInto(long long offset, quellsy::RawReadBuffer& buffer, std::size_t at,
                                       unsigned int length, int* error) {
  int got = 0;
  const int asked = static_cast<int>(std::min<unsigned int>(length, INT_MAX));
  return ReadInto(offset, buffer, at, asked, got, error) != 0 ? static_cast<unsigned int>(got) : 0;
}

IFileReader* CFileReader::Clone() { return new (std::nothrow) CFileReader(*this); }

int CFileReader::IsCompressFile() { return m_node != nullptr ? m_node->IsCompressed() : 0; }

#pragma once
// Reads a found file through its data runs, turning clusters into device sectors with the geometry of the node's
// partition record; resident NTFS data comes from the NTFS engine through the engine registry.

#include <cstdint>
#include <vector>

#include "include/IDataRunList.h"
#include "include/IFileReader.h"

class CFileNode;
class CSearchedPartitionInfo;
class IStorageDevice;

class CFileReader : public IFileReader {
 public:
  // Resident values live inside one file record; nothing larger is asked for.
  static constexpr std::uint64_t kMaxResidentBytes = 64u << 10;

  CFileReader() = default;
  CFileReader(const CFileReader&) = default;
  CFileReader& operator=(const CFileReader&) = delete;
  ~CFileReader() override = default;

  // 1 when the reader is ready: non-null arguments, a non-zero cluster size and file size, and a run list.
  int Open(IStorageDevice* device, CFileNode* node, CSearchedPartitionInfo* record);
  // Forgets device and node; the reader owns neither.
  void Close();

  // Copies exactly the asked bytes (clipped at the file's end) into buffer; got receives their number. Sparse runs
  // read as zeros. 1 on success (got may fall short when the runs end early); 0 on a failed device read (and
  // *error = -1 when error is given) or a read at or past the end.
  int Read(long long offset, unsigned char* buffer, int length, int& got, int* error);
  // The resident value of the node's data, from the NTFS engine.
  int ReadResidentData(long long offset, unsigned char* buffer, int length, int& got);

  // As Read, into lent storage from `at` bytes into it: whole sectors go straight in, with no copy.
  int ReadInto(long long offset, quellsy::RawReadBuffer& buffer, std::size_t at, int length, int& got, int* error);

  unsigned int ReadData(long long offset, char* buffer, unsigned int length, int* error) override;
  unsigned int ReadDataInto(long long offset, quellsy::RawReadBuffer& buffer, std::size_t at, unsigned int length,
                            int* error) override;
  IFileReader* Clone() override;
  long long GetDataSize() const override { return m_node != nullptr ? m_dataSize : 0; }
  int IsCompressFile() override;
  void Release() override { delete this; }

  std::uint32_t GetBytesPerCluster() const { return m_bytesPerCluster; }

  // Copies file bytes [offset, offset + length) to outFd at outOffset inside the kernel (copy_file_range), run by
  // run, while they lie in a regular file the device reads in place: no pass through user memory. Returns how many
  // bytes from offset on were copied; the caller reads and writes the rest (where a read failure or a full disk is
  // then met and reported as usual). unsupported is set when the system cannot copy between the files at all.
  std::uint64_t CopyToFile(long long offset, std::uint64_t length, int outFd, long long outOffset, bool& unsupported);

 protected:
  // The node's runs as they were at Open, clipped to the file's size (the reader keeps its own copy, so clones on
  // other threads never share the node's run cursor).
  const std::vector<DataRun>& Runs() const { return m_runs; }
  bool IsResident() const { return m_resident; }
  IStorageDevice* Device() const { return m_device; }
  std::uint32_t SectorsPerCluster() const { return m_sectorsPerCluster; }
  long long Origin() const { return m_origin; }
  // Reads count bytes at byteOffset of the cluster run starting at lcn into out, through a sector-aligned bounce
  // buffer when the range does not fill whole sectors; false when the device failed (out then holds what it gave).
  bool ReadClusterBytes(long long lcn, std::uint64_t byteOffset, unsigned char* out, std::size_t count);

 private:
  // Where a read puts its bytes: memory the caller keeps, or lent storage from a byte into it. Positions are
  // counted from there; a lent buffer's memory is looked up at every use, as a timed-out read may replace it.
  struct Target {
    unsigned char* memory = nullptr;
    quellsy::RawReadBuffer* lent = nullptr;
    std::size_t at = 0;

    unsigned char* At(std::size_t position) const {
      return lent != nullptr ? lent->data() + at + position : memory + position;
    }
  };

  int ReadTo(long long offset, const Target& target, int length, int& got, int* error);
  // The device sector holding file byte offset, the byte within it and how many bytes (at most length) run on
  // contiguously from there; false past the runs, inside a sparse run or for a resident value.
  struct DevicePlace {
    std::uint64_t sector = 0;
    std::uint64_t skip = 0;
    std::uint64_t bytes = 0;
  };
  bool PlaceOf(long long offset, std::uint64_t length, DevicePlace& place) const;
  bool ReadClusterBytesTo(long long lcn, std::uint64_t byteOffset, const Target& target, std::size_t position,
                          std::size_t count);
  bool ReadSectors(std::uint64_t firstSector, std::uint64_t sectorCount, const Target& target, std::size_t position);

  IStorageDevice* m_device = nullptr;
  CFileNode* m_node = nullptr;
  std::uint32_t m_bytesPerCluster = 0;
  std::uint32_t m_sectorsPerCluster = 0;
  long long m_dataSize = 0;
  long long m_origin = 0;
  std::vector<DataRun> m_runs;
  bool m_resident = false;
};

#pragma once
// Reads NTFS-compressed files. The runs are regrouped into compression units of 16 clusters: a unit of 16 allocated
// clusters is stored, allocated clusters followed by sparse ones hold LZNT1 chunks, and 16 sparse clusters are
// zeros. Decoding needs clusters of at most 4 KiB (NTFS compresses no others); other files, and resident data,
// are read as they stand.

#include <cstdint>
#include <functional>
#include <list>
#include <span>

#include "DataRecovery/FileReader.h"

class IProgress;
class RecoveryOutputFile;

enum CompressUnitType : std::uint32_t {
  NONECOMPRESSED_UNIT = 0,  // stored clusters
  COMPRESSED_UNIT = 1,      // part of a compressed unit (its allocated clusters or its sparse tail)
  SPARSE_UNIT = 2,          // a whole unit of zeros
};

// One piece of a regrouped run list: at most 16 clusters, never across a unit boundary.
struct tagCompressDataRun {
  long long s64LCN = -1;  // -1 = sparse
  std::uint32_t count = 0;
  CompressUnitType eType = NONECOMPRESSED_UNIT;

  bool operator==(const tagCompressDataRun&) const = default;
};

class CCompressFileReader : public CFileReader {
 public:
  static constexpr std::uint32_t kUnitClusters = 16;
  static constexpr std::uint32_t kMaxDecodedClusterBytes = 4096;

  CCompressFileReader() = default;
  CCompressFileReader(const CCompressFileReader&) = default;
  CCompressFileReader& operator=(const CCompressFileReader&) = delete;
  ~CCompressFileReader() override = default;

  // File mode: decodes the whole file into path, then flushes and closes it. fallback becomes true (and nothing
  // is written) when the data cannot be decoded here (resident data, clusters above 4 KiB): the caller copies it
  // through ReadData. False when the output cannot be created or written. A stop asked through progress ends the
  // copy early and still returns true.
  bool Recovery(const char* path, IProgress* progress, bool& fallback);
  // The same into an open output, which stays open.
  bool Recovery(RecoveryOutputFile& output, IProgress* progress, bool& fallback);
  // Memory mode: the file's first capacity bytes (fewer for a smaller file) into buffer; false for a null buffer,
  // a capacity below 1 or an unopened reader. GetWrittenCount() tells how many bytes arrived.
  bool Recovery(char* buffer, int capacity, IProgress* progress);
  // Decoded bytes of the file from offset; the number delivered, 0 at or past the end or on a device failure.
  unsigned int ReadData(long long offset, char* buffer, unsigned int length);
  // Decoded bytes as well, so every caller of the interface sees the file's real contents.
  unsigned int ReadData(long long offset, char* buffer, unsigned int length, int* error) override;
  unsigned int ReadDataInto(long long offset, quellsy::RawReadBuffer& buffer, std::size_t at, unsigned int length,
                            int* error) override;
  IFileReader* Clone() override;
  void Release() override { delete this; }

  // True when the last decode met a failed device read (the unit then holds what the device delivered).
  bool HadReadFailure() const { return m_readFailed; }
  // True when the last decode ended early because progress asked to stop.
  bool WasStopped() const { return m_stopped; }
  int GetWrittenCount() const { return m_written; }
  // True when the runs hold compressed units this reader can decode.
  bool CanDecode() const;

  // The units of runs in order, each as its pieces; unit returning false stops the walk. Runs of length 0 or less
  // are skipped; a negative cluster number is sparse.
  using UnitVisitor = std::function<bool(std::span<const tagCompressDataRun> pieces)>;
  static void WalkCompressUnits(std::span<const DataRun> runs, const UnitVisitor& unit);
  static void ReGroupCompressDataRunList(std::span<const DataRun> runs, std::list<tagCompressDataRun>& out);

 private:
  // Receives the decoded stream piece by piece (position in the file, bytes); false stops the decode.
  using Sink = std::function<bool(std::uint64_t position, std::span<const std::uint8_t> bytes)>;

  // Decodes [0, limit) of the file into sink, skipping (without reading) the units that end at or before from.
  // False when the sink stopped it or progress asked to stop.
  bool RecoverCompressFile(std::uint64_t from, std::uint64_t limit, IProgress* progress, const Sink& sink);
  // The bytes of count clusters from lcn (zeros for a sparse piece) into out.
  void ReadClusters(long long lcn, std::uint32_t count, std::span<std::uint8_t> out);

  bool m_readFailed = false;
  bool m_stopped = false;
  int m_written = 0;
};

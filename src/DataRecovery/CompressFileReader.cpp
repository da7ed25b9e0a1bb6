#include "DataRecovery/CompressFileReader.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>
#include <vector>

#include "DataRecovery/Lznt1.h"
#include "DataRecovery/RecoveryOutputFile.h"
#include "include/IProgress.h"
#include "Utility/ByteReader.h"

namespace {

constexpr std::size_t kUnitAreaBytes = CCompressFileReader::kUnitClusters * CCompressFileReader::kMaxDecodedClusterBytes;

}  // namespace

void CCompressFileReader::WalkCompressUnits(std::span<const DataRun> runs, const UnitVisitor& unit) {
  std::vector<tagCompressDataRun> pieces;
  pieces.reserve(kUnitClusters + 1);
  std::uint32_t need = kUnitClusters;
  for (const DataRun& run : runs) {
    if (run.length <= 0) continue;
    const bool sparse = run.lcn < 0;
    long long consumed = 0;
    while (run.length - consumed >= need) {
      // The piece that completes a unit decides its kind: allocated -> stored; sparse -> compressed, or zeros when
      // the whole unit is sparse.
      const CompressUnitType type = !sparse ? NONECOMPRESSED_UNIT : need == kUnitClusters ? SPARSE_UNIT : COMPRESSED_UNIT;
      for (tagCompressDataRun& piece : pieces) piece.eType = type;
      pieces.push_back({sparse ? -1 : run.lcn + consumed, need, type});
      if (!unit(pieces)) return;
      pieces.clear();
      consumed += need;
      need = kUnitClusters;
    }
    if (run.length > consumed) {
      const auto rest = static_cast<std::uint32_t>(run.length - consumed);
      pieces.push_back({sparse ? -1 : run.lcn + consumed, rest, NONECOMPRESSED_UNIT});
      need -= rest;
    }
  }
  if (pieces.empty()) return;
  for (tagCompressDataRun& piece : pieces) piece.eType = piece.s64LCN < 0 ? COMPRESSED_UNIT : NONECOMPRESSED_UNIT;
  unit(pieces);
}

void CCompressFileReader::ReGroupCompressDataRunList(std::span<const DataRun> runs,
                                                     std::list<tagCompressDataRun>& out) {
  WalkCompressUnits(runs, [&out](std::span<const tagCompressDataRun> pieces) {
    out.insert(out.end(), pieces.begin(), pieces.end());
    return true;
  });
}

bool CCompressFileReader::CanDecode() const {
  return Device() != nullptr && !IsResident() && GetBytesPerCluster() > 0 &&
         GetBytesPerCluster() <= kMaxDecodedClusterBytes;
}

void CCompressFileReader::ReadClusters(long long lcn, std::uint32_t count, std::span<std::uint8_t> out) {
  const std::size_t bytes = std::min<std::size_t>(out.size(), std::size_t{count} * GetBytesPerCluster());
  if (lcn < 0) {
    std::fill_n(out.begin(), bytes, 0);
  } else if (!ReadClusterBytes(lcn, 0, out.data(), bytes)) {
    m_readFailed = true;
  }
}

bool CCompressFileReader::RecoverCompressFile(std::uint64_t from, std::uint64_t limit, IProgress* progress,
                                              const Sink& sink) {
  m_readFailed = false;
  m_stopped = false;
  limit = std::min(limit, static_cast<std::uint64_t>(GetDataSize()));
  const std::uint64_t clusterBytes = GetBytesPerCluster();
  std::vector<std::uint8_t> gathered(kUnitAreaBytes);
  std::vector<std::uint8_t> decoded(kUnitAreaBytes);
  _PROGRESS_INFO info{};
  info.total = limit;
  std::uint64_t position = 0;
  bool completed = true;

  // Hands bytes [position, position + count) to the sink, clipped at limit; units before from are skipped unread.
  auto emit = [&](std::span<const std::uint8_t> bytes) {
    const std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(bytes.size(), limit - position));
    const bool kept = sink(position, bytes.first(count));
    position += count;
    return kept;
  };
  auto skipped = [&](std::uint64_t bytes) {
    if (position + std::min(bytes, limit - position) > from) return false;
    position += std::min(bytes, limit - position);
    return true;
  };

  WalkCompressUnits(Runs(), [&](std::span<const tagCompressDataRun> pieces) {
    if (position >= limit) return false;
    if (progress != nullptr && progress->Continued() == 0) {
      completed = false;
      m_stopped = true;
      return false;
    }
    const bool compressed = std::all_of(pieces.begin(), pieces.end(),
                                        [](const tagCompressDataRun& piece) { return piece.eType == COMPRESSED_UNIT; });
    if (compressed) {
      std::uint64_t unitBytes = 0;
      for (const tagCompressDataRun& piece : pieces) unitBytes += piece.count * clusterBytes;
      if (!skipped(unitBytes)) {
        std::size_t have = 0;
        for (const tagCompressDataRun& piece : pieces) {
          if (piece.s64LCN < 0) continue;
          ReadClusters(piece.s64LCN, piece.count, std::span(gathered).subspan(have));
          have += piece.count * clusterBytes;
        }
        // A unit decodes to its full size; whatever its chunks leave out is zeros.
        const std::span<std::uint8_t> unit = std::span(decoded).first(static_cast<std::size_t>(unitBytes));
        std::fill(unit.begin(), unit.end(), 0);
        const std::span<const std::uint8_t> data = std::span(gathered).first(have);
        if (quellsy::le16(data, 0).value_or(1) == 0)
          std::copy_n(data.begin(), std::min(data.size(), unit.size()), unit.begin());
        else
          quellsy::lznt1::DecompressUnit(data, unit);
        if (!emit(unit)) {
          completed = false;
          return false;
        }
      }
    } else {
      for (const tagCompressDataRun& piece : pieces) {
        if (position >= limit) break;
        const std::span<std::uint8_t> bytes = std::span(decoded).first(piece.count * clusterBytes);
        if (skipped(bytes.size())) continue;
        if (piece.eType == NONECOMPRESSED_UNIT)
          ReadClusters(piece.s64LCN, piece.count, bytes);
        else
          std::fill(bytes.begin(), bytes.end(), 0);
        if (!emit(bytes)) {
          completed = false;
          return false;
        }
      }
    }
    info.current = position;
    if (progress != nullptr) progress->UpdateProgress(&info);
    return true;
  });
  return completed;
}

bool CCompressFileReader::Recovery(const char* path, IProgress* progress, bool& fallback) {
  fallback = false;
  RecoveryOutputFile output;
  if (!output.Create(path)) return false;
  const bool written = Recovery(output, progress, fallback);
  return output.Close() && written;
}

bool CCompressFileReader::Recovery(RecoveryOutputFile& output, IProgress* progress, bool& fallback) {
  fallback = false;
  if (!output.IsOpen() || Device() == nullptr) return false;
  if (!CanDecode()) {
    fallback = true;
    return true;
  }
  bool written = true;
  RecoverCompressFile(0, static_cast<std::uint64_t>(GetDataSize()), progress,
                      [&](std::uint64_t position, std::span<const std::uint8_t> bytes) {
                        written = output.WriteAt(position, bytes.data(), bytes.size());
                        return written;
                      });
  return written;
}

bool CCompressFileReader::Recovery(char* buffer, int capacity, IProgress* progress) {
  m_written = 0;
  if (buffer == nullptr || capacity < 1 || Device() == nullptr) return false;
  if (!CanDecode()) {
    int got = 0;
    const bool ok = Read(0, reinterpret_cast<unsigned char*>(buffer), capacity, got, nullptr) != 0;
    m_written = got;
    return ok;
  }
  const auto end = static_cast<std::uint64_t>(capacity);
  RecoverCompressFile(0, end, progress, [&](std::uint64_t position, std::span<const std::uint8_t> bytes) {
    std::copy(bytes.begin(), bytes.end(), buffer + position);
    m_written = static_cast<int>(position + bytes.size());
    return true;
  });
  return true;
}

unsigned int CCompressFileReader::ReadData(long long offset, char* buffer, unsigned int length) {
  m_readFailed = false;
  const long long size = GetDataSize();
  if (buffer == nullptr || offset < 0 || offset >= size) return 0;
  const auto count = static_cast<std::uint64_t>(std::min<long long>(std::min<unsigned int>(length, INT_MAX), size - offset));
  if (!CanDecode()) {
    int got = 0;
    return Read(offset, reinterpret_cast<unsigned char*>(buffer), static_cast<int>(count), got, nullptr) != 0
               ? static_cast<unsigned int>(got)
               : 0;
  }
  const auto from = static_cast<std::uint64_t>(offset);
  std::uint64_t delivered = 0;
  RecoverCompressFile(from, from + count, nullptr, [&](std::uint64_t position, std::span<const std::uint8_t> bytes) {
    const std::uint64_t start = std::max(position, from);
    const std::uint64_t stop = position + bytes.size();
    if (start < stop) {
      std::copy(bytes.begin() + static_cast<std::ptrdiff_t>(start - position), bytes.end(), buffer + (start - from));
      delivered = stop - from;
    }
    return true;
  });
  return m_readFailed ? 0 : static_cast<unsigned int>(delivered);
}

unsigned int CCompressFileReader::ReadData(long long offset, char* buffer, unsigned int length, int* error) {
  if (IsCompressFile() == 0 || !CanDecode()) return CFileReader::ReadData(offset, buffer, length, error);
  const unsigned int delivered = ReadData(offset, buffer, length);
  if (m_readFailed && error != nullptr) *error = -1;
  return delivered;
}

unsigned int CCompressFileReader::ReadDataInto(long long offset, quellsy::RawReadBuffer& buffer, std::size_t at,
                                               unsigned int length, int* error) {
  if (IsCompressFile() == 0 || !CanDecode()) return CFileReader::ReadDataInto(offset, buffer, at, length, error);
  return IFileReader::ReadDataInto(offset, buffer, at, length, error);
}

IFileReader* CCompressFileReader::Clone() { return new (std::nothrow) CCompressFileReader(*this); }

#include "include/SalvagingRead.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "Utility/BadSectorReports.h"
#include "Utility/ResultCode.h"
#include "include/IStorageDevice.h"

namespace quellsy {

namespace {

// A failure that says nothing about the sectors: the device took the request as wrong, or never tried it.
bool RefusedRequest(IStorageDevice& device) {
  const std::uint32_t error = ErrorOf(device.GetLastError());
  return LastRawReadRefused() || error == error::kBadArgument || error == error::kNoPrivateData ||
         device.StoppedAnswering();
}

void AddUnreadable(std::vector<BadSectorRange>& ranges, long long sector) {
  const auto at = static_cast<std::uint64_t>(sector);
  if (!ranges.empty() && ranges.back().first + ranges.back().count == at)
    ++ranges.back().count;
  else
    ranges.push_back({at, 1});
}

// The span failed as a whole: its pieces are read again, halving each piece that fails.
void ReadAgainInPieces(IStorageDevice& device, unsigned char* bytes, long long first, long long count,
                       SalvagedRead& outcome) {
  const std::size_t sectorSize = device.GetSectorSize() == 0 ? 512 : device.GetSectorSize();
  // Pieces still to read, the next on top: ascending order, so failed sectors come out sorted.
  std::vector<std::pair<long long, long long>> pending;
  const auto split = [&](long long from, long long sectors) {
    if (sectors > 1) {
      const long long half = sectors / 2;
      pending.emplace_back(from + half, sectors - half);
      pending.emplace_back(from, half);
    } else {
      AddUnreadable(outcome.unreadable, from);
      std::memset(bytes + static_cast<std::size_t>(from - first) * sectorSize, 0, sectorSize);
    }
  };
  split(first, count);
  while (!pending.empty()) {
    const auto [from, sectors] = pending.back();
    pending.pop_back();
    unsigned char* at = bytes + static_cast<std::size_t>(from - first) * sectorSize;
    if (device.ReadSector(at, from, sectors)) continue;
    if (LastRawReadRefused() || device.StoppedAnswering()) {
      // The device stopped taking reads (or is gone): what is left stays zeros, and none of it is a bad sector.
      outcome.refused = true;
      std::memset(at, 0, static_cast<std::size_t>(sectors) * sectorSize);
      for (; !pending.empty(); pending.pop_back())
        std::memset(bytes + static_cast<std::size_t>(pending.back().first - first) * sectorSize, 0,
                    static_cast<std::size_t>(pending.back().second) * sectorSize);
      return;
    }
    split(from, sectors);
  }
}

void Report(const SalvagedRead& outcome) {
  for (const BadSectorRange& range : outcome.unreadable) {
    const auto payload = EncodeBadSectorRange(range);
    CMessageCenter::Instance().PushEvent(EVENT_BAD_SECTOR, static_cast<int>(payload.size()), payload.data());
  }
}

template <class ReadWhole, class Bytes>
SalvagedRead Salvage(IStorageDevice& device, long long first, long long count, UnreadableRanges ranges,
                     ReadWhole readWhole, Bytes bytes) {
  SalvagedRead outcome;
  const ScopedBadSectorReportsByCaller reportedHere;
  if (readWhole()) return outcome;
  if (bytes() == nullptr || count <= 0 || first < 0 || RefusedRequest(device)) {
    outcome.refused = true;
    return outcome;
  }
  ReadAgainInPieces(device, bytes(), first, count, outcome);
  if (ranges == UnreadableRanges::kReport) Report(outcome);
  return outcome;
}

}  // namespace

bool SalvagedRead::Lost(long long first, long long count) const {
  if (refused) return true;
  for (const BadSectorRange& range : unreadable) {
    const auto begin = static_cast<long long>(range.first);
    if (begin < first + count && begin + static_cast<long long>(range.count) > first) return true;
  }
  return false;
}

bool SalvagedRead::AnyRead(long long first, long long count) const {
  if (refused || count <= 0) return false;
  long long lost = 0;
  for (const BadSectorRange& range : unreadable) {
    const long long from = std::max(first, static_cast<long long>(range.first));
    const long long to = std::min(first + count, static_cast<long long>(range.first + range.count));
    if (from < to) lost += to - from;
  }
  return lost < count;
}

SalvagedRead ReadSectorsSalvaging(IStorageDevice& device, void* buffer, long long first, long long count,
                                  UnreadableRanges ranges) {
  return Salvage(
      device, first, count, ranges, [&] { return device.ReadSector(buffer, first, count); },
      [&] { return static_cast<unsigned char*>(buffer); });
}

SalvagedRead ReadSectorsSalvagingInto(IStorageDevice& device, RawReadBuffer& buffer, long long first, long long count,
                                      std::size_t at) {
  // A timed-out read gives the buffer new storage: the pieces are read into wherever it lies after the first read.
  return Salvage(
      device, first, count, UnreadableRanges::kReport, [&] { return device.ReadSectorInto(buffer, first, count, at); },
      [&] { return buffer.Holds(count, device.GetSectorSize(), at) ? buffer.data() + at : nullptr; });
}

}  // namespace quellsy

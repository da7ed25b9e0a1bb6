#include "FATLib/CFATFolderReadAhead.h"

#include <algorithm>
#include <cstring>
#include <numeric>
#include <new>

#include "include/IStorageDevice.h"
#include "include/SalvagingRead.h"

CFATFolderReadAhead::CFATFolderReadAhead(IStorageDevice* device, std::uint32_t bytesPerSector)
    : m_device(device), m_bytesPerSector(bytesPerSector) {}

void CFATFolderReadAhead::Fill(const std::vector<Run>& runs) {
  m_entries.clear();
  if (m_device == nullptr || m_bytesPerSector == 0) return;
  const std::uint64_t maxSectors = kMaxBytes / m_bytesPerSector;
  const std::uint64_t gapSectors = kMaxGapBytes / m_bytesPerSector;
  for (const Run& run : runs) {
    if (m_entries.size() >= kMaxRuns || run.sectors == 0 || run.sectors > maxSectors) break;
    m_entries.push_back(Entry{run});
  }
  if (m_entries.empty()) return;
  if (m_buffer.capacity() < kMaxBytes) {
    try {
      m_buffer = quellsy::RawReadBuffer(kMaxBytes);
    } catch (const std::bad_alloc&) {
      m_entries.clear();
      return;
    }
  }
  // Runs close together on the device are read as one span, the gap between them with them; a run that would
  // overflow the buffer is not read ahead.
  std::vector<std::size_t> order(m_entries.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::stable_sort(order.begin(), order.end(),
                   [this](std::size_t a, std::size_t b) { return m_entries[a].run.sector < m_entries[b].run.sector; });
  std::vector<Span> spans;
  std::uint64_t used = 0;  // sectors of the buffer the spans so far take
  for (const std::size_t index : order) {
    Entry& entry = m_entries[index];
    const std::uint64_t end = entry.run.sector + entry.run.sectors;
    Span* open = spans.empty() ? nullptr : &spans.back();
    if (open != nullptr && entry.run.sector <= open->end + gapSectors &&
        used - (open->end - open->first) + (std::max(open->end, end) - open->first) <= maxSectors) {
      used += std::max(open->end, end) - open->end;
      open->end = std::max(open->end, end);
    } else if (used + entry.run.sectors <= maxSectors) {
      spans.push_back(Span{entry.run.sector, end, used, {}});
      used += entry.run.sectors;
      open = &spans.back();
    } else {
      continue;  // left out: the walk reads it itself
    }
    entry.held = true;
    entry.at = static_cast<std::size_t>((open->at + entry.run.sector - open->first) * m_bytesPerSector);
    open->members.push_back(index);
  }
  for (const Span& span : spans) {
    const quellsy::SalvagedRead read = quellsy::ReadSectorsSalvagingInto(
        *m_device, m_buffer, static_cast<long long>(span.first), static_cast<long long>(span.end - span.first),
        static_cast<std::size_t>(span.at * m_bytesPerSector));
    for (const std::size_t index : span.members) {
      Entry& entry = m_entries[index];
      const auto first = static_cast<long long>(entry.run.sector);
      const auto count = static_cast<long long>(entry.run.sectors);
      // A span the device refused as a whole says nothing of each run in it: each is read again alone, as the
      // walk would.
      const quellsy::SalvagedRead own =
          read.refused ? quellsy::ReadSectorsSalvagingInto(*m_device, m_buffer, first, count, entry.at)
                       : quellsy::SalvagedRead{};
      const quellsy::SalvagedRead& outcome = read.refused ? own : read;
      entry.read = outcome.AnyRead(first, count);
      entry.firstLost = outcome.Lost(first, 1);
    }
  }
}

std::size_t CFATFolderReadAhead::IndexOf(Run run) const {
  for (std::size_t i = 0; i < m_entries.size(); ++i) {
    const Entry& entry = m_entries[i];
    if (entry.held && !entry.taken && entry.run.sector == run.sector && entry.run.sectors == run.sectors) return i;
  }
  return m_entries.size();
}

bool CFATFolderReadAhead::Holds(Run run) const { return IndexOf(run) < m_entries.size(); }

CFATFolderReadAhead::Held CFATFolderReadAhead::Take(Run run, std::uint8_t* out) {
  const std::size_t index = IndexOf(run);
  if (index >= m_entries.size()) return Held::kNo;
  Entry& entry = m_entries[index];
  entry.taken = true;
  if (!entry.read) return Held::kFailed;
  std::memcpy(out, m_buffer.data() + entry.at, static_cast<std::size_t>(run.sectors) * m_bytesPerSector);
  return entry.firstLost ? Held::kReadFirstSectorLost : Held::kRead;
}

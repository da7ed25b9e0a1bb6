#include "FATLib/CFATFolderReadAhead.h"

#include <cstring>
#include <new>

#include "include/IStorageDevice.h"

CFATFolderReadAhead::CFATFolderReadAhead(IStorageDevice* device, std::uint32_t bytesPerSector)
    : m_device(device), m_bytesPerSector(bytesPerSector) {}

void CFATFolderReadAhead::Fill(const std::vector<Run>& runs) {
  m_entries.clear();
  if (m_device == nullptr || m_bytesPerSector == 0) return;
  std::size_t bytes = 0;
  for (const Run& run : runs) {
    if (m_entries.size() >= kMaxRuns || run.sectors == 0 || run.sectors > kMaxBytes / m_bytesPerSector) break;
    const std::size_t length = static_cast<std::size_t>(run.sectors) * m_bytesPerSector;
    if (bytes + length > kMaxBytes) break;
    m_entries.push_back(Entry{run, bytes});
    bytes += length;
  }
  if (m_entries.empty()) return;
  if (m_buffer.capacity() < bytes) {
    try {
      m_buffer = quellsy::RawReadBuffer(kMaxBytes);
    } catch (const std::bad_alloc&) {
      m_entries.clear();
      return;
    }
  }
  for (Entry& entry : m_entries)
    entry.read = m_device->ReadSectorInto(m_buffer, static_cast<long long>(entry.run.sector),
                                          static_cast<long long>(entry.run.sectors), entry.at);
}

std::size_t CFATFolderReadAhead::IndexOf(Run run) const {
  for (std::size_t i = 0; i < m_entries.size(); ++i) {
    const Entry& entry = m_entries[i];
    if (!entry.taken && entry.run.sector == run.sector && entry.run.sectors == run.sectors) return i;
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
  return Held::kRead;
}

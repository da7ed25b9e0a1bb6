#include "FATLib/CFATWindowCache.h"

#include <algorithm>

#include "Utility/ByteReader.h"
#include "include/IStorageDevice.h"
#include "include/SalvagingRead.h"

CFATWindowCache::CFATWindowCache(IStorageDevice* device, std::int64_t startSector, std::uint64_t sectors,
                                 std::uint32_t sectorSize, std::uint32_t windowBytes, std::size_t windows)
    : m_device(device),
      m_startSector(startSector),
      m_sectors(sectors),
      m_sectorSize(sectorSize),
      m_sectorsPerWindow(std::max<std::uint32_t>(1, windowBytes / std::max<std::uint32_t>(sectorSize, 1))),
      m_maxWindows(std::max<std::size_t>(1, windows)) {}

CFATWindowCache::Window& CFATWindowCache::Load(std::uint64_t index) {
  if (const auto hit = m_held.find(index); hit != m_held.end()) {
    m_windows.splice(m_windows.begin(), m_windows, hit->second);
    return m_windows.front();
  }
  Window window;
  if (m_windows.size() >= m_maxWindows) {
    window.storage = std::move(m_windows.back().storage);
    m_held.erase(m_windows.back().index);
    m_windows.pop_back();
  }
  const std::uint64_t first = index * m_sectorsPerWindow;
  const std::uint64_t count = std::min<std::uint64_t>(m_sectorsPerWindow, m_sectors - first);
  window.index = index;
  window.size = static_cast<std::size_t>(count * m_sectorSize);
  if (window.storage.capacity() < window.size) window.storage = quellsy::RawReadBuffer(window.size);
  // An unreadable sector leaves zeros, read from the other copy when there is one; a window of which nothing
  // could be read is never read from.
  window.readOk = false;
  window.lost.clear();
  if (m_device != nullptr) {
    const std::int64_t firstSector = m_startSector + static_cast<std::int64_t>(first);
    const quellsy::SalvagedRead read = quellsy::ReadSectorsSalvagingInto(*m_device, window.storage, firstSector,
                                                                         static_cast<long long>(count), 0);
    window.readOk = read.AnyRead(firstSector, static_cast<long long>(count));
    for (const BadSectorRange& range : read.unreadable) {
      const std::uint64_t from = range.first - static_cast<std::uint64_t>(firstSector);
      std::uint8_t* into = window.storage.data() + from * m_sectorSize;
      const auto other = m_otherCopy + static_cast<std::int64_t>(first + from);
      const auto sectors = static_cast<long long>(range.count);
      if (m_otherCopy < 0 || !quellsy::ReadSectorsSalvaging(*m_device, into, other, sectors).Whole())
        window.lost.emplace_back(from, range.count);
    }
  }
  m_windows.push_front(std::move(window));
  m_held.emplace(index, m_windows.begin());
  return m_windows.front();
}

std::optional<std::uint32_t> CFATWindowCache::Le32(std::uint64_t byteOffset) {
  if (m_sectorSize == 0) return std::nullopt;
  const std::uint64_t windowBytes = std::uint64_t{m_sectorsPerWindow} * m_sectorSize;
  const std::uint64_t index = byteOffset / windowBytes;
  if (index * m_sectorsPerWindow >= m_sectors) return std::nullopt;
  const Window& window = Load(index);
  if (!window.readOk) return std::nullopt;
  return quellsy::le32(window.Bytes(), static_cast<std::size_t>(byteOffset % windowBytes));
}

bool CFATWindowCache::Read(std::uint64_t byteOffset, std::span<std::uint8_t> out) {
  if (m_sectorSize == 0 || out.empty()) return false;
  const std::uint64_t windowBytes = std::uint64_t{m_sectorsPerWindow} * m_sectorSize;
  const std::uint64_t index = byteOffset / windowBytes;
  const std::uint64_t inside = byteOffset % windowBytes;
  if (index * m_sectorsPerWindow >= m_sectors || out.size() > windowBytes - inside) return false;
  const Window& window = Load(index);
  if (!window.readOk || out.size() > window.size - std::min<std::uint64_t>(inside, window.size)) return false;
  const std::uint64_t firstSector = inside / m_sectorSize;
  const std::uint64_t endSector = (inside + out.size() + m_sectorSize - 1) / m_sectorSize;
  for (const auto& [from, sectors] : window.lost)
    if (from < endSector && from + sectors > firstSector) return false;
  std::copy_n(window.Bytes().begin() + static_cast<std::ptrdiff_t>(inside), out.size(), out.begin());
  return true;
}

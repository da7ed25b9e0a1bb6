#include "FATLib/CFATWindowCache.h"

#include <algorithm>

#include "Utility/ByteReader.h"
#include "include/IStorageDevice.h"

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
  // The device leaves zeros where it fails, and a window that failed is never read from.
  window.readOk = m_device != nullptr &&
                  m_device->ReadSectorInto(window.storage, m_startSector + static_cast<std::int64_t>(first),
                                           static_cast<long long>(count), 0);
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
  std::copy_n(window.Bytes().begin() + static_cast<std::ptrdiff_t>(inside), out.size(), out.begin());
  return true;
}

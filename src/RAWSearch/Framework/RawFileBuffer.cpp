#include "RAWSearch/Framework/RawFileBuffer.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "RAWSearch/Framework/CNotifyCenter.h"
#include "RAWSearch/Framework/IDeviceEndSource.h"
#include "include/IStorageDevice.h"

namespace {

// The one window buffer of the process, and which load it holds.
struct SharedWindow {
  unsigned char m_cDataBuffer[RawFileBuffer::kBufferBytes];
  std::uint64_t load = 0;  // counts loads; 0 = nothing loaded
  std::size_t bytesRead = 0;
};

SharedWindow& Shared() {
  static SharedWindow window{};
  return window;
}

// Where the device's data ends. A device holding only part of its data (the ring of recent blocks)
// reports only what it holds, so ask it where the whole ends.
long long DeviceEndSector(IStorageDevice* device) {
  if (auto* partial = dynamic_cast<IDeviceEndSource*>(device)) return partial->GetDeviceEndSector();
  return device->GetTotalSectors();
}

}  // namespace

RawFileBuffer::RawFileBuffer(IStorageDevice* device, unsigned long long startSector)
    : m_pDevice(device),
      m_llStartSector(startSector > static_cast<unsigned long long>(LLONG_MAX) ? -1 : static_cast<long long>(startSector)),
      m_uSectorSize(device ? device->GetSectorSize() : 0),
      m_uWindowBytes(SupportsSectorSize(m_uSectorSize) ? m_uSectorSize * kWindowSectors : 0x10000) {}

void RawFileBuffer::ResetSharedWindow() {
  Shared().load += 1;
  Shared().bytesRead = 0;
}

unsigned char* RawFileBuffer::GetRawFileBuffer(unsigned long long offset) {
  if (!CNotifyCenter::Instance()->isContinue()) return nullptr;
  if (!m_pDevice || !SupportsSectorSize(m_uSectorSize) || m_llStartSector < 0) return nullptr;
  SharedWindow& shared = Shared();
  const unsigned long long window = offset / m_uWindowBytes;
  const std::size_t inWindow = static_cast<std::size_t>(offset % m_uWindowBytes);
  if (static_cast<long long>(window) == m_llWindow && m_ullLoad == shared.load) return shared.m_cDataBuffer + inWindow;

  if (window > static_cast<unsigned long long>(LLONG_MAX - m_llStartSector) / kWindowSectors) return nullptr;
  const long long sector = m_llStartSector + static_cast<long long>(window) * kWindowSectors;
  // Whatever happens now, the buffer no longer holds any reader's earlier window.
  m_llWindow = -1;
  shared.load += 1;
  shared.bytesRead = 0;

  long long count = kWindowSectors + 1;
  std::memset(shared.m_cDataBuffer, 0, sizeof shared.m_cDataBuffer);
  if (!m_pDevice->ReadSector(shared.m_cDataBuffer, sector, count)) {
    // Near the device's end: read what is left of it.
    const long long end = DeviceEndSector(m_pDevice);
    if (end <= sector) return nullptr;
    count = std::min<long long>(end - sector, kWindowSectors + 1);
    std::memset(shared.m_cDataBuffer, 0, sizeof shared.m_cDataBuffer);
    if (!m_pDevice->ReadSector(shared.m_cDataBuffer, sector, count)) return nullptr;
  }
  shared.bytesRead = static_cast<std::size_t>(count) * m_uSectorSize;
  m_llWindow = static_cast<long long>(window);
  m_ullLoad = shared.load;
  return shared.m_cDataBuffer + inWindow;
}

std::span<const unsigned char> RawFileBuffer::GetRawFileSpan(unsigned long long offset) {
  const unsigned char* byte = GetRawFileBuffer(offset);
  if (!byte) return {};
  const std::size_t inWindow = static_cast<std::size_t>(byte - Shared().m_cDataBuffer);
  const std::size_t read = Shared().bytesRead;
  return read > inWindow ? std::span<const unsigned char>(byte, read - inWindow) : std::span<const unsigned char>{};
}

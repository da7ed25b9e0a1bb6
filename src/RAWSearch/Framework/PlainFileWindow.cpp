#include "RAWSearch/Framework/PlainFileWindow.h"

#include "RAWSearch/Framework/CPlainRawFileAnalyser.h"
#include "include/IStorageDevice.h"

PlainFileWindow::PlainFileWindow(IStorageDevice* device, long long startSector)
    : m_pDevice(device),
      m_llStartSector(startSector),
      m_uSectorSize(device ? device->GetSectorSize() : 0),
      // A negative start becomes a huge one, which the window refuses to read.
      m_buffer(device, static_cast<unsigned long long>(startSector)) {}

quellsy::ByteSpan PlainFileWindow::At(std::uint64_t offset) { return m_buffer.GetRawFileSpan(offset); }

quellsy::ByteSpan PlainFileWindow::Bytes(std::uint64_t offset, std::size_t length) {
  const quellsy::ByteSpan held = At(offset);
  return held.size() >= length ? held.first(length) : quellsy::ByteSpan{};
}

bool PlainFileWindow::HasText(std::uint64_t offset, std::string_view text, bool ignoreCase) {
  return CPlainRawFileAnalyser::HasText(At(offset), 0, text, ignoreCase);
}

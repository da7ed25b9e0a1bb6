#include "RAWSearch/Framework/CPlainRawFileAnalyser.h"

#include "RAWSearch/Framework/CRawFileInfo.h"
#include "RAWSearch/Framework/PlainFileWindow.h"

namespace {

unsigned char AsciiLower(unsigned char c) { return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c - 'A' + 'a') : c; }

}  // namespace

int CPlainRawFileAnalyser::AnalyseBuffer(unsigned char* sector, CRawFileInfo& hit) {
  if (!sector) return 0;
  return Test(quellsy::ByteSpan(sector, kTestBytes), hit);
}

int CPlainRawFileAnalyser::GetRawFileSize(CRawFileInfo& hit, IStorageDevice* device) {
  PlainFileWindow window(device, hit.m_llStartSector);
  return Measure(hit, window);
}

int CHeaderSizedRawFileAnalyser::Measure(CRawFileInfo&, PlainFileWindow&) { return 1; }

int CPlainRawFileAnalyser::Claim(CRawFileInfo& hit, std::uint32_t type, std::uint64_t size) {
  hit.m_uRawFileType = type;
  hit.m_ullSize = size;
  return 1;
}

bool CPlainRawFileAnalyser::HasText(quellsy::ByteSpan bytes, std::size_t offset, std::string_view text,
                                    bool ignoreCase) {
  if (offset > bytes.size() || bytes.size() - offset < text.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    unsigned char have = bytes[offset + i];
    unsigned char want = static_cast<unsigned char>(text[i]);
    if (ignoreCase) {
      have = AsciiLower(have);
      want = AsciiLower(want);
    }
    if (have != want) return false;
  }
  return true;
}

std::uint64_t CPlainRawFileAnalyser::RoundUpToSectors(std::uint64_t size, unsigned sectorSize) {
  if (sectorSize == 0 || size % sectorSize == 0) return size;
  return (size / sectorSize + 1) * sectorSize;
}

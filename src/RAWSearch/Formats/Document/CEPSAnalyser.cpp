#include "RAWSearch/Formats/Document/CEPSAnalyser.h"

#include <algorithm>
#include <string_view>

#include "RAWSearch/Framework/CPlainRawFileAnalyser.h"
#include "RAWSearch/Framework/StreamingAnalyser.h"

namespace BruteForce {

namespace {
constexpr std::uint8_t kBinaryMagic[] = {0xC5, 0xD0, 0xD3, 0xC6};
// "%%EOF" closes a document (some writers put one percent sign).
constexpr std::string_view kClosings[] = {"%EOF"};
}

CEPSAnalyser::CEPSAnalyser() : CBruteForceAnalyser(kRawFileTypePerHit, nullptr) {}

IRawFileAnalyser* CEPSAnalyser::Create() { return new CEPSAnalyser(); }

int CEPSAnalyser::AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) {
  if (!sector) return 0;
  const quellsy::ByteSpan bytes(sector, 28);
  if (CPlainRawFileAnalyser::HasText(bytes, 0, "%!PS-Adobe-")) {
    // Kept per claim (not for the analyser's life): a binary file after a text one is sized from
    // its header again.
    m_bText = true;
    scratch.m_uRawFileType = RAW_FILE_TYPE_EPS;
    scratch.m_ullSize = 0;
    return 1;
  }
  if (!std::equal(std::begin(kBinaryMagic), std::end(kBinaryMagic), bytes.begin())) return 0;
  m_bText = false;
  quellsy::FieldReader fields(bytes);
  std::uint64_t size = 0;
  for (std::size_t at : {4u, 12u, 20u})
    size = std::max<std::uint64_t>(size, std::uint64_t{fields.le32(at)} + fields.le32(at + 4));
  if (size == 0) return 0;
  scratch.m_uRawFileType = RAW_FILE_TYPE_EPS;
  scratch.m_ullSize = size;
  return 1;
}

CRawFileInfo* CEPSAnalyser::CreateRawFileInfo() {
  if (!m_bText) return IRawFileAnalyser::CreateRawFileInfo();
  return new RawSpeed::CStreamingTextRawFileInfo(RAW_FILE_TYPE_EPS, nullptr, kSizeCap, kClosings);
}

}  // namespace BruteForce

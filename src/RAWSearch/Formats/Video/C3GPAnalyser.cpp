#include "RAWSearch/Formats/Video/C3GPAnalyser.h"

#include <array>
#include <string_view>

#include "RAWSearch/Framework/CPlainRawFileAnalyser.h"

namespace BruteForce {

namespace {

constexpr std::array<std::string_view, 3> kBrands = {"ftyp3g2a", "ftyp3gp", "ftypmmp4"};

}  // namespace

C3GPAnalyser::C3GPAnalyser() : MovAnalyzer(RAW_FILE_TYPE_3GP, nullptr) {}

IRawFileAnalyser* C3GPAnalyser::Create() { return new C3GPAnalyser(); }

int C3GPAnalyser::AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) {
  if (!sector) return 0;
  const quellsy::ByteSpan bytes(sector, CPlainRawFileAnalyser::kTestBytes);
  if (!CPlainRawFileAnalyser::HasText(bytes, 4, "ftyp")) return 0;
  for (std::string_view brand : kBrands) {
    if (!CPlainRawFileAnalyser::HasText(bytes, 4, brand, true)) continue;
    scratch.m_uRawFileType = RAW_FILE_TYPE_3GP;
    scratch.m_ullSize = 0;
    return 1;
  }
  return 0;
}

}  // namespace BruteForce

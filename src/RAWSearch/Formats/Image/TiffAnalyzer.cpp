#include "RAWSearch/Formats/Image/TiffAnalyzer.h"

#include <memory>

#include "RAWSearch/Formats/Image/FileTIFAnalyser.h"
#include "RAWSearch/Framework/CPlainRawFileAnalyser.h"

namespace BruteForce {

namespace {

bool HasLead(quellsy::ByteSpan sector, std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d) {
  return sector.size() >= 4 && sector[0] == a && sector[1] == b && sector[2] == c && sector[3] == d;
}

}  // namespace

TiffAnalyzer::TiffAnalyzer() : CBruteForceAnalyser(RAW_FILE_TYPE_TIF, std::make_unique<FileTIFAnalyser>()) {}

IRawFileAnalyser* TiffAnalyzer::Create() { return new TiffAnalyzer(); }

int TiffAnalyzer::AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) {
  if (!sector) return 0;
  const quellsy::ByteSpan bytes(sector, CPlainRawFileAnalyser::kTestBytes);
  const bool intel = HasLead(bytes, 'I', 'I', 0x2A, 0x00) || HasLead(bytes, 'I', 'I', 0x55, 0x00) ||
                     HasLead(bytes, 'I', 'I', 'R', 'O') || HasLead(bytes, 'I', 'I', 'R', 'S');
  const bool motorola = HasLead(bytes, 'M', 'M', 0x00, 0x2A) || HasLead(bytes, 'M', 'M', 'O', 'R');
  if (!intel && !motorola && !CPlainRawFileAnalyser::HasText(bytes, 0, "FUJIFILMCCD-RAW ")) return 0;
  scratch.m_uRawFileType = RAW_FILE_TYPE_TIF;
  return 1;
}

CRawFileInfo* TiffAnalyzer::CreateRawFileInfo() { return new TiffRawFileInfo(Fallback()); }

}  // namespace BruteForce

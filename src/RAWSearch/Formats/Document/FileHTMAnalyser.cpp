#include "RAWSearch/Formats/Document/FileHTMAnalyser.h"

#include <cstring>

#include "RAWSearch/Framework/CRawFileInfo.h"
#include "RAWSearch/Framework/PlainFileWindow.h"
#include "RAWSearch/Framework/SearchSignFileAnalyser.h"

namespace {
constexpr char kEndMark[] = "</html>";
}  // namespace

int FileHTMAnalyser::Test(quellsy::ByteSpan sector, CRawFileInfo& hit) {
  if (!HasText(sector, 0, "<HTML", true) && !HasText(sector, 0, "<!DOCTYPE HTML", true)) return 0;
  return Claim(hit, 0);
}

int FileHTMAnalyser::Measure(CRawFileInfo& hit, PlainFileWindow& window) {
  SearchSignCodeInfo sign{};
  std::memcpy(sign.sign, kEndMark, sizeof kEndMark - 1);
  sign.signLength = sizeof kEndMark - 1;
  sign.maxSize = kSizeCap;
  const int result = SearchSignFileAnalyser().SearchEndSignCode(hit, window.Device(), sign, 0);
  hit.m_ullSize = RoundUpToSectors(hit.m_ullSize, window.SectorSize());
  return result;
}

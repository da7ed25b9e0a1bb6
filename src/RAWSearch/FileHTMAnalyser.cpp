#include "RAWSearch/FileHTMAnalyser.h"

#include <cstring>

#include "RAWSearch/CRawFileInfo.h"
#include "RAWSearch/PlainFileWindow.h"
#include "RAWSearch/SearchSignFileAnalyser.h"

namespace {
constexpr char kEndMark[] = "</html>";
constexpr std::uint64_t kCap = 0x100000;
}  // namespace

int FileHTMAnalyser::Test(quellsy::ByteSpan sector, CRawFileInfo& hit) {
  if (!HasText(sector, 0, "<HTML", true) && !HasText(sector, 0, "<!DOCTYPE HTML", true)) return 0;
  return Claim(hit, 0);
}

int FileHTMAnalyser::Measure(CRawFileInfo& hit, PlainFileWindow& window) {
  SearchSignCodeInfo sign{};
  std::memcpy(sign.sign, kEndMark, sizeof kEndMark - 1);
  sign.signLength = sizeof kEndMark - 1;
  sign.maxSize = kCap;
  const int result = SearchSignFileAnalyser().SearchEndSignCode(hit, window.Device(), sign, 0);
  hit.m_ullSize = RoundUpToSectors(hit.m_ullSize, window.SectorSize());
  return result;
}

#include "RAWSearch/Formats/Archive/FileDMGAnalyser.h"

#include "RAWSearch/Framework/CRawFileInfo.h"
#include "RAWSearch/Framework/EndMarkSearch.h"
#include "RAWSearch/Framework/PlainFileWindow.h"

namespace {

// "koly", version 4 and the trailer's length, 512: the image ends with the trailer.
constexpr std::uint8_t kTrailer[] = {'k', 'o', 'l', 'y', 0, 0, 0, 4, 0, 0, 2, 0};
constexpr MarkForm kTrailerForms[] = {{kTrailer, 512}};
constexpr EndMark kTrailerMark{kTrailerForms, sizeof kTrailer};

}  // namespace

const EndMark& FileDMGAnalyser::Trailer() { return kTrailerMark; }

int FileDMGAnalyser::Test(quellsy::ByteSpan sector, CRawFileInfo& hit) {
  if (!HasText(sector, 0, "BZh11AY&SY")) return 0;
  return Claim(hit, 0);
}

int FileDMGAnalyser::Measure(CRawFileInfo& hit, PlainFileWindow& window) {
  hit.m_ullSize = ScanForEndMark(window, kSizeCap, kTrailerMark);
  return 1;
}

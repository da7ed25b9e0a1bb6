#include "RAWSearch/Formats/Image/FileX3FAnalyser.h"

#include "RAWSearch/Framework/CRawFileInfo.h"
#include "RAWSearch/Framework/PlainFileWindow.h"

namespace {

// The directory's mark and version; the file ends 76 bytes past the mark.
constexpr std::uint8_t kDirectory[] = {'S', 'E', 'C', 'd', 0, 0, 2, 0};
constexpr MarkForm kDirectoryForms[] = {{kDirectory, 76}};
constexpr EndMark kDirectoryMark{kDirectoryForms, sizeof kDirectory};

}  // namespace

const EndMark& FileX3FAnalyser::Directory() { return kDirectoryMark; }

int FileX3FAnalyser::Test(quellsy::ByteSpan sector, CRawFileInfo& hit) {
  if (!HasText(sector, 0, "FOVb")) return 0;
  return Claim(hit, 0);
}

int FileX3FAnalyser::Measure(CRawFileInfo& hit, PlainFileWindow& window) {
  hit.m_ullSize = ScanForEndMark(window, kSizeCap, kDirectoryMark);
  return 1;
}

#include "RAWSearch/Formats/Archive/FileSITAnalyser.h"

#include "RAWSearch/Framework/CRawFileInfo.h"
#include "RAWSearch/Framework/PlainFileWindow.h"

namespace {

constexpr std::size_t kKindOffset = 7;
constexpr std::size_t kLengthOffset = 84;
// The closing mark of a StuffIt X archive: its fourth byte varies and sets how far the file goes on.
constexpr std::uint8_t kMark19[] = {0x02, 0xD7, 0x0A, 0x19, 0x98, 0xF6, 0x42, 0x88};
constexpr std::uint8_t kMark3B[] = {0x02, 0xD7, 0x0A, 0x3B, 0x98, 0xF6, 0x42, 0x88};
constexpr std::uint8_t kMark10[] = {0x02, 0xD7, 0x0A, 0x10, 0x98, 0xF6, 0x42, 0x88};
constexpr MarkForm kMarkForms[] = {{kMark19, 12}, {kMark3B, 13}, {kMark10, 14}};
constexpr EndMark kClosingMark{kMarkForms, sizeof kMark19, 0, true};

}  // namespace

int FileSITAnalyser::Test(quellsy::ByteSpan sector, CRawFileInfo& hit) {
  if (!HasText(sector, 4, "fIt")) return 0;
  quellsy::FieldReader fields(sector);
  switch (fields.u8(kKindOffset)) {
    case ' ': {
      const std::uint32_t length = fields.be32(kLengthOffset);
      if (length == 0) return 0;
      return Claim(hit, RAW_FILE_TYPE_SIT, length >= 0x80000000u ? kSizeCap : length);
    }
    case '!':
      return Claim(hit, RAW_FILE_TYPE_SITX, 0);
    default:
      return 0;
  }
}

const EndMark& FileSITAnalyser::ClosingMark() { return kClosingMark; }

// StuffIt X: every sector is searched for the closing mark.
int FileSITAnalyser::Measure(CRawFileInfo& hit, PlainFileWindow& window) {
  if (!window.HasText(kKindOffset, "!")) return 0;
  hit.m_ullSize = ScanForEndMark(window, kSizeCap, kClosingMark);
  return 1;
}

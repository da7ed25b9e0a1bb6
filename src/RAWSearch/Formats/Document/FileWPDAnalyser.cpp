#include "RAWSearch/Formats/Document/FileWPDAnalyser.h"

#include <array>

namespace {

constexpr std::uint32_t kSignature = 0x435057FF;  // FF "WPC"
struct Kind {
  std::uint32_t product;  // product and file type, versions
  std::uint32_t index;
  std::uint32_t type;
};
constexpr std::array<Kind, 3> kKinds = {{{0x01020A01, 0x00050200, RAW_FILE_TYPE_WPD},
                                         {0x00021601, 0x00030000, RAW_FILE_TYPE_WPG},
                                         {0x00010F0F, 0x00030000, RAW_FILE_TYPE_SHW}}};

}  // namespace

int FileWPDAnalyser::Test(quellsy::ByteSpan sector, CRawFileInfo& hit) {
  quellsy::FieldReader fields(sector);
  if (fields.le32(0) != kSignature) return 0;
  std::uint32_t type = 0;
  for (const Kind& kind : kKinds)
    if (fields.le32(8) == kind.product && fields.le32(14) == kind.index) type = kind.type;
  const std::uint32_t size = fields.le32(20);
  if (type == 0 || size == 0) return 0;
  return Claim(hit, type, size);
}

#include "RAWSearch/Formats/Image/FileMRWAnalyser.h"

#include <string_view>

namespace {

constexpr std::uint64_t kBlockHeader = 8;

}  // namespace

// The image data follow the header block: sensor height x width pixels of the stated bit depth.
int FileMRWAnalyser::Test(quellsy::ByteSpan sector, CRawFileInfo& hit) {
  using namespace std::string_view_literals;
  if (!HasText(sector, 0, "\0MRM"sv)) return 0;
  quellsy::FieldReader fields(sector);
  const std::uint64_t pixels = std::uint64_t{fields.be16(24)} * fields.be16(26);
  return Claim(hit, fields.be32(4) + kBlockHeader + pixels * fields.u8(32) / 8);
}

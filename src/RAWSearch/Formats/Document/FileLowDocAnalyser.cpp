#include "RAWSearch/Formats/Document/FileLowDocAnalyser.h"

namespace {
constexpr std::uint64_t kPageMask = 511;
}

int FileLowDocAnalyser::Test(quellsy::ByteSpan sector, CRawFileInfo& hit) {
  quellsy::FieldReader fields(sector);
  // Text end plus the trailing block, rounded up to 512-byte pages; in 64 bits so it cannot wrap short.
  const std::uint64_t end = std::uint64_t{fields.le32(292)} + fields.le16(296) + kPageMask;
  return Claim(hit, end & ~kPageMask);
}

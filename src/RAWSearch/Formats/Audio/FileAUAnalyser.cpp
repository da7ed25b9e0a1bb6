#include "RAWSearch/Formats/Audio/FileAUAnalyser.h"

namespace {
constexpr std::uint32_t kMinDataOffset = 24;
constexpr std::uint32_t kUnknownLength = 0xFFFFFFFF;
}  // namespace

int FileAUAnalyser::Test(quellsy::ByteSpan sector, CRawFileInfo& hit) {
  quellsy::FieldReader fields(sector);
  const std::uint32_t dataOffset = fields.be32(4);
  const std::uint32_t dataLength = fields.be32(8);
  if (dataOffset < kMinDataOffset || dataLength == kUnknownLength) return 0;
  // Summed in 64 bits: a sum wrapped at 2^32 would cut the file short.
  return Claim(hit, std::uint64_t{dataOffset} + dataLength);
}

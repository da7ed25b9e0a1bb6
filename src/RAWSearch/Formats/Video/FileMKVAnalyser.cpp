#include "RAWSearch/Formats/Video/FileMKVAnalyser.h"

#include <optional>
#include <string_view>

namespace {

constexpr std::size_t kHeaderSizeAt = 4;
constexpr std::size_t kSegmentWithin = 512;
constexpr std::uint64_t kSegmentId = 4;

struct VarInt {
  std::size_t length;
  std::uint64_t value;
  bool unknown;  // every value bit set: the writer did not know the size
};

// An EBML variable-length number: its length is one more than the leading zero bits of its first byte,
// its value the bits after the length marker.
std::optional<VarInt> ReadVarInt(quellsy::ByteSpan bytes, std::size_t at) {
  const auto first = quellsy::u8(bytes, at);
  if (!first || *first == 0) return std::nullopt;
  std::size_t length = 1;
  while (!(*first & (0x80 >> (length - 1)))) ++length;
  if (at + length > bytes.size()) return std::nullopt;
  std::uint64_t value = *first & ((0x80u >> (length - 1)) - 1);
  for (std::size_t i = 1; i < length; ++i) value = (value << 8) | bytes[at + i];
  const std::uint64_t allOnes = (std::uint64_t{1} << (7 * length)) - 1;
  return VarInt{length, value, value == allOnes};
}

}  // namespace

int FileMKVAnalyser::Test(quellsy::ByteSpan sector, CRawFileInfo& hit) {
  using namespace std::string_view_literals;
  if (!HasText(sector, 0, "\x1A\x45\xDF\xA3"sv)) return 0;
  const auto header = ReadVarInt(sector, kHeaderSizeAt);
  if (!header || header->value > kSegmentWithin) return 0;
  const std::uint64_t q = kHeaderSizeAt + header->length + header->value;
  if (q > kSegmentWithin || !HasText(sector, static_cast<std::size_t>(q), "\x18\x53\x80\x67"sv)) return 0;
  const auto segment = ReadVarInt(sector, static_cast<std::size_t>(q + kSegmentId));
  if (!segment || segment->unknown) return 0;
  const std::uint64_t size = q + kSegmentId + segment->length + segment->value;
  if (size > kSizeCap) return 0;
  return Claim(hit, size);
}

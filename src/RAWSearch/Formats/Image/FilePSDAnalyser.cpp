#include "RAWSearch/Formats/Image/FilePSDAnalyser.h"

#include <algorithm>
#include <optional>
#include <string_view>

#include "RAWSearch/Framework/CRawFileInfo.h"
#include "RAWSearch/Framework/PlainFileWindow.h"

namespace {

constexpr std::uint64_t kModeDataLength = 26;
constexpr std::uint64_t kSectionLength = 4;

// Skips the section whose 32-bit length stands at `at`.
std::optional<std::uint64_t> AfterSection(PlainFileWindow& window, std::uint64_t at) {
  const auto length = window.Be32(at);
  if (!length) return std::nullopt;
  return at + kSectionLength + *length;
}

}  // namespace

int FilePSDAnalyser::Test(quellsy::ByteSpan sector, CRawFileInfo& hit) {
  using namespace std::string_view_literals;
  if (!HasText(sector, 0, "8BPS\x00\x01\x00\x00\x00\x00\x00\x00"sv)) return 0;
  return Claim(hit, 0);
}

// Header, colour-mode data, image resources, layers and masks, then the merged image: raw, or packed
// rows whose byte counts stand in front of them.
int FilePSDAnalyser::Measure(CRawFileInfo& hit, PlainFileWindow& window) {
  const quellsy::ByteSpan header = window.Bytes(0, kModeDataLength);
  if (header.empty() || !HasText(header, 0, "8BPS")) return 0;
  quellsy::FieldReader fields(header);
  if (fields.be16(4) != 1) return 0;
  const std::uint64_t channels = fields.be16(12);
  const std::uint64_t height = fields.be32(14);
  const std::uint64_t width = fields.be32(18);
  const std::uint64_t depth = fields.be16(22);
  const auto resources = AfterSection(window, kModeDataLength);
  const auto layers = resources ? AfterSection(window, *resources) : std::nullopt;
  const auto image = layers ? AfterSection(window, *layers) : std::nullopt;
  if (!image || *image >= kSizeCap) return 0;
  const auto compression = window.Be16(*image);
  if (!compression) return 0;
  const std::uint64_t data = *image + 2;
  if (*compression == 0) {
    hit.m_ullSize = std::min(data + channels * height * width * depth / 8, kSizeCap);
    return 1;
  }
  if (*compression != 1) return 0;
  // One 16-bit byte count per row of every channel, then the rows.
  const std::uint64_t rows = channels * height;
  std::uint64_t p = data;
  std::uint64_t packed = 0;
  for (std::uint64_t row = 0; row < rows && p + 2 * rows + packed < kSizeCap;) {
    const quellsy::ByteSpan counts = window.At(p);
    if (counts.size() < 2) return 0;
    for (std::size_t i = 0; i + 1 < counts.size() && row < rows; i += 2, ++row, p += 2)
      packed += quellsy::FieldReader(counts).be16(i);
  }
  hit.m_ullSize = std::min(data + 2 * rows + packed, kSizeCap);
  return 1;
}

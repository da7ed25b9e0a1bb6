#include "RAWSearch/Formats/Archive/FileTARAnalyser.h"

#include <algorithm>

#include "RAWSearch/Framework/CRawFileInfo.h"
#include "RAWSearch/Framework/PlainFileWindow.h"

namespace {

constexpr std::uint64_t kBlock = 512;
constexpr std::size_t kMagicOffset = 257;
constexpr std::size_t kSizeField = 124;
constexpr std::size_t kSizeDigits = 12;
constexpr std::size_t kChecksumField = 148;
constexpr std::size_t kChecksumDigits = 8;
// tar writes records of 20 blocks; the record's zero padding behind the end blocks belongs to the file.
constexpr std::uint64_t kRecord = 20 * kBlock;

bool AllZero(quellsy::ByteSpan bytes) {
  return std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b == 0; });
}

// The stored sum against the header's bytes with the checksum field counted as spaces.
bool ChecksumHolds(quellsy::ByteSpan header) {
  std::uint32_t stored = 0;
  bool digits = false;
  for (std::size_t i = kChecksumField; i < kChecksumField + kChecksumDigits; ++i) {
    const std::uint8_t c = header[i];
    if (c >= '0' && c <= '7') {
      stored = stored * 8 + static_cast<std::uint32_t>(c - '0');
      digits = true;
    } else if (digits) {
      break;
    }
  }
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i < kBlock; ++i)
    sum += (i >= kChecksumField && i < kChecksumField + kChecksumDigits) ? ' ' : header[i];
  return digits && sum == stored;
}

}  // namespace

std::uint32_t FileTARAnalyser::OctStringToint(quellsy::ByteSpan field) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i + 1 < field.size(); ++i) {
    const std::uint8_t c = field[i];
    value = value * 8 + ((c >= '0' && c <= '9') ? static_cast<std::uint32_t>(c - '0') : 0);
  }
  return value;
}

int FileTARAnalyser::Test(quellsy::ByteSpan sector, CRawFileInfo& hit) {
  if (!HasText(sector, kMagicOffset, "ustar")) return 0;
  return Claim(hit, 0);
}

// Steps from header to header over each entry's data blocks. Directories and empty files have no data
// and do not end the archive; two zero blocks do, and so does a header that is no tar header.
int FileTARAnalyser::Measure(CRawFileInfo& hit, PlainFileWindow& window) {
  std::uint64_t p = 0;
  while (p <= kSizeCap) {
    const quellsy::ByteSpan header = window.Bytes(p, kBlock);
    if (header.empty()) break;
    if (AllZero(header)) {
      const quellsy::ByteSpan second = window.Bytes(p + kBlock, kBlock);
      if (second.empty() || !AllZero(second)) break;
      p += 2 * kBlock;
      const std::uint64_t recordEnd = (p + kRecord - 1) / kRecord * kRecord;
      std::uint64_t q = p;
      for (; q < recordEnd; q += kBlock) {
        const quellsy::ByteSpan padding = window.Bytes(q, kBlock);
        if (padding.empty() || !AllZero(padding)) break;
      }
      if (q == recordEnd) p = recordEnd;
      break;
    }
    if (!HasText(header, kMagicOffset, "ustar") || !ChecksumHolds(header)) break;
    const std::uint64_t data = OctStringToint(header.subspan(kSizeField, kSizeDigits));
    p += kBlock + (data + kBlock - 1) / kBlock * kBlock;
  }
  if (p == 0) return 0;
  hit.m_ullSize = std::min(p, kSizeCap);
  return 1;
}

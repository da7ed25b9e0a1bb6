#include "RAWSearch/Framework/RawUtility.h"

#include <algorithm>
#include <cstring>
#include <span>

#include "Utility/ByteReader.h"

namespace BruteForce {

std::uint16_t RawUtility::EXIF_Get16s(const unsigned char* p, bool littleEndian) {
  const quellsy::ByteSpan bytes(p, 2);
  return *(littleEndian ? quellsy::le16(bytes, 0) : quellsy::be16(bytes, 0));
}

std::uint32_t RawUtility::EXIF_Get32s(const unsigned char* p, bool littleEndian) {
  const quellsy::ByteSpan bytes(p, 4);
  return *(littleEndian ? quellsy::le32(bytes, 0) : quellsy::be32(bytes, 0));
}

long long RawUtility::FindMagicInBuffer(const unsigned char* buf, int length, int back, const unsigned char* pattern,
                                        int patternLength) {
  if (!buf || !pattern || length <= 0 || patternLength < 1 || patternLength > length) return 0;
  const long long from = static_cast<long long>(length) - back;
  if (from < 0) return 0;
  for (long long pos = std::min<long long>(from, length - patternLength); pos >= 0; --pos) {
    if (buf[pos] != 0 && buf[pos] == pattern[0] &&
        std::memcmp(buf + pos + 1, pattern + 1, static_cast<std::size_t>(patternLength - 1)) == 0)
      return pos + patternLength;
  }
  return 0;
}

int RawUtility::Binary_Compare(const unsigned char* buf, int length) {
  if (!buf || length <= 0) return 0;
  const auto zeroFrom = [&](int pos) {
    return std::all_of(buf + pos, buf + length, [](unsigned char b) { return b == 0; });
  };
  if (zeroFrom(0)) return 0;
  int low = 0;
  int high = length;
  int middle = length - 1;
  while (high - low > 1) {
    middle = low + (high - low) / 2;
    if (zeroFrom(middle))
      high = middle;
    else
      low = middle;
  }
  return middle + 1;
}

}  // namespace BruteForce

bool ApiIsInvalidCharInFileName(const std::string& text) {
  return std::any_of(text.begin(), text.end(), [](char c) {
    const bool allowed = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == ' ' ||
                         c == ',' || c == '-' || c == '.' || c == '@' || c == '_';
    return !allowed;
  });
}

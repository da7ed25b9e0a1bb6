#include "RAWSearch/Framework/OffsetFetch.h"

#include <algorithm>

#include "RAWSearch/Framework/PlainFileWindow.h"

OffsetFetch HeldFetch(const unsigned char* sector, int sectorSize, long long startSector, long long sectorNumber,
                      const CRawFileInfo::SearchContext& context) {
  const long long index = sectorNumber - startSector;
  const long long from = std::max(context.llBufferFirstSector - startSector, 0LL) * sectorSize;
  const long long to = std::max(context.llBlockEndSector - startSector, index + 1) * sectorSize;
  const unsigned char* first = sector + (from - index * sectorSize);
  return [first, from, to](std::uint64_t offset, std::size_t length) -> std::optional<quellsy::ByteSpan> {
    const auto at = static_cast<long long>(offset);
    if (at < from) return quellsy::ByteSpan{};
    if (at + static_cast<long long>(length) > to) return std::nullopt;
    return quellsy::ByteSpan(first + (at - from), length);
  };
}

OffsetFetch WindowFetch(PlainFileWindow& window, std::vector<std::uint8_t>& copy) {
  return [&window, &copy](std::uint64_t offset, std::size_t length) -> std::optional<quellsy::ByteSpan> {
    copy.clear();
    while (copy.size() < length) {
      const quellsy::ByteSpan piece = window.At(offset + copy.size());
      if (piece.empty()) break;
      copy.insert(copy.end(), piece.begin(),
                  piece.begin() + static_cast<std::ptrdiff_t>(std::min(piece.size(), length - copy.size())));
    }
    return quellsy::ByteSpan(copy);
  };
}

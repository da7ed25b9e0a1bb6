#include "RAWSearch/Framework/OffsetFetch.h"

#include <algorithm>


HeldFile HeldBytesOf(const unsigned char* sector, int sectorSize, long long startSector, long long sectorNumber,
                     const CRawFileInfo::SearchContext& context) {
  const long long index = sectorNumber - startSector;
  const long long from = std::clamp(context.llBufferFirstSector - startSector, 0LL, std::max(index, 0LL)) * sectorSize;
  const long long to = std::max(context.llBlockEndSector - startSector, index + 1) * sectorSize;
  return {{sector + (from - index * sectorSize), static_cast<std::size_t>(to - from)}, static_cast<std::uint64_t>(from)};
}

OffsetFetch HeldFetch(const unsigned char* sector, int sectorSize, long long startSector, long long sectorNumber,
                      const CRawFileInfo::SearchContext& context) {
  const HeldFile held = HeldBytesOf(sector, sectorSize, startSector, sectorNumber, context);
  const auto from = static_cast<long long>(held.first);
  const long long to = from + static_cast<long long>(held.bytes.size());
  return [first = held.bytes.data(), from, to](std::uint64_t offset, std::size_t length) -> std::optional<quellsy::ByteSpan> {
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

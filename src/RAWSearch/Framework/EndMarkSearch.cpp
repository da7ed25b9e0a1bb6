#include "RAWSearch/Framework/EndMarkSearch.h"

#include <algorithm>

#include "RAWSearch/Framework/PlainFileWindow.h"

std::optional<std::size_t> FindPattern(quellsy::ByteSpan window, quellsy::ByteSpan pattern) {
  if (pattern.empty() || window.size() < pattern.size()) return std::nullopt;
  const auto at = std::search(window.begin(), window.end(), pattern.begin(), pattern.end());
  if (at == window.end()) return std::nullopt;
  return static_cast<std::size_t>(at - window.begin());
}

bool HasZeroTail(quellsy::ByteSpan sector, std::size_t count) {
  return sector.size() >= count && std::all_of(sector.end() - static_cast<std::ptrdiff_t>(count), sector.end(),
                                               [](std::uint8_t b) { return b == 0; });
}

std::optional<std::uint64_t> EndByMark(quellsy::ByteSpan bytes, std::uint64_t first, std::size_t sectorSize,
                                       const EndMark& mark) {
  if (bytes.size() < sectorSize) return std::nullopt;
  if (mark.zeroTail != 0 && !HasZeroTail(bytes, mark.zeroTail)) return std::nullopt;
  const quellsy::ByteSpan searched = bytes.first(bytes.size() - mark.zeroTail);
  std::optional<std::size_t> found;
  std::uint64_t toEnd = 0;
  for (const MarkForm& form : mark.forms) {
    const quellsy::ByteSpan pattern = form.bytes;
    if (pattern.empty() || searched.size() < pattern.size()) continue;
    const auto at = mark.last ? std::find_end(searched.begin(), searched.end(), pattern.begin(), pattern.end())
                              : std::search(searched.begin(), searched.end(), pattern.begin(), pattern.end());
    if (at == searched.end()) continue;
    const auto offset = static_cast<std::size_t>(at - searched.begin());
    if (found && (mark.last ? offset <= *found : offset >= *found)) continue;
    found = offset;
    toEnd = form.toEnd;
  }
  if (!found) return std::nullopt;
  return first + *found + toEnd;
}

std::uint64_t ScanForEndMark(PlainFileWindow& window, std::uint64_t cap, const EndMark& mark) {
  const unsigned sectorSize = window.SectorSize();
  if (sectorSize == 0) return 0;
  std::uint64_t p = 0;
  for (; p < cap; p += sectorSize) {
    const std::uint64_t from = p - std::min<std::uint64_t>(p, mark.behind);
    const quellsy::ByteSpan held = window.At(from);
    const auto length = static_cast<std::size_t>(p - from + sectorSize);
    if (held.size() < length) break;
    if (const auto end = EndByMark(held.first(length), from, sectorSize, mark)) return *end;
  }
  return std::min(p, cap);
}

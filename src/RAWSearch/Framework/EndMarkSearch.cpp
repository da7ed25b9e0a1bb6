#include "RAWSearch/Framework/EndMarkSearch.h"

#include <algorithm>

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

#include "RAWSearch/Framework/RawSearchApi.h"

#include <algorithm>
#include <cstring>

std::string ApiStrFilterBadFileName(std::string name) {
  while (!name.empty() && name.back() == ' ') name.pop_back();
  static constexpr char kBad[] = {'\x01', '\\', '/', ':', '?', '"', '<', '>', '|', '*', '\r', '\n'};
  for (char& c : name)
    if (std::find(std::begin(kBad), std::end(kBad), c) != std::end(kBad)) c = '_';
  return name;
}

const unsigned char* Apimemstr(const unsigned char* data, int dataLength, const unsigned char* pattern,
                               int patternLength) {
  if (!data || !pattern || dataLength < 1 || patternLength < 1 || patternLength > dataLength) return nullptr;
  const unsigned char* last = data + (dataLength - patternLength);
  for (const unsigned char* p = data; p <= last; ++p) {
    p = static_cast<const unsigned char*>(std::memchr(p, pattern[0], static_cast<std::size_t>(last - p) + 1));
    if (!p) return nullptr;
    if (std::memcmp(p, pattern, static_cast<std::size_t>(patternLength)) == 0) return p;
  }
  return nullptr;
}

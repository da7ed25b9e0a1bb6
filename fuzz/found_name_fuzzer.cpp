// Names found on a device, as arbitrary bytes: the safe path component is one harmless component, and the
// case-insensitive search reads any bytes without fault and always finds a name in itself.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "Bridge/CaseInsensitive.h"
#include "Bridge/PathComponent.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::string safe = quellsy::bridge::SanitisePathComponent(bytes);
  if (safe.empty() || safe == "." || safe == "..") std::abort();
  if (safe.find('/') != std::string::npos || safe.find('\0') != std::string::npos) std::abort();

  const std::size_t cut = size / 3;
  const std::string_view needle = bytes.substr(0, cut);
  quellsy::bridge::ContainsIgnoringCase(bytes.substr(cut), needle);
  if (!quellsy::bridge::ContainsIgnoringCase(bytes, bytes)) std::abort();
  return 0;
}

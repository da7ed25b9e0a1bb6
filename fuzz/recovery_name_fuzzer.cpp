// Names from a disk turned into names a destination takes, and into text for a terminal: whatever the bytes, the
// name is one element of at most 255 bytes that can be created and keeps no control character, and the text has
// no byte a terminal acts on.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "DataRecovery/RecoveryName.h"
#include "Utility/Utf8Text.h"

namespace {

void CheckName(std::string_view name) {
  if (name.empty() || name.size() > quellsy::kMaxNameBytes || name == "." || name == "..") std::abort();
  for (std::size_t at = 0; at < name.size();) {
    if (name[at] == '/' || name[at] == '\\' || name[at] == '\0') std::abort();
    const std::size_t length = quellsy::Utf8SequenceLength(name, at);
    if (length != 0 && quellsy::IsControlCharacter(name, at, length)) std::abort();
    at += length == 0 ? 1 : length;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view disk(reinterpret_cast<const char*>(data), size);
  const quellsy::RecoveryName name = quellsy::MakeRecoveryName(disk);
  CheckName(name.name);
  CheckName(quellsy::NumberedName(name.name, static_cast<int>(size % 20000)));
  CheckName(quellsy::IncompleteName(name.name));
  for (const char ch : quellsy::EscapeForTerminal(disk)) {
    const auto byte = static_cast<unsigned char>(ch);
    if (byte < 0x20 || byte == 0x7F) std::abort();
  }
  return 0;
}

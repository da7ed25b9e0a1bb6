#pragma once
// The name a recovered file or folder gets from the name found on the disk. Disk names may hold anything the file
// system allowed or the damage left: separators, "." and "..", control characters, 255 UTF-16 units that need
// more than the 255 bytes a Linux name may have.

#include <cstddef>
#include <string>
#include <string_view>

namespace quellsy {

// The longest name, in bytes, the destination's file systems take.
constexpr std::size_t kMaxNameBytes = 255;

struct RecoveryName {
  std::string name;
  bool shortened = false;  // cut to fit; the summary says so
};

// "/", "\\" and control characters become "_"; an empty name, "." and ".." become "_"; a name over maxBytes is cut
// at a character boundary, keeping its extension when the extension itself is short.
RecoveryName MakeRecoveryName(std::string_view fromDisk, std::size_t maxBytes = kMaxNameBytes);

// name with "_0001" (index as four or more digits) before its extension, cut to stay within maxBytes.
std::string NumberedName(std::string_view name, int index, std::size_t maxBytes = kMaxNameBytes);

// name marked as holding only part of a file's data: ".incomplete" before its extension, cut to fit.
std::string IncompleteName(std::string_view name, std::size_t maxBytes = kMaxNameBytes);

}  // namespace quellsy

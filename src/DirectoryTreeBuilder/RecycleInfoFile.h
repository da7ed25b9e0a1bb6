#pragma once
// A recycle bin's "$I" file: the size, deletion time and original path of one deleted file. Two layouts:
//   version 1: u64 version, u64 size, u64 deletion time, the path as 260 UTF-16LE units at byte 24;
//   version 2: the same header, u32 path length in units (terminator included) at 24, the path at 28.

#include <optional>
#include <string>

#include "Utility/ByteReader.h"

class CRecycleInfoFile {
 public:
  // The last component of the stored drive path ("C:\...\name") as UTF-8. Null for an unknown version, a
  // path without a drive form or without a name after its last backslash, text that is not valid UTF-16,
  // and a name that could not be a file name here ("/" inside, "." or "..").
  static std::optional<std::string> OriginalName(quellsy::ByteSpan info);
};

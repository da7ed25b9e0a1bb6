#pragma once
// The volume label, from the $Volume record's volume-name attribute.

#include <cstddef>
#include <optional>
#include <string>

class CNTFSFileRecord;

class CVolumeFileAnalyzer {
 public:
  // The label in UTF-8 when the record is a valid $Volume meta record with a resident volume name; an empty
  // string for a volume without a label.
  static std::optional<std::string> GetLabel(const CNTFSFileRecord& record);
  // The same into a caller's buffer (zero-terminated, cut to size - 1 bytes at a character boundary); the
  // buffer is left as it was when there is no label to give.
  static bool GetLabel(const CNTFSFileRecord& record, char* label, std::size_t size);
};

#pragma once
// The volume label, from the $Volume record's volume-name attribute.

#include <cstddef>
#include <optional>
#include <string>

class CNTFSFileRecord;

class CVolumeFileAnalyzer {
 public:
  // Longest volume name a volume can hold, in UTF-16 units.
  static constexpr std::size_t kMaxNameUnits = 128;

  // The label in UTF-8 when the record is a valid $Volume meta record with a resident volume name of whole
  // UTF-16 units, at most kMaxNameUnits of them; an empty string for a volume without a label.
  static std::optional<std::string> GetLabel(const CNTFSFileRecord& record);
  // The same into a caller's buffer (see CopyLabel); the buffer is left as it was when there is no label to give.
  static bool GetLabel(const CNTFSFileRecord& record, char* label, std::size_t size);
  // Copies text zero-terminated, cut to size - 1 bytes at a character boundary; nothing when size is 0.
  static void CopyLabel(const std::string& text, char* label, std::size_t size);
};

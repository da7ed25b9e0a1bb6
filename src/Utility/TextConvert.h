#pragma once
// UTF-16LE text found on disk (long file names, recycle-bin paths) to UTF-8, through iconv.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "Utility/ByteReader.h"

namespace quellsy {

// What to do at a unit that is not valid UTF-16 (an unpaired surrogate, a cut last unit).
enum class InvalidUtf16 {
  kFail,     // no text at all
  kStop,     // the text converted before it
  kReplace,  // "_" in its place, then go on
};

// nullopt when iconv is not available, or at invalid text under kFail.
std::optional<std::string> Utf16LeToUtf8(ByteSpan bytes, InvalidUtf16 policy);
std::optional<std::string> Utf16LeToUtf8(const std::vector<std::uint16_t>& units, InvalidUtf16 policy);

}  // namespace quellsy

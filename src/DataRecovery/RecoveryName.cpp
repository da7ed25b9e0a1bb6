#include "DataRecovery/RecoveryName.h"

#include <cstdio>

#include "Utility/Utf8Text.h"

namespace quellsy {

namespace {

// An extension longer than this is kept only as far as it fits: it is more likely part of a long name.
constexpr std::size_t kMaxKeptExtension = 16;

// The longest prefix of text no longer than bytes that ends on a character boundary (a stray byte counts as one
// character).
std::string_view CutAtCharacter(std::string_view text, std::size_t bytes) {
  std::size_t end = 0;
  while (end < text.size()) {
    const std::size_t length = Utf8SequenceLength(text, end);
    const std::size_t step = length == 0 ? 1 : length;
    if (end + step > bytes) break;
    end += step;
  }
  return text.substr(0, end);
}

// Where the extension starts (its dot), or npos; a leading dot is a hidden name, not an extension.
std::size_t ExtensionStart(std::string_view name) {
  const std::size_t dot = name.rfind('.');
  return dot == std::string_view::npos || dot == 0 ? std::string_view::npos : dot;
}

// stem + insert + extension within maxBytes: the stem gives way first, then the extension.
std::string Compose(std::string_view name, std::string_view insert, std::size_t maxBytes) {
  std::size_t dot = ExtensionStart(name);
  if (dot != std::string_view::npos && name.size() - dot > kMaxKeptExtension) dot = std::string_view::npos;
  const std::string_view stem = name.substr(0, dot);
  const std::string_view extension = dot == std::string_view::npos ? std::string_view{} : name.substr(dot);
  const std::size_t tail = insert.size() + extension.size();
  if (tail >= maxBytes)
    return std::string(CutAtCharacter(std::string(stem).append(insert).append(extension), maxBytes));
  std::string out(CutAtCharacter(stem, maxBytes - tail));
  return out.append(insert).append(extension);
}

}  // namespace

RecoveryName MakeRecoveryName(std::string_view fromDisk, std::size_t maxBytes) {
  std::string clean;
  clean.reserve(fromDisk.size());
  for (std::size_t at = 0; at < fromDisk.size();) {
    const std::size_t length = Utf8SequenceLength(fromDisk, at);
    const std::size_t step = length == 0 ? 1 : length;
    const char first = fromDisk[at];
    if (first == '/' || first == '\\' || (length != 0 && IsControlCharacter(fromDisk, at, length)))
      clean += '_';
    else
      clean.append(fromDisk.substr(at, step));
    at += step;
  }
  if (clean.empty() || clean == "." || clean == "..") return {"_", false};
  if (clean.size() <= maxBytes) return {clean, false};
  return {Compose(clean, {}, maxBytes), true};
}

std::string NumberedName(std::string_view name, int index, std::size_t maxBytes) {
  char suffix[16];
  std::snprintf(suffix, sizeof suffix, "_%04d", index);
  return Compose(name, suffix, maxBytes);
}

std::string IncompleteName(std::string_view name, std::size_t maxBytes) {
  return Compose(name, ".incomplete", maxBytes);
}

}  // namespace quellsy

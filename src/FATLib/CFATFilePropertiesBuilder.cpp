#include "FATLib/CFATFilePropertiesBuilder.h"

#include <algorithm>

#include "FATLib/CFATLongNameBuilder.h"
#include "FATLib/CTempFATDirEntry.h"

namespace {

constexpr std::size_t kCaseFlags = 12;
constexpr std::uint8_t kLowerBase = 0x08;
constexpr std::uint8_t kLowerExtension = 0x10;

void Lower(std::string::iterator first, std::string::iterator last) {
  std::transform(first, last, first, [](char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  });
}

// Characters the extension takes at the end of GetShortName's text (0 without an extension).
std::size_t ExtensionLength(quellsy::ByteSpan entry) {
  std::size_t length = 3;
  while (length > 0 && entry[8 + length - 1] == ' ') --length;
  for (std::size_t i = 0; i < length; ++i) {
    if (entry[8 + i] == 0) return i;
  }
  return length;
}

}  // namespace

std::string CFATFilePropertiesBuilder::ShortName(const CTempFATDirEntry& entry) {
  std::string name = entry.GetShortName(0);
  const quellsy::ByteSpan bytes = entry.Bytes();
  if (bytes.size() < CTempFATDirEntry::kSize) return name;
  const std::uint8_t flags = bytes[kCaseFlags];
  const std::size_t extension = ExtensionLength(bytes);
  const std::size_t base = extension > 0 && name.size() > extension ? name.size() - extension - 1 : name.size();
  if (flags & kLowerBase) Lower(name.begin(), name.begin() + static_cast<std::ptrdiff_t>(base));
  if ((flags & kLowerExtension) && extension > 0 && name.size() >= extension)
    Lower(name.end() - static_cast<std::ptrdiff_t>(extension), name.end());
  return name;
}

std::unique_ptr<CFATFileProperties> CFATFilePropertiesBuilder::BuildFATFilePropertyFromDirEntryBuffer(
    quellsy::MutableByteSpan entries) {
  CFATLongNameBuilder longName;
  for (std::size_t offset = 0; offset + CTempFATDirEntry::kSize <= entries.size(); offset += CTempFATDirEntry::kSize) {
    const quellsy::MutableByteSpan bytes = entries.subspan(offset, CTempFATDirEntry::kSize);
    const CTempFATDirEntry entry(bytes);
    if (entry.IsLongFileNameEntry()) {
      if (!longName.AddPiece(bytes)) return nullptr;
      continue;
    }
    std::string name;
    if (!longName.Empty() && (entry.IsErased() || longName.MatchesShortName(bytes.first(11)))) {
      name = longName.ToUtf8();
      if (!CTempFATDirEntry::IsValidLongFileName(name)) name.clear();
    }
    if (name.empty()) name = ShortName(entry);
    return BuildFATFilePropertyFromDirEntry(name, entry);
  }
  return nullptr;
}

std::unique_ptr<CFATFileProperties> CFATFilePropertiesBuilder::BuildFATFilePropertyFromDirEntry(
    const std::string& name, const CTempFATDirEntry& entry) {
  auto properties = std::make_unique<CFATFileProperties>();
  quellsy::FieldReader fields(entry.Bytes());
  properties->SetFileName(name.c_str());
  properties->SetFileSize(fields.le32(28));
  properties->SetAttribute(fields.u8(11));
  properties->SetCreationTime(fields.le16(16), fields.le16(14));
  properties->SetModificationTime(fields.le16(24), fields.le16(22));
  properties->SetLastAccessTime(fields.le16(18), 0);
  if (entry.IsErased()) properties->SetState(CFATFileProperties::kStateDeleted);
  return properties;
}

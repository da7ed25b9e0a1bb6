#include "FATLib/CTempFATDirEntry.h"

#include <array>
#include <cstring>

#include "Utility/TextConvert.h"

namespace {

constexpr std::size_t kCreationTime = 14;
constexpr std::size_t kCreationDate = 16;
constexpr std::size_t kAccessDate = 18;
constexpr std::size_t kClusterHigh = 20;
constexpr std::size_t kWriteTime = 22;
constexpr std::size_t kWriteDate = 24;
constexpr std::size_t kClusterLow = 26;
constexpr std::size_t kFileSize = 28;

// Where the 13 UTF-16 units of a long-name piece lie: (offset, units).
constexpr std::array<std::pair<std::size_t, std::size_t>, 3> kLongNameSlices = {{{1, 5}, {14, 6}, {28, 2}}};

constexpr std::string_view kBadShortNameChars = "\"*/:<>?\\|";
constexpr std::string_view kBadLongNameChars = "?*|\\/:\"<>";

bool IsValidDate(std::uint16_t date) {
  if (date == 0) return true;
  const unsigned month = (date >> 5) & 0x0F;
  return month >= 1 && month <= 12 && (date & 0x1F) != 0;
}

bool IsValidTime(std::uint16_t time) {
  if (time == 0) return true;
  return (time & 0x1F) < 30 && ((time >> 5) & 0x3F) < 60 && time < 0xC000;
}

// One part of an 8.3 name: trailing blanks cut, then shown up to a zero byte as a C string would be.
std::string ShortNamePart(quellsy::ByteSpan bytes, bool markErased) {
  std::size_t length = bytes.size();
  while (length > 0 && bytes[length - 1] == ' ') --length;
  std::string part;
  for (std::size_t i = 0; i < length && bytes[i] != 0; ++i) {
    if (i == 0 && markErased && bytes[i] == CTempFATDirEntry::kErasedMark)
      part += '#';
    else
      part += bytes[i] >= 0x80 ? '_' : static_cast<char>(bytes[i]);
  }
  return part;
}

}  // namespace

CTempFATDirEntry::CTempFATDirEntry(quellsy::MutableByteSpan entry) { InitFromBuffer(entry); }

CTempFATDirEntry CTempFATDirEntry::ReadOnly(quellsy::ByteSpan entry) {
  CTempFATDirEntry view(quellsy::MutableByteSpan{});
  view.m_bytes = entry.size() >= kSize ? entry.first(kSize) : quellsy::ByteSpan{};
  return view;
}

bool CTempFATDirEntry::InitFromBuffer(quellsy::MutableByteSpan entry) {
  m_entry = entry.size() >= kSize ? entry.first(kSize) : quellsy::MutableByteSpan{};
  m_bytes = m_entry;
  return IsValidFATDirEntry(0);
}

std::uint32_t CTempFATDirEntry::GetSize() const { return quellsy::le32(m_bytes, kFileSize).value_or(0); }

std::optional<std::uint8_t> CTempFATDirEntry::GetLongFileNameIndex() const {
  if (!IsLongFileNameEntry()) return std::nullopt;
  return Byte(0);
}

std::uint64_t CTempFATDirEntry::GetFirstClusterNO() const {
  if (m_revise && m_revisedCluster > 0) return static_cast<std::uint64_t>(m_revisedCluster);
  return (std::uint32_t{Word(kClusterHigh)} << 16) | Word(kClusterLow);
}

void CTempFATDirEntry::SetFirstClusterNO(std::uint64_t cluster) {
  quellsy::FieldWriter writer(m_entry);
  writer.le16(kClusterHigh, static_cast<std::uint16_t>(cluster >> 16));
  writer.le16(kClusterLow, static_cast<std::uint16_t>(cluster));
}

bool CTempFATDirEntry::IsValidFATDirEntry(int relaxed) const {
  const std::uint8_t attribute = Attribute();
  if (attribute == kAttrLongName) return true;
  if (attribute > 0x3F) return false;
  if (relaxed == 0) {
    if (!IsDirectory()) {
      if ((GetFirstClusterNO() == 0) != (GetSize() == 0)) return false;
    } else if (GetSize() != 0 && Word(kClusterHigh) != 0) {
      return false;
    }
  }
  if (!IsValidDate(Word(kCreationDate)) || !IsValidDate(Word(kWriteDate)) || !IsValidDate(Word(kAccessDate)))
    return false;
  if (!IsValidTime(Word(kCreationTime)) || !IsValidTime(Word(kWriteTime))) return false;
  if (attribute & kAttrVolumeLabel) return true;
  return IsValidFileName(m_bytes.first(m_bytes.empty() ? 0 : 11));
}

bool CTempFATDirEntry::IsValidFileName(quellsy::ByteSpan name11) {
  if (name11.size() < 11 || name11[0] == 0x20) return false;
  for (std::size_t i = 0; i < 11; ++i) {
    const std::uint8_t byte = name11[i];
    if (byte >= 0x80) {
      ++i;  // a lead byte: the byte after it belongs to the same character
      continue;
    }
    if (byte < 0x1A || kBadShortNameChars.find(static_cast<char>(byte)) != std::string_view::npos) return false;
  }
  return true;
}

std::string CTempFATDirEntry::GetShortName(int asLabel) const {
  if (m_bytes.empty()) return {};
  // A label is one 11-character text: cutting the name part's blanks first would turn "QUELLSY 32" into
  // "QUELLSY32".
  if (asLabel != 0) return ShortNamePart(m_bytes.first(11), true);
  const std::string name = ShortNamePart(m_bytes.first(8), true);
  const std::string extension = ShortNamePart(m_bytes.subspan(8, 3), false);
  return extension.empty() ? name : name + "." + extension;
}

std::string CTempFATDirEntry::GetLongFileName() const {
  std::array<std::uint8_t, 28> units{};  // 13 units and a terminating zero unit
  std::size_t filled = 0;
  for (const auto& [offset, count] : kLongNameSlices) {
    for (std::size_t i = 0; i < count * 2; ++i) units[filled++] = Byte(offset + i);
  }
  // What converts before an invalid unit is kept.
  std::string text = quellsy::Utf16LeToUtf8(units, quellsy::InvalidUtf16::kStop).value_or("");
  text.resize(std::strlen(text.c_str()));
  return text.empty() ? "_" : text;
}

bool CTempFATDirEntry::IsFilenameEqual(std::string_view name8, std::string_view ext3) const {
  if (m_bytes.empty() || name8.size() != 8 || ext3.size() != 3) return false;
  return std::memcmp(m_bytes.data(), name8.data(), 8) == 0 && std::memcmp(m_bytes.data() + 8, ext3.data(), 3) == 0;
}

bool CTempFATDirEntry::IsValidLongFileNameChar(char c) { return kBadLongNameChars.find(c) == std::string_view::npos; }

bool CTempFATDirEntry::IsValidLongFileName(std::string_view text) {
  if (text.empty()) return false;
  for (const char c : text) {
    if (!IsValidLongFileNameChar(c)) return false;
  }
  return true;
}

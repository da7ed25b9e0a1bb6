#include "RAWSearch/Metadata/CSummaryInFormation.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <ctime>

#include "RAWSearch/Metadata/Id3Text.h"
#include "Utility/TextConvert.h"

namespace {

using quellsy::ByteSpan;

constexpr std::uint16_t kByteOrderMark = 0xFFFE;
constexpr std::array<std::uint8_t, 16> kSummaryFormatId = {0xE0, 0x85, 0x9F, 0xF2, 0xF9, 0x4F, 0x68, 0x10,
                                                           0xAB, 0x91, 0x08, 0x00, 0x2B, 0x27, 0xB3, 0xD9};
constexpr std::size_t kHeaderBytes = 48;
constexpr std::uint32_t kTypeI2 = 2;
constexpr std::uint32_t kTypeString = 30;
constexpr std::uint32_t kTypeUnicode = 31;
constexpr std::uint32_t kTypeFileTime = 64;
// 100-ns intervals from 1601-01-01 to 1970-01-01.
constexpr std::uint64_t kUnixEpochFileTime = 116444736000000000ULL;

std::string UntilZero(std::string text) {
  const std::size_t zero = text.find('\0');
  if (zero != std::string::npos) text.resize(zero);
  return text;
}

// Bytes below 0x80 and the two- and three-byte forms; a form cut by the end counts as valid.
bool LooksUtf8(ByteSpan bytes) {
  for (std::size_t i = 0; i < bytes.size();) {
    const std::uint8_t lead = bytes[i];
    std::size_t follow = 0;
    if (lead < 0x80)
      follow = 0;
    else if (lead >= 0xC0 && lead <= 0xDF)
      follow = 1;
    else if (lead >= 0xE0 && lead <= 0xEF)
      follow = 2;
    else
      return false;
    ++i;
    for (std::size_t k = 0; k < follow && i < bytes.size(); ++k, ++i)
      if ((bytes[i] & 0xC0) != 0x80) return false;
  }
  return true;
}

}  // namespace

std::uint32_t CSummaryInFormation::GetFileInformation(const unsigned char* stream, FileProperty& out, int length) {
  if (!stream || length <= 0) return 0;
  m_iLength = length;
  const ByteSpan bytes(stream, static_cast<std::size_t>(length));
  if (!IsDocumentInformation(bytes)) return 0;
  const long long section = *quellsy::le32(bytes, 44);
  if (section + 8 > length) return 0;
  m_uSectionSize = *quellsy::le32(bytes, static_cast<std::size_t>(section));
  m_uPropertyCount = *quellsy::le32(bytes, static_cast<std::size_t>(section) + 4);
  if (m_uPropertyCount < 1) return 0;

  bool stored = false;
  for (std::uint32_t i = 0; i < m_uPropertyCount; ++i) {
    const long long entry = section + 8 + 8LL * i;
    if (entry + 8 > length || i >= kMaxProperties) return 0;
    const std::uint32_t id = *quellsy::le32(bytes, static_cast<std::size_t>(entry));
    const std::uint32_t valueOffset = *quellsy::le32(bytes, static_cast<std::size_t>(entry) + 4);
    FileProperty::Slot slot;
    switch (id) {
      case 2: slot = FileProperty::kTitle; break;
      case 4: slot = FileProperty::kAuthor; break;
      case 8: slot = FileProperty::kLastAuthor; break;
      case 12: slot = FileProperty::kCreationTime; break;
      case 13: slot = FileProperty::kModificationTime; break;
      default: continue;
    }
    std::uint32_t number = 0;
    std::string text;
    GetDetailInformation(bytes, section + valueOffset, number, text);
    if (id == 12 || id == 13) text = FilterFileTime(text);
    if (text.empty()) continue;
    out[slot] = text;
    stored = true;
  }
  return stored ? 1 : 0;
}

bool CSummaryInFormation::IsDocumentInformation(ByteSpan stream) {
  if (stream.size() < kHeaderBytes) return false;
  if (*quellsy::le16(stream, 0) != kByteOrderMark) return false;
  const std::uint16_t version = *quellsy::le16(stream, 2);
  const std::uint32_t sets = *quellsy::le32(stream, 24);
  if (version > 1 || sets < 1 || sets > 2) return false;
  return std::equal(kSummaryFormatId.begin(), kSummaryFormatId.end(), stream.begin() + 28);
}

void CSummaryInFormation::GetDetailInformation(ByteSpan stream, long long offset, std::uint32_t& number,
                                               std::string& text) {
  const long long length = static_cast<long long>(stream.size());
  if (offset < 0 || offset + 8 > length) return;
  const auto at = static_cast<std::size_t>(offset);
  const std::uint32_t type = *quellsy::le32(stream, at);
  switch (type) {
    case kTypeFileTime: {
      if (offset + 12 > length) return;
      text = FileTimeText(*quellsy::le64(stream, at + 4));
      return;
    }
    case kTypeI2:
      number = *quellsy::le32(stream, at + 4);
      return;
    case kTypeString: {
      const std::uint32_t n = *quellsy::le32(stream, at + 4);
      if (n > kMaxValueBytes || n > length - offset - 8) return;
      const ByteSpan value = stream.subspan(at + 8, n);
      if (LooksUtf8(value))
        text.assign(value.begin(), value.end());
      else
        text = Id3Text::ToUtf8(value, "GBK").value_or(std::string{});
      text = UntilZero(std::move(text));
      OperateString(text);
      return;
    }
    case kTypeUnicode: {
      const std::uint32_t n = *quellsy::le32(stream, at + 4);
      if (2ULL * n > kMaxValueBytes || 2LL * n > length - offset - 8) return;
      text = UntilZero(
          quellsy::Utf16LeToUtf8(stream.subspan(at + 8, 2 * n), quellsy::InvalidUtf16::kStop).value_or(std::string{}));
      return;
    }
    default:
      return;
  }
}

std::string CSummaryInFormation::FilterFileTime(std::string text) {
  for (std::size_t i = 1; i < text.size(); ++i)
    if (text[i] == ':') text[i] = '-';
  return text;
}

void CSummaryInFormation::OperateString(std::string& text) {
  if (text.empty()) return;
  text.erase(0, std::min(text.find_first_not_of(' '), text.size()));
  text.resize(quellsy::CutUtf8(text, kTextCut).size());
}

std::string CSummaryInFormation::FileTimeText(std::uint64_t filetime) {
  if (filetime == 0) return {};
  const long long seconds = static_cast<long long>(filetime / 10000000ULL) -
                            static_cast<long long>(kUnixEpochFileTime / 10000000ULL);
  const std::time_t t = static_cast<std::time_t>(seconds);
  std::tm parts{};
  if (!localtime_r(&t, &parts)) return {};
  char out[64];
  std::snprintf(out, sizeof out, "%d-%02d-%02d-%02d-%02d-%02d", parts.tm_year + 1900, parts.tm_mon + 1,
                parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec);
  return out;
}

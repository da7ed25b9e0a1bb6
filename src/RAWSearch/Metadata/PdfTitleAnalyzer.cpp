#include "RAWSearch/Metadata/PdfTitleAnalyzer.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "RAWSearch/Framework/RawSearchApi.h"
#include "RAWSearch/Metadata/Id3Text.h"

namespace BruteForce {

namespace {

struct Key {
  const char* text;
  FileProperty::Slot slot;
};
// Looked up, and read, in this order.
constexpr std::array<Key, 6> kKeys = {{
    {"Author", FileProperty::kLastAuthor},
    {"Creator", FileProperty::kAuthor},
    {"CreationDate", FileProperty::kCreationTime},
    {"ModDate", FileProperty::kModificationTime},
    {"Producer", FileProperty::kProducer},
    {"Title", FileProperty::kTitle},
}};
enum KeyIndex { kAuthorKey, kCreatorKey, kCreationKey, kModKey, kProducerKey, kTitleKey };

bool IsAsciiLetter(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }

// The first `count` characters of UTF-8 text (a character is a lead byte and its continuations).
std::string FirstChars(const std::string& text, std::size_t count) {
  std::size_t chars = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) continue;
    if (chars++ == count) return text.substr(0, i);
  }
  return text;
}

}  // namespace

bool PdfTitleAnalyzer::ObtainPerSecPDFInformation(const unsigned char* sector, int length, bool more,
                                                  FileProperty& out) {
  if (!sector || length <= 0 || !RemoveNolessVec(sector, length)) return false;
  const char* text = reinterpret_cast<const char*>(sector);
  int position = 0;
  if (!myStrstr(text, length, "obj", 0, position)) return false;
  const int scan = length - position + (more ? length : 0);
  if (scan < 0) return false;
  m_iScanLength = scan;
  return SeparateInformation(text + position, scan, out);
}

bool PdfTitleAnalyzer::RemoveNolessVec(const unsigned char* data, int length) {
  if (!data || length <= 0) return false;
  static constexpr char kTextPunctuation[] = " ()-./:<>";
  const int quarter = length / 4;
  for (int at : {0, quarter - 1, 2 * quarter - 1, 3 * quarter - 1}) {
    const unsigned char c = data[std::max(at, 0)];
    if ((c >= '1' && c <= '9') || IsAsciiLetter(c) || c == 0 || c == 0xFE || c == 0xFF || c == '\r' ||
        (c != 0 && std::strchr(kTextPunctuation, c)))
      return true;
  }
  return false;
}

const char* PdfTitleAnalyzer::myStrstr(const char* data, int length, const char* key, int, int& position) {
  position = 0;
  if (!data || !key || length < 0) return nullptr;
  const auto keyLength = static_cast<int>(std::strlen(key));
  if (keyLength == 0) return data;
  const auto* found = Apimemstr(reinterpret_cast<const unsigned char*>(data), length,
                                reinterpret_cast<const unsigned char*>(key), keyLength);
  if (!found) return nullptr;
  position = static_cast<int>(reinterpret_cast<const char*>(found) - data);
  return data + position;
}

bool PdfTitleAnalyzer::SeparateInformation(const char* data, int length, FileProperty& out) {
  if (!data || length <= 0) return false;
  std::array<int, kKeys.size()> at{};
  std::array<bool, kKeys.size()> found{};
  for (std::size_t k = 0; k < kKeys.size(); ++k) found[k] = myStrstr(data, length, kKeys[k].text, 0, at[k]) != nullptr;
  const bool goOn = (found[kAuthorKey] && found[kCreatorKey]) ||
                    (found[kCreationKey] && (found[kAuthorKey] || found[kCreatorKey] || found[kModKey]));
  if (!goOn) return false;

  for (std::size_t k = 0; k < kKeys.size(); ++k) {
    if (!found[k]) continue;
    const std::string value = FirstChars(ObtainPerInfo(data + at[k], length - at[k]), kMaxValueChars);
    if (k == kCreationKey || k == kModKey) {
      out[kKeys[k].slot] = TimeChange(value);
      continue;
    }
    const std::string cleaned = ApiStrFilterBadFileName(value);
    if (!JudeLegalInfo(cleaned)) continue;
    out[kKeys[k].slot] = k == kTitleKey ? RemoveIllegalTitle(cleaned) : cleaned;
  }
  return !out[FileProperty::kAuthor].empty() || !out[FileProperty::kLastAuthor].empty() ||
         !out[FileProperty::kCreationTime].empty() || !out[FileProperty::kModificationTime].empty();
}

std::string PdfTitleAnalyzer::ObtainPerInfo(const char* data, int length) {
  if (!data || length <= 0) return {};
  const int window = std::min(length, kValueWindow);
  int open = -1;
  int close = -1;
  for (int i = 0; i < window; ++i) {
    if (data[i] == '(' && open < 0) open = i;
    if (data[i] == ')' && close < 0) close = i;
    if (data[i] == '/') break;
  }
  // A missing bracket counts as index 0.
  const int start = open < 0 ? 0 : open + 1;
  const int end = close < 0 ? 0 : close;
  if (end - start <= 0) return {};
  const auto* bytes = reinterpret_cast<const unsigned char*>(data + start);
  const auto count = static_cast<std::size_t>(end - start);
  if (count < 2 || bytes[0] != 0xFE || bytes[1] != 0xFF) {
    const auto* zero = static_cast<const unsigned char*>(std::memchr(bytes, 0, count));
    return std::string(reinterpret_cast<const char*>(bytes), zero ? static_cast<std::size_t>(zero - bytes) : count);
  }
  if (count > static_cast<std::size_t>(kValueWindow) || static_cast<int>(count) > length - 3) return {};
  return Id3Text::ToUtf8(quellsy::ByteSpan(bytes + 2, count - 2), "UTF-16BE").value_or(std::string());
}

std::string PdfTitleAnalyzer::TimeChange(const std::string& value) {
  if (value.size() < 17) return {};
  if (!std::all_of(value.begin() + 2, value.begin() + 16,
                   [](char c) { return IsDigit(static_cast<unsigned char>(c)); }))
    return {};
  return value.substr(2, 4) + "-" + value.substr(6, 2) + "-" + value.substr(8, 2) + " " + value.substr(10, 2) + "-" +
         value.substr(12, 2) + "-" + value.substr(14, 2);
}

bool PdfTitleAnalyzer::JudeLegalInfo(const std::string& text) {
  if (text.size() < 2) return false;
  // Bytes of UTF-8 sequences count as letters: titles and names in other scripts are kept.
  return std::all_of(text.begin(), text.end(), [](char ch) {
    const auto c = static_cast<unsigned char>(ch);
    return IsAsciiLetter(c) || IsDigit(c) || c >= 0x80 || c == ' ' || c == '(' || c == '-' || c == '.' || c == '_';
  });
}

std::string PdfTitleAnalyzer::RemoveIllegalTitle(const std::string& text) {
  return std::any_of(text.begin(), text.end(), [](char c) { return IsDigit(static_cast<unsigned char>(c)); })
             ? std::string()
             : text;
}

}  // namespace BruteForce

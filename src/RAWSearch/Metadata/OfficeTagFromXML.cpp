#include "RAWSearch/Metadata/OfficeTagFromXML.h"

#include <tinyxml.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>

namespace Brance {

namespace {

// Only deflated members are read; a stored one is not inflated.
constexpr std::uint16_t kDeflated = 8;

// The text of document -> "cp:coreProperties" -> name, or null.
const char* CoreText(TiXmlDocument& document, const char* name) {
  TiXmlHandle root(&document);
  const TiXmlElement* element = root.FirstChildElement("cp:coreProperties").FirstChildElement(name).ToElement();
  return element ? element->GetText() : nullptr;
}

}  // namespace

OfficeTagFromXML& OfficeTagFromXML::Instance() {
  static OfficeTagFromXML reader;
  return reader;
}

OfficeTagFromXML::Result OfficeTagFromXML::GetOfficeTagFromXML(quellsy::ByteSpan member, FileProperty& out) {
  if (member.size() < kLocalHeaderBytes) return Result::kNeedMore;
  const std::uint16_t method = *quellsy::le16(member, 8);
  const std::uint32_t compressed = *quellsy::le32(member, 18);
  const std::uint32_t uncompressed = *quellsy::le32(member, 22);
  if (compressed == 0 || uncompressed == 0 || compressed >= kTextCap || uncompressed >= kTextCap ||
      method != kDeflated)
    return Result::kRefused;
  const std::size_t dataStart = kLocalHeaderBytes + *quellsy::le16(member, 26) + *quellsy::le16(member, 28);
  if (dataStart + compressed > member.size()) return Result::kNeedMore;
  if (!bDepress(member.subspan(dataStart, compressed), uncompressed)) return Result::kRefused;
  AnalyzeTag(out);
  return Result::kRead;
}

bool OfficeTagFromXML::bDepress(quellsy::ByteSpan compressed, std::uint32_t uncompressedSize) {
  m_text.fill('\0');
  if (uncompressedSize > kTextCap) return false;
  z_stream stream{};
  if (inflateInit2(&stream, -MAX_WBITS) != Z_OK) return false;
  // zlib does not write through next_in; the cast only meets its interface.
  stream.next_in = const_cast<Bytef*>(compressed.data());
  stream.avail_in = static_cast<uInt>(compressed.size());
  stream.next_out = reinterpret_cast<Bytef*>(m_text.data());
  // The output is bounded by the buffer whatever the header claims; the last byte stays NUL.
  stream.avail_out = std::min<uInt>(uncompressedSize, kTextCap);
  const int result = inflate(&stream, Z_NO_FLUSH);
  inflateEnd(&stream);
  return result >= 0;
}

void OfficeTagFromXML::AnalyzeTag(FileProperty& out) {
  const char* text = m_text.data();
  if (std::strncmp(text, "<?", 2) != 0) return;
  if (std::count(m_text.begin(), m_text.end(), '<') > static_cast<std::ptrdiff_t>(kMaxTags)) return;
  TiXmlDocument document;
  document.Parse(text, nullptr, TIXML_ENCODING_UTF8);
  if (document.Error() || !document.RootElement()) return;
  const struct {
    const char* name;
    FileProperty::Slot slot;
    bool time;
  } fields[] = {
      {"dc:title", FileProperty::kTitle, false},
      {"dc:creator", FileProperty::kAuthor, false},
      {"cp:lastModifiedBy", FileProperty::kLastAuthor, false},
      {"dcterms:created", FileProperty::kCreationTime, true},
      {"dcterms:modified", FileProperty::kModificationTime, true},
  };
  for (const auto& field : fields) {
    const char* value = CoreText(document, field.name);
    if (!value || !*value) continue;
    const std::string stored = value;
    if (field.time)
      out[field.slot] = FilterFileTime(stored);
    else if (stored.size() <= kMaxValueBytes)
      out[field.slot] = stored;
  }
}

std::string OfficeTagFromXML::FilterFileTime(std::string text) {
  for (std::size_t i = 1; i < text.size(); ++i) {
    const char c = text[i];
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))
      text[i] = ' ';
    else if (c == ':')
      text[i] = '-';
  }
  return text;
}

}  // namespace Brance

#include <algorithm>
#include <initializer_list>
#include <string_view>

#include "RAWSearch/Formats/Archive/FileZIPAnalyser.h"

namespace {

using quellsy::ByteSpan;

constexpr std::uint32_t kLocalSignature = 0x04034B50;
constexpr std::uint32_t kCentralSignature = 0x02014B50;
constexpr std::uint32_t kEndSignature = 0x06054B50;
constexpr std::uint32_t kZip64EndSignature = 0x06064B50;
constexpr std::uint32_t kZip64LocatorSignature = 0x07064B50;
constexpr std::uint32_t kNotStated = 0xFFFFFFFF;
constexpr std::uint16_t kZip64ExtraTag = 0x0001;
// The ZIP64 end record states its own length after its first 12 bytes; longer ones are not believed.
constexpr std::uint64_t kMaxZip64EndBytes = 0x10000;

bool Is(std::uint32_t type, std::initializer_list<std::uint32_t> types) {
  return std::find(types.begin(), types.end(), type) != types.end();
}

bool OneOf(const std::string& name, std::initializer_list<std::string_view> names) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

bool Holds(ByteSpan bytes, std::size_t positions, std::string_view mark) {
  for (std::size_t i = 0; i < positions && i + mark.size() <= bytes.size(); ++i)
    if (std::equal(mark.begin(), mark.end(), bytes.begin() + static_cast<std::ptrdiff_t>(i))) return true;
  return false;
}

}  // namespace

classZipSearch::Kind classZipSearch::IsValidHeader(ByteSpan record) {
  if (IsValidLocalZipFileHeader(record)) return Kind::kLocal;
  if (IsValidCentralDirectoryHeader(record)) return Kind::kCentral;
  if (IsValidEndCentralDir(record)) return Kind::kEnd;
  if (IsValidZip64EndCentralDirRecord(record)) return Kind::kZip64End;
  if (IsValidZip64EndCentralDirLocator(record)) return Kind::kZip64Locator;
  return Kind::kNone;
}

bool classZipSearch::IsValidLocalZipFileHeader(ByteSpan record) {
  return record.size() >= kLocalBytes && quellsy::le32(record, 0) == kLocalSignature &&
         *quellsy::le16(record, 8) <= kMaxMethod && *quellsy::le16(record, 26) <= kMaxNameLength;
}

bool classZipSearch::IsValidCentralDirectoryHeader(ByteSpan record) {
  return record.size() >= kCentralBytes && quellsy::le32(record, 0) == kCentralSignature;
}

bool classZipSearch::IsValidEndCentralDir(ByteSpan record) {
  return record.size() >= kEndBytes && quellsy::le32(record, 0) == kEndSignature;
}

bool classZipSearch::IsValidZip64EndCentralDirRecord(ByteSpan record) {
  if (record.size() < kZip64EndBytes || quellsy::le32(record, 0) != kZip64EndSignature) return false;
  const std::uint64_t length = *quellsy::le64(record, 4);
  return length >= kZip64EndBytes - 12 && length <= kMaxZip64EndBytes;
}

bool classZipSearch::IsValidZip64EndCentralDirLocator(ByteSpan record) {
  return record.size() >= kZip64LocatorBytes && quellsy::le32(record, 0) == kZip64LocatorSignature;
}

std::uint64_t classZipSearch::HeaderLength(Kind kind, ByteSpan fixed) {
  switch (kind) {
    case Kind::kLocal:
      return kLocalBytes + *quellsy::le16(fixed, 26) + *quellsy::le16(fixed, 28);
    case Kind::kCentral:
      return kCentralBytes + *quellsy::le16(fixed, 28) + *quellsy::le16(fixed, 30) + *quellsy::le16(fixed, 32);
    case Kind::kEnd:
      return kEndBytes + *quellsy::le16(fixed, 20);
    case Kind::kZip64End:
      return 12 + *quellsy::le64(fixed, 4);
    case Kind::kZip64Locator:
      return kZip64LocatorBytes;
    case Kind::kNone:
      break;
  }
  return 0;
}

std::optional<std::uint64_t> classZipSearch::LocalDataLength(ByteSpan header) {
  const std::uint32_t compressed = *quellsy::le32(header, 18);
  if (compressed != kNotStated) return compressed;
  // The ZIP64 extra field holds the uncompressed size first when that one is not stated either.
  const std::size_t nameLength = *quellsy::le16(header, 26);
  const std::size_t extraLength = *quellsy::le16(header, 28);
  const ByteSpan extra = header.subspan(kLocalBytes + nameLength, extraLength);
  for (std::size_t at = 0; at + 4 <= extra.size();) {
    const std::uint16_t tag = *quellsy::le16(extra, at);
    const std::size_t size = *quellsy::le16(extra, at + 2);
    if (tag == kZip64ExtraTag) {
      const std::size_t value = *quellsy::le32(header, 22) == kNotStated ? 8 : 0;
      return quellsy::le64(extra.subspan(std::min(at + 4, extra.size())), value);
    }
    at += 4 + size;
  }
  return std::nullopt;
}

std::uint32_t classZipSearch::ClassifyLocal(const std::string& name, ByteSpan after, bool office, std::uint32_t type) {
  if (office) {
    if (OneOf(name, {"word/_rels/document.xml.rels", "word/theme/theme1.xml"})) return RAW_FILE_TYPE_DOCX;
    if (name == "xl/_rels/workbook.xml.rels") return RAW_FILE_TYPE_XLSX;
    if (name == "ppt/_rels/presentation.xml.rels") return RAW_FILE_TYPE_PPTX;
  }
  // A name of the tax software's form (a GUID).
  if (name.size() == 36) return std::count(name.begin(), name.end(), '-') == 4 ? std::uint32_t{RAW_FILE_TYPE_TAX} : type;
  if (office) {
    if (OneOf(name, {"Accounts/Outlook/com.microsoft.__Messages/", "Accounts/Outlook/",
                     "Local/com.microsoft.__Messages/"}))
      return RAW_FILE_TYPE_OLM;
    return name.size() >= 5 && name.starts_with("word") ? std::uint32_t{RAW_FILE_TYPE_DOCX} : type;
  }
  const bool pagesOrKeynote = Is(type, {RAW_FILE_TYPE_PAGES, RAW_FILE_TYPE_KEY});
  if (!pagesOrKeynote) {
    if (name.find("numbers/") != std::string::npos) return RAW_FILE_TYPE_NUMBERS;
    if (OneOf(name, {"Index/Slide1.iwa", "Index/Slide2.iwa", "index.apxl"})) return RAW_FILE_TYPE_KEY;
    if (name == "buildVersionHistory.plist")
      return Holds(after, 1024, "<string>pages-trunk") ? RAW_FILE_TYPE_PAGES : RAW_FILE_TYPE_NUMBERS;
    if (OneOf(name, {"Index/DocumentStylesheet.iwa", "Index/Tables/HeaderStorageBuckt-1.iwa"}))
      return Holds(after, 256, "layout-style-") || Holds(after, 256, "imported-paragraph-style-")
                 ? RAW_FILE_TYPE_PAGES
                 : RAW_FILE_TYPE_NUMBERS;
    if (OneOf(name, {"Index/Metadata.iwa", "Metadata/Properties.plist"}))
      return Holds(after, 256, "CalculationEngine") || Holds(after, 256, "DocumentMetadata") ||
                     Holds(after, 256, "Xrevision")
                 ? RAW_FILE_TYPE_PAGES
                 : RAW_FILE_TYPE_NUMBERS;
  }
  if (Is(type, {RAW_FILE_TYPE_PAGES, RAW_FILE_TYPE_KEY, RAW_FILE_TYPE_NUMBERS})) return type;
  if (name.starts_with("OEBPS/Text/chapter") || name.starts_with("OPS/chapter.html")) return RAW_FILE_TYPE_EPUB;
  if (name == "mimetype") {
    if (Holds(after, 48, "application/epub+")) return RAW_FILE_TYPE_EPUB;
    if (Holds(after, 26, "application/vnd.oasis.opendocument.text")) return RAW_FILE_TYPE_ODT;
    if (Holds(after, 20, std::string_view("application/vnd.oasis.opendocument.spreadsheet").substr(0, 45)))
      return RAW_FILE_TYPE_ODS;
    if (Holds(after, 19, std::string_view("application/vnd.oasis.opendocument.presentation").substr(0, 46)))
      return RAW_FILE_TYPE_ODP;
  }
  return type;
}

std::uint32_t classZipSearch::ClassifyCentral(const std::string& name, bool office, std::uint32_t type) {
  if (!office) return type;
  if (name == "word/_rels/document.xml.rels") return RAW_FILE_TYPE_DOCX;
  if (name == "xl/_rels/workbook.xml.rels") return RAW_FILE_TYPE_XLSX;
  if (name == "ppt/_rels/presentation.xml.rels") return RAW_FILE_TYPE_PPTX;
  if (name == "Accounts/Outlook/") return RAW_FILE_TYPE_OLM;
  return name.size() >= 5 && name.starts_with("word") ? std::uint32_t{RAW_FILE_TYPE_DOCX} : type;
}

void classZipSearch::JudgeMaybeOfficeType(const std::string& firstName, bool& office, bool& drawing) {
  office = false;
  drawing = false;
  // Packages need not start with their content-types part: one that starts in a part folder is one too.
  for (std::string_view lead : {"[Content_Types].xml", "docProps/", "word/", "xl/", "ppt/", "_rels/.rels",
                                "Categories.xml"})
    if (firstName.starts_with(lead)) office = true;
  if (!office) drawing = firstName.starts_with("content/riffData.cdr");
}

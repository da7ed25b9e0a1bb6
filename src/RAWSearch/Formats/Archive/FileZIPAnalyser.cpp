#include "RAWSearch/Formats/Archive/FileZIPAnalyser.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <string_view>
#include <vector>

#include "RAWSearch/Framework/PlainFileWindow.h"
#include "RAWSearch/Metadata/OfficeTagFromXML.h"

namespace {

using quellsy::ByteSpan;
using Kind = classZipSearch::Kind;

constexpr std::uint32_t kEndSignature = 0x06054B50;
constexpr std::uint32_t kZip64LocatorSignature = 0x07064B50;
constexpr std::uint32_t kNotStated = 0xFFFFFFFF;
// The end record is searched for a unit at a time, so that any two blocks of the search hold a whole one.
constexpr std::size_t kSearchChunk = 512;
// Bytes behind a member's name that the typing rules may look at.
constexpr std::size_t kRuleBytes = 1024;
constexpr const char* kCoreName = "docProps/core.xml";
constexpr std::size_t kTitleCut = 24;

std::string NameOf(ByteSpan header, std::size_t at, std::size_t length) {
  const ByteSpan name = header.subspan(at, length);
  return std::string(name.begin(), name.end());
}

bool NeedsContent(const std::string& name) {
  return name == "mimetype" || name == "buildVersionHistory.plist" || name.starts_with("Index/") ||
         name == "Metadata/Properties.plist";
}

}  // namespace

FileZIPAnalyser::FileZIPAnalyser() : CPlainRawFileAnalyser(RAW_FILE_TYPE_ZIP) {}

CRawFileInfo* FileZIPAnalyser::CreateRawFileInfo() { return new ZIPRawFileInfo(RAW_FILE_TYPE_ZIP); }

bool FileZIPAnalyser::ZipIpaFileType(ByteSpan header) {
  if (!classZipSearch::IsValidLocalZipFileHeader(header)) return false;
  const std::size_t length = std::min<std::size_t>(*quellsy::le16(header, 26), header.size() - 30);
  std::string name = NameOf(header, 30, length);
  std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
  for (std::string_view lead :
       {"payload", "itunesartwork", "itunesmetadata.plist", "container", "watchkitsupport", "meta-inf"})
    if (name.starts_with(lead)) return true;
  return false;
}

int FileZIPAnalyser::Test(ByteSpan sector, CRawFileInfo& hit) {
  return Claim(hit, ZipIpaFileType(sector) ? RAW_FILE_TYPE_IPA : RAW_FILE_TYPE_ZIP, 0);
}

int FileZIPAnalyser::Measure(CRawFileInfo& hit, PlainFileWindow& window) {
  std::vector<std::uint8_t> copy;
  const Walk::Fetch fetch = WindowFetch(window, copy);
  const ByteSpan first = window.At(0);
  Walk walk(ZipIpaFileType(first) ? RAW_FILE_TYPE_IPA : RAW_FILE_TYPE_ZIP);
  if (walk.Advance(fetch, kDeviceSearchCap) != Walk::State::kDone) return 0;
  hit.m_uRawFileType = walk.Type();
  hit.m_ullSize = walk.Size();
  const unsigned sectorSize = std::max(window.SectorSize(), 1u);
  FillFileInfo(hit, walk, hit.m_llStartSector + static_cast<long long>((walk.Size() - 1) / sectorSize));
  return 1;
}

void FileZIPAnalyser::FillFileInfo(CRawFileInfo& hit, const Walk& walk, long long lastSector) {
  const FileProperty& p = walk.Properties();
  std::string base;
  std::string author;
  if (walk.PropertiesRead() && walk.Office()) {
    const std::string& title = p[FileProperty::kTitle];
    const std::string& creator = p[FileProperty::kAuthor];
    const std::string& modifier = p[FileProperty::kLastAuthor];
    const std::string& created = p[FileProperty::kCreationTime];
    const std::string& modified = p[FileProperty::kModificationTime];
    author = !modifier.empty() ? modifier : !creator.empty() ? creator : "unKnown";
    if (!modified.empty()) hit.SetRawFileTime(modified);
    const auto withDate = [&](const std::string& text) { return modified.empty() ? text : text + "_" + modified; };
    if (!title.empty())
      base = withDate(title.size() > kTitleCut ? title.substr(0, kTitleCut) : title);
    else if (!modifier.empty())
      base = withDate(modifier);
    else if (!creator.empty())
      base = withDate(creator);
    else if (!modified.empty())
      base = modified;
    else
      base = created;
  }
  if (base.empty()) {
    hit.SetRawFileTagAndValue(RAW_FILE_TAG_NONE, {});
    char name[64];
    std::snprintf(name, sizeof name, "%lld-%lld_", hit.m_llStartSector, lastSector);
    hit.SetRawFileName(name);
    return;
  }
  const std::uint32_t type = walk.Type();
  if (type == RAW_FILE_TYPE_DOCX || type == RAW_FILE_TYPE_XLSX || type == RAW_FILE_TYPE_PPTX) {
    hit.SetRawFileTagAndValue(RAW_FILE_TAG_OFFICE, author);
    hit.SetRawFileName(author + "_" + base);
  } else {
    hit.SetRawFileName(base);
  }
}

FileZIPAnalyser::Walk::State FileZIPAnalyser::Walk::Advance(const Fetch& fetch, std::uint64_t limit) {
  while (m_state == State::kWaiting) {
    if (m_bCorePending) ReadCore(fetch);
    const Step step = m_bWalking ? WalkRecord(fetch) : SearchEnd(fetch, limit);
    if (step == Step::kWait) break;
    if (step == Step::kStop && m_state == State::kWaiting) m_state = State::kBad;
  }
  // The core properties may still be on their way when the end is known.
  if (m_state == State::kDone && m_bCorePending) ReadCore(fetch);
  return m_state;
}

FileZIPAnalyser::Walk::Step FileZIPAnalyser::Walk::WalkRecord(const Fetch& fetch) {
  const std::uint64_t p = m_ullNext;
  const std::optional<ByteSpan> fixed = fetch(p, classZipSearch::kZip64EndBytes);
  if (!fixed) return Step::kWait;
  const Kind kind = classZipSearch::IsValidHeader(*fixed);
  if (kind == Kind::kNone || (m_bFirst && kind != Kind::kLocal)) {
    if (m_bFirst) return Step::kStop;
    // A record that is not one: the end record is searched for from here.
    m_bWalking = false;
    m_ullScan = p;
    return Step::kNext;
  }
  const std::uint64_t headerLength = classZipSearch::HeaderLength(kind, *fixed);
  const std::optional<ByteSpan> fetched = fetch(p, static_cast<std::size_t>(headerLength));
  if (!fetched) return Step::kWait;
  if (fetched->size() < headerLength) return Step::kStop;
  // Fetched bytes last only until the next fetch.
  const std::vector<std::uint8_t> headerBytes(fetched->begin(), fetched->end());
  const std::optional<ByteSpan> header = ByteSpan(headerBytes);

  switch (kind) {
    case Kind::kLocal: {
      const std::size_t nameLength = *quellsy::le16(*header, 26);
      if (nameLength > classZipSearch::kMaxRuleName) return Step::kStop;
      const std::string name = NameOf(*header, 30, nameLength);
      ByteSpan after;
      if (NeedsContent(name)) {
        const std::optional<ByteSpan> content = fetch(p + 30 + nameLength, kRuleBytes);
        if (!content) return Step::kWait;
        after = *content;
      }
      if (m_bFirst) {
        classZipSearch::JudgeMaybeOfficeType(name, m_bOffice, m_bDrawing);
        if (m_bDrawing) m_uType = RAW_FILE_TYPE_CDR;
        m_bFirst = false;
      }
      if (name == kCoreName) {
        if (!m_bPropertiesRead && !m_bCorePending) {
          m_bCorePending = true;
          m_ullCore = p;
        }
      } else {
        m_uType = classZipSearch::ClassifyLocal(name, after, m_bOffice, m_uType);
      }
      m_strLastName = name;
      const std::uint16_t flags = *quellsy::le16(*header, 6);
      const std::optional<std::uint64_t> data = classZipSearch::LocalDataLength(*header);
      if ((flags & classZipSearch::kDescriptorFlag) != 0 || !data) {
        // The sizes follow the data: the walk cannot step over it.
        m_bWalking = false;
        m_ullScan = p + headerLength;
        return Step::kNext;
      }
      m_ullNext = p + headerLength + *data;
      return Step::kNext;
    }
    case Kind::kCentral: {
      const std::size_t nameLength = *quellsy::le16(*header, 28);
      if (nameLength > classZipSearch::kMaxRuleName) return Step::kStop;
      m_uType = classZipSearch::ClassifyCentral(NameOf(*header, 46, nameLength), m_bOffice, m_uType);
      m_ullNext = p + headerLength;
      return Step::kNext;
    }
    case Kind::kEnd:
      m_ullEnd = p + headerLength;
      m_state = State::kDone;
      return Step::kNext;
    case Kind::kZip64End:
    case Kind::kZip64Locator:
      m_ullNext = p + headerLength;
      return Step::kNext;
    case Kind::kNone:
      break;
  }
  return Step::kStop;
}

FileZIPAnalyser::Walk::Step FileZIPAnalyser::Walk::SearchEnd(const Fetch& fetch, std::uint64_t limit) {
  while (m_ullScan < limit) {
    const std::optional<ByteSpan> fetched = fetch(m_ullScan, kSearchChunk);
    if (!fetched) return Step::kWait;
    // Checking a candidate fetches again, which may reuse the chunk's memory.
    const std::vector<std::uint8_t> chunkBytes(fetched->begin(), fetched->end());
    const std::optional<ByteSpan> chunk = ByteSpan(chunkBytes);
    if (chunk->size() < 4) return Step::kStop;
    for (std::size_t i = 0; i + 4 <= chunk->size(); ++i) {
      if ((*chunk)[i] != 'P' || quellsy::le32(*chunk, i) != kEndSignature) continue;
      bool taken = false;
      const Step step = CheckEnd(fetch, m_ullScan + i, taken);
      if (step == Step::kWait) {
        // Resume at this candidate once its fields are at hand.
        m_ullScan += i;
        return Step::kWait;
      }
      if (taken) return Step::kNext;
    }
    if (chunk->size() < kSearchChunk) return Step::kStop;
    // A signature cut by the chunk's end is found in the next one.
    m_ullScan += kSearchChunk - 3;
  }
  return Step::kStop;
}

FileZIPAnalyser::Walk::Step FileZIPAnalyser::Walk::CheckEnd(const Fetch& fetch, std::uint64_t at, bool& taken) {
  const std::optional<ByteSpan> end = fetch(at, classZipSearch::kEndBytes);
  if (!end) return Step::kWait;
  if (end->size() < classZipSearch::kEndBytes) return Step::kNext;
  const std::uint32_t size = *quellsy::le32(*end, 12);
  const std::uint32_t offset = *quellsy::le32(*end, 16);
  const std::uint16_t comment = *quellsy::le16(*end, 20);
  bool consistent = std::uint64_t{offset} + size == at;
  if (!consistent && (offset == kNotStated || size == kNotStated) && at >= classZipSearch::kZip64LocatorBytes) {
    const std::optional<ByteSpan> locator = fetch(at - classZipSearch::kZip64LocatorBytes, 4);
    consistent = locator && quellsy::le32(*locator, 0) == kZip64LocatorSignature;
  }
  if (!consistent) return Step::kNext;
  taken = true;
  if (offset != kNotStated && size != kNotStated) TypeByCentralDirectory(fetch, offset, size);
  m_ullEnd = at + classZipSearch::kEndBytes + comment;
  m_state = State::kDone;
  return Step::kNext;
}

void FileZIPAnalyser::Walk::TypeByCentralDirectory(const Fetch& fetch, std::uint64_t offset, std::uint64_t size) {
  if (size > kCentralDirectoryCap) return;
  const std::optional<ByteSpan> fetched = fetch(offset, static_cast<std::size_t>(size));
  if (!fetched || fetched->size() < size) return;
  // The fetch's bytes last only until the next fetch.
  const std::vector<std::uint8_t> directory(fetched->begin(), fetched->end());
  const ByteSpan bytes(directory);
  for (std::size_t at = 0; at + classZipSearch::kCentralBytes <= bytes.size();) {
    const ByteSpan record = bytes.subspan(at);
    if (!classZipSearch::IsValidCentralDirectoryHeader(record)) return;
    const std::uint64_t length = classZipSearch::HeaderLength(Kind::kCentral, record);
    const std::size_t nameLength = *quellsy::le16(record, 28);
    if (length > record.size()) return;
    m_uType = classZipSearch::ClassifyCentral(NameOf(record, 46, nameLength), m_bOffice, m_uType);
    at += static_cast<std::size_t>(length);
  }
}

void FileZIPAnalyser::Walk::ReadCore(const Fetch& fetch) {
  const std::optional<ByteSpan> header = fetch(m_ullCore, classZipSearch::kLocalBytes);
  if (!header) return;
  if (header->size() < classZipSearch::kLocalBytes) {
    m_bCorePending = false;
    return;
  }
  // Members the reader would refuse are not waited for.
  const std::uint64_t data = *quellsy::le32(*header, 18);
  if (data >= Brance::OfficeTagFromXML::kTextCap) {
    m_bCorePending = false;
    return;
  }
  const std::uint64_t length = classZipSearch::HeaderLength(Kind::kLocal, *header) + data;
  const std::optional<ByteSpan> member = fetch(m_ullCore, static_cast<std::size_t>(length));
  if (!member) return;
  m_bCorePending = false;
  m_bPropertiesRead =
      Brance::OfficeTagFromXML::Instance().GetOfficeTagFromXML(*member, m_properties) ==
      Brance::OfficeTagFromXML::Result::kRead;
}

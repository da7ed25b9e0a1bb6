#include <algorithm>
#include <cstdio>

#include "RAWSearch/Formats/Document/FileOLEAnalyser.h"

namespace {

constexpr std::uint32_t kPropertySetStart = 0x0000FFFE;
constexpr long long kUnit = 512;
// A summary stream that fits the small-stream area is shorter than this.
constexpr long long kSummaryBytes = 4096;

}  // namespace

FileOLEAnalyser::OleRawFileInfo::OleRawFileInfo() { m_uRawFileType = RAW_FILE_TYPE_MOF; }

int FileOLEAnalyser::OleRawFileInfo::CalcRawSize(unsigned char* sector, int sectorSize, long long sectorNumber,
                                                 SearchContext& context) {
  if (m_bFinished) return 1;
  if (!sector || sectorSize < kUnit || sectorNumber < m_llStartSector) return 1;
  const long long index = sectorNumber - m_llStartSector;
  const long long extent = (index + 1) * sectorSize;
  // The summary stream is looked for only inside the file: in any sector that starts before its end, since the
  // last device sector may hold the file's last small-stream sectors behind its first bytes.
  if (!m_bSummaryRead &&
      (m_layout.GetState() != Layout::State::kDone || index * sectorSize < static_cast<long long>(m_layout.Size())))
    ReadSummary(sector, sectorSize, std::max(context.llBlockEndSector - sectorNumber, 1LL) * sectorSize);

  const Layout::Fetch fetch = HeldFetch(sector, sectorSize, m_llStartSector, sectorNumber, context);
  const Layout::State state = m_layout.Advance(fetch);
  if (state == Layout::State::kBad) {
    m_ullSize = 0;
    return 1;
  }
  if (state == Layout::State::kDone) {
    // The summary may still stream past before the file ends.
    if (m_bSummaryRead || extent >= static_cast<long long>(m_layout.Size())) return Finish(sectorSize);
    return 2;
  }
  if (extent > static_cast<long long>(kSizeCap)) {
    m_ullSize = 0;
    return 1;
  }
  return 2;
}

void FileOLEAnalyser::OleRawFileInfo::WillBeRemove(unsigned char*, long long) {
  if (!m_bFinished && m_layout.GetState() == Layout::State::kDone) Finish(0);
}

void FileOLEAnalyser::OleRawFileInfo::ReadSummary(const unsigned char* sector, int sectorSize, long long available) {
  // A property set starts a small-stream sector, so any 512-byte unit of a larger device sector.
  for (long long unit = 0; unit + kUnit <= sectorSize; unit += kUnit) {
    if (*quellsy::le32(quellsy::ByteSpan(sector + unit, 4), 0) != kPropertySetStart) continue;
    const long long length = std::min(available - unit, kSummaryBytes);
    if (m_summaryReader.GetFileInformation(sector + unit, m_summary, static_cast<int>(length)) != 0) {
      m_bSummaryRead = true;
      return;
    }
  }
}

int FileOLEAnalyser::OleRawFileInfo::Finish(int sectorSize) {
  m_bFinished = true;
  m_uRawFileType = m_layout.Type();
  m_ullSize = m_layout.Size();
  const long long sectors = sectorSize > 0 ? static_cast<long long>(m_ullSize) / sectorSize
                                           : static_cast<long long>(m_ullSize) / kUnit;
  char name[64];
  std::snprintf(name, sizeof name, "%lld-%lld ", m_llStartSector, m_llStartSector + sectors);
  SetRawFileName(name);
  if (m_bSummaryRead) SetFileName(m_summary);
  return 1;
}

void FileOLEAnalyser::OleRawFileInfo::SetFileName(const FileProperty& summary) {
  const std::string& title = summary[FileProperty::kTitle];
  const std::string& author = summary[FileProperty::kAuthor];
  const std::string& lastAuthor = summary[FileProperty::kLastAuthor];
  const std::string& created = summary[FileProperty::kCreationTime];
  const std::string& saved = summary[FileProperty::kModificationTime];
  const std::string& time = saved.empty() ? created : saved;
  if (!time.empty()) {
    const std::string& who = !title.empty() ? title : !lastAuthor.empty() ? lastAuthor : author;
    SetRawFileName(who.empty() ? time + " " : who + "_" + time + " ");
  } else {
    // The last of these that is there wins.
    for (const std::string* text : {&title, &lastAuthor, &author})
      if (!text->empty()) SetRawFileName(*text + " ");
  }
  if (!created.empty()) SetRawFileTime(created);

  if (!lastAuthor.empty())
    SetFileTag(lastAuthor);
  else if (!author.empty())
    SetFileTag(author);
  else if (!created.empty() || !title.empty() || !saved.empty())
    SetFileTag("unKnown");
}

void FileOLEAnalyser::OleRawFileInfo::SetFileTag(const std::string& value) {
  if (m_uRawFileType != RAW_FILE_TYPE_DOC && m_uRawFileType != RAW_FILE_TYPE_PPT && m_uRawFileType != RAW_FILE_TYPE_XLS)
    return;
  SetRawFileTagAndValue(RAW_FILE_TAG_OFFICE, value);
  const std::string name = GetRawFileName();
  if (!name.empty()) SetRawFileName(value + "_" + name);
}

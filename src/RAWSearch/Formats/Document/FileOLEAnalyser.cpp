#include "RAWSearch/Formats/Document/FileOLEAnalyser.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "RAWSearch/Framework/PlainFileWindow.h"

namespace {

using quellsy::ByteSpan;

constexpr std::uint32_t kSignatureHigh = 0xE11AB1A1;
constexpr std::uint32_t kSignatureLow = 0xE011CFD0;
constexpr std::uint32_t kFree = 0xFFFFFFFF;
constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;
// Numbers from here up are markers, not sectors.
constexpr std::uint32_t kMaxSector = 0xFFFFFFFA;
constexpr std::size_t kHeaderBytes = 512;
constexpr std::size_t kHeaderFatEntries = 109;
constexpr std::size_t kEntryBytes = 128;
constexpr std::size_t kNameBytes = 64;
constexpr std::size_t kClassIdAt = 80;

// Entry k's name, unit by unit up to its terminating zero, equals `name` (ASCII and control units only).
bool EntryIs(ByteSpan directory, std::size_t k, std::string_view name) {
  const std::size_t at = k * kEntryBytes;
  if (at + kEntryBytes > directory.size()) return false;
  for (std::size_t i = 0; i <= name.size(); ++i) {
    if (2 * i + 2 > kNameBytes) return false;
    const std::uint16_t unit = *quellsy::le16(directory, at + 2 * i);
    const std::uint16_t want = i < name.size() ? static_cast<std::uint8_t>(name[i]) : 0;
    if (unit != want) return false;
  }
  return true;
}

bool AnyEntryIs(ByteSpan directory, std::string_view name) {
  for (std::size_t k = 0; k < directory.size() / kEntryBytes; ++k)
    if (EntryIs(directory, k, name)) return true;
  return false;
}

}  // namespace

FileOLEAnalyser::FileOLEAnalyser() : CPlainRawFileAnalyser(RAW_FILE_TYPE_OLE) {}

CRawFileInfo* FileOLEAnalyser::CreateRawFileInfo() { return new OleRawFileInfo(); }

int FileOLEAnalyser::Test(ByteSpan sector, CRawFileInfo& hit) {
  if (quellsy::le32(sector, 0) != kSignatureLow || quellsy::le32(sector, 4) != kSignatureHigh) return 0;
  return Claim(hit, 0);
}

int FileOLEAnalyser::Measure(CRawFileInfo& hit, PlainFileWindow& window) {
  std::vector<std::uint8_t> copy;
  const Layout::Fetch fetch = WindowFetch(window, copy);
  Layout layout;
  if (layout.Advance(fetch) != Layout::State::kDone) return 0;
  hit.m_uRawFileType = layout.Type();
  hit.m_ullSize = layout.Size();
  return 1;
}

std::uint32_t FileOLEAnalyser::CheckSectDirData(ByteSpan directory) {
  const auto is = [&](std::size_t k, std::string_view name) { return EntryIs(directory, k, name); };
  std::uint32_t type = AnyEntryIs(directory, "WordDocument") || AnyEntryIs(directory, "ObjectPool")
                           ? RAW_FILE_TYPE_DOC
                           : RAW_FILE_TYPE_MOF;
  if (is(1, "VisioDocument"))
    type = RAW_FILE_TYPE_VSD;
  else if (is(1, "Scene") || is(2, "Scene"))
    type = RAW_FILE_TYPE_MAX;
  else if (is(1, "PP40") || is(1, "Pictures") || is(1, "PowerPoint Document") || is(2, "PowerPoint Document") ||
           is(3, "PowerPoint Document"))
    type = RAW_FILE_TYPE_PPT;
  else if (is(1, "Workbook") || is(2, "Workbook") || is(1, "Book") || is(2, "Book"))
    type = RAW_FILE_TYPE_XLS;

  if (is(1, "PerfectOffice_MAIN") && is(2, "PerfectOffice_OBJECTS")) {
    if (is(3, "\x05SummaryInformation")) {
      type = RAW_FILE_TYPE_SHW;
    } else {
      const ByteSpan classId = directory.size() >= kClassIdAt + 16 ? directory.subspan(kClassIdAt, 16) : ByteSpan{};
      const bool zero = std::all_of(classId.begin(), classId.end(), [](std::uint8_t b) { return b == 0; });
      type = zero ? RAW_FILE_TYPE_WPG : RAW_FILE_TYPE_WPD;
    }
  }
  if (is(1, "RSeStorage") && (is(2, "RSeEmbeddings") || is(3, "RSeEmbeddings"))) type = RAW_FILE_TYPE_IPT;
  if (is(1, "properties"))
    type = RAW_FILE_TYPE_AAF;
  else if (is(1, "NativeContent_MAIN"))
    type = RAW_FILE_TYPE_QPW;
  else if (is(1, "Objects") && is(2, "Quill") && (is(3, "Escher") || is(3, "QuillSub")))
    type = RAW_FILE_TYPE_PUB;
  if (is(1, "\x01" "CompObj") && ((is(2, "   19") && is(3, "   29")) || (is(2, "   112") && is(3, "   212"))))
    type = RAW_FILE_TYPE_MPP;
  if ((is(1, "PropData") && is(2, "Forms") && is(3, "Reports")) ||
      (is(1, "VBA") && is(2, "VBAProject") && is(3, "VBA")))
    type = RAW_FILE_TYPE_ADP;
  return type;
}

FileOLEAnalyser::Layout::State FileOLEAnalyser::Layout::Advance(const Fetch& fetch) {
  if (m_state != State::kWaiting) return m_state;
  if (!m_bHeaderRead) {
    const std::optional<ByteSpan> header = fetch(0, kHeaderBytes);
    if (!header) return m_state;
    if (header->size() < kHeaderBytes || !Header(*header)) return m_state = State::kBad;
    m_bHeaderRead = true;
  }
  // The pieces are read in whatever order they stream past.
  if (!m_bDirectoryRead && !m_bDirectoryLost) {
    const std::optional<std::uint64_t> at = OffsetOf(m_uDirectory);
    const std::optional<ByteSpan> directory = at ? fetch(*at, kDirectoryBytes) : ByteSpan{};
    if (directory && directory->size() < kEntryBytes) {
      m_bDirectoryLost = true;
    } else if (directory) {
      m_uType = CheckSectDirData(*directory);
      m_bDirectoryRead = true;
    }
  }
  if (!ReadIndexChain(fetch) || !CountFatSectors(fetch)) return m_state = State::kBad;
  if (!m_bChainDone || !m_pendingFat.empty() || (!m_bDirectoryRead && !m_bDirectoryLost)) return m_state;

  if (m_ullUsedSectors == 0) return m_state = State::kBad;
  m_ullSize = (m_ullUsedSectors + 1) * m_uSectorBytes;
  if (m_ullSize > kSizeCap || (m_bDirectoryLost && m_ullSize > kUnreadDirectoryCap)) return m_state = State::kBad;
  return m_state = State::kDone;
}

bool FileOLEAnalyser::Layout::ReadIndexChain(const Fetch& fetch) {
  const std::size_t entries = m_uSectorBytes / 4;
  while (!m_bChainDone) {
    if (m_uNextDifat == kEndOfChain || m_uNextDifat == kFree) {
      m_bChainDone = true;
      break;
    }
    // The chain is no longer than the header says (and than the cap allows), which also stops a loop.
    if (m_uDifatLeft == 0) return false;
    const std::optional<std::uint64_t> at = OffsetOf(m_uNextDifat);
    if (!at) return false;
    const std::optional<ByteSpan> index = fetch(*at, m_uSectorBytes);
    if (!index) return true;
    if (index->size() < m_uSectorBytes) return false;
    --m_uDifatLeft;
    const std::uint32_t next = *quellsy::le32(*index, 4 * (entries - 1));
    for (std::size_t k = 0; k + 1 < entries; ++k) {
      const std::uint32_t number = *quellsy::le32(*index, 4 * k);
      if (number <= kMaxSector && !AddFatSector(number)) return false;
    }
    m_uNextDifat = next;
  }
  return true;
}

bool FileOLEAnalyser::Layout::CountFatSectors(const Fetch& fetch) {
  const std::size_t entries = m_uSectorBytes / 4;
  while (!m_pendingFat.empty()) {
    const auto [offset, index] = *m_pendingFat.begin();
    const std::optional<ByteSpan> fat = fetch(offset, m_uSectorBytes);
    if (!fat) return true;
    if (fat->size() < m_uSectorBytes) return false;
    for (std::size_t k = entries; k > 0; --k)
      if (*quellsy::le32(*fat, 4 * (k - 1)) != kFree) {
        m_ullUsedSectors = std::max<std::uint64_t>(m_ullUsedSectors, std::uint64_t{index} * entries + k);
        break;
      }
    m_pendingFat.erase(m_pendingFat.begin());
  }
  return true;
}

bool FileOLEAnalyser::Layout::Header(ByteSpan header) {
  if (quellsy::le32(header, 0) != kSignatureLow || quellsy::le32(header, 4) != kSignatureHigh) return false;
  const std::uint16_t major = *quellsy::le16(header, 26);
  const std::uint16_t shift = *quellsy::le16(header, 30);
  if (major == 4 && shift == 12)
    m_uSectorBytes = 4096;
  else if (shift == 9)
    m_uSectorBytes = 512;
  else
    return false;
  m_uDirectory = *quellsy::le32(header, 48);
  m_uNextDifat = *quellsy::le32(header, 68);
  // No more index sectors than it takes to list the allocation sectors of a file of kSizeCap bytes.
  const std::uint64_t entries = m_uSectorBytes / 4;
  const std::uint64_t maxIndexSectors = kSizeCap / (entries * m_uSectorBytes) / (entries - 1) + 2;
  m_uDifatLeft = static_cast<std::uint32_t>(std::min<std::uint64_t>(*quellsy::le32(header, 72), maxIndexSectors));
  for (std::size_t k = 0; k < kHeaderFatEntries; ++k) {
    const std::uint32_t number = *quellsy::le32(header, 76 + 4 * k);
    if (number <= kMaxSector && !AddFatSector(number)) return false;
  }
  return true;
}

bool FileOLEAnalyser::Layout::AddFatSector(std::uint32_t number) {
  // Allocation sector i maps the document sectors from i x sectorBytes / 4 on.
  const std::uint64_t mapped = std::uint64_t{m_uSectorBytes} / 4 * m_uSectorBytes;
  const std::optional<std::uint64_t> at = OffsetOf(number);
  if (!at || std::uint64_t{m_uFatCount} * mapped > kSizeCap) return false;
  m_pendingFat.emplace(*at, m_uFatCount++);
  return true;
}

std::optional<std::uint64_t> FileOLEAnalyser::Layout::OffsetOf(std::uint32_t number) const {
  const std::uint64_t at = (std::uint64_t{number} + 1) * m_uSectorBytes;
  if (at + m_uSectorBytes > kSizeCap) return std::nullopt;
  return at;
}

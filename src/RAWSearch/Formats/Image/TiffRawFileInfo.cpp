#include <cstdio>

#include "RAWSearch/Formats/Image/TiffAnalyzer.h"
#include "RAWSearch/Framework/CPlainRawFileAnalyser.h"
#include "RAWSearch/Framework/RawSearchApi.h"
#include "RAWSearch/Framework/RawUtility.h"
#include "RAWSearch/Metadata/TiffCamera.h"
#include "RAWSearch/Metadata/TiffFields.h"

namespace BruteForce {

namespace {

using quellsy::ByteSpan;

constexpr std::uint16_t kMaxEntries = 512;
constexpr std::uint32_t kMaxSubIfds = 512;
constexpr long long kTextCap = 63;
constexpr std::size_t kMaxMakeLength = 30;
constexpr std::size_t kMinTimeLength = 10;
constexpr std::size_t kMaxTimeLength = 40;
constexpr long long kMinWidth = 400;
constexpr long long kMinHeight = 600;
constexpr long long kMaxPixelEstimate = 0xC7FFFFF;
constexpr std::uint32_t kFullZeroTail = 32;
constexpr std::uint32_t kShortZeroTail = 12;
// Strips or tiles whose ends are all looked at; a picture in more pieces is measured by its last.
constexpr std::uint32_t kMaxPieces = 65536;

}  // namespace

ByteSpan TiffAnalyzer::TiffRawFileInfo::Held::Span(long long offset, long long length) const {
  if (offset < from || length < 0 || offset > to || length > to - offset) return {};
  return ByteSpan(first + (offset - from), static_cast<std::size_t>(length));
}

TiffAnalyzer::TiffRawFileInfo::TiffRawFileInfo(IRawFileAnalyser* fallback)
    : CBruteForceRawFileInfo(RAW_FILE_TYPE_TIF, fallback) {}

int TiffAnalyzer::TiffRawFileInfo::CalcRawSize(unsigned char* sector, int sectorSize, long long sectorNumber,
                                               SearchContext& context) {
  if (!sector || sectorSize < 16 || sectorNumber < m_llStartSector) return 1;
  const long long index = sectorNumber - m_llStartSector;
  const long long extent = (index + 1) * sectorSize;
  Held held;
  held.from = std::max(context.llBufferFirstSector - m_llStartSector, 0LL) * sectorSize;
  held.to = std::max(context.llBlockEndSector - m_llStartSector, index + 1) * sectorSize;
  held.first = sector + (held.from - index * sectorSize);

  if (index == 0) {
    Header(held);
    if (m_bDone || m_bRW2) {
      m_ullSize = 0;
      return 1;
    }
  }

  // Every directory that starts in this sector or before it; those reaching past what is held wait.
  for (auto it = m_pending.begin(); !m_bDone && it != m_pending.end() && it->first < extent;) {
    const long long ifd = it->first;
    const Pending where = it->second;
    if (m_visited.count(ifd) != 0) {
      it = m_pending.erase(it);
      continue;
    }
    const Read read = where.makerNote ? MakerNote(held, ifd, where) : CheckIFD(held, ifd, where);
    if (read == Read::kLater) {
      ++it;
      continue;
    }
    it = m_pending.erase(it);
  }
  CheckCandidates(held, extent);
  if (m_bDone || extent > kCap) {
    m_ullSize = 0;
    return 1;
  }

  if (m_llPixelCount >= 0 && m_llPixelCount <= kMaxPixelEstimate && !m_bLengthSeen &&
      m_llEndEstimate < m_llPixelCount)
    m_llEndEstimate = m_llPixelCount;

  const ByteSpan here(sector, static_cast<std::size_t>(sectorSize));
  // Every directory read and every piece of picture data measured: the file ends where the furthest of
  // them does, whatever follows.
  if (m_pending.empty() && m_candidates.empty() && m_bPiecesMeasured && !m_bPieceUnmeasured &&
      extent >= m_llStructureEnd)
    return FinishAt(held, m_llStructureEnd, sectorSize);
  const std::uint32_t zeros = context.uTrailingZeroBytes;
  bool end = ZeroPastEstimate(here, extent);
  if (zeros >= kFullZeroTail)
    end = end || extent > m_llEndEstimate;
  else if (zeros <= kShortZeroTail)
    end = end || (extent >= m_llEndEstimate && m_llEndEstimate >= kLargeFile);
  return end ? Finish(here, sectorNumber, extent) : 2;
}

// A file that ends in the last bytes of a sector leaves too little slack for a full zero tail; the
// sector's bytes past the estimate being zero show the end as well.
bool TiffAnalyzer::TiffRawFileInfo::ZeroPastEstimate(ByteSpan here, long long extent) const {
  const long long sectorStart = extent - static_cast<long long>(here.size());
  if (m_llEndEstimate <= sectorStart || m_llEndEstimate >= extent) return false;
  const ByteSpan past = here.subspan(static_cast<std::size_t>(m_llEndEstimate - sectorStart));
  return IsZeroFill(past);
}

void TiffAnalyzer::TiffRawFileInfo::Header(const Held& held) {
  const ByteSpan head = held.Span(0, 16);
  if (head.empty()) {
    m_bDone = true;
    return;
  }
  if (head[0] == 'I' && head[1] == 'I' && head[2] == 0x55 && head[3] == 0x00) {
    m_bRW2 = true;
    m_uRawFileType = RAW_FILE_TYPE_RAW;
    return;
  }
  // The container is measured by the plain analyser.
  if (CPlainRawFileAnalyser::HasText(head, 0, "FUJIFILMCCD-RAW ")) {
    m_bDone = true;
    return;
  }
  m_bLittleEndian = head[0] == 'I';
  const std::uint32_t first = *TiffRead32(head, 4, m_bLittleEndian);
  if (first > kFirstIfdReach) {
    m_bDone = true;
    return;
  }
  Queue(first, 0, m_bLittleEndian);
}

void TiffAnalyzer::TiffRawFileInfo::Queue(long long offset, long long base, bool little, bool makerNote) {
  if (offset <= 0) return;
  m_pending.emplace(offset, Pending{base, little, makerNote});
  Raise(offset);
}

TiffAnalyzer::TiffRawFileInfo::Read TiffAnalyzer::TiffRawFileInfo::MakerNote(const Held& held, long long note,
                                                                            const Pending& where) {
  const ByteSpan head = held.Span(note, 18);
  if (head.empty()) return note + 18 > held.to ? Read::kLater : Read::kDone;
  if (CPlainRawFileAnalyser::HasText(head, 0, "Nikon")) {
    // Its own TIFF header ten bytes in, in its own byte order; offsets count from that header.
    const bool little = head[10] == 'I';
    const std::uint32_t first = *TiffRead32(head, 14, little);
    Queue(note + 10 + first, note + 10, little);
    return Read::kDone;
  }
  const long long skip = CPlainRawFileAnalyser::HasText(head, 0, "EPSON") ? 8 : 0;
  m_visited.insert(note);
  return CheckIFD(held, note + skip, Pending{where.base, where.little, false});
}

TiffAnalyzer::TiffRawFileInfo::Read TiffAnalyzer::TiffRawFileInfo::CheckIFD(const Held& held, long long ifd,
                                                                           const Pending& where) {
  const ByteSpan countField = held.Span(ifd, 2);
  if (countField.empty()) {
    if (ifd + 2 > held.to) return Read::kLater;
    m_bDone = true;
    return Read::kDone;
  }
  const std::uint16_t count = *TiffRead16(countField, 0, where.little);
  // Not a directory: the chain ends here without failing the record.
  if (count == 0 || count > kMaxEntries) return Read::kDone;
  const long long length = 2 + 12LL * count + 4;
  const ByteSpan dir = held.Span(ifd, length);
  if (dir.empty()) {
    if (ifd + length > held.to) return Read::kLater;
    m_bDone = true;
    return Read::kDone;
  }
  m_visited.insert(ifd);
  if (++m_nIfdVisits > kMaxIfdVisits) {
    m_bDone = true;
    return Read::kDone;
  }
  // Through the link to the next directory: a file may end with it.
  Raise(ifd + length);
  for (std::uint16_t k = 0; k < count && !m_bDone; ++k) {
    const long long at = 2 + 12LL * k;
    Entry e;
    e.tag = *TiffRead16(dir, at, where.little);
    e.type = *TiffRead16(dir, at + 2, where.little);
    e.typeSize = e.type >= 1 && e.type <= 12 ? static_cast<std::uint32_t>(kTiffBytesPerFormat[e.type]) : 0;
    e.count = *TiffRead32(dir, at + 4, where.little);
    e.valueOffset = *TiffRead32(dir, at + 8, where.little);
    e.byteSize = static_cast<long long>(e.count) * e.typeSize;
    e.at = ifd + at;
    e.base = where.base;
    e.little = where.little;
    if (e.byteSize >= 5) Raise(where.base + e.valueOffset + e.byteSize);
    if (e.typeSize == 1) {
      e.value = 0;
    } else if (e.typeSize == 2) {
      e.value = *TiffRead16(dir, at + 8, where.little);
    } else if (e.typeSize == 4) {
      e.value = e.valueOffset;
    } else {
      continue;
    }
    Handle(held, e);
  }

  const TiffMakeRules rules{};
  m_uRawFileType = TiffTypeByMake(m_strMake, m_strModel, m_bDNG, m_uRawFileType, rules);
  if (m_uWidth >= kMinWidth && m_uHeight >= kMinHeight)
    m_llPixelCount = static_cast<long long>(m_uWidth) * m_uHeight;
  const std::uint32_t next = *TiffRead32(dir, length - 4, where.little);
  if (next != 0) Queue(where.base + next, where.base, where.little);
  return Read::kDone;
}

std::optional<std::uint32_t> TiffAnalyzer::TiffRawFileInfo::Element(const Held& held, const Entry& e,
                                                                    std::uint32_t index) {
  if (e.count == 1) return e.value;
  if (e.typeSize != 2 && e.typeSize != 4) return std::nullopt;
  const long long at = (e.byteSize <= 4 ? e.at + 8 : e.base + e.valueOffset) + static_cast<long long>(index) * e.typeSize;
  const ByteSpan bytes = held.Span(at, e.typeSize);
  if (bytes.empty()) return std::nullopt;
  if (e.typeSize == 2) return *TiffRead16(bytes, 0, e.little);
  return *TiffRead32(bytes, 0, e.little);
}

std::string TiffAnalyzer::TiffRawFileInfo::TextAt(const Held& held, const Entry& e) {
  const long long length = std::min<long long>(e.byteSize, kTextCap);
  const ByteSpan text = held.Span(e.byteSize <= 4 ? e.at + 8 : e.base + e.valueOffset, length);
  if (text.empty() && length > 0) m_bDone = true;
  return TiffText(text, static_cast<std::size_t>(length));
}

void TiffAnalyzer::TiffRawFileInfo::Handle(const Held& held, const Entry& e) {
  switch (e.tag) {
    case kTiffTagWidth:
      m_uWidth = e.value;
      break;
    case kTiffTagHeight:
      m_uHeight = e.value;
      break;
    case kTiffTagMake: {
      if (m_bMakeSeen) break;
      m_bMakeSeen = true;
      std::string make = ApiStrFilterBadFileName(TiffAsciiUpper(TextAt(held, e)));
      if (make.empty() || make.size() > kMaxMakeLength || ApiIsInvalidCharInFileName(make)) make.clear();
      m_strMake = make;
      if (!m_strMake.empty()) SetRawFileTagAndValue(RAW_FILE_TAG_CAMERA, m_strMake);
      break;
    }
    case kTiffTagModel: {
      if (m_bModelSeen) break;
      m_bModelSeen = true;
      m_strModel = ApiStrFilterBadFileName(TextAt(held, e));
      if (ApiIsInvalidCharInFileName(m_strModel)) m_strModel.clear();
      if (m_strMake.empty() && !m_strModel.empty()) SetRawFileTagAndValue(RAW_FILE_TAG_CAMERA, m_strModel);
      break;
    }
    case kTiffTagStripOffsets: {
      const std::optional<std::uint32_t> last = e.count ? Element(held, e, e.count - 1) : std::nullopt;
      if (!last) {
        // The array is not held any more (or not yet): the plain analyser reads it.
        m_bDone = e.count != 0;
        break;
      }
      m_stripOffsets = e;
      m_llStripOffset = e.base + *last;
      const ByteSpan start = held.Span(m_llStripOffset, 4);
      m_bStripJpeg = IsEmbeddedJpegStart(start);
      m_bStripPending = start.empty();
      break;
    }
    case kTiffTagStripByteCounts: {
      const std::optional<std::uint32_t> last = e.count ? Element(held, e, e.count - 1) : std::nullopt;
      if (!last) {
        m_bDone = e.count != 0;
        break;
      }
      Picture(m_llStripOffset, *last, m_bStripJpeg, m_bStripPending);
      if (m_llStripOffset >= 1 && *last >= 1) Raise(m_llStripOffset + *last);
      MeasurePieces(held, m_stripOffsets, e);
      m_bLengthSeen = true;
      break;
    }
    case kTiffTagDateTime: {
      const std::string time = TextAt(held, e);
      if (time.size() >= kMinTimeLength && time.size() <= kMaxTimeLength) SetRawFileTime(time);
      break;
    }
    case kTiffTagTileOffsets:
      m_tileOffsets = e;
      break;
    case kTiffTagTileByteCounts: {
      if (e.count == 0 || e.count != m_tileOffsets.count) break;
      const std::optional<std::uint32_t> offset = Element(held, m_tileOffsets, e.count - 1);
      const std::optional<std::uint32_t> size = Element(held, e, e.count - 1);
      if (!offset || !size) {
        m_bDone = true;
        break;
      }
      Raise(m_tileOffsets.base + *offset + *size);
      MeasurePieces(held, m_tileOffsets, e);
      break;
    }
    case kTiffTagSubIfds:
      SubIfds(held, e);
      break;
    case kTiffTagJpegOffset: {
      m_llThumbnailOffset = e.base + e.value;
      const ByteSpan start = held.Span(m_llThumbnailOffset, 4);
      m_bThumbnailJpeg = IsEmbeddedJpegStart(start);
      m_bThumbnailPending = start.empty();
      break;
    }
    case kTiffTagJpegLength:
      Raise(m_llThumbnailOffset + e.value);
      Picture(m_llThumbnailOffset, e.value, m_bThumbnailJpeg, m_bThumbnailPending);
      m_bLengthSeen = true;
      break;
    case kTiffTagExifIfd:
      Queue(e.base + e.value, e.base, e.little);
      break;
    case kTiffTagMakerNote:
      Queue(e.base + e.valueOffset, e.base, e.little, true);
      break;
    case kTiffTagDngVersion:
      m_bDNG = true;
      break;
    default:
      break;
  }
}

void TiffAnalyzer::TiffRawFileInfo::MeasurePieces(const Held& held, const Entry& offsets, const Entry& counts) {
  bool measured = offsets.count == counts.count && counts.count != 0 && counts.count <= kMaxPieces;
  // Pieces need not be stored in order: the furthest end of any of them counts.
  for (std::uint32_t i = 0; measured && i < counts.count; ++i) {
    const std::optional<std::uint32_t> offset = Element(held, offsets, i);
    const std::optional<std::uint32_t> count = Element(held, counts, i);
    if (!offset || !count)
      measured = false;
    else if (*count != 0)
      Raise(offsets.base + *offset + *count);
  }
  if (measured)
    m_bPiecesMeasured = true;
  else
    m_bPieceUnmeasured = true;
}

void TiffAnalyzer::TiffRawFileInfo::Picture(long long offset, std::uint32_t size, bool jpeg, bool pending) {
  if (offset <= 0 || size == 0) return;
  if (jpeg) {
    m_llPreviewOffset = offset;
    m_uPreviewSize = size;
  } else if (pending) {
    m_candidates[offset] = size;
  }
}

void TiffAnalyzer::TiffRawFileInfo::SubIfds(const Held& held, const Entry& e) {
  for (std::uint32_t i = 0; i < std::min(e.count, kMaxSubIfds) && !m_bDone; ++i) {
    const std::optional<std::uint32_t> offset = Element(held, e, i);
    if (!offset || *offset <= 1) {
      m_bDone = true;
      return;
    }
    Queue(e.base + *offset, e.base, e.little);
  }
}

void TiffAnalyzer::TiffRawFileInfo::CheckCandidates(const Held& held, long long through) {
  for (auto it = m_candidates.begin(); it != m_candidates.end() && it->first < through;) {
    if (IsEmbeddedJpegStart(held.Span(it->first, 4))) {
      m_llPreviewOffset = it->first;
      m_uPreviewSize = it->second;
    }
    it = m_candidates.erase(it);
  }
}

int TiffAnalyzer::TiffRawFileInfo::FinishAt(const Held& held, long long end, int sectorSize) {
  SetName(m_llStartSector + (end - 1) / sectorSize);
  long long size = end;
  // Writers keep TIFF data on word boundaries: a zero byte behind an odd end pads the last block.
  if (size % 2 != 0 && IsZeroFill(held.Span(size, 1)) && !held.Span(size, 1).empty()) ++size;
  m_ullSize = static_cast<std::uint64_t>(size);
  return 1;
}

void TiffAnalyzer::TiffRawFileInfo::SetName(long long lastSector) {
  char name[256];
  if (!m_strMake.empty())
    std::snprintf(name, sizeof name, "%s_%s_%lld-%lld_", m_strMake.c_str(), m_strModel.c_str(), m_llStartSector,
                  lastSector);
  else
    std::snprintf(name, sizeof name, "%s_%lld-%lld_", m_strModel.c_str(), m_llStartSector, lastSector);
  SetRawFileName(name);
}

int TiffAnalyzer::TiffRawFileInfo::Finish(ByteSpan here, long long sectorNumber, long long extent) {
  SetName(sectorNumber);
  const long long sectorStart = extent - static_cast<long long>(here.size());
  long long size = extent;
  if (m_llEndEstimate <= kWholeSectorsAbove && m_uRawFileType != RAW_FILE_TYPE_TIF &&
      m_llEndEstimate >= sectorStart && m_llEndEstimate <= extent) {
    size = m_llEndEstimate;
    // Writers keep TIFF data on word boundaries: a zero byte behind an odd end pads the last block.
    if (size % 2 != 0 && here[static_cast<std::size_t>(size - sectorStart)] == 0) ++size;
  }
  m_ullSize = static_cast<std::uint64_t>(size);
  return 1;
}

}  // namespace BruteForce

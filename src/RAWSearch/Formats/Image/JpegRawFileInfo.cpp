#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>

#include "RAWSearch/Formats/Image/JpegAnalyzer.h"
#include "RAWSearch/Framework/JpegMarkerWalk.h"
#include "RAWSearch/Framework/CPlainRawFileAnalyser.h"
#include "RAWSearch/Framework/OffsetFetch.h"
#include "RAWSearch/Framework/RawUtility.h"
#include "RAWSearch/Metadata/TiffFields.h"

namespace BruteForce {

namespace {

using quellsy::ByteSpan;

// Directories read per record, whatever the links say.
constexpr std::uint32_t kMaxIfdVisits = 7;
constexpr std::uint32_t kMaxIfdEntries = 512;
// An Exif or interoperability directory implies at least this much picture data behind it.
constexpr long long kSubIfdAllowance = 0xA000;
// Frame heights up to this are too small for the pixel count to be a useful bound.
constexpr std::uint16_t kMinFrameHeight = 401;
constexpr double kMinIfdHeight = 400;
constexpr std::size_t kMaxCameraText = 39;
constexpr std::size_t kTimeTextLength = 19;

enum JpegIfdTag : std::uint16_t {
  kTagWidth = 0x0001,
  kTagImageHeight = 0x0101,
  kTagMake = 0x010F,
  kTagModel = 0x0110,
  kTagThumbnailOffset = 0x0201,
  kTagThumbnailLength = 0x0202,
  kTagExifIfd = 0x8769,
  kTagDateTimeOriginal = 0x9003,
  kTagPixelXDimension = 0xA002,
  kTagPixelYDimension = 0xA003,
  kTagInteropIfd = 0xA005,
};

// A value of a TIFF format; rationals in integer arithmetic, doubles as stored, 0 where the span is
// too short or the format unknown.
double Exif_GetValue(ByteSpan value, int format, bool littleEndian) {
  switch (format) {
    case 1:
    case 6:
      return quellsy::u8(value, 0).value_or(0);
    case 3:
    case 8:
      return TiffRead16(value, 0, littleEndian).value_or(0);
    case 4:
    case 9:
      return TiffRead32(value, 0, littleEndian).value_or(0);
    case 5:
    case 10: {
      const std::uint32_t denominator = TiffRead32(value, 4, littleEndian).value_or(0);
      return denominator == 0 ? 0 : TiffRead32(value, 0, littleEndian).value_or(0) / denominator;
    }
    case 11:
    case 12: {
      if (value.size() < sizeof(double)) return 0;
      double stored;
      std::memcpy(&stored, value.data(), sizeof stored);
      return stored;
    }
    default:
      return 0;
  }
}

// Offsets, lengths and dimensions: whole numbers of 32 bits; anything else (negative, NaN, huge) is
// pinned into that range.
long long AsCount(double value) {
  if (!(value > 0)) return 0;
  return static_cast<long long>(std::min(value, 4294967295.0));
}

std::string Text(ByteSpan value, std::size_t cap) {
  std::string text;
  for (std::size_t i = 0; i < value.size() && i < cap && value[i] != 0; ++i)
    text.push_back(static_cast<char>(value[i]));
  return text;
}

std::string AsciiUpper(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return text;
}

bool IsAllZero(const unsigned char* bytes, std::size_t count) {
  return std::all_of(bytes, bytes + count, [](unsigned char b) { return b == 0; });
}

}  // namespace

JpegAnalyzer::JpegRawFileInfo::JpegRawFileInfo(IRawFileAnalyser* fallback)
    : CBruteForceRawFileInfo(RAW_FILE_TYPE_JPG, fallback) {}

int JpegAnalyzer::JpegRawFileInfo::CalcRawSize(unsigned char* sector, int sectorSize, long long sectorNumber,
                                               SearchContext& context) {
  if (!sector || sectorSize < 16 || sectorNumber < m_llStartSector) return 1;
  const long long index = sectorNumber - m_llStartSector;
  const long long extent = index * sectorSize;
  // What the search holds from this sector on: the rest of the block (at least this sector).
  const long long buffered = std::max(context.llBlockEndSector - sectorNumber, 1LL) * sectorSize;
  const unsigned char* dataEnd = sector + buffered;
  const ByteSpan first(sector, static_cast<std::size_t>(sectorSize));

  if (index == 0) {
    if (CPlainRawFileAnalyser::HasText(first, 6, "JFIF", true)) {
      // An Exif segment right behind a 16-byte JFIF segment.
      if (CPlainRawFileAnalyser::HasText(first, 24, "Exif")) FindExifCameraInfo(sector + 24, dataEnd);
    } else if (CPlainRawFileAnalyser::HasText(first, 6, "Exif", true)) {
      m_uExif = 1;
      FindExifCameraInfo(sector + 6, dataEnd);
    }
    m_bHeaderWalk = m_llMinEnd <= kInitialMinimumEnd;
    if (!m_uExif) m_llCap = kPlainCap;
  }
  const std::optional<long long> zeroTailEnd = ZeroTailEnd(sector, sectorSize, sectorNumber, context, extent);
  m_llLastSector = sectorNumber;

  if (m_walk.GetState() == JpegMarkerWalk::State::kWaiting) {
    // The walk reads everything the search holds of the file, from the block before this one on.
    const HeldFile held = HeldBytesOf(sector, sectorSize, m_llStartSector, sectorNumber, context);
    m_walk.Advance(held.bytes, held.first, this);
    const auto end = static_cast<long long>(m_walk.End());
    if (m_walk.GetState() == JpegMarkerWalk::State::kDone && end <= m_llCap) {
      ComposeName(m_llStartSector + (end - 1) / sectorSize);
      return Finish(end, false);
    }
    if (m_walk.GetState() == JpegMarkerWalk::State::kWaiting && !zeroTailEnd) return 2;
    if (m_walk.GetState() == JpegMarkerWalk::State::kWaiting && extent <= m_llCap) {
      // The zero-tail end is kept for a walk that cannot finish.
      if (m_llFallbackEnd == 0) {
        m_llFallbackEnd = *zeroTailEnd;
        m_llFallbackSector = sectorNumber;
      }
      return 2;
    }
    if (m_llFallbackEnd != 0) {
      ComposeName(m_llFallbackSector);
      return Finish(m_llFallbackEnd, true);
    }
  }
  if (!zeroTailEnd) return 2;
  ComposeName(sectorNumber);
  return Finish(*zeroTailEnd, true);
}

int JpegAnalyzer::JpegRawFileInfo::Finish(long long size, bool incomplete) {
  m_ullSize = static_cast<std::uint64_t>(size);
  m_bIncomplete = incomplete;
  m_uRawFileType = RAW_FILE_TYPE_JPG;
  return 1;
}

// The rules for a file whose structure cannot be walked: an end marker before the zero tail (see
// FindEndMarker and ClosesWithEndMarker), the picture's pixel count, or the cap.
std::optional<long long> JpegAnalyzer::JpegRawFileInfo::ZeroTailEnd(const unsigned char* sector, int sectorSize,
                                                                    long long sectorNumber,
                                                                    const SearchContext& context, long long extent) const {
  const std::uint32_t trailingZeros =
      std::min<std::uint32_t>(context.uTrailingZeroBytes, static_cast<std::uint32_t>(sectorSize));
  const bool testEnd = m_uExif ? trailingZeros >= 9 && extent > m_llMinEnd : trailingZeros >= 8;
  long long endOffset = 0;
  bool endFound = testEnd && FindEndMarker(sector, sectorSize, sectorNumber, context, endOffset);
  bool sizedByMarker = testEnd;
  if (!endFound && ClosesWithEndMarker(sector, sectorSize, extent, endOffset)) endFound = sizedByMarker = true;
  if (m_llPixelCount != 0 && extent > m_llPixelCount) endFound = true;
  if (m_llCap < extent) return m_llCap;
  if (!endFound) return std::nullopt;
  return extent + (sizedByMarker ? endOffset : sectorSize - trailingZeros);
}

// The end marker is the last FF D9 before the zero tail, followed by four zero bytes; or, when the
// sector holds none, FF closing the previous sector and D9 opening this one, or FF D9 closing the
// previous sector. endOffset: just past the D9 in this sector (also when the zero test failed), 0
// when no D9 is here at all.
bool JpegAnalyzer::JpegRawFileInfo::FindEndMarker(const unsigned char* sector, int sectorSize, long long sectorNumber,
                                                  const SearchContext& context, long long& endOffset) const {
  static constexpr unsigned char kEnd[2] = {0xFF, 0xD9};
  const int trailingZeros = static_cast<int>(std::min<std::uint32_t>(context.uTrailingZeroBytes, 32));
  const long long found = RawUtility::FindMagicInBuffer(sector, sectorSize, trailingZeros, kEnd, 2);
  if (found > 0 && found < sectorSize) {
    endOffset = found;
    // At least eight zero bytes close the sector and the match lies before them: four fit.
    return IsAllZero(sector + found, 4);
  }
  endOffset = 0;
  const bool previousHeld =
      m_llLastSector != 0 && m_llLastSector >= context.llBufferFirstSector && m_llLastSector < sectorNumber;
  if (!previousHeld) return false;
  const unsigned char* previousLast = sector - (sectorNumber - m_llLastSector - 1) * sectorSize - 1;
  if (*previousLast == 0xFF && sector[0] == 0xD9 && IsAllZero(sector + 1, 4)) {
    endOffset = 1;
    return true;
  }
  // A file that fills its last sector exactly: FF D9 closes the previous sector and zeros open this one.
  return previousLast[-1] == 0xFF && previousLast[0] == 0xD9 && IsAllZero(sector, 4);
}

// The zero-tail test above needs a tail of whole zero words; a sector may also close the picture with
// FF D9 and fewer zeros, or with FF D9 as its very last bytes. Zeros after the marker end the picture as
// the tail test would (past the minimum end when an Exif thumbnail may end the same way); a bare FF D9
// ends it once past the minimum end, since entropy-coded data never hold that pair.
bool JpegAnalyzer::JpegRawFileInfo::ClosesWithEndMarker(const unsigned char* sector, int sectorSize, long long extent,
                                                        long long& endOffset) const {
  int zeros = 0;
  while (zeros < sectorSize && sector[sectorSize - 1 - zeros] == 0) ++zeros;
  const int markerEnd = sectorSize - zeros;
  if (markerEnd < 2 || sector[markerEnd - 2] != 0xFF || sector[markerEnd - 1] != 0xD9) return false;
  const bool pastMinimum = extent > m_llMinEnd;
  if (zeros == 0 ? !pastMinimum : (m_uExif && !pastMinimum)) return false;
  endOffset = markerEnd;
  return true;
}

void JpegAnalyzer::JpegRawFileInfo::FindExifCameraInfo(const unsigned char* exifWord, const unsigned char* dataEnd) {
  if (dataEnd - exifWord <= 6) return;
  const ByteSpan tiff(exifWord + 6, static_cast<std::size_t>(dataEnd - (exifWord + 6)));
  const std::optional<std::uint16_t> order = quellsy::be16(tiff, 0);
  if (order != 0x4949 && order != 0x4D4D) return;
  const bool littleEndian = order == 0x4949;
  const std::optional<std::uint32_t> firstIfd = TiffRead32(tiff, 4, littleEndian);
  if (TiffRead16(tiff, 2, littleEndian) != 42 || !firstIfd || *firstIfd < 8 || *firstIfd > 16) return;
  const std::uint16_t segmentLength = *quellsy::be16(ByteSpan(exifWord - 2, 2), 0);
  AnalyzeExifTag(tiff, 8, littleEndian, segmentLength);
}

void JpegAnalyzer::JpegRawFileInfo::AnalyzeExifTag(ByteSpan tiff, std::uint64_t ifd, bool littleEndian,
                                                   std::uint16_t length) {
  if (++m_uIfdVisits > kMaxIfdVisits) return;
  const std::optional<std::uint16_t> count = TiffRead16(tiff, ifd, littleEndian);
  if (!count || *count == 0 || *count > kMaxIfdEntries || 12u * *count > length) return;

  long long width = 0;
  bool makeSeen = false;
  bool stoppedEarly = false;
  for (std::uint64_t k = 0; k < *count && !m_bSizeEstimated; ++k) {
    const std::uint64_t entry = ifd + 2 + 12 * k;
    if (entry + 12 > tiff.size()) {
      stoppedEarly = true;
      break;
    }
    const std::uint16_t tag = *TiffRead16(tiff, entry, littleEndian);
    const std::uint16_t format = *TiffRead16(tiff, entry + 2, littleEndian);
    const std::uint32_t components = *TiffRead32(tiff, entry + 4, littleEndian);
    if (format > 12 || components < 1 || components > length) return;
    const std::uint64_t byteSize = std::uint64_t{components} * kTiffBytesPerFormat[format];
    ByteSpan value;
    if (byteSize > 4) {
      const std::uint64_t offset = *TiffRead32(tiff, entry + 8, littleEndian);
      if (offset + byteSize > length) return;
      // Beyond what the search holds now: read nothing more from this block.
      if (offset + byteSize > tiff.size()) {
        stoppedEarly = true;
        break;
      }
      value = tiff.subspan(static_cast<std::size_t>(offset), static_cast<std::size_t>(byteSize));
    } else {
      value = tiff.subspan(static_cast<std::size_t>(entry + 8), 4);
    }
    const ByteSpan text = value.first(static_cast<std::size_t>(std::min<std::uint64_t>(byteSize, value.size())));

    switch (tag) {
      case kTagWidth:
      case kTagPixelXDimension:
        width = AsCount(Exif_GetValue(value, format, littleEndian));
        break;
      case kTagImageHeight:
      case kTagPixelYDimension: {
        const double height = Exif_GetValue(value, format, littleEndian);
        if (width != 0 && height >= kMinIfdHeight) {
          const unsigned long long pixels = static_cast<unsigned long long>(width) * AsCount(height);
          m_llPixelCount = static_cast<long long>(std::min<unsigned long long>(pixels, LLONG_MAX));
          m_llMinEnd = m_llPixelCount / 8;
          m_bSizeEstimated = true;
        }
        break;
      }
      case kTagDateTimeOriginal:
        SetRawFileTime(Text(text, kTimeTextLength));
        break;
      case kTagExifIfd:
      case kTagInteropIfd: {
        const long long offset = AsCount(Exif_GetValue(value, format, littleEndian));
        if (offset >= 1) m_llMinEnd += offset + kSubIfdAllowance;
        if (!m_bSizeEstimated && offset >= 1 && static_cast<std::uint64_t>(offset) < tiff.size())
          AnalyzeExifTag(tiff, static_cast<std::uint64_t>(offset), littleEndian, length);
        break;
      }
      case kTagThumbnailOffset:
      case kTagThumbnailLength:
        m_llMinEnd += AsCount(Exif_GetValue(value, format, littleEndian));
        break;
      case kTagMake: {
        const std::string make = Text(text, kMaxCameraText);
        const std::string upper = AsciiUpper(make);
        if (!upper.empty() && !ApiIsInvalidCharInFileName(upper)) SetRawFileTagAndValue(RAW_FILE_TAG_CAMERA, upper);
        makeSeen = true;
        SetRawFileName(make);
        break;
      }
      case kTagModel: {
        const std::string model = Text(text, kMaxCameraText);
        SetRawFileName(model);
        const std::string upper = AsciiUpper(model);
        if (!makeSeen && !upper.empty() && !ApiIsInvalidCharInFileName(upper))
          SetRawFileTagAndValue(RAW_FILE_TAG_CAMERA, upper);
        break;
      }
      default:
        break;
    }
  }
  if (m_bSizeEstimated || stoppedEarly) return;
  const std::optional<std::uint32_t> next = TiffRead32(tiff, ifd + 2 + 12ull * *count, littleEndian);
  if (next && *next != 0 && *next < tiff.size()) AnalyzeExifTag(tiff, *next, littleEndian, length);
}

void JpegAnalyzer::JpegRawFileInfo::OnSegment(const JpegMarkerWalk::Segment& segment) {
  // The header's segments tell the fallback rules the picture's size, when the first sector did not.
  if (!m_bHeaderWalk) return;
  const ByteSpan bytes = segment.bytes;
  if (segment.code == 0xC0 && quellsy::u8(bytes, 4) == 8 && m_llPixelCount == 0) {
    const std::optional<std::uint16_t> height = quellsy::be16(bytes, 5);
    const std::optional<std::uint16_t> width = quellsy::be16(bytes, 7);
    if (height && width && *height >= kMinFrameHeight) {
      m_llPixelCount = static_cast<long long>(*width) * *height;
      m_llMinEnd += m_llPixelCount / 8;
    }
  }
  if (segment.code == 0xE1 && CPlainRawFileAnalyser::HasText(bytes, 4, "Exif"))
    FindExifCameraInfo(bytes.data() + 4, bytes.data() + bytes.size());
}

void JpegAnalyzer::JpegRawFileInfo::ComposeName(long long lastSector) {
  std::string name = GetRawFileName();
  RAW_FILE_TAG tag = RAW_FILE_TAG_NONE;
  std::string value;
  GetRawFileTagAndValue(tag, value);
  if (ApiIsInvalidCharInFileName(name)) {
    name.clear();
  } else if (ApiIsInvalidCharInFileName(value)) {
    value.clear();
    SetRawFileTagAndValue(tag, value);
  }
  char composed[1024];
  if (!name.empty() && !value.empty())
    std::snprintf(composed, sizeof composed, "%s_%s_%lld-%lld", value.c_str(), name.c_str(), m_llStartSector,
                  lastSector);
  else if (!name.empty() || !value.empty())
    std::snprintf(composed, sizeof composed, "%s_%lld-%lld", name.empty() ? value.c_str() : name.c_str(),
                  m_llStartSector, lastSector);
  else
    std::snprintf(composed, sizeof composed, "%lld-%lld", m_llStartSector, lastSector);
  SetRawFileName(composed);
}

}  // namespace BruteForce

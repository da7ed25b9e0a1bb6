#include "RAWSearch/Formats/Image/FileTIFAnalyser.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "RAWSearch/Framework/CRawFileInfo.h"
#include "RAWSearch/Framework/PlainFileWindow.h"
#include "RAWSearch/Framework/RawSearchApi.h"
#include "RAWSearch/Framework/RawUtility.h"
#include "RAWSearch/Metadata/ExifReader.h"
#include "RAWSearch/Metadata/TiffCamera.h"
#include "RAWSearch/Metadata/TiffFields.h"

namespace {

constexpr char kContainerMagic[] = "FUJIFILMCCD-RAW ";
constexpr std::size_t kContainerMagicLength = 16;
constexpr std::uint16_t kMaxEntries = 512;
constexpr std::uint32_t kMaxSubDirectories = 512;
// Nesting of sub-directories (Exif, maker notes, sub-IFDs) followed at most.
constexpr unsigned kMaxNesting = 15;
// A chain of directories longer than this is junk.
constexpr unsigned kMaxChain = 1024;
constexpr std::size_t kTextCap = 63;
constexpr std::size_t kMaxMakeLength = 30;
constexpr std::size_t kMaxModelLength = 40;
// Sizes below this are checked for a zero tail and grown over the sectors that have none.
constexpr std::uint64_t kGrowBelow = 0x100000;
constexpr std::uint64_t kGrowLimit = 0x2999999;
constexpr std::size_t kZeroTail = 16;

bool HasTiffHeader(quellsy::ByteSpan bytes) {
  static constexpr std::uint8_t kHeaders[][4] = {
      {0x49, 0x49, 0x2A, 0x00}, {0x4D, 0x4D, 0x00, 0x2A}, {0x49, 0x49, 0x55, 0x00},
      {0x49, 0x49, 0x52, 0x4F}, {0x49, 0x49, 0x52, 0x53}, {0x4D, 0x4D, 0x4F, 0x52},
  };
  return bytes.size() >= 4 && std::any_of(std::begin(kHeaders), std::end(kHeaders), [&](const std::uint8_t* h) {
           return std::equal(h, h + 4, bytes.begin());
         });
}

}  // namespace

// Offsets inside the TIFF structure are relative to its header; `m_shift` places that header in the
// file (160 in the container, else 0). The furthest end is kept in the same terms.
class FileTIFAnalyser::Walker {
 public:
  Walker(PlainFileWindow& window, std::uint64_t shift) : m_window(window), m_shift(shift) {}

  struct Entry {
    std::uint16_t tag = 0;
    std::uint16_t type = 0;
    std::uint32_t count = 0;
    std::uint32_t value = 0;
    std::uint64_t width = 0;
    std::uint64_t dataSize = 0;
    // Where the entry lies and the origin its offsets count from (both relative to the header).
    std::uint64_t at = 0;
    std::uint64_t base = 0;
  };

  std::optional<std::uint16_t> U16(std::uint64_t at) {
    return TiffRead16(m_window.Bytes(m_shift + at, 2), 0, m_little);
  }
  std::optional<std::uint32_t> U32(std::uint64_t at) {
    return TiffRead32(m_window.Bytes(m_shift + at, 4), 0, m_little);
  }
  void Extend(std::uint64_t end) { m_furthest = std::max(m_furthest, end); }

  // The main chain from the first directory; its bound (highest directory end) is kept.
  void WalkMain(std::uint64_t first);
  void WalkSub(std::uint64_t directory, std::uint64_t base);

  PlainFileWindow& m_window;
  std::uint64_t m_shift;
  bool m_little = true;
  bool m_panasonicHeader = false;
  bool m_nikon = false;
  bool m_epson = false;
  bool m_dng = false;
  bool m_sonyA100 = false;
  // Set when the container's model ends the measurement.
  bool m_containerDone = false;
  std::uint64_t m_furthest = 0;
  std::uint64_t m_bound = 0;
  std::uint64_t m_jpegOffset = 0;
  std::uint64_t m_jpegSize = 0;
  std::uint64_t m_thumbStart = 0;
  std::uint64_t m_thumbSize = 0;
  Entry m_tileOffsets;
  std::uint64_t m_dngPrivate = 0;
  unsigned m_nesting = 1;
  std::string m_make;
  std::string m_model;
  std::string m_time;
  std::string m_labelValue;
  bool m_label = false;

 private:
  // One directory: its entries, then the offset of the next one (0 when none or unreadable).
  std::uint64_t Directory(std::uint64_t at, std::uint64_t base, bool main);
  void Apply(const Entry& e, bool main);
  std::optional<Entry> ReadEntry(std::uint64_t at, std::uint64_t base);
  // The value of a one-element entry, or element `index` of an array (widths 1, 2 and 4).
  std::optional<std::uint32_t> Element(const Entry& e, std::uint64_t index);
  std::optional<std::uint32_t> Last(const Entry& e) { return e.count ? Element(e, e.count - 1) : std::nullopt; }
  std::string TextOf(const Entry& e);
  void JpegOffset(const Entry& e);
  void JpegSize(const Entry& e);
  void Tiles(const Entry& byteCounts);
  void MakerNote(const Entry& e);
};

std::optional<FileTIFAnalyser::Walker::Entry> FileTIFAnalyser::Walker::ReadEntry(std::uint64_t at,
                                                                                 std::uint64_t base) {
  const auto tag = U16(at);
  const auto type = U16(at + 2);
  const auto count = U32(at + 4);
  if (!tag || !type || !count) return std::nullopt;
  Entry e;
  e.tag = *tag;
  e.type = *type;
  e.count = *count;
  e.width = *type <= 12 ? static_cast<std::uint64_t>(kTiffBytesPerFormat[*type]) : 0;
  e.dataSize = e.width * e.count;
  e.at = at;
  e.base = base;
  if (e.width == 2 && e.count == 1)
    e.value = U16(at + 8).value_or(0);
  else if (e.width == 1 && e.count == 1)
    e.value = m_window.U8(m_shift + at + 8).value_or(0);
  else
    e.value = U32(at + 8).value_or(0);
  return e;
}

std::optional<std::uint32_t> FileTIFAnalyser::Walker::Element(const Entry& e, std::uint64_t index) {
  if (e.width != 1 && e.width != 2 && e.width != 4) return std::nullopt;
  if (e.count == 1) return e.value;
  const std::uint64_t at = (e.dataSize <= 4 ? e.at + 8 : e.base + e.value) + index * e.width;
  if (e.width == 1) return m_window.U8(m_shift + at);
  if (e.width == 2) return U16(at);
  return U32(at);
}

std::string FileTIFAnalyser::Walker::TextOf(const Entry& e) {
  const std::uint64_t at = e.dataSize <= 4 ? e.at + 8 : e.base + e.value;
  const std::size_t cap = static_cast<std::size_t>(std::min<std::uint64_t>(kTextCap, e.dataSize));
  return TiffText(m_window.At(m_shift + at), cap);
}

void FileTIFAnalyser::Walker::JpegOffset(const Entry& e) {
  const auto offset = Last(e);
  if (!offset) return;
  m_jpegOffset = e.base + *offset;
  if (e.count == 1 && IsEmbeddedJpegStart(m_window.Bytes(m_shift + m_jpegOffset, 4))) m_thumbStart = m_jpegOffset;
}

void FileTIFAnalyser::Walker::JpegSize(const Entry& e) {
  const auto size = Last(e);
  if (!size) return;
  m_jpegSize = *size;
  if (m_thumbStart != 0 && m_thumbStart == m_jpegOffset) m_thumbSize = m_jpegSize;
  if (m_jpegOffset != 0) Extend(m_jpegOffset + m_jpegSize);
}

void FileTIFAnalyser::Walker::Tiles(const Entry& byteCounts) {
  if (m_tileOffsets.count == 0 || m_tileOffsets.count != byteCounts.count) return;
  const auto offset = Last(m_tileOffsets);
  const auto size = Last(byteCounts);
  if (offset && size) Extend(m_tileOffsets.base + std::uint64_t{*offset} + *size);
}

// A maker note's directory lies behind the maker's own header: ten bytes and a TIFF header of its own
// (with its own byte order, offsets counted from it) for one maker, eight bytes for another.
void FileTIFAnalyser::Walker::MakerNote(const Entry& e) {
  const std::uint64_t note = e.base + e.value;
  if (m_nikon) {
    const quellsy::ByteSpan header = m_window.Bytes(m_shift + note + 10, 8);
    if (header.size() < 8 || (header[0] != header[1]) || (header[0] != 'I' && header[0] != 'M')) return;
    const bool saved = m_little;
    m_little = header[0] == 'I';
    if (const auto first = U32(note + 14)) WalkSub(note + 10 + *first, note + 10);
    m_little = saved;
    return;
  }
  WalkSub(note + (m_epson ? 8 : 0), e.base);
}

void FileTIFAnalyser::Walker::Apply(const Entry& e, bool main) {
  if (e.dataSize >= 5) Extend(e.base + std::uint64_t{e.value} + e.dataSize);
  switch (e.tag) {
    case kTiffTagMake: {
      if (!main) break;
      m_make = TiffAsciiUpper(ApiStrFilterBadFileName(TextOf(e)));
      if (!m_make.empty() && !ApiIsInvalidCharInFileName(m_make) && m_make.size() <= kMaxMakeLength) {
        m_labelValue = m_make;
        m_label = true;
      }
      if (m_make.find("EPSON") != std::string::npos) m_epson = true;
      if (m_make.find("NIKON") != std::string::npos) m_nikon = true;
      break;
    }
    case kTiffTagModel: {
      if (!main) break;
      m_model = ApiStrFilterBadFileName(TextOf(e));
      if (m_model.size() > kMaxModelLength || ApiIsInvalidCharInFileName(m_model)) m_model.clear();
      if (m_labelValue.empty() && !m_model.empty()) {
        m_labelValue = m_model;
        m_label = true;
      }
      if (m_shift != 0) {
        m_containerDone = true;
        break;
      }
      if (m_model.size() >= 5 && TiffAsciiUpper(m_model).rfind("NIKON", 0) == 0) m_nikon = true;
      if (m_model.rfind("DSLR-A100", 0) == 0) m_sonyA100 = true;
      break;
    }
    case kTiffTagStripOffsets:
    case kTiffTagJpegOffset:
      JpegOffset(e);
      break;
    case kTiffTagStripByteCounts:
    case kTiffTagJpegLength:
      JpegSize(e);
      break;
    case kTiffTagDateTime:
      if (main) m_time = TextOf(e);
      break;
    case kTiffTagDateTimeOriginal:
      if (m_time.empty()) m_time = TextOf(e);
      break;
    case kTiffTagTileOffsets:
      m_tileOffsets = e;
      break;
    case kTiffTagTileByteCounts:
      Tiles(e);
      break;
    case kTiffTagSubIfds:
      if (m_sonyA100) {
        m_dngPrivate = e.base + e.value;
        break;
      }
      for (std::uint32_t i = 0; i < std::min(e.count, kMaxSubDirectories); ++i)
        if (const auto sub = Element(e, i)) WalkSub(e.base + *sub, e.base);
      break;
    case kTiffTagPreview: {
      const std::uint64_t origin = e.base + e.value + 12;
      if (const auto first = U32(e.base + e.value + 16)) WalkSub(origin + *first, origin);
      Extend(e.base + std::uint64_t{e.value} + e.dataSize);
      break;
    }
    case kTiffTagIptc:
      if (e.width == 0 && m_make.find("KODAK") != std::string::npos &&
          m_model.find("DCS Pro SLR") != std::string::npos)
        if (const auto length = U32(e.base + e.value)) Extend(e.base + std::uint64_t{e.value} + *length);
      break;
    case kTiffTagExifIfd:
      WalkSub(e.base + e.value, e.base);
      break;
    case kTiffTagMakerNote:
      MakerNote(e);
      break;
    case kTiffTagDngVersion:
      m_dng = true;
      break;
    case kTiffTagDngPrivateData:
      if (m_sonyA100) {
        const std::uint64_t at = e.base + std::uint64_t{e.value} + 4;
        if (const auto skip = U16(at))
          if (const auto end = U32(at + *skip)) Extend(std::uint64_t{*end} + m_dngPrivate);
      }
      break;
    default:
      break;
  }
}

std::uint64_t FileTIFAnalyser::Walker::Directory(std::uint64_t at, std::uint64_t base, bool main) {
  const auto count = U16(at);
  if (!count || *count == 0 || *count > kMaxEntries) return 0;
  for (std::uint64_t k = 0; k < *count && !m_containerDone; ++k) {
    const auto entry = ReadEntry(at + 2 + 12 * k, base);
    if (!entry) return 0;
    Apply(*entry, main);
  }
  const std::uint64_t linkAt = at + 2 + 12ull * *count;
  if (main) m_bound = std::max(m_bound, linkAt + 4);
  const auto next = U32(linkAt);
  return next ? base + *next : 0;
}

void FileTIFAnalyser::Walker::WalkMain(std::uint64_t first) {
  std::uint64_t directory = first;
  for (unsigned step = 0; step < kMaxChain && directory != 0 && !m_containerDone; ++step) {
    if (directory > kSizeCap || m_furthest > kSizeCap) return;
    const std::uint64_t next = Directory(directory, 0, true);
    // A chain that does not move forward ends here.
    if (next <= directory) return;
    directory = next;
  }
}

void FileTIFAnalyser::Walker::WalkSub(std::uint64_t directory, std::uint64_t base) {
  if (++m_nesting > kMaxNesting) return;
  for (unsigned step = 0; step < kMaxChain && directory != 0 && directory <= kSizeCap; ++step) {
    const std::uint64_t next = Directory(directory, base, false);
    Extend(m_jpegOffset + m_jpegSize);
    if (next <= directory) break;
    directory = next;
  }
}

FileTIFAnalyser::FileTIFAnalyser() : CPlainRawFileAnalyser(RAW_FILE_TYPE_TIF) {}

void FileTIFAnalyser::GetRawFileTagAndValue(RAW_FILE_TAG& tag, std::string& value) const {
  tag = m_uTag;
  value = m_strLabelValue;
}

void FileTIFAnalyser::GetThumbStartAndSize(std::uint64_t& start, std::uint64_t& size) const {
  start = m_ullThumbStart;
  size = m_ullThumbSize;
}

int FileTIFAnalyser::Test(quellsy::ByteSpan sector, CRawFileInfo& hit) {
  if (HasText(sector, 0, "FUJI")) {
    if (!HasText(sector, 0, std::string_view(kContainerMagic, kContainerMagicLength))) return 0;
  } else if (!HasTiffHeader(sector)) {
    return 0;
  }
  return Claim(hit, 0);
}

int FileTIFAnalyser::Measure(CRawFileInfo& hit, PlainFileWindow& window) {
  m_strName.clear();
  m_strTime.clear();
  m_strLabelValue.clear();
  m_uTag = RAW_FILE_TAG_NONE;
  m_ullThumbStart = 0;
  m_ullThumbSize = 0;
  const unsigned sectorSize = window.SectorSize();
  if (sectorSize < kZeroTail || !window.Readable(0)) return 0;

  const bool container = window.HasText(0, std::string_view(kContainerMagic, kContainerMagicLength));
  Walker walk(window, container ? kContainerHeader : 0);
  std::uint32_t type = RAW_FILE_TYPE_TIF;
  if (container) {
    type = RAW_FILE_TYPE_RAF;
    const std::uint32_t jpeg = window.Be32(84).value_or(0);
    const std::uint32_t jpegLength = window.Be32(88).value_or(0);
    if (jpeg <= kSizeCap && jpegLength <= kSizeCap) {
      // The picture's Exif segment: its length field at J + 4, the block behind it.
      const std::uint16_t segment = window.Be16(std::uint64_t{jpeg} + 4).value_or(0);
      quellsy::ByteSpan exif = window.At(std::uint64_t{jpeg} + 6);
      exif = exif.first(std::min<std::size_t>(exif.size(), segment > 2 ? segment - 2u : 0u));
      if (!exif.empty()) {
        tag_ExifInfo info{};
        SetExitInfo(&info);
        const std::uint32_t read = EXIF_process_EXIF(exif.data(), 0, exif.data(), static_cast<unsigned>(exif.size()));
        SetExitInfo(nullptr);
        if (read) {
          const std::string make(info.CameraMake, strnlen(info.CameraMake, sizeof info.CameraMake));
          const std::string model(info.CameraModel, strnlen(info.CameraModel, sizeof info.CameraModel));
          walk.m_model = ApiStrFilterBadFileName(model);
          walk.m_labelValue = make.empty() ? walk.m_model : ApiStrFilterBadFileName(make);
          walk.m_label = !walk.m_labelValue.empty();
          walk.m_time.assign(info.DateTime, strnlen(info.DateTime, sizeof info.DateTime));
        }
      }
    }
    std::uint64_t end = std::uint64_t{jpeg} + jpegLength;
    const std::uint64_t cfaHeader = std::uint64_t{window.Be32(92).value_or(0)} + window.Be32(96).value_or(0);
    const std::uint64_t cfa = std::uint64_t{window.Be32(100).value_or(0)} + window.Be32(104).value_or(0);
    end = std::max({end, cfaHeader, cfa});
    end += window.Be32(132).value_or(0);
    // The container's fields count from the file's start; the walk's from the TIFF header.
    walk.m_furthest = end > kContainerHeader ? end - kContainerHeader : 0;
  }
  const quellsy::ByteSpan header = window.Bytes(walk.m_shift, 4);
  if (header.size() == 4) {
    walk.m_little = !(header[0] == 'M' && header[1] == 'M');
    walk.m_panasonicHeader = header[0] == 0x49 && header[1] == 0x49 && header[2] == 0x55 && header[3] == 0x00;
    if (walk.m_panasonicHeader) type = RAW_FILE_TYPE_RAW;
    if (const auto first = walk.U32(4)) walk.WalkMain(*first);
  }

  // Named after maker and model.
  const std::string name = ApiStrFilterBadFileName(walk.m_model);
  const std::string& label = walk.m_labelValue;
  m_strName = label.empty() ? name : name.empty() ? label : label + "_" + name;
  m_strTime = walk.m_time;
  hit.SetRawFileName(m_strName);
  hit.SetRawFileTime(m_strTime);
  if (walk.m_label && !label.empty()) {
    m_uTag = RAW_FILE_TAG_CAMERA;
    m_strLabelValue = label;
    hit.SetRawFileTagAndValue(m_uTag, m_strLabelValue);
  }
  m_ullThumbStart = walk.m_thumbStart == 0 ? 0 : walk.m_thumbStart + walk.m_shift;
  m_ullThumbSize = walk.m_thumbSize;
  std::uint64_t size = std::max(walk.m_furthest, walk.m_bound) + walk.m_shift;
  if (size < kMinSize || size > kSizeCap) size = kUnknownSize;
  // The container's model ends the measurement at the extent its header gives.
  if (walk.m_containerDone) return Claim(hit, type, size);

  const TiffMakeRules rules{walk.m_panasonicHeader, true, container ? RAW_FILE_TYPE_RAF : RAW_FILE_TYPE_TIF};
  type = TiffTypeByMake(TiffAsciiUpper(walk.m_make), walk.m_model, walk.m_dng, type, rules);

  size = RoundUpToSectors(size, sectorSize);
  if (size < kGrowBelow) {
    const quellsy::ByteSpan last = window.Bytes(size - sectorSize, sectorSize);
    if (!last.empty() && !IsZeroFill(last.last(kZeroTail))) {
      // The file goes on over every sector that does not end in zeros.
      for (; size <= kGrowLimit; size += sectorSize) {
        const quellsy::ByteSpan sector = window.Bytes(size, sectorSize);
        if (sector.empty() || IsZeroFill(sector.last(kZeroTail))) break;
      }
    }
  }
  return Claim(hit, type, size);
}

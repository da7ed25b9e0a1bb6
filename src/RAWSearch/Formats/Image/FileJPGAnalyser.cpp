#include "RAWSearch/Formats/Image/FileJPGAnalyser.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "RAWSearch/Framework/JpegMarkerWalk.h"
#include "RAWSearch/Framework/CRawFileInfo.h"
#include "RAWSearch/Framework/OffsetFetch.h"
#include "RAWSearch/Framework/PlainFileWindow.h"
#include "RAWSearch/Framework/RawSearchApi.h"
#include "RAWSearch/Metadata/ExifReader.h"

namespace {

// A real file reaches its start of scan within a few dozen segments; junk that keeps looking like
// segments is given up after this many.
constexpr unsigned kMaxMarkers = 20480;

constexpr std::uint8_t kSof0 = 0xC0;
constexpr std::uint8_t kSof2 = 0xC2;
constexpr std::uint8_t kSos = 0xDA;
constexpr std::uint8_t kFill = 0xFF;

bool IsAnyFrameHeader(std::uint8_t code) {
  return code >= 0xC0 && code <= 0xCF && code != 0xC4 && code != 0xC8 && code != 0xCC;
}

bool StartsWith(quellsy::ByteSpan bytes, std::array<std::uint8_t, 4> lead) {
  return bytes.size() >= lead.size() && std::equal(lead.begin(), lead.end(), bytes.begin());
}

}  // namespace

FileJPGAnalyser::FileJPGAnalyser() : CPlainRawFileAnalyser(RAW_FILE_TYPE_JPG) {}

void FileJPGAnalyser::GetRawFileTagAndValue(RAW_FILE_TAG& tag, std::string& value) const {
  tag = m_uTag;
  value = m_strLabelValue;
}

int FileJPGAnalyser::Test(quellsy::ByteSpan sector, CRawFileInfo& hit) {
  if (HasText(sector, 6, "JFIF", true) || HasText(sector, 6, "Exif", true) ||
      StartsWith(sector, {0xFF, 0xD8, 0xFF, 0xDB}) || StartsWith(sector, {0xFF, 0xD8, 0xFF, 0xEE}))
    return Claim(hit, 0);
  return 0;
}

void FileJPGAnalyser::InitMemValue() {
  m_uTag = RAW_FILE_TAG_NONE;
  m_strName.clear();
  m_strTime.clear();
  m_strLabelValue.clear();
  m_llSectorSize = 0;
}

int FileJPGAnalyser::Measure(CRawFileInfo& hit, PlainFileWindow& window) {
  InitMemValue();
  m_llSectorSize = window.SectorSize();
  // The end search looks at a sector's last six bytes.
  if (m_llSectorSize < 8 || !window.Readable(0)) return 0;
  if (window.HasText(6, "JFIF", true)) return MarkerWalk(hit, window, WalkKind::kJfif);
  if (window.HasText(6, "Exif", true)) return MarkerWalk(hit, window, WalkKind::kExif);
  return MarkerWalk(hit, window, WalkKind::kPlain);
}

void FileJPGAnalyser::ReadCameraText(CRawFileInfo& hit, PlainFileWindow& window, std::uint64_t lengthOffset) {
  const quellsy::ByteSpan file = window.At(0);
  const std::optional<std::uint16_t> segmentLength = quellsy::be16(file, lengthOffset);
  if (!segmentLength || *segmentLength < 2) return;
  const std::uint64_t exifOffset = lengthOffset + 2;
  // The segment as far as the window holds it.
  const std::uint64_t length = std::min<std::uint64_t>(*segmentLength - 2u, file.size() - exifOffset);
  tag_ExifInfo info{};
  SetExitInfo(&info);
  const std::uint32_t read = EXIF_process_EXIF(file.data(), 0, file.data() + exifOffset, static_cast<unsigned>(length));
  SetExitInfo(nullptr);
  if (!read) return;

  const std::string model(info.CameraModel, strnlen(info.CameraModel, sizeof info.CameraModel));
  m_strName =
      model.find('<') == std::string::npos
          ? model
          : ApiStrFilterBadFileName(std::string(info.CameraMake, strnlen(info.CameraMake, sizeof info.CameraMake)));
  m_strLabelValue = m_strName;
  m_strTime.assign(info.DateTime, strnlen(info.DateTime, sizeof info.DateTime));
  hit.SetRawFileName(m_strName);
  hit.SetRawFileTime(m_strTime);
  if (!m_strName.empty()) {
    m_uTag = RAW_FILE_TAG_CAMERA;
    // The hit carries the label too, so a hit measured here is filed under its camera like one the
    // growing analyser finished.
    hit.SetRawFileTagAndValue(m_uTag, m_strLabelValue);
  }
}

int FileJPGAnalyser::MarkerWalk(CRawFileInfo& hit, PlainFileWindow& window, WalkKind kind) {
  const std::uint64_t cap = kind == WalkKind::kJfif ? kJfifWalkCap : kWalkCap;
  if (kind == WalkKind::kJfif) {
    if (!window.HasText(6, "JFIF")) return 0;
    // The Exif segment, when there is one, follows a 16-byte JFIF segment.
    ReadCameraText(hit, window, 22);
  } else if (kind == WalkKind::kExif) {
    ReadCameraText(hit, window, 4);
  }
  if (window.U8(2) != 0xFF) return 0;

  std::uint64_t p = 2;
  bool sizeKnown = false;
  std::uint64_t width = 0;
  std::uint64_t height = 0;
  for (unsigned step = 0;; ++step) {
    if (p >= cap) {
      if (p > cap) return 0;
      return Claim(hit, cap);
    }
    if (step == kMaxMarkers) return 0;
    const quellsy::ByteSpan marker = window.Bytes(p, 4);
    if (marker.empty()) return 0;
    const std::uint8_t code = marker[1];
    const std::uint64_t next = p + *quellsy::be16(marker, 2) + 2;
    if (code == kFill) {
      p += 2;
      continue;
    }
    const bool frameHeader = kind == WalkKind::kPlain  ? IsAnyFrameHeader(code)
                             : kind == WalkKind::kExif ? code == kSof0
                                                       : code == kSof0 || (code == kSof2 && !sizeKnown);
    if (frameHeader) {
      const quellsy::ByteSpan frame = window.Bytes(p, 10);
      if (frame.empty()) return 0;
      if (frame[4] != 8) {
        if (kind == WalkKind::kPlain) hit.m_ullSize = 0;
        return 0;
      }
      if (kind == WalkKind::kPlain && frame[9] != 3) return 0;
      height = *quellsy::be16(frame, 5);
      width = *quellsy::be16(frame, 7);
      sizeKnown = true;
      p = next;
      continue;
    }
    if (code == kSos) {
      // Without a frame size there is no bound from the picture: search up to the cap from here.
      if (!sizeKnown) return EndFile(hit, window, p, cap, cap);
      const quellsy::ByteSpan scan = window.Bytes(p, 5);
      if (scan.empty()) return 0;
      if (kind == WalkKind::kPlain && scan[4] != 3) return 0;
      p = next;
      break;
    }
    p = next;
  }
  if (!window.Readable(p)) return 0;
  // Even uncompressed the picture needs no more than three bytes a pixel.
  const std::uint64_t limit = width * height == 0 ? cap : std::min(3 * width * height, cap);
  return EndFile(hit, window, p, limit, cap);
}

int FileJPGAnalyser::EndFile(CRawFileInfo& hit, PlainFileWindow& window, std::uint64_t p, std::uint64_t limit,
                             std::uint64_t cap) {
  if (const std::optional<std::uint64_t> end = WalkToEnd(window, cap)) return Claim(hit, *end);
  hit.m_bIncomplete = true;
  return AddFileSizeByPerSecSize(hit, window, p, limit);
}

std::optional<std::uint64_t> FileJPGAnalyser::WalkToEnd(PlainFileWindow& window, std::uint64_t cap) {
  JpegMarkerWalk walk;
  if (!WalkThroughWindow(window, walk, cap) || walk.GetState() != JpegMarkerWalk::State::kDone || walk.End() > cap)
    return std::nullopt;
  return walk.End();
}

int FileJPGAnalyser::AddFileSizeByPerSecSize(CRawFileInfo& hit, PlainFileWindow& window, std::uint64_t& p,
                                             std::uint64_t limit) {
  const auto sectorSize = static_cast<std::uint64_t>(m_llSectorSize);
  while (p < limit) {
    const std::uint64_t inSector = p % sectorSize;
    const std::uint64_t rest = sectorSize - inSector;
    const quellsy::ByteSpan sector = window.Bytes(p - inSector, static_cast<std::size_t>(sectorSize));
    if (sector.empty()) break;
    const quellsy::ByteSpan tail = sector.last(6);
    if (tail[4] == 0xFF && tail[5] == 0xD9) {
      p += rest;
      break;
    }
    if (std::any_of(tail.begin(), tail.end(), [](std::uint8_t b) { return b != 0; })) {
      p += rest;
      continue;
    }
    // The sector ends in zeros: the file may end in it.
    const quellsy::ByteSpan from = sector.subspan(static_cast<std::size_t>(inSector));
    static constexpr std::uint8_t kEnd[2] = {0xFF, 0xD9};
    const auto end = std::search(from.begin(), from.end(), std::begin(kEnd), std::end(kEnd));
    if (end != from.end()) {
      p += static_cast<std::uint64_t>(end - from.begin()) + 2;
      break;
    }
    // FF closed the previous sector: the file ends just after the D9 that opens this one.
    const quellsy::ByteSpan head = window.Bytes(p, 4);
    if (!head.empty() && head[0] == 0xD9 && head[1] == 0 && head[2] == 0 && head[3] == 0) {
      p += 1;
      break;
    }
    p += rest;
  }
  return Claim(hit, p);
}

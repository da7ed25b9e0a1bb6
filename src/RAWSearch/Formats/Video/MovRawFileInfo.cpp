#include <algorithm>
#include <array>
#include <string_view>

#include "RAWSearch/Formats/Video/MovAnalyzer.h"
#include "RAWSearch/Framework/CPlainRawFileAnalyser.h"
#include "RAWSearch/Framework/RawSearchApi.h"
#include "RAWSearch/Framework/RawUtility.h"
#include "RAWSearch/Metadata/TiffCamera.h"
#include "RAWSearch/Metadata/TiffFields.h"

namespace BruteForce {

namespace {

constexpr std::size_t kBoxHeader = 8;
constexpr std::size_t kLargeBoxHeader = 16;
// How far into "moov" an Exif block is looked for.
constexpr std::size_t kExifSearchBytes = 1024;
constexpr std::size_t kTiffAfterExif = 6;
constexpr unsigned kMaxIfdEntries = 512;
constexpr std::size_t kIfdEntryBytes = 12;
// Camera texts are read up to their first zero byte, at most this long.
constexpr std::size_t kCameraText = 63;
constexpr std::size_t kMaxMakeLength = 30;
constexpr std::size_t kMinTimeLength = 10;
constexpr std::size_t kMaxTimeLength = 40;
constexpr std::size_t kDeviceNameBytes = 20;

// The top-level boxes a movie is made of.
constexpr std::array<std::string_view, 19> kTopLevelBoxes = {
    "wide", "uuid", "udta", "trak", "skip", "pnot", "pdin", "free", "ftyp", "meoc",
    "meta", "mfra", "mvhd", "moof", "moov", "mvex", "mdat", "TSCM", "TSCR"};
// The boxes whose size field 1 says a 64-bit size follows the type.
constexpr std::array<std::string_view, 3> kLargeBoxes = {"mdat", "TSCM", "TSCR"};

bool OneOf(std::string_view type, std::span<const std::string_view> types) {
  return std::find(types.begin(), types.end(), type) != types.end();
}

quellsy::ByteSpan Sub(quellsy::ByteSpan bytes, long long at, std::size_t length) {
  if (at < 0 || static_cast<std::size_t>(at) >= bytes.size()) return {};
  const auto from = static_cast<std::size_t>(at);
  return bytes.subspan(from, std::min(length, bytes.size() - from));
}

// A camera text fit for a file name: upper-cased, separators replaced; empty when unfit.
std::string CameraText(quellsy::ByteSpan value, std::size_t cap) {
  std::string text = ApiStrFilterBadFileName(TiffAsciiUpper(TiffText(value, cap)));
  return ApiIsInvalidCharInFileName(text) ? std::string() : text;
}

}  // namespace

MovAnalyzer::MovRawFileInfo::MovRawFileInfo(std::uint32_t type, IRawFileAnalyser* fallback)
    : CBruteForceRawFileInfo(type, fallback) {}

MovAnalyzer::MovRawFileInfo::Window MovAnalyzer::MovRawFileInfo::Buffered(unsigned char* sector, int sectorSize,
                                                                          long long sectorNumber,
                                                                          const SearchContext& context) const {
  long long first = context.llBufferFirstSector;
  long long end = context.llBlockEndSector;
  // A context that does not hold the sector shows this sector alone.
  if (first > sectorNumber || end <= sectorNumber) {
    first = sectorNumber;
    end = sectorNumber + 1;
  }
  const long long sectorAt = (sectorNumber - first) * sectorSize;
  Window window;
  window.bytes = {sector - sectorAt, static_cast<std::size_t>((end - first) * sectorSize)};
  window.sectorAt = sectorAt;
  window.fileOffset = (first - m_llStartSector) * sectorSize;
  return window;
}

int MovAnalyzer::MovRawFileInfo::CalcRawSize(unsigned char* sector, int sectorSize, long long sectorNumber,
                                             SearchContext& context) {
  if (!sector || sectorSize < 512 || sectorNumber < m_llStartSector) {
    Close(nullptr, sectorSize);
    return 1;
  }
  const long long sectorOffset = (sectorNumber - m_llStartSector) * sectorSize;
  if (m_llBoxPos >= sectorOffset + sectorSize) return 2;
  const Window window = Buffered(sector, sectorSize, sectorNumber, context);
  if (m_llBoxPos == 0) m_bIsoBrand = CPlainRawFileAnalyser::HasText({sector, 12}, 8, "iso");

  while (m_llBoxPos < sectorOffset + sectorSize) {
    const quellsy::ByteSpan box = Sub(window.bytes, m_llBoxPos - window.fileOffset, window.bytes.size());
    if (box.empty()) break;
    // A header that runs past the held data is read when the next sector is shown.
    if (box.size() < kBoxHeader) return 2;
    std::uint64_t size = *quellsy::be32(box, 0);
    const std::string_view type(reinterpret_cast<const char*>(box.data()) + 4, 4);
    if (size == 1) {
      if (!OneOf(type, kLargeBoxes)) break;
      if (box.size() < kLargeBoxHeader) return 2;
      size = *quellsy::be64(box, 8);
      if (size < kLargeBoxHeader) break;
    } else if (size < kBoxHeader) {
      break;
    }
    if (!OneOf(type, kTopLevelBoxes)) break;
    // Another "ftyp" starts the next movie.
    if (type == "ftyp" && m_uBoxCount > 0) break;
    if (size > kSizeCap - static_cast<std::uint64_t>(m_llBoxPos)) break;
    if (type == "moov") {
      ++m_uMoovCount;
      if (box.size() >= kExifSearchBytes) ReadCamera(box);
    }
    ++m_uBoxCount;
    m_llBoxPos += static_cast<long long>(size);
  }
  if (m_llBoxPos >= sectorOffset + sectorSize) return 2;
  Close(&window, sectorSize);
  return 1;
}

void MovAnalyzer::MovRawFileInfo::ReadCamera(quellsy::ByteSpan box) {
  static constexpr std::uint8_t kExif[] = {'E', 'x', 'i', 'f'};
  const unsigned char* exif = Apimemstr(box.data(), static_cast<int>(kExifSearchBytes), kExif, 4);
  if (!exif) return;
  const quellsy::ByteSpan tiff = Sub(box, exif - box.data() + kTiffAfterExif, box.size());
  const bool little = CPlainRawFileAnalyser::HasText(tiff, 0, "II");
  if (!little && !CPlainRawFileAnalyser::HasText(tiff, 0, "MM")) return;
  const std::uint32_t ifd = TiffRead32(tiff, 4, little).value_or(0);
  const std::optional<std::uint16_t> count = TiffRead16(tiff, ifd, little);
  if (!count || *count < 1 || *count > kMaxIfdEntries) return;
  // The entries must fit in what is held after the count.
  if (*count > (tiff.size() - ifd - 2) / kIfdEntryBytes) return;
  for (unsigned i = 0; i < *count; ++i) {
    const std::size_t entry = ifd + 2 + i * kIfdEntryBytes;
    const std::uint16_t tag = *TiffRead16(tiff, entry, little);
    if (tag != kTiffTagMake && tag != kTiffTagModel && tag != kTiffTagDateTime) continue;
    // Texts of up to four bytes stand in the entry itself.
    const std::uint32_t length = *TiffRead32(tiff, entry + 4, little);
    const quellsy::ByteSpan value =
        length <= 4 ? Sub(tiff, static_cast<long long>(entry + 8), 4)
                    : Sub(tiff, *TiffRead32(tiff, entry + 8, little), kCameraText);
    if (tag == kTiffTagMake) {
      const std::string make = CameraText(value, kCameraText);
      if (!make.empty() && make.size() <= kMaxMakeLength) {
        m_strMake = make;
        SetRawFileTagAndValue(RAW_FILE_TAG_MOV, make);
      }
    } else if (tag == kTiffTagModel) {
      m_strModel = CameraText(value, kCameraText);
      if (m_strMake.empty() && !m_strModel.empty()) {
        m_strMake = std::move(m_strModel);
        m_strModel.clear();
        SetRawFileTagAndValue(RAW_FILE_TAG_MOV, m_strMake);
      }
    } else {
      const std::string time = TiffText(value, kCameraText);
      if (time.size() >= kMinTimeLength && time.size() <= kMaxTimeLength) SetRawFileTime(time);
    }
  }
}

void MovAnalyzer::MovRawFileInfo::FindDeviceName(const Window& window, int sectorSize) {
  // Two sectors before the shown one must still be held.
  if (window.sectorAt < 2LL * sectorSize) return;
  static constexpr std::uint8_t kTrex[] = {'t', 'r', 'e', 'x'};
  quellsy::ByteSpan area = Sub(window.bytes, window.sectorAt - 16, 512);
  // A fragmented movie ends in its fragment defaults; the device name stands further back.
  if (Apimemstr(area.data(), static_cast<int>(area.size()), kTrex, 4) && window.sectorAt >= 3LL * sectorSize)
    area = Sub(window.bytes, window.sectorAt - 1298, 1024);
  const auto find = [&area](std::string_view name) {
    return Apimemstr(area.data(), static_cast<int>(area.size()), reinterpret_cast<const std::uint8_t*>(name.data()),
                     static_cast<int>(name.size()));
  };
  const unsigned char* phone = find("iPhone ");
  const unsigned char* pad = find("iPad ");
  const unsigned char* found = !phone ? pad : !pad ? phone : std::min(phone, pad);
  if (!found) return;
  const std::string make = CameraText(Sub(area, found - area.data(), kDeviceNameBytes), kDeviceNameBytes);
  if (make.empty()) return;
  m_strMake = make;
  SetRawFileTagAndValue(RAW_FILE_TAG_MOV, make);
}

void MovAnalyzer::MovRawFileInfo::Close(const Window* window, int sectorSize) {
  if (m_uBoxCount <= 1) {
    m_ullSize = 0;
    return;
  }
  if (m_uRawFileType == RAW_FILE_TYPE_MOV && m_uMoovCount == 1 && m_bIsoBrand)
    m_uRawFileType = RAW_FILE_TYPE_MP4;
  else if (m_strMake.empty() && window)
    FindDeviceName(*window, sectorSize);
  if (!m_strModel.empty()) SetRawFileName(m_strModel);
  if (m_strModel.empty() && m_strMake.empty()) SetRawFileTagAndValue(RAW_FILE_TAG_NONE, std::string());
  m_ullSize = static_cast<std::uint64_t>(m_llBoxPos);
}

void MovAnalyzer::MovRawFileInfo::WillBeRemove(unsigned char* sector, long long sectorNumber) {
  Close(nullptr, 0);
  CBruteForceRawFileInfo::WillBeRemove(sector, sectorNumber);
}

}  // namespace BruteForce

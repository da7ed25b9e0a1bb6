#include "RAWSearch/Metadata/ExifReader.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <optional>
#include <span>

#include "RAWSearch/Metadata/TiffFields.h"
#include "Utility/ByteReader.h"

namespace {

using quellsy::ByteSpan;

// Directory links of a block are followed at most this deep, and at most this many directories are
// read per block, so shared or looping links cannot make the walk explode.
constexpr std::size_t kMaxDirectoryDepth = 16;
constexpr unsigned kMaxDirectoriesPerBlock = 64;

enum ExifTag : std::uint16_t {
  kTagThumbnailOffset = 513,
  kTagThumbnailLength = 514,
  kTagMake = 271,
  kTagModel = 272,
  kTagOrientation = 274,
  kTagXResolution = 282,
  kTagYResolution = 283,
  kTagResolutionUnit = 296,
  kTagExposureTime = 33434,
  kTagFNumber = 33437,
  kTagExifOffset = 34665,
  kTagExposureProgram = 34850,
  kTagISOEquivalent = 34855,
  kTagExifVersion = 36864,
  kTagDateTimeOriginal = 36867,
  kTagDateTimeDigitized = 36868,
  kTagCompressedBitsPerPixel = 37122,
  kTagBrightness = 37379,
  kTagExposureBias = 37380,
  kTagSubjectDistance = 37382,
  kTagMeteringMode = 37383,
  kTagLightSource = 37384,
  kTagFlash = 37385,
  kTagFocalLength = 37386,
  kTagMakerNote = 37500,
  kTagUserComment = 37510,
  kTagExifImageWidth = 40962,
  kTagExifImageLength = 40963,
  kTagInteropOffset = 40965,
  kTagFocalPlaneXRes = 41486,
  kTagFocalPlaneYRes = 41487,
  kTagFocalPlaneUnits = 41488,
};

tag_ExifInfo* m_pExifInfo = nullptr;
int m_MotorolaOrder = 0;
int m_ExifImageWidth = 0;
char m_szLastError[256] = {};

// The directories on the path being read (offsets from the TIFF header), and how many the block read.
struct DirectoryWalk {
  std::uint64_t stack[kMaxDirectoryDepth] = {};
  std::size_t depth = 0;
  unsigned visited = 0;
};
DirectoryWalk g_walk;

void SetError(const char* text) {
  std::strncpy(m_szLastError, text, sizeof m_szLastError - 1);
  m_szLastError[sizeof m_szLastError - 1] = '\0';
}

std::optional<std::uint16_t> Get16u(ByteSpan bytes, std::size_t offset) {
  return TiffRead16(bytes, offset, !m_MotorolaOrder);
}

std::optional<std::uint32_t> Get32u(ByteSpan bytes, std::size_t offset) {
  return TiffRead32(bytes, offset, !m_MotorolaOrder);
}

// The value of `format` at the span's start; 0 when the span is too short for it.
double ConvertAnyFormat(ByteSpan value, int format) {
  const auto s32 = [&](std::size_t off) { return static_cast<std::int32_t>(Get32u(value, off).value_or(0)); };
  if (format < 1 || format > 12 || value.size() < static_cast<std::size_t>(kTiffBytesPerFormat[format])) return 0.0;
  switch (format) {
    case 1:
      return value[0];
    case 6:
      return static_cast<std::int8_t>(value[0]);
    case 3:
      return *Get16u(value, 0);
    case 8:
      return static_cast<std::int16_t>(*Get16u(value, 0));
    case 4:
      return *Get32u(value, 0);
    case 9:
      return s32(0);
    case 5:
    case 10: {
      const std::int32_t denominator = s32(4);
      return denominator == 0 ? 0.0 : static_cast<double>(s32(0)) / denominator;
    }
    case 11: {
      float f;
      std::memcpy(&f, value.data(), sizeof f);
      return f;
    }
    case 12: {
      double d;
      std::memcpy(&d, value.data(), sizeof d);
      return d;
    }
    default:
      return 0.0;
  }
}

// Truncated toward zero; values that do not fit an i32 (and NaN) are pinned instead of undefined.
std::int32_t ToInt32(double value) {
  if (std::isnan(value)) return 0;
  return static_cast<std::int32_t>(std::clamp(value, -2147483648.0, 2147483647.0));
}

std::uint32_t ToUint32(double value) {
  if (std::isnan(value)) return 0;
  return static_cast<std::uint32_t>(std::clamp(value, 0.0, 4294967295.0));
}

float ToFloat(double value) {
  if (std::isnan(value)) return static_cast<float>(value);
  return static_cast<float>(std::clamp(value, static_cast<double>(-FLT_MAX), static_cast<double>(FLT_MAX)));
}

// Up to `cap` characters of the value, ending at its first NUL; `dest` holds cap + 1.
void CopyText(char* dest, std::size_t cap, ByteSpan value) {
  std::size_t n = 0;
  while (n < cap && n < value.size() && value[n] != 0) {
    dest[n] = static_cast<char>(value[n]);
    ++n;
  }
  dest[n] = '\0';
}

float UnitFactor(int unit, float current) {
  switch (unit) {
    case 1:
    case 2:
      return 1.0f;
    case 3:
      return 0.3937007f;
    case 4:
      return 0.03937008f;
    case 5:
      return 0.00003937008f;
    default:
      return current;
  }
}

// One block's walk: the bytes, where stored positions count from, and what was read.
struct Block {
  const unsigned char* base;
  unsigned int basePosition;
  ByteSpan tiff;
  tag_ExifInfo* info;
  const unsigned char** lastEnd;
  // Copies made during this block, so a repeated tag replaces its own copy instead of leaking it.
  std::uint8_t copiedThisBlock = 0;
};

std::uint64_t PositionOf(const Block& block, const unsigned char* address) {
  return static_cast<std::uint64_t>(static_cast<long long>(block.basePosition) + (address - block.base));
}

// Keeps `value` as a heap copy when `flag` is set in the record's copy flags, else as its position.
void KeepBlob(Block& block, ExifBlobRef& ref, std::uint8_t flag, ByteSpan value, std::uint64_t position) {
  if (block.info->CopyFlags & flag) {
    if (block.copiedThisBlock & flag) delete[] ref.copy;
    ref.copy = new unsigned char[std::max<std::size_t>(value.size(), 1)];
    std::copy(value.begin(), value.end(), ref.copy);
    block.copiedThisBlock |= flag;
  } else {
    ref.position = position;
  }
}

bool ProcessDirectory(Block& block, std::uint64_t directory);

// Follows a link to another directory; a link past the block is an error, a failed directory is not.
bool FollowLink(Block& block, std::uint64_t offset) {
  if (offset > block.tiff.size()) {
    SetError("Illegal subdirectory link");
    return false;
  }
  ProcessDirectory(block, offset);
  return true;
}

// Stores what one entry says; false ends the directory with failure.
bool StoreEntry(Block& block, std::uint16_t tag, int format, ByteSpan value, std::uint32_t& thumbnailOffset,
                std::uint32_t& thumbnailLength) {
  tag_ExifInfo& info = *block.info;
  const double number = ConvertAnyFormat(value, format);
  switch (tag) {
    case kTagMake:
      CopyText(info.CameraMake, sizeof info.CameraMake - 1, value);
      break;
    case kTagModel:
      CopyText(info.CameraModel, sizeof info.CameraModel - 1, value);
      break;
    case kTagDateTimeOriginal:
      CopyText(info.DateTime, sizeof info.DateTime - 1, value);
      break;
    case kTagDateTimeDigitized:
      CopyText(info.DateTimeDigitized, sizeof info.DateTimeDigitized - 1, value);
      break;
    case kTagExifVersion:
      CopyText(info.Version, sizeof info.Version - 1, value);
      break;
    case kTagOrientation: {
      const std::int32_t orientation = ToInt32(number);
      if (orientation < 1 || orientation > 8) {
        SetError("Undefined rotation value");
        info.Orientation = 0;
      } else {
        info.Orientation = orientation;
      }
      break;
    }
    case kTagFlash:
      info.FlashUsed = (ToInt32(number) & 7) != 0 ? 1 : 0;
      break;
    case kTagFocalLength:
      info.FocalLength = ToFloat(number);
      break;
    case kTagExposureTime:
      info.ExposureTime = ToFloat(number);
      break;
    case kTagFNumber:
      info.ApertureFNumber = ToFloat(number);
      break;
    case kTagSubjectDistance:
      info.Distance = ToFloat(number);
      break;
    case kTagExposureBias:
      info.ExposureBias = ToFloat(number);
      break;
    case kTagLightSource:
      info.LightSource = ToInt32(number);
      break;
    case kTagMeteringMode:
      info.MeteringMode = ToInt32(number);
      break;
    case kTagExposureProgram:
      info.ExposureProgram = ToInt32(number);
      break;
    case kTagISOEquivalent: {
      const std::int32_t iso = ToInt32(number);
      // Some cameras store the ISO divided by 200.
      info.ISOequivalent = iso < 50 ? ToInt32(iso * 200.0) : iso;
      break;
    }
    case kTagCompressedBitsPerPixel:
      info.CompressedBitsPerPixel = ToInt32(number);
      break;
    case kTagFocalPlaneXRes:
      info.FocalPlaneXRes = ToFloat(number);
      break;
    case kTagFocalPlaneYRes:
      info.FocalPlaneYRes = ToFloat(number);
      break;
    case kTagFocalPlaneUnits:
      info.FocalPlaneUnits = UnitFactor(ToInt32(number), info.FocalPlaneUnits);
      break;
    case kTagXResolution:
      info.XResolution = ToFloat(number);
      break;
    case kTagYResolution:
      info.YResolution = ToFloat(number);
      break;
    case kTagResolutionUnit:
      info.ResolutionUnit = UnitFactor(ToInt32(number), info.ResolutionUnit);
      break;
    case kTagBrightness:
      info.Brightness = ToFloat(number);
      break;
    case kTagExifImageWidth:
    case kTagExifImageLength:
      m_ExifImageWidth = std::max(m_ExifImageWidth, ToInt32(number));
      break;
    case kTagUserComment:
      info.UserCommentSize = static_cast<std::int32_t>(value.size());
      KeepBlob(block, info.UserComment, tag_ExifInfo::kCopyUserComment, value, PositionOf(block, value.data()));
      break;
    case kTagMakerNote:
      info.MakerNoteSize = static_cast<std::int32_t>(value.size());
      KeepBlob(block, info.MakerNote, tag_ExifInfo::kCopyMakerNote, value,
               static_cast<std::uint64_t>(value.data() - block.tiff.data()));
      break;
    case kTagExifOffset:
    case kTagInteropOffset:
      return FollowLink(block, ToUint32(number));
    case kTagThumbnailOffset:
      thumbnailOffset = ToUint32(number);
      break;
    case kTagThumbnailLength:
      thumbnailLength = ToUint32(number);
      break;
    default:
      break;
  }
  return true;
}

bool ReadDirectory(Block& block, std::uint64_t directory) {
  const ByteSpan tiff = block.tiff;
  const std::optional<std::uint16_t> count = Get16u(tiff, directory);
  if (!count || directory + 2 + 12ull * *count > tiff.size()) {
    SetError("Illegally sized directory");
    return false;
  }
  std::uint32_t thumbnailOffset = 0;
  std::uint32_t thumbnailLength = 0;
  for (std::uint64_t k = 0; k < *count; ++k) {
    const std::uint64_t entry = directory + 2 + 12 * k;
    const std::uint16_t tag = *Get16u(tiff, entry);
    const std::uint16_t format = *Get16u(tiff, entry + 2);
    const std::uint32_t components = *Get32u(tiff, entry + 4);
    if (format < 1 || format > 12) {
      SetError("Illegal format code in EXIF dir");
      return false;
    }
    const std::uint64_t size = std::uint64_t{components} * kTiffBytesPerFormat[format];
    ByteSpan value;
    if (size > 4) {
      const std::uint32_t offset = *Get32u(tiff, entry + 8);
      if (offset + size > tiff.size()) {
        SetError("Illegal pointer offset value in EXIF.");
        return false;
      }
      value = tiff.subspan(offset, static_cast<std::size_t>(size));
    } else {
      value = tiff.subspan(static_cast<std::size_t>(entry + 8), static_cast<std::size_t>(size));
    }
    if (block.lastEnd && (!*block.lastEnd || value.data() + value.size() > *block.lastEnd))
      *block.lastEnd = value.data() + value.size();
    // Conversions of numbers read their whole format even where the count is 0: the entry's own four
    // value bytes hold it.
    const ByteSpan numeric = size > 4 ? value : tiff.subspan(static_cast<std::size_t>(entry + 8), 4);
    const ByteSpan stored = size > 4 ? value : numeric.first(static_cast<std::size_t>(size));
    const bool isText = tag == kTagMake || tag == kTagModel || tag == kTagDateTimeOriginal ||
                        tag == kTagDateTimeDigitized || tag == kTagExifVersion || tag == kTagUserComment ||
                        tag == kTagMakerNote;
    if (!StoreEntry(block, tag, format, isText ? stored : numeric, thumbnailOffset, thumbnailLength)) return false;
  }

  if (const std::optional<std::uint32_t> next = Get32u(tiff, directory + 2 + 12ull * *count); next && *next != 0) {
    if (!FollowLink(block, *next)) return false;
  }

  if (thumbnailOffset != 0 && thumbnailLength != 0 && std::uint64_t{thumbnailOffset} + thumbnailLength <= tiff.size()) {
    const ByteSpan thumbnail = tiff.subspan(thumbnailOffset, thumbnailLength);
    KeepBlob(block, block.info->Thumbnail, tag_ExifInfo::kCopyThumbnail, thumbnail,
             PositionOf(block, thumbnail.data()));
    block.info->ThumbnailSize = static_cast<std::int32_t>(thumbnailLength);
  }
  return true;
}

bool ProcessDirectory(Block& block, std::uint64_t directory) {
  DirectoryWalk& walk = g_walk;
  const auto* onPath = std::find(walk.stack, walk.stack + walk.depth, directory);
  if (onPath != walk.stack + walk.depth || walk.depth == kMaxDirectoryDepth ||
      walk.visited >= kMaxDirectoriesPerBlock) {
    SetError("Illegal subdirectory link");
    return false;
  }
  ++walk.visited;
  walk.stack[walk.depth++] = directory;
  const bool ok = ReadDirectory(block, directory);
  --walk.depth;
  return ok;
}

}  // namespace

void SetExitInfo(tag_ExifInfo* info) { m_pExifInfo = info; }

void GetExifInfo(tag_ExifInfo* out) {
  if (out && m_pExifInfo) std::memcpy(out, m_pExifInfo, sizeof *out);
}

std::uint32_t EXIF_process_EXIF(const unsigned char* base, unsigned int basePosition, const unsigned char* exif,
                                unsigned int length) {
  tag_ExifInfo* info = m_pExifInfo;
  if (!info || !exif) return 0;
  info->FlashUsed = 0;
  info->BlockScratch = 0;
  m_ExifImageWidth = 0;

  const ByteSpan block(exif, length);
  static constexpr unsigned char kHeader[6] = {'E', 'x', 'i', 'f', 0, 0};
  if (block.size() < sizeof kHeader || !std::equal(kHeader, kHeader + sizeof kHeader, block.begin())) {
    SetError("Incorrect Exif header");
    return 0;
  }
  const std::optional<std::uint16_t> order = quellsy::be16(block, 6);
  if (order == 0x4949) {
    m_MotorolaOrder = 0;
  } else if (order == 0x4D4D) {
    m_MotorolaOrder = 1;
  } else {
    SetError("Invalid Exif alignment marker.");
    return 0;
  }
  if (Get16u(block, 8) != 0x2A) {
    SetError("Invalid Exif start (1)");
    return 0;
  }
  const std::optional<std::uint32_t> firstOffset = Get32u(block, 10);
  if (!firstOffset || *firstOffset < 8 || *firstOffset > 16) {
    SetError("Suspicious offset of first IFD value");
    return 0;
  }
  // The first directory is read right after the header, whatever the stored offset says.
  if (!EXIF_ProcessExifDir(base, basePosition, exif + 14, exif + 6, length - 6, info, nullptr)) return 0;
  if (info->FocalPlaneXRes != 0)
    info->SensorWidth = ToFloat(m_ExifImageWidth * static_cast<double>(info->FocalPlaneUnits) / info->FocalPlaneXRes);
  return 1;
}

std::uint32_t EXIF_ProcessExifDir(const unsigned char* base, unsigned int basePosition, const unsigned char* directory,
                                  const unsigned char* tiffStart, unsigned int tiffLength, tag_ExifInfo* info,
                                  const unsigned char** lastEnd) {
  if (!info || !tiffStart || !directory || directory < tiffStart ||
      static_cast<std::size_t>(directory - tiffStart) > tiffLength)
    return 0;
  Block block{base, basePosition, ByteSpan(tiffStart, tiffLength), info, lastEnd};
  // A top-level call starts a new block's walk; nested ones come through ProcessDirectory.
  g_walk = DirectoryWalk{};
  return ProcessDirectory(block, static_cast<std::uint64_t>(directory - tiffStart)) ? 1 : 0;
}

const char* EXIF_GetErrorString() { return m_szLastError; }

double EXIF_ConvertAnyFormat(const void* value, int format) {
  if (!value || format < 1 || format > 12) return 0.0;
  return ConvertAnyFormat(ByteSpan(static_cast<const unsigned char*>(value), kTiffBytesPerFormat[format]), format);
}

std::int32_t EXIF_Get32s(const void* p) {
  return static_cast<std::int32_t>(*Get32u(ByteSpan(static_cast<const unsigned char*>(p), 4), 0));
}

void ResetExifReaderState() {
  m_pExifInfo = nullptr;
  m_MotorolaOrder = 0;
  m_ExifImageWidth = 0;
  m_szLastError[0] = '\0';
  g_walk = DirectoryWalk{};
}

#pragma once
// Decodes the EXIF block of a picture (the TIFF-structured metadata in a JPEG APP1 segment or at the
// start of a TIFF file) into a fixed record: camera make and model, capture date, exposure values,
// thumbnail. The reader keeps its state at module level (the record to fill, the byte order, the
// widest image width seen, the last error text) and so reads one block at a time, on one thread.

#include <cstddef>
#include <cstdint>

// A value kept out of the block: a heap copy (new[], the caller's to free) when the record's copy
// flag asks for one, else where the value lies (see EXIF_process_EXIF).
union ExifBlobRef {
  unsigned char* copy;
  std::uint64_t position;
};

// Callers zero it before use. The layout is fixed (1280 bytes, fields at set offsets), since the
// record is handed around as a block of bytes.
struct tag_ExifInfo {
  static constexpr std::uint8_t kCopyThumbnail = 2;
  static constexpr std::uint8_t kCopyUserComment = 4;
  static constexpr std::uint8_t kCopyMakerNote = 8;

  std::uint8_t CopyFlags;
  std::uint8_t Reserved0[7];
  char Version[5];
  char CameraMake[32];
  char CameraModel[40];
  char DateTime[20];
  char DateTimeDigitized[20];
  char Reserved1[11];
  std::int32_t Orientation;
  std::int32_t Reserved2[2];
  std::int32_t FlashUsed;
  float FocalLength;
  float ExposureTime;
  float ApertureFNumber;
  float Distance;
  float SensorWidth;
  float ExposureBias;
  std::int32_t LightSource;
  std::int32_t MeteringMode;
  std::int32_t ExposureProgram;
  std::int32_t ISOequivalent;
  std::int32_t CompressedBitsPerPixel;
  float FocalPlaneXRes;
  float FocalPlaneYRes;
  float FocalPlaneUnits;
  float XResolution;
  float YResolution;
  float ResolutionUnit;
  float Brightness;
  // Cleared at the start of every block, not otherwise written.
  std::int32_t BlockScratch;
  char Reserved3[996];
  std::int32_t UserCommentSize;
  ExifBlobRef UserComment;
  std::int32_t MakerNoteSize;
  ExifBlobRef MakerNote;
  ExifBlobRef Thumbnail;
  std::int32_t ThumbnailSize;
  char Reserved4[12];
};
static_assert(sizeof(tag_ExifInfo) == 1280);
static_assert(offsetof(tag_ExifInfo, CameraMake) == 13 && offsetof(tag_ExifInfo, CameraModel) == 45 &&
              offsetof(tag_ExifInfo, DateTime) == 85 && offsetof(tag_ExifInfo, Orientation) == 136 &&
              offsetof(tag_ExifInfo, FlashUsed) == 148 && offsetof(tag_ExifInfo, BlockScratch) == 224 &&
              offsetof(tag_ExifInfo, UserCommentSize) == 1224 && offsetof(tag_ExifInfo, MakerNote) == 1248 &&
              offsetof(tag_ExifInfo, Thumbnail) == 1256 && offsetof(tag_ExifInfo, ThumbnailSize) == 1264);

// The record the next EXIF_process_EXIF fills (not owned).
void SetExitInfo(tag_ExifInfo* info);
// Copies the current record to `out`; nothing without one.
void GetExifInfo(tag_ExifInfo* out);

// `exif` points at the 6-byte header ("Exif" and two zero bytes) with `length` readable bytes from
// there. `base` is a byte of the caller's buffer and `basePosition` that byte's position: positions
// stored for values not copied are basePosition + (address of the value - base). 1 on success.
std::uint32_t EXIF_process_EXIF(const unsigned char* base, unsigned int basePosition, const unsigned char* exif,
                                unsigned int length);
// One image file directory and, recursively, those it links to; `tiffStart` holds tiffLength readable
// bytes. `lastEnd` (may be null) receives the largest end address of any value read. 1 on success.
std::uint32_t EXIF_ProcessExifDir(const unsigned char* base, unsigned int basePosition, const unsigned char* directory,
                                  const unsigned char* tiffStart, unsigned int tiffLength, tag_ExifInfo* info,
                                  const unsigned char** lastEnd);
const char* EXIF_GetErrorString();
// The value at `value` of a TIFF format (1-12) in the current byte order; formats 2, 7 and unknown
// ones give 0. `value` must hold the format's size in bytes (1 to 8).
double EXIF_ConvertAnyFormat(const void* value, int format);
// The 32-bit value at `p` in the current byte order.
std::int32_t EXIF_Get32s(const void* p);

// Forgets the record, byte order, width and error text (tests).
void ResetExifReaderState();

#pragma once
// What both TIFF analysers share: the tags they act on, the test for an embedded JPEG picture, text
// values as stored, and the camera raw type that the maker's name stands for.

#include <cstdint>
#include <string>

#include "Utility/ByteReader.h"

enum TiffTag : std::uint16_t {
  kTiffTagPreview = 46,
  kTiffTagWidth = 256,
  kTiffTagHeight = 257,
  kTiffTagMake = 271,
  kTiffTagModel = 272,
  kTiffTagStripOffsets = 273,
  kTiffTagStripByteCounts = 279,
  kTiffTagDateTime = 306,
  kTiffTagTileOffsets = 324,
  kTiffTagTileByteCounts = 325,
  kTiffTagSubIfds = 330,
  kTiffTagJpegOffset = 513,
  kTiffTagJpegLength = 514,
  kTiffTagIptc = 33723,
  kTiffTagExifIfd = 34665,
  kTiffTagDateTimeOriginal = 36867,
  kTiffTagMakerNote = 37500,
  kTiffTagDngVersion = 50706,
  kTiffTagDngPrivateData = 50740,
};

// FF D8 FF followed by E0, E1 or DB: a JPEG picture starts here.
bool IsEmbeddedJpegStart(quellsy::ByteSpan bytes);

// Every byte zero (true for none): slack behind a file's end.
bool IsZeroFill(quellsy::ByteSpan bytes);

// The text at the start of `value`: up to the first zero byte, at most `cap` characters.
std::string TiffText(quellsy::ByteSpan value, std::size_t cap);
// a-z upper-cased; other bytes kept.
std::string TiffAsciiUpper(std::string text);

// How a maker name that only some readers know is typed.
struct TiffMakeRules {
  // Set when the file started 49 49 55 00; unset when the reader does not look at that header.
  bool panasonicHeader = false;
  bool knowsPanasonicHeader = false;
  // The type a maker not in the table gets.
  std::uint32_t otherwise = 0;
};

// The camera raw type for a file whose (upper-cased) maker is `make`: the first maker name the make
// contains decides; a DNG version tag wins over any maker.
std::uint32_t TiffTypeByMake(const std::string& make, const std::string& model, bool dng, std::uint32_t current,
                             const TiffMakeRules& rules);

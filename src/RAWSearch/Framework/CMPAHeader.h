#pragma once
// One decoded MPEG-1/2/2.5 audio frame header (Layers I to III) and the frame length it implies,
// with the standard's tables.

#include <cstdint>

class CMPAHeader {
 public:
  enum Version : std::uint32_t { kMpeg25 = 0, kReservedVersion = 1, kMpeg2 = 2, kMpeg1 = 3 };
  enum Layer : std::uint32_t { kLayer1 = 0, kLayer2 = 1, kLayer3 = 2 };
  enum ChannelMode : std::uint32_t { kStereo = 0, kJointStereo = 1, kDualChannel = 2, kSingleChannel = 3 };

  // Bytes of side information in a Layer III frame, by [MPEG 1 | MPEG 2/2.5][single channel].
  static constexpr std::uint32_t kSideInfoSizes[2][2] = {{32, 17}, {17, 9}};
  // What frame scanners allow between a stated and a found frame start, and how far they look.
  static constexpr std::uint32_t kTolerance = 6;
  static constexpr std::uint32_t kMaxRange = 16384;

  // Decodes the four bytes at `header` (byte 0 is the sync byte the caller matched). False for a
  // reserved or free-format field, or a Layer II bit-rate the channel mode does not allow; the fields
  // decoded before the refusal are kept.
  bool Init(const unsigned char* header);
  // Bytes in the frame, padding included.
  std::uint32_t CalcFrameSize() const;
  // Same stream parameters: version, layer, sampling rate, emphasis, and single channel or not.
  bool operator==(const CMPAHeader& other) const;

  const char* VersionName() const;
  const char* LayerName() const;
  const char* ChannelModeName() const;
  const char* EmphasisName() const;

  bool m_bLSF = false;  // MPEG 2 or 2.5
  std::uint32_t m_uVersion = 0;
  std::uint32_t m_uLayer = 0;
  std::uint32_t m_uEmphasis = 0;
  std::uint32_t m_uChannelMode = 0;
  std::uint32_t m_uSamplesPerSec = 0;
  std::uint32_t m_uSamplesPerFrame = 0;
  std::uint32_t m_uBitrate = 0;  // bits per second
  std::uint32_t m_uPadding = 0;
  std::uint16_t m_wBound = 0;          // first joint-stereo subband
  std::uint16_t m_wAllocationTable = 0;  // Layer II bit-allocation table
  std::uint8_t m_bCopyright = 0;
  std::uint8_t m_bPrivate = 0;
  std::uint8_t m_bOriginal = 0;
  std::uint8_t m_bCRC = 0;
  std::uint8_t m_uModeExt = 0;
};

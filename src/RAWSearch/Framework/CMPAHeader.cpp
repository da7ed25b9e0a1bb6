#include "RAWSearch/Framework/CMPAHeader.h"

namespace {

// kbit/s by [MPEG 1 | MPEG 2/2.5][layer][index]; index 0 is free format, 15 is not allowed.
constexpr std::uint32_t kBitrates[2][3][15] = {
    {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
     {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
     {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}},
    {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}},
};
// Hz by [version index][index].
constexpr std::uint32_t kSamplingRates[4][3] = {
    {11025, 12000, 8000}, {0, 0, 0}, {22050, 24000, 16000}, {44100, 48000, 32000}};
constexpr std::uint32_t kSamplesPerFrame[2][3] = {{384, 1152, 1152}, {384, 1152, 576}};
constexpr std::uint32_t kCoefficients[2][3] = {{12, 144, 144}, {12, 144, 72}};
constexpr std::uint32_t kSlotSizes[3] = {4, 1, 1};
// Layer II: whether a bit-rate index allows [a two-channel mode][single channel].
constexpr bool kLayer2AllowedModes[15][2] = {
    {true, true},  {false, true}, {false, true}, {false, true}, {true, true},
    {false, true}, {true, true},  {true, true},  {true, true},  {true, true},
    {true, true},  {true, false}, {true, false}, {true, false}, {true, false},
};

constexpr const char* kVersionNames[4] = {"MPEG 2.5", "", "MPEG 2", "MPEG 1"};
constexpr const char* kLayerNames[3] = {"Layer I", "Layer II", "Layer III"};
constexpr const char* kChannelModeNames[4] = {"Stereo", "Joint Stereo", "Dual Channel", "Single Channel"};
constexpr const char* kEmphasisNames[4] = {"None", "50/15ms", "", "CCIT J.17"};

constexpr std::uint32_t kFreeFormat = 0;
constexpr std::uint32_t kBadBitrateIndex = 15;
constexpr std::uint32_t kReservedSamplingIndex = 3;
constexpr std::uint32_t kReservedEmphasis = 2;
constexpr std::uint16_t kLowSamplingAllocation = 4;

// The Layer II bit-allocation table for a bit rate per channel, or `current` when none applies.
std::uint16_t Layer2Allocation(std::uint32_t kbitPerChannel, std::uint32_t samplingRate, std::uint16_t current) {
  switch (kbitPerChannel) {
    case 32:
    case 48:
      return samplingRate == 32000 ? 3 : 2;
    case 56:
    case 64:
    case 80:
      return 0;
    case 96:
    case 112:
    case 128:
    case 160:
    case 192:
      return samplingRate < 48000 ? 1 : 0;
    default:
      return current;
  }
}

}  // namespace

bool CMPAHeader::Init(const unsigned char* header) {
  if (!header) return false;
  const unsigned char b1 = header[1];
  const unsigned char b2 = header[2];
  const unsigned char b3 = header[3];

  m_uVersion = (b1 >> 3) & 3u;
  if (m_uVersion == kReservedVersion) return false;
  m_bLSF = m_uVersion != kMpeg1;

  const std::uint32_t layerBits = (b1 >> 1) & 3u;
  if (layerBits == 0) return false;
  m_uLayer = layerBits ^ 3u;
  m_bCRC = (b1 & 1u) == 0 ? 1 : 0;

  const std::uint32_t bitrateIndex = b2 >> 4;
  if (bitrateIndex == kBadBitrateIndex) return false;
  m_uBitrate = kBitrates[m_bLSF ? 1 : 0][m_uLayer][bitrateIndex] * 1000;
  if (m_uBitrate == kFreeFormat) return false;

  const std::uint32_t samplingIndex = (b2 >> 2) & 3u;
  if (samplingIndex == kReservedSamplingIndex) return false;
  m_uSamplesPerSec = kSamplingRates[m_uVersion][samplingIndex];

  m_uPadding = (b2 >> 1) & 1u;
  m_bPrivate = b2 & 1u;
  m_uSamplesPerFrame = kSamplesPerFrame[m_bLSF ? 1 : 0][m_uLayer];

  m_uChannelMode = b3 >> 6;
  m_uModeExt = (b3 >> 4) & 3u;
  if (m_uChannelMode == kJointStereo) m_wBound = static_cast<std::uint16_t>(4 * m_uModeExt + 4);
  m_bCopyright = (b3 >> 3) & 1u;
  m_bOriginal = (b3 >> 2) & 1u;
  m_uEmphasis = b3 & 3u;
  if (m_uEmphasis == kReservedEmphasis) return false;

  if (m_uLayer == kLayer2) {
    if (m_bLSF) {
      m_wAllocationTable = kLowSamplingAllocation;
    } else {
      const bool single = m_uChannelMode == kSingleChannel;
      if (!kLayer2AllowedModes[bitrateIndex][single ? 1 : 0]) return false;
      const std::uint32_t kbitPerChannel = m_uBitrate / 1000 / (single ? 1 : 2);
      m_wAllocationTable = Layer2Allocation(kbitPerChannel, m_uSamplesPerSec, m_wAllocationTable);
    }
  }
  return true;
}

std::uint32_t CMPAHeader::CalcFrameSize() const {
  if (m_uSamplesPerSec == 0 || m_uLayer > kLayer3) return 0;
  const std::uint64_t slots =
      std::uint64_t{m_uBitrate} * kCoefficients[m_bLSF ? 1 : 0][m_uLayer] / m_uSamplesPerSec + m_uPadding;
  return static_cast<std::uint32_t>(slots * kSlotSizes[m_uLayer]);
}

bool CMPAHeader::operator==(const CMPAHeader& other) const {
  return m_uVersion == other.m_uVersion && m_uLayer == other.m_uLayer && m_uSamplesPerSec == other.m_uSamplesPerSec &&
         m_uEmphasis == other.m_uEmphasis &&
         (m_uChannelMode == kSingleChannel) == (other.m_uChannelMode == kSingleChannel);
}

const char* CMPAHeader::VersionName() const { return m_uVersion < 4 ? kVersionNames[m_uVersion] : ""; }
const char* CMPAHeader::LayerName() const { return m_uLayer < 3 ? kLayerNames[m_uLayer] : ""; }
const char* CMPAHeader::ChannelModeName() const { return m_uChannelMode < 4 ? kChannelModeNames[m_uChannelMode] : ""; }
const char* CMPAHeader::EmphasisName() const { return m_uEmphasis < 4 ? kEmphasisNames[m_uEmphasis] : ""; }

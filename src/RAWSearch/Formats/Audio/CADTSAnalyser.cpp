#include "RAWSearch/Formats/Audio/CADTSAnalyser.h"

#include "RAWSearch/Framework/RawFollowedStreams.h"

namespace BruteForce {

bool CADTSAnalyser::s_bOverflow = false;
long long CADTSAnalyser::s_llFollowedStart = -1;

namespace {

constexpr long long kHeaderBytes = 7;
// The test reads a frame when this much of it lies in the buffer.
constexpr long long kTestBytes = 9;

void ReleaseStream(const CRawFileInfo* leaving) {
  if (!leaving || dynamic_cast<const CADTSRawFileInfo*>(leaving)) CADTSAnalyser::ResetStreamState();
}

}  // namespace

CADTSAnalyser::CADTSAnalyser() : CBruteForceAnalyser(kRawFileTypePerHit, nullptr) {
  ResetStreamState();
  RegisterFollowedStream(&ReleaseStream);
}

IRawFileAnalyser* CADTSAnalyser::Create() { return new CADTSAnalyser(); }

std::uint32_t CADTSAnalyser::FrameLength(const unsigned char* p) {
  const std::uint32_t sync = (std::uint32_t{p[0]} << 8) | p[1];
  if (sync < 0xFFF0 || (sync & 6) != 0) return 0;
  const std::uint32_t length = ((std::uint32_t{p[3]} & 3) << 11) | (std::uint32_t{p[4]} << 3) | (p[5] >> 5);
  // A frame holds at least its own header.
  return length < kHeaderBytes ? 0 : length;
}

int CADTSAnalyser::AnalyseBuffer(unsigned char*, CRawFileInfo& scratch) {
  scratch.m_uRawFileType = RAW_FILE_TYPE_M4A;
  return 1;
}

int CADTSAnalyser::AnalyseBufferEx(unsigned char* data, CRawFileInfo& scratch, long long sectorSize, long long sector,
                                   long long, long long blockEndSector) {
  // Sectors of a stream being followed that happen to start at a frame are part of it.
  if (!data || sectorSize < 16 || sectorSize > 0x10000 || blockEndSector <= sector) return 0;
  if (Following() && sector != s_llFollowedStart) return 0;
  const long long held = (blockEndSector - sector) * sectorSize;
  long long at = 0;
  std::uint32_t frames = 0;
  while (at + kTestBytes <= held) {
    const std::uint32_t length = FrameLength(data + at);
    if (length == 0) return 0;
    if (++frames == kFramesToAccept) {
      s_llFollowedStart = sector;
      scratch.m_uRawFileType = RAW_FILE_TYPE_M4A;
      return 1;
    }
    at += length;
  }
  if (frames == 0) return 0;
  s_bOverflow = true;
  s_llFollowedStart = sector;
  scratch.m_uRawFileType = RAW_FILE_TYPE_M4A;
  return 1;
}

CRawFileInfo* CADTSAnalyser::CreateRawFileInfo() { return new CADTSRawFileInfo(); }

CADTSRawFileInfo::CADTSRawFileInfo() : CBruteForceRawFileInfo(RAW_FILE_TYPE_M4A, nullptr) {}

int CADTSRawFileInfo::CalcRawSize(unsigned char* sector, int sectorSize, long long sectorNumber,
                                  SearchContext& context) {
  if (!sector || sectorSize < 512 || sectorNumber < m_llStartSector) return 1;
  const long long offset = (sectorNumber - m_llStartSector) * sectorSize;
  const long long limit = offset + sectorSize;
  m_llLastSector = sectorNumber;
  // A header cut by the sector's end is read from the next sector, this one lying behind it.
  while (m_llPosition + kHeaderBytes <= limit) {
    const std::uint32_t length = CADTSAnalyser::FrameLength(sector + (m_llPosition - offset));
    if (length == 0) {
      // Data running on without a zero tail are not the stream's end.
      const long long size = context.uTrailingZeroBytes > 0 ? m_llPosition : 0;
      return Finish(size, sectorNumber);
    }
    ++m_uFrames;
    m_llPosition += length;
  }
  return 2;
}

int CADTSRawFileInfo::Finish(long long size, long long sectorNumber) {
  if (CADTSAnalyser::Overflow() && m_uFrames < CADTSAnalyser::kFramesAfterOverflow) size = 0;
  CADTSAnalyser::ResetStreamState();
  m_ullSize = static_cast<std::uint64_t>(size);
  m_uRawFileType = RAW_FILE_TYPE_M4A;
  if (size != 0) SetStemName(sectorNumber);
  return 1;
}

void CADTSRawFileInfo::WillBeRemove(unsigned char* sector, long long sectorNumber) {
  Finish(m_llPosition, m_llLastSector);
  CBruteForceRawFileInfo::WillBeRemove(sector, sectorNumber);
}

}  // namespace BruteForce

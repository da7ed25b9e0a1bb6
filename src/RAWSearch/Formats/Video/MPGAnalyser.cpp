#include "RAWSearch/Formats/Video/MPGAnalyser.h"

#include <memory>
#include <utility>

#include "RAWSearch/Formats/Video/FileMPGAnalyser.h"

namespace Brance {

namespace {

constexpr long long kZeroRun = 100;
// A stream that loses its start codes this early is left to the plain analyser.
constexpr long long kShortestStream = 102400;
constexpr long long kEndPadding = 18;
constexpr std::uint32_t kSequenceHeader = 0x000001B3;
constexpr std::uint32_t kPackHeader = 0x000001BA;
constexpr std::uint32_t kSystemHeader = 0x000001BB;
constexpr int kStepsPerCall = 1024;

bool StartCodePrefix(std::uint32_t word) { return (word >> 8) == 1; }

// A packet's step: its stated length and the 6 bytes before it, or 4 for an empty one.
long long PacketStep(std::uint16_t length) { return length ? length + 6 : 4; }

}  // namespace

MPGAnalyser::MPGAnalyser() : CBranchAnalyser(RAW_FILE_TYPE_MPG, std::make_unique<FileMPGAnalyser>()) {}

int MPGAnalyser::AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) {
  // The plain analyser's test is this one's, and its type.
  return Fallback()->AnalyseBuffer(sector, scratch);
}

int MPGAnalyser::AnalyseBufferEx(unsigned char* data, CRawFileInfo& scratch, long long, long long sector, long long,
                                 long long) {
  if (m_llLastStart && sector - *m_llLastStart < kSectorsBetweenStreams) return 0;
  if (!AnalyseBuffer(data, scratch)) return 0;
  m_llLastStart = sector;
  return 1;
}

CRawFileInfo* MPGAnalyser::CreateRawFileInfo() { return new MPGRawFileInfo(Fallback()); }

MPGAnalyser::MPGRawFileInfo::MPGRawFileInfo(IRawFileAnalyser* fallback)
    : CBranchRawFileInfo(RAW_FILE_TYPE_MPG, fallback, 0, kSizeCap) {}

bool MPGAnalyser::MPGRawFileInfo::Continue(const unsigned char* sector, int sectorSize, long long sectorNumber,
                                           const SearchContext& context) {
  const long long sectorEnd = FileOffset(sectorNumber, sectorSize) + sectorSize;
  const HeldBytes held = Held(sector, sectorSize, sectorNumber, context);
  const auto be32At = [&](long long pos) -> std::optional<std::uint32_t> {
    const auto at = held.At(pos, 4);
    if (!at) return std::nullopt;
    return quellsy::be32(held.bytes, *at);
  };
  const auto be16At = [&](long long pos) -> std::optional<std::uint16_t> {
    const auto at = held.At(pos, 2);
    if (!at) return std::nullopt;
    return quellsy::be16(held.bytes, *at);
  };
  if (m_llPackHeader == 0) {
    const auto afterStart = be32At(4);
    if (!afterStart) return false;
    switch (*afterStart) {
      case 0x44000400:
      case 0x44000404:
      case 0x44001480:
      case 0x44002C48:
        m_llPackHeader = 14;
        break;
      default:
        m_llPackHeader = 12;
    }
  }
  for (int steps = 0; steps < kStepsPerCall; ++steps) {
    if (m_llNext >= sectorEnd) return true;
    if (m_llNext < held.first) return false;
    const auto word = be32At(m_llNext);
    // Fields the search does not hold yet are read with the next sector.
    if (!word) return true;
    if (std::exchange(m_bAfterSystemHeader, false) && !StartCodePrefix(*word)) {
      m_llFoundEnd = m_llNext >= kShortestStream ? m_llNext + kEndPadding : 0;
      return false;
    }
    if (*word == kSequenceHeader || *word == kPackHeader) {
      const auto packet = be32At(m_llNext + m_llPackHeader);
      const auto length = be16At(m_llNext + m_llPackHeader + 4);
      if (!packet || !length) return true;
      m_llZeros = 0;
      if (*packet == kSystemHeader) {
        // What follows the system header must start with a start code: the next step checks it.
        m_llNext += m_llPackHeader + 6 + *length;
        m_bAfterSystemHeader = true;
      } else {
        m_llNext += *length ? m_llPackHeader + 6 + *length : 4;
      }
    } else if (*word > 1) {
      m_llZeros = 0;
      if (!StartCodePrefix(*word)) {
        // Lost the start codes: look once two bytes back, then give up.
        if (m_bSteppedBack || m_llNext < 2) {
          m_llFoundEnd = m_llNext + kEndPadding;
          return false;
        }
        m_bSteppedBack = true;
        m_llNext -= 2;
        continue;
      }
      const auto length = be16At(m_llNext + 4);
      if (!length) return true;
      m_llNext += PacketStep(*length);
    } else {
      ++m_llNext;
      if (++m_llZeros == kZeroRun) {
        m_llFoundEnd = m_llNext - m_llZeros;
        return false;
      }
    }
  }
  return true;
}

}  // namespace Brance

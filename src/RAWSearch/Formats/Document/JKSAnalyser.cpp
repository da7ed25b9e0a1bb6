#include "RAWSearch/Formats/Document/JKSAnalyser.h"

#include "Utility/ByteReader.h"

namespace RawSpeed {

namespace {

constexpr long long kMinimum = 20;
constexpr std::uint32_t kMagic = 0xFEEDFEED;

}  // namespace

JKSAnalyser::JKSAnalyser() : CStreamingAnalyser(RAW_FILE_TYPE_JKS, nullptr) {}

int JKSAnalyser::AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) {
  if (!sector || quellsy::be32(quellsy::ByteSpan(sector, 4), 0) != kMagic) return 0;
  scratch.m_uRawFileType = m_uType;
  return 1;
}

CRawFileInfo* JKSAnalyser::CreateRawFileInfo() { return new JKSRawFileInfo(); }

JKSAnalyser::JKSRawFileInfo::JKSRawFileInfo()
    : CStreamingZeroTailRawFileInfo(RAW_FILE_TYPE_JKS, nullptr, kMinimum, 0, kSizeCap) {}

}  // namespace RawSpeed

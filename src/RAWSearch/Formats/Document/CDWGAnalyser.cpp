#include "RAWSearch/Formats/Document/CDWGAnalyser.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "RAWSearch/Framework/CPlainRawFileAnalyser.h"
#include "Utility/ByteReader.h"

namespace BruteForce {

namespace {

constexpr std::string_view kVersions[] = {"AC1027", "AC1024", "AC1021", "AC1018", "AC1015",
                                          "AC1014", "AC1013", "AC1012", "AC1009"};
constexpr long long kHeaderAt = 0x80;
constexpr std::size_t kR2004HeaderBytes = 0x6C;
constexpr long long kLocatorRecordBytes = 9;
// Section-locator records a header may list (real files hold a handful).
constexpr std::uint32_t kMaxLocatorRecords = 256;
constexpr std::size_t kInterleave = 3;
constexpr std::size_t kBlockData = 239;

int FamilyOf(const unsigned char* sector) {
  const quellsy::ByteSpan bytes(sector, 6);
  for (std::string_view v : {"AC1015", "AC1014", "AC1013", "AC1012"})
    if (CPlainRawFileAnalyser::HasText(bytes, 0, v)) return 1;
  for (std::string_view v : {"AC1018", "AC1024", "AC1027"})
    if (CPlainRawFileAnalyser::HasText(bytes, 0, v)) return 2;
  if (CPlainRawFileAnalyser::HasText(bytes, 0, "AC1021")) return 3;
  return 0;
}

// The literal runs of the R2007 scheme store their bytes in a shuffled order: whole 32-byte groups
// with their halves swapped, and a tail whose pieces come in reverse.
void CopyOne(unsigned char* dst, const unsigned char* src, int at) { dst[0] = src[at]; }
void CopyTwo(unsigned char* dst, const unsigned char* src, int at) {
  dst[0] = src[at + 1];
  dst[1] = src[at];
}
void CopyThree(unsigned char* dst, const unsigned char* src, int at) {
  dst[0] = src[at + 2];
  dst[1] = src[at + 1];
  dst[2] = src[at];
}
void CopyFour(unsigned char* dst, const unsigned char* src, int at) { std::memcpy(dst, src + at, 4); }
void CopyEight(unsigned char* dst, const unsigned char* src, int at) {
  CopyFour(dst, src, at);
  CopyFour(dst + 4, src, at + 4);
}
void CopySixteen(unsigned char* dst, const unsigned char* src, int at) {
  CopyEight(dst, src, at + 8);
  CopyEight(dst + 8, src, at);
}

void CopyLiteral(unsigned char* dst, std::uint32_t length, const unsigned char* src) {
  for (; length >= 32; dst += 32, src += 32, length -= 32) {
    CopySixteen(dst, src, 16);
    CopySixteen(dst + 16, src, 0);
  }
  // Pieces of the tail, first to last in the output: (size, source offset).
  struct Piece {
    int size;
    int at;
  };
  static constexpr Piece kNone{0, 0};
  static constexpr std::array<std::array<Piece, 6>, 32> kTails = {{
      {kNone},
      {{{1, 0}}},
      {{{2, 0}}},
      {{{3, 0}}},
      {{{4, 0}}},
      {{{1, 4}, {4, 0}}},
      {{{1, 5}, {4, 1}, {1, 0}}},
      {{{2, 5}, {4, 1}, {1, 0}}},
      {{{8, 0}}},
      {{{1, 8}, {8, 0}}},
      {{{1, 9}, {8, 1}, {1, 0}}},
      {{{2, 9}, {8, 1}, {1, 0}}},
      {{{4, 8}, {8, 0}}},
      {{{1, 12}, {4, 8}, {8, 0}}},
      {{{1, 13}, {4, 9}, {8, 1}, {1, 0}}},
      {{{2, 13}, {4, 9}, {8, 1}, {1, 0}}},
      {{{16, 0}}},
      {{{8, 9}, {1, 8}, {8, 0}}},
      {{{1, 17}, {16, 1}, {1, 0}}},
      {{{3, 16}, {16, 0}}},
      {{{4, 16}, {8, 8}, {8, 0}}},
      {{{1, 20}, {4, 16}, {8, 8}, {8, 0}}},
      {{{2, 20}, {4, 16}, {8, 8}, {8, 0}}},
      {{{3, 20}, {4, 16}, {8, 8}, {8, 0}}},
      {{{8, 16}, {16, 0}}},
      {{{8, 17}, {1, 16}, {16, 0}}},
      {{{1, 25}, {8, 17}, {1, 16}, {16, 0}}},
      {{{2, 25}, {8, 17}, {1, 16}, {16, 0}}},
      {{{4, 24}, {8, 16}, {8, 8}, {8, 0}}},
      {{{1, 28}, {4, 24}, {8, 16}, {8, 8}, {8, 0}}},
      {{{2, 28}, {4, 24}, {8, 16}, {8, 8}, {8, 0}}},
      {{{1, 30}, {4, 26}, {8, 18}, {8, 10}, {8, 2}, {2, 0}}},
  }};
  for (const Piece& piece : kTails[length]) {
    switch (piece.size) {
      case 1: CopyOne(dst, src, piece.at); break;
      case 2: CopyTwo(dst, src, piece.at); break;
      case 3: CopyThree(dst, src, piece.at); break;
      case 4: CopyFour(dst, src, piece.at); break;
      case 8: CopyEight(dst, src, piece.at); break;
      case 16: CopySixteen(dst, src, piece.at); break;
      default: return;
    }
    dst += piece.size;
  }
}

// Reads through the source with every byte checked against its end.
class Source {
 public:
  Source(const unsigned char* p, std::size_t n) : m_p(p), m_end(p + n) {}
  bool Take(std::uint32_t& value) {
    if (m_p >= m_end) return false;
    value = *m_p++;
    return true;
  }
  std::size_t Left() const { return static_cast<std::size_t>(m_end - m_p); }
  const unsigned char* Here() const { return m_p; }
  void Skip(std::size_t n) { m_p += std::min(n, Left()); }

 private:
  const unsigned char* m_p;
  const unsigned char* m_end;
};

// One copy instruction from its opcode: length, back offset and the next opcode.
bool ReadInstructions(Source& src, std::uint32_t& opcode, std::uint32_t& offset, std::uint32_t& length) {
  std::uint32_t b1 = 0;
  std::uint32_t b2 = 0;
  switch (opcode >> 4) {
    case 0:
      if (!src.Take(b1) || !src.Take(b2)) return false;
      length = (opcode & 0xF) + 0x13 + ((b2 >> 3) & 0x10);
      offset = b1 + (((b2 & 0x78) << 5) | 1);
      opcode = b2;
      return true;
    case 1:
      if (!src.Take(b1) || !src.Take(b2)) return false;
      length = (opcode & 0xF) + 3;
      offset = b1 + (((b2 << 5) & 0x1F00) | 1);
      opcode = b2;
      return true;
    case 2: {
      if (!src.Take(b1) || !src.Take(b2)) return false;
      offset = b1 | (b2 << 8);
      length = opcode & 7;
      std::uint32_t b3 = 0;
      if (!src.Take(b3)) return false;
      if ((opcode & 8) == 0) {
        length += b3 & 0xF8;
        opcode = b3;
        return true;
      }
      std::uint32_t b4 = 0;
      if (!src.Take(b4)) return false;
      offset += 1;
      length += (b3 << 3) + ((b4 << 8) & 0xF800) + 0x100;
      opcode = b4;
      return true;
    }
    default:
      if (!src.Take(b1)) return false;
      length = opcode >> 4;
      offset = (opcode & 15) + ((b1 & 0xF8) << 1) + 1;
      opcode = b1;
      return true;
  }
}

bool ReadLiteralLength(Source& src, std::uint32_t& opcode, std::uint32_t& length) {
  length = opcode + 8;
  if (length == 0x17) {
    std::uint32_t n = 0;
    if (!src.Take(n)) return false;
    length += n;
    if (n == 0xFF) {
      do {
        std::uint32_t low = 0;
        std::uint32_t high = 0;
        if (!src.Take(low) || !src.Take(high)) return false;
        n = low | (high << 8);
        length += n;
      } while (n == 0xFFFF);
    }
  }
  opcode = 0;
  return true;
}

}  // namespace

bool CDWGRawInfo::DecompressR2007(const unsigned char* in, std::size_t srcLength, unsigned char* dst,
                                  std::size_t dstLength) {
  if (!in || !dst || srcLength == 0) return false;
  Source src(in, srcLength);
  std::size_t written = 0;
  std::uint32_t opcode = 0;
  std::uint32_t length = 0;
  std::uint32_t offset = 0;
  src.Take(opcode);
  if ((opcode & 0xF0) == 0x20) {
    src.Skip(2);
    std::uint32_t b = 0;
    if (!src.Take(b)) return false;
    length = b & 7;
    if (length == 0) return false;
  }
  while (src.Left() > 0) {
    if (length == 0 && !ReadLiteralLength(src, opcode, length)) return false;
    if (length > dstLength - written || length > src.Left()) return false;
    CopyLiteral(dst + written, length, src.Here());
    written += length;
    src.Skip(length);
    length = 0;
    if (!src.Take(opcode)) return true;
    if (!ReadInstructions(src, opcode, offset, length)) return false;
    for (;;) {
      if (offset == 0 || offset > written || length > dstLength - written) return false;
      // Overlapping copies repeat the bytes just written.
      for (std::uint32_t i = 0; i < length; ++i, ++written) dst[written] = dst[written - offset];
      length = opcode & 7;
      if (length != 0 || src.Left() == 0) break;
      if (!src.Take(opcode)) return true;
      if ((opcode >> 4) == 0) break;
      if ((opcode >> 4) == 0xF) opcode &= 0xF;
      if (!ReadInstructions(src, opcode, offset, length)) return false;
    }
  }
  return true;
}

CDWGAnalyser::CDWGAnalyser() : CBruteForceAnalyser(kRawFileTypePerHit, nullptr) {}

IRawFileAnalyser* CDWGAnalyser::Create() { return new CDWGAnalyser(); }

int CDWGAnalyser::AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) {
  if (!sector) return 0;
  const quellsy::ByteSpan bytes(sector, 6);
  if (std::none_of(std::begin(kVersions), std::end(kVersions),
                   [&](std::string_view v) { return CPlainRawFileAnalyser::HasText(bytes, 0, v); }))
    return 0;
  scratch.m_uRawFileType = RAW_FILE_TYPE_DWG;
  return 1;
}

CRawFileInfo* CDWGAnalyser::CreateRawFileInfo() { return new CDWGRawInfo(); }

CDWGRawInfo::CDWGRawInfo() : CBruteForceRawFileInfo(RAW_FILE_TYPE_DWG, nullptr) {}

int CDWGRawInfo::CalcRawSize(unsigned char* sector, int sectorSize, long long sectorNumber, SearchContext& context) {
  if (!sector || sectorSize < 512 || sectorNumber < m_llStartSector) return 1;
  const long long offset = (sectorNumber - m_llStartSector) * sectorSize;
  m_llSectorNumber = sectorNumber;
  if (m_iFamily < 0) m_iFamily = FamilyOf(sector);
  switch (m_iFamily) {
    case 1:
      return underR15Size(sector, offset, offset + sectorSize);
    case 2:
      return ac1018_24_27VersionSize(sector, context, sectorSize);
    case 3:
      return ac1021VersionSize(sector, offset, offset + sectorSize);
    default:
      return Finish(0, sectorNumber);
  }
}

int CDWGRawInfo::underR15Size(const unsigned char* sector, long long offset, long long limit) {
  const auto at = [&](long long position) { return quellsy::ByteSpan(sector + (position - offset), 9); };
  if (m_uRecordCount == 0) {
    m_uRecordCount = *quellsy::le32(at(m_llLocatorPosition), 0);
    if (m_uRecordCount == 0 || m_uRecordCount > kMaxLocatorRecords) return Finish(0, m_llSectorNumber);
    m_llLocatorPosition += 4;
  }
  // Records cut by the sector's end are read with the next sector, this one lying behind it.
  while (m_uRecordIndex < m_uRecordCount && m_llLocatorPosition + kLocatorRecordBytes <= limit) {
    const quellsy::ByteSpan record = at(m_llLocatorPosition);
    if (record[0] != m_uRecordIndex) return Finish(0, m_llSectorNumber);
    m_ullLargest =
        std::max<std::uint64_t>(m_ullLargest, std::uint64_t{*quellsy::le32(record, 1)} + *quellsy::le32(record, 5));
    ++m_uRecordIndex;
    m_llLocatorPosition += kLocatorRecordBytes;
  }
  return m_uRecordIndex < m_uRecordCount ? 2 : Finish(m_ullLargest, m_llSectorNumber);
}

void CDWGRawInfo::getCrcData(unsigned char* header) {
  std::uint32_t seed = 1;
  for (std::size_t i = 0; i < kR2004HeaderBytes; ++i) {
    seed = seed * 214013 + 2531011;
    header[i] ^= static_cast<unsigned char>(seed >> 16);
  }
}

int CDWGRawInfo::ac1018_24_27VersionSize(const unsigned char* sector, const SearchContext& context, int sectorSize) {
  // The header lies in the first sector, or runs into the second when sectors are smaller than it needs.
  const long long held = (context.llBlockEndSector - m_llStartSector) * sectorSize;
  if (held < kHeaderAt + static_cast<long long>(kR2004HeaderBytes)) return Finish(0, m_llSectorNumber);
  std::array<unsigned char, kR2004HeaderBytes> header{};
  std::memcpy(header.data(), sector + kHeaderAt, header.size());
  getCrcData(header.data());
  quellsy::FieldReader fields(header);
  const bool expected = header[11] == 0 && fields.le32(16) == 0x6C && fields.le32(20) == 4 && fields.le32(68) == 32 &&
                        fields.le32(72) == 128 && fields.le32(76) == 64;
  return Finish(expected ? fields.le64(52) + kR2004HeaderBytes : 0, m_llSectorNumber);
}

int CDWGRawInfo::ac1021VersionSize(const unsigned char* sector, long long offset, long long limit) {
  // Gathers the stored header from 0x80 across sectors.
  while (m_uGathered < kAc1021HeaderBytes) {
    const long long position = kHeaderAt + static_cast<long long>(m_uGathered);
    if (position >= limit) return 2;
    const long long take =
        std::min<long long>(limit - position, static_cast<long long>(kAc1021HeaderBytes - m_uGathered));
    std::memcpy(m_header.data() + m_uGathered, sector + (position - offset), static_cast<std::size_t>(take));
    m_uGathered += static_cast<std::size_t>(take);
  }
  return Finish(readAC1021MetaData(m_header.data()), m_llSectorNumber);
}

std::uint64_t CDWGRawInfo::readAC1021MetaData(const unsigned char* stored) {
  std::array<unsigned char, kAc1021DataBytes> data{};
  for (std::size_t b = 0; b < kInterleave; ++b)
    for (std::size_t i = 0; i < kBlockData; ++i) data[b * kBlockData + i] = stored[kInterleave * i + b];
  quellsy::FieldReader fields(data);
  const auto compressed = static_cast<std::int32_t>(fields.le32(24));
  std::array<unsigned char, kAc1021FileHeaderBytes> header{};
  constexpr std::size_t kFrom = 32;
  if (compressed < 1) {
    std::memcpy(header.data(), data.data() + kFrom, header.size());
  } else {
    const std::size_t length = std::min<std::size_t>(static_cast<std::size_t>(compressed), data.size() - kFrom);
    if (!DecompressR2007(data.data() + kFrom, length, header.data(), header.size())) return 0;
  }
  return *quellsy::le64(header, 8);
}

int CDWGRawInfo::Finish(std::uint64_t size, long long sectorNumber) {
  m_ullSize = size > kCap ? 0 : size;
  m_uRawFileType = RAW_FILE_TYPE_DWG;
  if (m_ullSize != 0) SetStemName(sectorNumber);
  return 1;
}

}  // namespace BruteForce

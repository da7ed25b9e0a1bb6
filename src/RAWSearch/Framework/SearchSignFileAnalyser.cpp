#include "RAWSearch/Framework/SearchSignFileAnalyser.h"

#include <algorithm>
#include <cstring>

#include "RAWSearch/Framework/CRawFileInfo.h"
#include "RAWSearch/Framework/RawFileBuffer.h"
#include "RAWSearch/Framework/RawSearchApi.h"
#include "include/IStorageDevice.h"

namespace {

bool ZeroTail(const unsigned char* sector, unsigned sectorSize, unsigned count) {
  return std::all_of(sector + sectorSize - count, sector + sectorSize, [](unsigned char b) { return b == 0; });
}

// ASCII only: the signatures are markup and keywords, and the locale must not change what matches.
void SetCase(unsigned char* sign, unsigned length, bool upper) {
  for (unsigned i = 0; i < length; ++i) {
    const unsigned char c = sign[i];
    if (upper && c >= 'a' && c <= 'z') sign[i] = static_cast<unsigned char>(c - 'a' + 'A');
    if (!upper && c >= 'A' && c <= 'Z') sign[i] = static_cast<unsigned char>(c - 'A' + 'a');
  }
}

// The match's end counted from the start of `bytes`, or -1.
long long MatchEnd(const unsigned char* bytes, unsigned count, const unsigned char* sign, unsigned length) {
  const unsigned char* match = Apimemstr(bytes, static_cast<int>(count), sign, static_cast<int>(length));
  return match ? (match - bytes) + static_cast<long long>(length) : -1;
}

}  // namespace

int SearchSignFileAnalyser::SearchEndSignCode(CRawFileInfo& info, IStorageDevice* device,
                                              const SearchSignCodeInfo& sign, int caseSensitive) {
  info.m_ullSize = 0;
  const unsigned length = sign.signLength;
  if (!device || length == 0 || length > SearchSignCodeInfo::kMaxSignLength || info.m_llStartSector < 0) return 1;
  // Measured on every call: the next device searched may have other sectors.
  const unsigned sectorSize = device->GetSectorSize();
  if (!RawFileBuffer::SupportsSectorSize(sectorSize) || sectorSize < SearchSignCodeInfo::kMaxSignLength) return 1;

  unsigned char pattern[SearchSignCodeInfo::kMaxSignLength];
  std::memcpy(pattern, sign.sign, length);
  // The previous sector's last `length` bytes, then this sector's first `length`: a signature that
  // straddles the boundary. The tail is carried over, never read from before the window.
  unsigned char straddle[2 * SearchSignCodeInfo::kMaxSignLength];
  bool haveTail = false;
  // Where a straddling signature ends, counted from this sector's start; -1 without one.
  auto straddleEnd = [&]() -> long long {
    if (!haveTail) return -1;
    const long long end = MatchEnd(straddle, 2 * length, pattern, length);
    return end < 0 ? -1 : end - static_cast<long long>(length);
  };

  const std::uint64_t limit = sign.maxSize ? sign.maxSize : SearchSignCodeInfo::kDefaultMaxSize;
  RawFileBuffer window(device, static_cast<unsigned long long>(info.m_llStartSector));
  std::uint64_t offset = 0;
  for (; offset <= limit; offset += sectorSize) {
    const unsigned char* sector = window.GetRawFileBuffer(offset);
    if (!sector) break;
    std::memcpy(straddle + length, sector, length);
    if (ZeroTail(sector, sectorSize, 2)) {
      long long end = -1;
      if (caseSensitive) {
        end = MatchEnd(sector, sectorSize, pattern, length);
        if (end < 0 && ZeroTail(sector, sectorSize, 8)) {
          // The data ends before this sector or, with a straddling signature, just behind it.
          info.m_ullSize = offset + static_cast<std::uint64_t>(std::max<long long>(straddleEnd(), 0));
          return 1;
        }
      } else {
        SetCase(pattern, length, false);
        end = MatchEnd(sector, sectorSize, pattern, length);
        if (end < 0) {
          SetCase(pattern, length, true);
          end = MatchEnd(sector, sectorSize, pattern, length);
        }
      }
      // Otherwise a signature straddling the boundary; ignoring case, in either case.
      if (end < 0) end = straddleEnd();
      if (end < 0 && !caseSensitive) {
        SetCase(pattern, length, false);
        end = straddleEnd();
      }
      if (end >= 0) {
        info.m_ullSize = offset + static_cast<std::uint64_t>(end);
        return 1;
      }
    }
    std::memcpy(straddle, sector + sectorSize - length, length);
    haveTail = true;
    if (offset > UINT64_MAX - sectorSize) break;
  }
  info.m_ullSize = offset;
  return 1;
}

// The signature search's sizing helpers on arbitrary content: the end-signature search through the
// read window, zero-end records fed sector by sector from a search buffer laid out as the search lays
// it out, and the analyser look-up over the reference set. Invariants: sizes stay within their caps.
//
// Input: byte 0 picks the sector size and the zero test's unit, byte 1 the signature's length, byte 2
// flags (bit 0 case-sensitive), bytes 3-4 a size cap, then the signature, then the device's content.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "FuzzBytesDevice.h"
#include "RAWSearch/Controller/CBufferStorageDevice.h"
#include "RAWSearch/Controller/RawSearchState.h"
#include "RAWSearch/Framework/CZeroEndRawFileInfo.h"
#include "RAWSearch/Framework/SearchSignFileAnalyser.h"
#include "RAWSearch/Registry/CRawFileAnalyserListSingle.h"
#include "RAWSearch/Registry/RawAnalyserLookup.h"

namespace {


std::uint32_t TrailingZeroBytes(const std::uint8_t* sector, unsigned sectorSize) {
  std::uint32_t zero = 0;
  while (zero < 32 && std::all_of(sector + sectorSize - zero - 4, sector + sectorSize - zero,
                                  [](std::uint8_t b) { return b == 0; }))
    zero += 4;
  return zero;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 5) return 0;
  const unsigned sectorSize = (data[0] & 1) ? 4096 : 512;
  const std::uint32_t unit = 1 + ((data[0] >> 1) & 3);
  const std::uint32_t signLength = 1 + data[1] % SearchSignCodeInfo::kMaxSignLength;
  const int caseSensitive = data[2] & 1;
  const std::uint64_t cap = 1 + (std::uint64_t{data[3]} | std::uint64_t{data[4]} << 8) * 16;
  data += 5;
  size -= 5;
  if (size < signLength) return 0;
  SearchSignCodeInfo sign{};
  std::memcpy(sign.sign, data, signLength);
  sign.signLength = signLength;
  sign.maxSize = cap;

  std::vector<std::uint8_t> content(data + signLength, data + size);
  const std::size_t sectors = std::min<std::size_t>((content.size() + sectorSize - 1) / sectorSize, 64);
  if (sectors == 0) return 0;
  content.resize(sectors * sectorSize);

  ResetRawSearchState();
  FuzzBytesDevice device(content, sectorSize);
  CBufferStorageDevice ring;
  ring.InitBufferDevice(&device, 0, sectorSize, static_cast<unsigned>(sectors), 2);
  ring.AddBlockToBuffer(reinterpret_cast<const char*>(content.data()));
  for (IStorageDevice* target : {static_cast<IStorageDevice*>(&device), static_cast<IStorageDevice*>(&ring)}) {
    CRawFileInfo info;
    info.m_llStartSector = static_cast<long long>(content[0] % sectors);
    SearchSignFileAnalyser().SearchEndSignCode(info, target, sign, caseSensitive);
    if (info.m_ullSize > cap + 65536 * 8) std::abort();
  }

  // The first block's search buffer: a zero lower half, the block, and 4096 zero bytes behind it.
  const std::size_t blockBytes = sectors * sectorSize;
  std::vector<std::uint8_t> buffer(2 * blockBytes + 4096, 0);
  std::memcpy(buffer.data() + blockBytes, content.data(), blockBytes);
  auto record = std::make_unique<CZeroEndRawFileInfo>(cap, unit);
  if (!caseSensitive) record->SetEndPattern(reinterpret_cast<const unsigned char*>(sign.sign), signLength);
  CRawFileAnalyserListSingle& registry = *CRawFileAnalyserListSingle::CreateInstance();
  for (std::size_t i = 0; i < sectors; ++i) {
    unsigned char* sector = buffer.data() + blockBytes + i * sectorSize;
    CRawFileInfo::SearchContext context;
    context.llBufferFirstSector = 0;
    context.llBlockEndSector = static_cast<long long>(sectors);
    context.uTrailingZeroBytes = TrailingZeroBytes(sector, sectorSize);
    if (record->CalcRawSize(sector, static_cast<int>(sectorSize), static_cast<long long>(i), context) == 1) {
      if (record->m_ullSize > cap) std::abort();
      record = std::make_unique<CZeroEndRawFileInfo>(cap, unit);
    }
    CRawFileInfo scratch;
    FindAnalyser(registry, CRawFileAnalyserListSingle::kReferenceSet, sector, scratch, sectorSize,
                 static_cast<long long>(i), context);
  }
  return 0;
}

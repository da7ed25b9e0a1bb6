#pragma once
// Bytes of a found file asked for by offset from its first byte, for analysers that work a file's
// structures out the same way whether the search is streaming past it or the device is read again.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "RAWSearch/Framework/CRawFileInfo.h"
#include "RAWSearch/Framework/PlainFileWindow.h"
#include "Utility/ByteReader.h"

// nullopt while the bytes are not at hand yet; a shorter span (empty included) when no more of them will
// ever come. A span lasts only until the next request.
using OffsetFetch = std::function<std::optional<quellsy::ByteSpan>(std::uint64_t offset, std::size_t length)>;

// What the search holds of a growing record's file when it shows the record `sector` (numbered
// `sectorNumber`): from the previous block's first sector (never before the file's start) to the current
// block's end; `first` is the file offset of bytes[0].
struct HeldFile {
  quellsy::ByteSpan bytes;
  std::uint64_t first = 0;
};
HeldFile HeldBytesOf(const unsigned char* sector, int sectorSize, long long startSector, long long sectorNumber,
                     const CRawFileInfo::SearchContext& context);

// The same bytes asked for by offset: bytes before them are gone (empty), bytes after them come later
// (nullopt).
OffsetFetch HeldFetch(const unsigned char* sector, int sectorSize, long long startSector, long long sectorNumber,
                      const CRawFileInfo::SearchContext& context);

// The file read through the read window, pieces of successive windows joined in `copy`; shorter where
// the device ends or cannot be read.
OffsetFetch WindowFetch(PlainFileWindow& window, std::vector<std::uint8_t>& copy);

// Feeds a structure walk (JpegMarkerWalk, PdfEndWalk, TextEndWalk: Advance(bytes, first), Next(),
// GetState()) the file through the read window, each piece from `lookBehind` bytes before where it
// stands, until it stops waiting or stands past `cap`. False when the device ends, cannot be read or
// gives the walk nothing more to read first.
template <typename Walk>
bool WalkThroughWindow(PlainFileWindow& window, Walk& walk, std::uint64_t cap, std::uint64_t lookBehind = 0) {
  while (walk.GetState() == Walk::State::kWaiting && walk.Next() <= cap) {
    const std::uint64_t next = walk.Next();
    const std::uint64_t from = next - std::min(next, lookBehind);
    const quellsy::ByteSpan bytes = window.At(from);
    if (bytes.empty()) return false;
    walk.Advance(bytes, from);
    if (walk.GetState() == Walk::State::kWaiting && walk.Next() == next) return false;
  }
  return walk.GetState() != Walk::State::kWaiting;
}

#pragma once
// Bytes of a found file asked for by offset from its first byte, for analysers that work a file's
// structures out the same way whether the search is streaming past it or the device is read again.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "RAWSearch/Framework/CRawFileInfo.h"
#include "Utility/ByteReader.h"

class PlainFileWindow;

// nullopt while the bytes are not at hand yet; a shorter span (empty included) when no more of them will
// ever come. A span lasts only until the next request.
using OffsetFetch = std::function<std::optional<quellsy::ByteSpan>(std::uint64_t offset, std::size_t length)>;

// What the search holds of a growing record's file when it shows the record `sector` (numbered
// `sectorNumber`): from the previous block's first sector to the current block's end. Bytes before
// that are gone (empty), bytes after it come later (nullopt).
OffsetFetch HeldFetch(const unsigned char* sector, int sectorSize, long long startSector, long long sectorNumber,
                      const CRawFileInfo::SearchContext& context);

// The file read through the read window, pieces of successive windows joined in `copy`; shorter where
// the device ends or cannot be read.
OffsetFetch WindowFetch(PlainFileWindow& window, std::vector<std::uint8_t>& copy);

#pragma once
// Mapping pairs: the packed run list of a non-resident attribute. Each run is a header byte (low nibble: bytes
// of the length field, high nibble: bytes of the signed cluster delta, 0 for a sparse run), the two fields
// least significant byte first, and a zero byte after the last run.

#include <cstdint>
#include <vector>

#include "Utility/ByteReader.h"

namespace quellsy::ntfs {

// Fields wider than this are refused (a 64-bit cluster number needs all eight bytes).
constexpr unsigned kMaxMappingFieldBytes = 8;

// One decoded extent: first cluster (-1 for a sparse run), first virtual cluster, length in clusters.
struct MappingRun {
  std::int64_t lcn = 0;
  std::int64_t vcn = 0;
  std::int64_t length = 0;
};

// True when every header's fields are at most eight bytes wide and the terminating zero lies inside the span.
bool IsValidMappingPairs(ByteSpan bytes);

// Decodes runs until a zero header, the end of the span, a field wider than eight bytes or a run cut by the
// span's end; VCNs start at startVcn. True when it stopped at a zero header or the span's end.
bool DecodeMappingPairs(ByteSpan bytes, std::int64_t startVcn, std::vector<MappingRun>& out);

// The sum of the length fields, without decoding offsets; 0 for invalid mapping pairs.
std::int64_t SumMappingPairLengths(ByteSpan bytes);

// The bytes a signed value needs, 1 to 8 (127 takes 1, 128 takes 2, -128 takes 1, -129 takes 2).
unsigned SignedWidth(std::int64_t value);

// Packs (first cluster, length) runs, a negative first cluster being sparse; deltas are taken from the last
// non-sparse run's first cluster. Ends with the zero byte.
std::vector<std::uint8_t> PackMappingPairs(const std::vector<MappingRun>& runs);
// The same into out (emptied first), which keeps its room for the next call.
void PackMappingPairs(const std::vector<MappingRun>& runs, std::vector<std::uint8_t>& out);

}  // namespace quellsy::ntfs

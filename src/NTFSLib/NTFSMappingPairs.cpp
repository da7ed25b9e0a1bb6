#include "NTFSLib/NTFSMappingPairs.h"

namespace quellsy::ntfs {

namespace {
struct Header {
  unsigned lengthBytes;
  unsigned offsetBytes;
};

Header Split(std::uint8_t h) { return {h & 0x0Fu, static_cast<unsigned>(h >> 4)}; }

std::uint64_t ReadUnsigned(ByteSpan bytes, std::size_t at, unsigned width) {
  std::uint64_t v = 0;
  for (unsigned i = 0; i < width; ++i) v |= std::uint64_t{bytes[at + i]} << (8 * i);
  return v;
}

std::int64_t ReadSigned(ByteSpan bytes, std::size_t at, unsigned width) {
  std::uint64_t v = ReadUnsigned(bytes, at, width);
  if (width < 8 && (v >> (8 * width - 1)) & 1u) v |= ~std::uint64_t{0} << (8 * width);
  return static_cast<std::int64_t>(v);
}

void Append(std::vector<std::uint8_t>& out, std::int64_t value, unsigned width) {
  const auto u = static_cast<std::uint64_t>(value);
  for (unsigned i = 0; i < width; ++i) out.push_back(static_cast<std::uint8_t>(u >> (8 * i)));
}

enum class WalkEnd { kTerminator, kSpanEnd, kBadRun };

// Calls run(position of the header, its field sizes) for each whole run, up to a zero header, the span's end,
// a field wider than eight bytes, or a run cut by the end.
template <class Run>
WalkEnd WalkRuns(ByteSpan bytes, Run&& run) {
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    if (bytes[pos] == 0) return WalkEnd::kTerminator;
    const Header f = Split(bytes[pos]);
    if (f.lengthBytes > kMaxMappingFieldBytes || f.offsetBytes > kMaxMappingFieldBytes) return WalkEnd::kBadRun;
    if (bytes.size() - pos - 1 < f.lengthBytes + f.offsetBytes) return WalkEnd::kBadRun;
    run(pos, f);
    pos += 1 + f.lengthBytes + f.offsetBytes;
  }
  return WalkEnd::kSpanEnd;
}
}  // namespace

bool IsValidMappingPairs(ByteSpan bytes) {
  return WalkRuns(bytes, [](std::size_t, Header) {}) == WalkEnd::kTerminator;
}

bool DecodeMappingPairs(ByteSpan bytes, std::int64_t startVcn, std::vector<MappingRun>& out) {
  // Wrapping arithmetic: the sums of corrupt deltas must not be undefined.
  std::uint64_t lcn = 0;
  auto vcn = static_cast<std::uint64_t>(startVcn);
  return WalkRuns(bytes, [&](std::size_t pos, Header f) {
           MappingRun run;
           run.vcn = static_cast<std::int64_t>(vcn);
           run.length = static_cast<std::int64_t>(ReadUnsigned(bytes, pos + 1, f.lengthBytes));
           if (f.offsetBytes == 0) {
             run.lcn = -1;
           } else {
             lcn += static_cast<std::uint64_t>(ReadSigned(bytes, pos + 1 + f.lengthBytes, f.offsetBytes));
             run.lcn = static_cast<std::int64_t>(lcn);
           }
           out.push_back(run);
           vcn += static_cast<std::uint64_t>(run.length);
         }) != WalkEnd::kBadRun;
}

std::int64_t SumMappingPairLengths(ByteSpan bytes) {
  std::uint64_t total = 0;
  const WalkEnd end =
      WalkRuns(bytes, [&](std::size_t pos, Header f) { total += ReadUnsigned(bytes, pos + 1, f.lengthBytes); });
  return end == WalkEnd::kTerminator ? static_cast<std::int64_t>(total) : 0;
}

unsigned SignedWidth(std::int64_t value) {
  for (unsigned n = 1; n < 8; ++n) {
    const std::int64_t limit = std::int64_t{1} << (8 * n - 1);
    if (value < 0 ? value >= -limit : value < limit) return n;
  }
  return 8;
}

std::vector<std::uint8_t> PackMappingPairs(const std::vector<MappingRun>& runs) {
  std::vector<std::uint8_t> out;
  PackMappingPairs(runs, out);
  return out;
}

void PackMappingPairs(const std::vector<MappingRun>& runs, std::vector<std::uint8_t>& out) {
  out.clear();
  std::int64_t reference = 0;
  for (const MappingRun& run : runs) {
    const unsigned lengthBytes = SignedWidth(run.length);
    if (run.lcn < 0) {
      out.push_back(static_cast<std::uint8_t>(lengthBytes));
      Append(out, run.length, lengthBytes);
      continue;
    }
    const auto delta =
        static_cast<std::int64_t>(static_cast<std::uint64_t>(run.lcn) - static_cast<std::uint64_t>(reference));
    const unsigned offsetBytes = SignedWidth(delta);
    out.push_back(static_cast<std::uint8_t>(offsetBytes * 16 + lengthBytes));
    Append(out, run.length, lengthBytes);
    Append(out, delta, offsetBytes);
    reference = run.lcn;
  }
  out.push_back(0);
}

}  // namespace quellsy::ntfs

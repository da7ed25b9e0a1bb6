#include "NTFSSearch/NTFSSectorGate.h"

#include <bitset>
#include <string_view>

#include "NTFSLib/NTFSReferenceTables.h"

namespace quellsy::ntfs {

namespace {

constexpr std::size_t kContentSector = 512;
// The content tests compare only $AttrDef's first five sectors.
constexpr std::size_t kAttrDefSectors = 5;

// Four bytes of text at `at`.
SectorGate::Kind Text(std::string_view magic, std::size_t at) {
  SectorGate::Kind kind;
  for (std::size_t i = 0; i < magic.size(); ++i)
    kind.push_back({at + i, [c = static_cast<std::uint8_t>(magic[i])](std::uint8_t b) { return b == c; }});
  return kind;
}

// The first two bytes of every sector of the standard contents: a sector equal to one of them has its first
// byte among the first bytes and its second among the second bytes.
SectorGate::Kind ContentLeads() {
  std::bitset<256> firsts;
  std::bitset<256> seconds;
  const auto add = [&](const std::vector<std::uint8_t>& content, std::size_t sectors) {
    for (std::size_t at = 0; at / kContentSector < sectors && at + kContentSector <= content.size(); at += kContentSector) {
      firsts.set(content[at]);
      seconds.set(content[at + 1]);
    }
  };
  add(StandardAttrDefFile(), kAttrDefSectors);
  add(StandardUpCaseFile(), SIZE_MAX);
  return {{0, [firsts](std::uint8_t b) { return firsts.test(b); }},
          {1, [seconds](std::uint8_t b) { return seconds.test(b); }}};
}

SectorGate Make() {
  return SectorGate({Text("NTFS", 3), Text("FILE", 0), Text("INDX", 0), Text("RSTR", 0), ContentLeads()});
}

}  // namespace

const SectorGate& NTFSSectorGate() {
  static const SectorGate gate = Make();
  return gate;
}

}  // namespace quellsy::ntfs

// The sector gate: a sector passes when every rule of some kind holds; the rules of one kind hold together, not
// one per kind across kinds.

#include "Utility/SectorGate.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace {

using quellsy::SectorGate;

bool Passes(const SectorGate& gate, const std::string& bytes) {
  return gate.MayHold(reinterpret_cast<const std::uint8_t*>(bytes.data()));
}

TEST(SectorGate, PassesWhereOneKindHoldsWhole) {
  // Kind "AZ": 'A' at 0 and 'Z' at 3. Kind "even": an even byte at 1 and a digit at 3.
  const SectorGate gate({
      {{0, [](std::uint8_t b) { return b == 'A'; }}, {3, [](std::uint8_t b) { return b == 'Z'; }}},
      {{1, [](std::uint8_t b) { return b % 2 == 0; }}, {3, [](std::uint8_t b) { return b >= '0' && b <= '9'; }}},
  });
  EXPECT_EQ(gate.Reach(), 4u);
  struct Case {
    std::string bytes;
    bool passes;
  };
  // 'a' is 0x61 (odd), 'b' 0x62 (even).
  for (const Case& c : {Case{"AaaZ", true}, Case{"xbx7", true}, Case{"AbxZ", true}, Case{"Aab7", false},
                        Case{"xbxZ", false}, Case{"BaaZ", false}, Case{"Aaa7", false}, Case{"xax7", false}})
    EXPECT_EQ(Passes(gate, c.bytes), c.passes) << c.bytes;
}

TEST(SectorGate, NoKindLetsNothingThroughAndOversizedGatesAreRefused) {
  EXPECT_FALSE(Passes(SectorGate(std::vector<SectorGate::Kind>{}), "anything"));
  // A kind without rules allows every sector.
  EXPECT_TRUE(Passes(SectorGate(std::vector<SectorGate::Kind>(1)), "anything"));
  std::vector<SectorGate::Kind> nineOffsets(1);
  for (std::size_t at = 0; at < 9; ++at) nineOffsets[0].push_back({at, [](std::uint8_t) { return true; }});
  EXPECT_THROW(SectorGate{nineOffsets}, std::length_error);
  EXPECT_THROW(SectorGate{std::vector<SectorGate::Kind>(17)}, std::length_error);
}

}  // namespace

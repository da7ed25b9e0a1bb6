#include "RAWSearch/Framework/CZeroEndRawFileInfo.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

// One sector: `data` bytes of 0xAB from its start, zeros behind, then `puts` written over it.
struct SectorLayout {
  unsigned data;
  std::vector<std::pair<unsigned, std::string>> puts = {};
};

struct ZeroEndCase {
  const char* name;
  std::uint64_t maxSize;
  std::uint32_t unit;
  std::uint64_t nextCheck;
  std::string pattern;
  unsigned sectorSize;
  // Sectors of the search buffer kept before the sector shown; -1 = all since the file's start.
  int lag;
  std::vector<SectorLayout> sectors;
  std::vector<int> results;  // CalcRawSize's answer per sector, up to the first 1
  std::uint64_t size;
  std::uint64_t nextCheckAfter;
};

std::vector<std::uint8_t> MakeSector(const SectorLayout& layout, unsigned sectorSize) {
  std::vector<std::uint8_t> sector(sectorSize, 0);
  std::fill_n(sector.begin(), std::min(layout.data, sectorSize), std::uint8_t{0xAB});
  for (const auto& [at, bytes] : layout.puts) std::memcpy(sector.data() + at, bytes.data(), bytes.size());
  return sector;
}

// What the search puts in the context: the zero 32-bit words at the sector's end, at most 8.
std::uint32_t TrailingZeroBytes(const std::vector<std::uint8_t>& sector) {
  std::uint32_t zero = 0;
  while (zero < 32 && std::all_of(sector.end() - zero - 4, sector.end() - zero, [](auto b) { return b == 0; }))
    zero += 4;
  return zero;
}

class ZeroEndRawFileInfoTest : public ::testing::TestWithParam<ZeroEndCase> {};

TEST_P(ZeroEndRawFileInfoTest, EndsWhereTheDataGivesWayToZeros) {
  const ZeroEndCase& c = GetParam();
  CZeroEndRawFileInfo record(c.maxSize, c.unit);
  record.m_ullNextCheck = c.nextCheck;
  if (!c.pattern.empty()) {
    ASSERT_TRUE(record.SetEndPattern(reinterpret_cast<const unsigned char*>(c.pattern.data()), c.pattern.size()));
  }
  ASSERT_TRUE(record.WhetherImplementGuess());

  std::vector<std::vector<std::uint8_t>> sectors;
  for (const auto& layout : c.sectors) sectors.push_back(MakeSector(layout, c.sectorSize));
  std::vector<int> results;
  for (std::size_t i = 0; i < sectors.size() && (results.empty() || results.back() != 1); ++i) {
    // A buffer holding exactly the sectors the record may look back into, so a look past them is
    // caught by the address sanitizer.
    const std::size_t first = c.lag < 0 ? 0 : i - std::min<std::size_t>(i, static_cast<std::size_t>(c.lag));
    std::vector<std::uint8_t> buffer;
    for (std::size_t s = first; s <= i; ++s) buffer.insert(buffer.end(), sectors[s].begin(), sectors[s].end());
    CRawFileInfo::SearchContext context;
    context.llBufferFirstSector = static_cast<long long>(first);
    context.uTrailingZeroBytes = TrailingZeroBytes(sectors[i]);
    results.push_back(record.CalcRawSize(buffer.data() + (i - first) * c.sectorSize, static_cast<int>(c.sectorSize),
                                         static_cast<long long>(i), context));
  }
  EXPECT_EQ(results, c.results);
  EXPECT_EQ(record.m_ullSize, c.size);
  EXPECT_EQ(record.m_ullNextCheck, c.nextCheckAfter);
}

const std::uint64_t kBig = 0xD000000;

INSTANTIATE_TEST_SUITE_P(
    Cases, ZeroEndRawFileInfoTest,
    ::testing::Values(
        ZeroEndCase{"ThreeZeroWordsEndTheFirstSector", kBig, 4, 0, "", 512, -1, {{500}}, {1}, 500, 0},
        ZeroEndCase{"ThreeZeroWordsOn4096ByteSectors", kBig, 4, 0, "", 4096, -1, {{4084}}, {1}, 4084, 0},
        ZeroEndCase{"LongZeroRunFoundByBisectionUnit1", kBig, 1, 0, "", 512, -1, {{512}, {512}, {101}}, {2, 2, 1}, 1125, 0},
        ZeroEndCase{"LongZeroRunFoundByBisectionUnit4", kBig, 4, 0, "", 512, -1, {{512}, {101}}, {2, 1}, 613, 0},
        ZeroEndCase{"LongZeroRunOn4096ByteSectors", kBig, 2, 0, "", 4096, -1, {{4096}, {3001}}, {2, 1}, 7097, 0},
        // The previous sector's last word is AB 00 00 00: the file ends 3 bytes before this sector.
        ZeroEndCase{"EndsInTheBytesBeforeTheSector", kBig, 4, 0, "", 512, -1, {{509}, {0}}, {2, 1}, 509, 0},
        ZeroEndCase{"ZeroFirstSectorLeavesItUnsized", kBig, 4, 0, "", 512, -1, {{0}}, {1}, 0, 0},
        ZeroEndCase{"CapInAZeroTailedSector", 700, 4, 0, "", 512, -1, {{512}, {500}}, {2, 1}, 700, 0},
        ZeroEndCase{"CapInDataSectors", 1000, 4, 0, "", 512, -1, {{512}, {512}, {512}}, {2, 1}, 1000, 0},
        ZeroEndCase{"CapReachedExactlyGoesOn", 1024, 4, 0, "", 512, -1, {{512}, {512}, {512}}, {2, 2, 1}, 1024, 0},
        // Below the next check, zero-tailed sectors count whole; the look-back then finds the data's end.
        ZeroEndCase{"NextCheckCountsSectorsUntested", kBig, 4, 1536, "", 512, -1, {{512}, {0}, {0}, {0}}, {2, 2, 2, 1}, 512, 1536},
        ZeroEndCase{"LookBackStopsAtTheSearchBuffersStart", kBig, 4, 1536, "", 512, 1, {{512}, {0}, {0}, {0}}, {2, 2, 2, 1}, 1024, 1536},
        ZeroEndCase{"PatternAtTheEnd", kBig, 1, 0, "%%EOF", 512, -1, {{100, {{95, "%%EOF"}}}}, {1}, 100, 0},
        ZeroEndCase{"PatternJustBehindTheDataEnd", kBig, 4, 0, std::string("\xAB\xAB\0\0", 4), 512, -1, {{100}}, {1}, 102, 0},
        // Far from the end the pattern does not count: the sector counts whole, and the next sector
        // is tested again from its boundary.
        ZeroEndCase{"PatternRetriedOnlyFromTheNextBoundary", kBig, 1, 0, "%%EOF", 512, -1,
                    {{100, {{10, "%%EOF"}}}, {200, {{195, "%%EOF"}}}}, {2, 1}, 712, 512},
        ZeroEndCase{"PatternMissPastTheCapEnds", 500, 1, 0, "%%EOF", 512, -1, {{100}, {512}}, {1}, 500, 512},
        ZeroEndCase{"PatternFoundPastTheCapEnds", 101, 4, 0, std::string("\xAB\xAB\0\0", 4), 512, -1, {{100}}, {1}, 101, 0},
        ZeroEndCase{"PatternMissedTwiceThenFound", kBig, 1, 0, "%%EOF", 512, -1,
                    {{100}, {512}, {300}, {60, {{55, "%%EOF"}}}}, {2, 2, 2, 1}, 1596, 1536}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(CZeroEndRawFileInfo, OddUnitsAndPatternsAreKeptSane) {
  CZeroEndRawFileInfo zeroUnit(100, 0);
  EXPECT_EQ(zeroUnit.m_uUnit, 1u);
  CZeroEndRawFileInfo wideUnit(100, 9);
  EXPECT_EQ(wideUnit.m_uUnit, 1u);
  const std::vector<unsigned char> tooLong(CZeroEndRawFileInfo::kMaxEndPattern + 1, 'x');
  EXPECT_FALSE(wideUnit.SetEndPattern(tooLong.data(), tooLong.size()));
  EXPECT_FALSE(wideUnit.SetEndPattern(tooLong.data(), 0));
  EXPECT_EQ(wideUnit.m_wPatternLength, 0);
  EXPECT_TRUE(wideUnit.SetEndPattern(tooLong.data(), CZeroEndRawFileInfo::kMaxEndPattern));
  EXPECT_EQ(wideUnit.m_wPatternLength, CZeroEndRawFileInfo::kMaxEndPattern);
}

}  // namespace

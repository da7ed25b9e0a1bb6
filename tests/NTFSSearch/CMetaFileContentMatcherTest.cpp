// Sectors equal to the standard $AttrDef and $UpCase contents, gathered into ranges of consecutive sectors.

#include <gtest/gtest.h>

#include <vector>

#include "NTFSLib/NTFSReferenceTables.h"
#include "NTFSSearch/CMetaFileContentMatcher.h"

namespace {

using Kind = CMetaFileContentMatcher::Kind;
using Ranges = std::vector<std::pair<std::int64_t, std::int64_t>>;

quellsy::ByteSpan SectorOf(const std::vector<std::uint8_t>& file, std::size_t n) {
  return quellsy::ByteSpan(file).subspan(n * 512, 512);
}

TEST(CMetaFileContentMatcher, AttrDefSectorsFormRangesAndASectorMetTwiceCountsOnce) {
  const std::vector<std::uint8_t>& attrDef = quellsy::ntfs::StandardAttrDefFile();
  CMetaFileContentMatcher matcher(Kind::kAttrDef);
  for (std::size_t n = 0; n < 5; ++n) matcher.AnalyzeSector(100 + static_cast<std::int64_t>(n), SectorOf(attrDef, n));
  matcher.AnalyzeSector(104, SectorOf(attrDef, 4));
  // A sector of zeros (the end of the file's last cluster) proves nothing.
  matcher.AnalyzeSector(105, std::vector<std::uint8_t>(512, 0));
  matcher.AnalyzeSector(900, SectorOf(attrDef, 0));
  EXPECT_EQ(matcher.Ranges(), (Ranges{{100, 5}, {900, 1}}));
}

TEST(CMetaFileContentMatcher, EveryUpCaseSectorIsRecognisedWhateverItsFirstUnit) {
  const std::vector<std::uint8_t>& upCase = quellsy::ntfs::StandardUpCaseFile();
  CMetaFileContentMatcher matcher(Kind::kUpCase);
  for (std::size_t n = 0; n < 256; ++n) matcher.AnalyzeSector(5000 + static_cast<std::int64_t>(n), SectorOf(upCase, n));
  // Sector 45 starts with the upper case of U+2D00, U+10A0.
  EXPECT_EQ(upCase[45 * 512 + 1], 0x10);
  EXPECT_EQ(matcher.Ranges(), (Ranges{{5000, 256}}));
  std::vector<std::uint8_t> changed(upCase.begin() + 45 * 512, upCase.begin() + 46 * 512);
  changed[300] ^= 1;
  matcher.AnalyzeSector(9000, changed);
  EXPECT_EQ(matcher.Ranges().size(), 1u);
}

}  // namespace

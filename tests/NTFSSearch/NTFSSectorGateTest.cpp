// The first look of the complete NTFS search: a boot sector, the record kinds it analyses and every sector of
// the standard $AttrDef (its first five) and $UpCase contents pass; sectors a byte away from them do not.

#include "NTFSSearch/NTFSSectorGate.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "NTFSLib/NTFSReferenceTables.h"
#include "NTFSSearch/CMetaFileContentMatcher.h"

namespace {

using Sector = std::vector<std::uint8_t>;

// 0xC3 0xC3 is no text the search looks for and starts no sector of the standard contents.
Sector Background() { return Sector(512, 0xC3); }

Sector WithText(const std::string& text, std::size_t at) {
  Sector sector = Background();
  std::memcpy(sector.data() + at, text.data(), text.size());
  return sector;
}

TEST(NTFSSectorGate, LetsThroughTheStartsOfWhatTheSearchAnalyses) {
  const quellsy::SectorGate& gate = quellsy::ntfs::NTFSSectorGate();
  ASSERT_LE(gate.Reach(), 512u);
  struct Case {
    const char* what;
    Sector sector;
    bool passes;
  };
  const std::vector<Case> cases = {
      {"bytes of nothing", Background(), false},
      {"boot sector", WithText("\xEB\x52\x90NTFS    ", 0), true},
      {"boot sector named NTFT", WithText("\xEB\x52\x90NTFT    ", 0), false},
      {"NTFS at 4", WithText("\xEB\x52\x90\x90NTFS   ", 0), false},
      {"file record", WithText("FILE0", 0), true},
      {"index record", WithText("INDX(", 0), true},
      {"log restart page", WithText("RSTR\x1E", 0), true},
      {"FILF", WithText("FILF", 0), false},
      {"lower-case file", WithText("file", 0), false},
      {"bad record", WithText("BAAD", 0), false},
      {"INDX one byte late", WithText("INDX", 1), false},
  };
  for (const Case& c : cases) EXPECT_EQ(gate.MayHold(c.sector.data()), c.passes) << c.what;
}

TEST(NTFSSectorGate, LetsThroughEverySectorTheContentTestsTake) {
  const quellsy::SectorGate& gate = quellsy::ntfs::NTFSSectorGate();
  CMetaFileContentMatcher attrDef(CMetaFileContentMatcher::Kind::kAttrDef);
  CMetaFileContentMatcher upCase(CMetaFileContentMatcher::Kind::kUpCase);
  // Each sector is analysed at its own number: the matcher's ranges end up one run of all of them.
  using Ranges = std::vector<std::pair<std::int64_t, std::int64_t>>;
  const auto sectorOf = [](const std::vector<std::uint8_t>& file, std::size_t n) {
    return Sector(file.begin() + static_cast<std::ptrdiff_t>(n * 512),
                  file.begin() + static_cast<std::ptrdiff_t>((n + 1) * 512));
  };
  const std::vector<std::uint8_t>& attrDefFile = quellsy::ntfs::StandardAttrDefFile();
  for (std::size_t n = 0; n < 5; ++n) {
    const Sector sector = sectorOf(attrDefFile, n);
    attrDef.AnalyzeSector(static_cast<std::int64_t>(n), sector);
    EXPECT_TRUE(gate.MayHold(sector.data())) << "$AttrDef sector " << n;
  }
  const std::vector<std::uint8_t>& upCaseFile = quellsy::ntfs::StandardUpCaseFile();
  ASSERT_EQ(upCaseFile.size(), 256u * 512);
  for (std::size_t n = 0; n < 256; ++n) {
    const Sector sector = sectorOf(upCaseFile, n);
    upCase.AnalyzeSector(static_cast<std::int64_t>(n), sector);
    EXPECT_TRUE(gate.MayHold(sector.data())) << "$UpCase sector " << n;
  }
  EXPECT_EQ(attrDef.Ranges(), (Ranges{{0, 5}}));
  EXPECT_EQ(upCase.Ranges(), (Ranges{{0, 256}}));
  // The background the first test turns away is no content sector either.
  attrDef.AnalyzeSector(1000, Background());
  upCase.AnalyzeSector(1000, Background());
  EXPECT_EQ(attrDef.Ranges().size(), 1u);
  EXPECT_EQ(upCase.Ranges().size(), 1u);
}

}  // namespace

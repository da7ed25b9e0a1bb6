#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "RAWSearch/Framework/ISpecialRawFileAnalyser.h"
#include "RAWSearch/Registry/CRawFileAnalyserListSingle.h"
#include "RAWSearch/Registry/RawAnalyserLookup.h"
#include "RAWSearch/Registry/RawAnalyserTables.h"
#include "RAWSearch/Registry/RawDispatchTable.h"
#include "RawSearchTestSupport.h"
#include "Utility/ByteReader.h"

namespace {

using quellsy::test::AnalyserClassName;
using quellsy::test::RawSearchTest;
using quellsy::test::ScopedSearchSet;
using Registry = CRawFileAnalyserListSingle;

using AnalyserRegistry = RawSearchTest;

std::vector<std::string> Names(const std::vector<IRawFileAnalyser*>& analysers) {
  std::vector<std::string> names;
  for (IRawFileAnalyser* a : analysers) names.push_back(AnalyserClassName(a));
  return names;
}

std::vector<IRawFileAnalyser*> Everything(Registry& registry, int set) {
  std::vector<IRawFileAnalyser*> all;
  for (auto& [key, a] : registry.GetAnalyserMap(set)) all.push_back(a);
  for (auto& [key, a] : registry.GetAnalyserMultimap(set)) all.push_back(a);
  for (IRawFileAnalyser* a : registry.GetAnalyserList(set)) all.push_back(a);
  return all;
}

TEST_F(AnalyserRegistry, BothSetsHoldEveryRowAsItsOwnObject) {
  // What the tables ask for: one map entry per row (their four-byte keys all differ), one multimap
  // entry per row, one list entry per row.
  std::set<unsigned> mapKeys;
  for (const RawAnalyserRow& row : RawAnalyserMapRows()) mapKeys.insert(RawAnalyserMapKey(row));
  EXPECT_EQ(mapKeys.size(), RawAnalyserMapRows().size()) << "every map key distinct";
  const std::size_t rows = RawAnalyserMapRows().size() + RawAnalyserMultimapRows().size() + RawAnalyserListRows().size();

  Registry& registry = *Registry::CreateInstance();
  EXPECT_TRUE(Everything(registry, Registry::kSearchSet).empty()) << "the search set waits for a search";
  const auto reference = Everything(registry, Registry::kReferenceSet);
  registry.ReinitAnalyzeList(nullptr);
  for (int set : {Registry::kSearchSet, Registry::kReferenceSet}) {
    SCOPED_TRACE(set);
    EXPECT_EQ(registry.GetAnalyserMap(set).size(), mapKeys.size());
    EXPECT_EQ(registry.GetAnalyserMultimap(set).size(), RawAnalyserMultimapRows().size());
    EXPECT_EQ(registry.GetAnalyserList(set).size(), RawAnalyserListRows().size());
  }
  const auto search = Everything(registry, Registry::kSearchSet);
  std::set<IRawFileAnalyser*> distinct(search.begin(), search.end());
  distinct.insert(reference.begin(), reference.end());
  EXPECT_EQ(distinct.size(), 2 * rows) << "no analyser shared between keys or sets";
  EXPECT_EQ(Everything(registry, Registry::kReferenceSet), reference) << "the reference set is never rebuilt";

  registry.ReinitAnalyzeList(nullptr);
  EXPECT_EQ(Everything(registry, Registry::kSearchSet).size(), rows) << "rebuilt, not added to";
  ResetRawSearchState();
  EXPECT_TRUE(Everything(registry, Registry::kSearchSet).empty());
  EXPECT_EQ(Everything(registry, Registry::kReferenceSet), reference);
}

TEST_F(AnalyserRegistry, EachEntryIsTheRowsClassWithTheRowsType) {
  Registry& registry = *Registry::CreateInstance();
  registry.ReinitAnalyzeList(nullptr);
  for (const RawAnalyserRow& row : RawAnalyserMapRows()) {
    IRawFileAnalyser* a = registry.GetAnalyserMap(0).at(RawAnalyserMapKey(row));
    EXPECT_EQ(AnalyserClassName(a), row.className);
    EXPECT_EQ(a->GetType(), row.type) << row.className;
  }
  // Equal multimap keys hold their rows' classes in row order.
  for (const RawAnalyserRow& row : RawAnalyserMultimapRows()) {
    std::vector<std::string> expected;
    for (const RawAnalyserRow& other : RawAnalyserMultimapRows())
      if (RawAnalyserMultimapKey(other) == RawAnalyserMultimapKey(row)) expected.emplace_back(other.className);
    std::vector<IRawFileAnalyser*> entries;
    const auto [first, last] = registry.GetAnalyserMultimap(0).equal_range(RawAnalyserMultimapKey(row));
    for (auto it = first; it != last; ++it) entries.push_back(it->second);
    EXPECT_EQ(Names(entries), expected) << row.className;
  }
  std::vector<std::string> list = Names({registry.GetAnalyserList(0).begin(), registry.GetAnalyserList(0).end()});
  EXPECT_EQ(list, (std::vector<std::string>{"Brance::LZHAnalyser", "FileEMFAnalyser", "BruteForce::MovAnalyzer",
                                            "RawSpeed::InddAnalyser", "RawSpeed::New3DSAnalyser",
                                            "RawSpeed::TARAnalyser", "BruteForce::CM2TSAnalyser",
                                            "RawSpeed::MOBIAnalyser", "RawSpeed::PSAFE3Analyser"}));
  EXPECT_EQ(registry.GetAnalyserMap(0).at(0xE1FFD8FF)->GetType(), RAW_FILE_TYPE_JPG) << "FF D8 FF E1 read little-endian";
  EXPECT_EQ(registry.GetAnalyserMap(0).at(0x2A004D4D)->GetType(), RAW_FILE_TYPE_TIF);
  EXPECT_EQ(registry.GetAnalyserMap(0).at(0x694C5153)->GetType(), kRawFileTypePerHit) << "SQLi, typed per hit";
}

TEST_F(AnalyserRegistry, EqualKeysAreTriedInTableOrder) {
  Registry& registry = *Registry::CreateInstance();
  const struct {
    std::uint8_t lead[4];
    std::vector<std::string> order;  // the map's class first when the four bytes are a map key
  } cases[] = {
      {{0xFF, 0xFE, 0x00, 0x00}, {"BruteForce::MP3Analyzer", "RawSpeed::HTMLAnalyser", "FileUnicodeHTMAnalyser"}},
      {{0x25, 0x21, 0x50, 0x53}, {"BruteForce::PdfAnalyzer", "BruteForce::CEPSAnalyser"}},
      {{0x25, 0x50, 0x44, 0x46}, {"BruteForce::PdfAnalyzer"}},
      {{0x00, 0x00, 0x00, 0x18}, {"BruteForce::MovAnalyzer", "BruteForce::Mp4Analyzer", "BruteForce::C3GPAnalyser"}},
      {{0x00, 0x01, 0x00, 0x00}, {"FileTTFAnalyser", "RawSpeed::CMDBAnalyser", "RawSpeed::CMDBAnalyser"}},
      {{0x3C, 0x68, 0x74, 0x6D}, {"RawSpeed::HTMLAnalyser"}},
      {{0xFF, 0xD8, 0xFF, 0xE1}, {"BruteForce::JpegAnalyzer"}},
      {{0xFF, 0xD8, 0xFF, 0xE2}, {}},  // neither a map key nor (FF D8) a multimap key: left to the list
      {{0x00, 0x00, 0x01, 0x00}, {"FileICOAnalyser", "BruteForce::MovAnalyzer", "BruteForce::Mp4Analyzer",
                                  "BruteForce::C3GPAnalyser"}},
  };
  for (const auto& c : cases) {
    std::vector<IRawFileAnalyser*> tried;
    const unsigned word = *quellsy::le32(c.lead, 0);
    if (auto it = registry.GetAnalyserMap(1).find(word); it != registry.GetAnalyserMap(1).end())
      tried.push_back(it->second);
    const auto [first, last] = registry.GetAnalyserMultimap(1).equal_range(static_cast<unsigned short>(word));
    for (auto it = first; it != last; ++it) tried.push_back(it->second);
    EXPECT_EQ(Names(tried), c.order) << std::hex << word;
  }
}

TEST_F(AnalyserRegistry, AnalysersByFileType) {
  const struct {
    std::vector<RAW_FILE_TYPE> types;
    bool passNull;
    std::vector<std::string> classes;
  } cases[] = {
      {{RAW_FILE_TYPE_LZH, RAW_FILE_TYPE_AI}, false, {"FileLZHAnalyser"}},
      {{RAW_FILE_TYPE_EMLX, RAW_FILE_TYPE_EMF, RAW_FILE_TYPE_EMF}, false,
       {"FileEMLXAnalyser", "FileEMFAnalyser", "FileEMFAnalyser"}},
      {{}, true, {"FileEMFAnalyser", "FileLZHAnalyser", "FileEMLXAnalyser"}},
      {{}, false, {"FileEMFAnalyser", "FileLZHAnalyser", "FileEMLXAnalyser"}},
      {{RAW_FILE_TYPE_JPG}, false, {}},
  };
  for (auto c : cases) {
    std::list<IRawFileAnalyser*> list;
    BuildRawFileAnalyserListByFileType(list, c.passNull ? nullptr : &c.types);
    EXPECT_EQ(Names({list.begin(), list.end()}), c.classes);
    ClearListContents(list);
    EXPECT_TRUE(list.empty());
  }
}

// Every row of the tables has its analyser: a row that loses its factory would stand in as a placeholder that
// claims nothing, and its format would silently go unfound.
TEST_F(AnalyserRegistry, NoRowIsAPlaceholder) {
  EXPECT_EQ(PlaceholderAnalyserClasses(), std::vector<std::string>{});
  Registry& registry = *Registry::CreateInstance();
  for (IRawFileAnalyser* a : Everything(registry, Registry::kReferenceSet))
    EXPECT_EQ(dynamic_cast<CPlaceholderRawFileAnalyser*>(a), nullptr) << AnalyserClassName(a);
}

// What a row without a factory gets: a placeholder under the row's class name that claims no sector and sizes
// nothing, so the search finds nothing it cannot size.
TEST_F(AnalyserRegistry, APlaceholderClaimsNothing) {
  const RawAnalyserRow row{{0x25, 0x50, 0x44, 0x46}, "Unwritten", RAW_FILE_TYPE_PDF, nullptr};
  std::unique_ptr<IRawFileAnalyser> a(CreateRawAnalyser(row));
  auto* placeholder = dynamic_cast<CPlaceholderRawFileAnalyser*>(a.get());
  ASSERT_NE(placeholder, nullptr);
  EXPECT_STREQ(placeholder->ClassName(), "Unwritten");
  std::vector<unsigned char> sector(512, 0);
  quellsy::FieldWriter(sector).le32(0, 0x46445025);
  CRawFileInfo scratch;
  EXPECT_EQ(a->AnalyseBuffer(sector.data(), scratch), 0);
  EXPECT_EQ(a->GetRawFileSize(scratch, nullptr), 0);
  EXPECT_EQ(scratch.m_ullSize, 0u);
}

// A fake that answers with a fixed result and writes down that it was asked.
class FakeAnalyser : public IRawFileAnalyser, public ISpecialRawFileAnalyser {
 public:
  FakeAnalyser(std::string name, int result, std::vector<std::string>& log, bool special = false)
      : IRawFileAnalyser(RAW_FILE_TYPE_PDF), name_(std::move(name)), result_(result), log_(log), special_(special) {}

  int GetRawFileSize(CRawFileInfo&, IStorageDevice*) override { return 0; }
  int AnalyseBuffer(unsigned char*, CRawFileInfo& scratch) override {
    log_.push_back(name_);
    if (result_) scratch.m_uRawFileType = RAW_FILE_TYPE_PDF;
    return result_;
  }
  int AnalyseBufferEx(unsigned char*, CRawFileInfo&, long long sectorSize, long long sector,
                      long long bufferFirstSector, long long blockEndSector) override {
    log_.push_back(name_ + ":ex(" + std::to_string(sectorSize) + "," + std::to_string(sector) + "," +
                   std::to_string(bufferFirstSector) + "," + std::to_string(blockEndSector) + ")");
    return result_;
  }
  ISpecialRawFileAnalyser* GetSpecialRawFile() override { return special_ ? this : nullptr; }

  const std::string& name() const { return name_; }

 private:
  std::string name_;
  int result_;
  std::vector<std::string>& log_;
  bool special_;
};

struct LookupCase {
  const char* name;
  std::uint8_t lead[4];
  int map, multi1, multi2, list1, list2;
  const char* chosen;  // null = nobody
  std::vector<std::string> log;
};

class AnalyserLookup : public RawSearchTest, public ::testing::WithParamInterface<LookupCase> {};

// Map key AA BB CC DD; multimap key BB AA with a plain and a block-context analyser; zero keys in both,
// which a zero first word must never reach; a list whose second member has a block context it must
// not be asked through.
TEST_P(AnalyserLookup, MapThenMultimapThenList) {
  const LookupCase& c = GetParam();
  std::vector<std::string> log;
  ScopedSearchSet fakes([&](Registry::AnalyserMap& map, Registry::AnalyserMultimap& multimap,
                            Registry::AnalyserList& list) {
    map[0xDDCCBBAA] = new FakeAnalyser("map", c.map, log);
    map[0] = new FakeAnalyser("map0", 1, log);
    multimap.emplace(0xBBAA, new FakeAnalyser("multi1", c.multi1, log));
    multimap.emplace(0xBBAA, new FakeAnalyser("multi2", c.multi2, log, true));
    multimap.emplace(0, new FakeAnalyser("multi0", 0, log));
    list.push_back(new FakeAnalyser("list1", c.list1, log));
    list.push_back(new FakeAnalyser("list2", c.list2, log, true));
  });
  Registry& registry = *Registry::CreateInstance();
  registry.ReinitAnalyzeList(nullptr);
  std::vector<unsigned char> sector(512, 0x11);
  std::copy(std::begin(c.lead), std::end(c.lead), sector.begin());
  CRawFileInfo scratch;
  CRawFileInfo::SearchContext context;
  context.llBufferFirstSector = 10;
  context.llBlockEndSector = 99;
  IRawFileAnalyser* found = FindAnalyser(registry, Registry::kSearchSet, sector.data(), scratch, 512, 77, context);
  EXPECT_EQ(found ? static_cast<FakeAnalyser*>(found)->name() : "nobody", c.chosen ? c.chosen : "nobody");
  EXPECT_EQ(log, c.log);
  EXPECT_EQ(scratch.m_uRawFileType, found ? RAW_FILE_TYPE_PDF : RAW_FILE_TYPE_NONE);

  // The dispatch table asks the same analysers in the same order and gets the same answer.
  CRawDispatchTable table;
  table.Build(registry, Registry::kSearchSet);
  log.clear();
  CRawFileInfo tableScratch;
  EXPECT_EQ(table.Find(sector.data(), tableScratch, 512, 77, context), found);
  EXPECT_EQ(log, c.log);
  EXPECT_TRUE(table.MayClaim(sector.data(), 512));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AnalyserLookup,
    ::testing::Values(
        LookupCase{"MapClaimsOnlyWithExactlyOne", {0xAA, 0xBB, 0xCC, 0xDD}, 1, 1, 1, 1, 1, "map", {"map"}},
        LookupCase{"MapAnswerTwoIsNoClaim", {0xAA, 0xBB, 0xCC, 0xDD}, 2, 0, 3, 1, 1, "multi2",
                   {"map", "multi1", "multi2:ex(512,77,10,99)"}},
        LookupCase{"MultimapInInsertionOrder", {0xAA, 0xBB, 0x00, 0x00}, 1, 1, 1, 1, 1, "multi1", {"multi1"}},
        LookupCase{"ListTakesAnyNonZero", {0xAA, 0xBB, 0xCC, 0xDD}, 0, 2, 0, 0, 7, "list2",
                   {"map", "multi1", "multi2:ex(512,77,10,99)", "list1", "list2"}},
        LookupCase{"NobodyClaims", {0xAA, 0xBB, 0xCC, 0xDD}, 0, 0, 0, 0, 0, nullptr,
                   {"map", "multi1", "multi2:ex(512,77,10,99)", "list1", "list2"}},
        LookupCase{"ZeroFirstWordGoesToTheListOnly", {0, 0, 0, 0}, 1, 1, 1, 0, 1, "list2", {"list1", "list2"}},
        LookupCase{"ZeroLowWordReachesTheZeroMultimapKey", {0, 0, 0xCC, 0xDD}, 1, 1, 1, 1, 1, "list1",
                   {"multi0", "list1"}}),
    [](const auto& test) { return std::string(test.param.name); });

// A placeholder that counts the sectors it is offered.
class CountingPlaceholder : public CPlaceholderRawFileAnalyser {
 public:
  explicit CountingPlaceholder(int& asked) : CPlaceholderRawFileAnalyser("Counting", RAW_FILE_TYPE_PDF), asked_(asked) {}
  int AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) override {
    ++asked_;
    return CPlaceholderRawFileAnalyser::AnalyseBuffer(sector, scratch);
  }

 private:
  int& asked_;
};

// A keyless analyser that claims the sectors holding "ANCH" at offset 100, and says so.
class AnchoredAnalyser : public IRawFileAnalyser {
 public:
  explicit AnchoredAnalyser(int& asked) : IRawFileAnalyser(RAW_FILE_TYPE_PDF), asked_(asked) {}
  int GetRawFileSize(CRawFileInfo&, IStorageDevice*) override { return 0; }
  int AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) override {
    ++asked_;
    if (std::memcmp(sector + 100, "ANCH", 4) != 0) return 0;
    scratch.m_uRawFileType = RAW_FILE_TYPE_PDF;
    return 1;
  }
  std::optional<Anchor> ClaimAnchor() const override { return Anchor{100, 0x48434E41}; }

 private:
  int& asked_;
};

TEST_F(AnalyserRegistry, TheDispatchTableSkipsPlaceholdersAndSectorsWithoutAnchor) {
  int placeholderAsked = 0;
  int anchoredAsked = 0;
  std::vector<std::string> log;
  ScopedSearchSet fakes([&](Registry::AnalyserMap& map, Registry::AnalyserMultimap& multimap,
                            Registry::AnalyserList& list) {
    map[0x44434241] = new CountingPlaceholder(placeholderAsked);  // "ABCD"
    multimap.emplace(0x5A59, new CountingPlaceholder(placeholderAsked));  // "YZ"
    list.push_back(new CountingPlaceholder(placeholderAsked));
    list.push_back(new AnchoredAnalyser(anchoredAsked));
    map[0x34333231] = new FakeAnalyser("map", 1, log);  // "1234"
  });
  Registry& registry = *Registry::CreateInstance();
  registry.ReinitAnalyzeList(nullptr);
  CRawDispatchTable table;
  table.Build(registry, Registry::kSearchSet);
  EXPECT_EQ(table.AskedEverySector(), 0u);

  struct Case {
    const char* lead;  // the sector's first four bytes
    bool anchored;
    bool mayClaim;
    const char* chosen;  // "map", "anchored" or null
  };
  const std::vector<Case> cases = {
      {"ABCD", false, false, nullptr},   {"YZab", false, false, nullptr}, {"1234", false, true, "map"},
      {"12xx", false, true, nullptr},    {"ABCD", true, true, "anchored"}, {"\0\0\0\0", true, true, "anchored"},
      {"qrst", false, false, nullptr},
  };
  int anchoredSectors = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.lead);
    std::vector<unsigned char> sector(512, 0x5C);
    std::memcpy(sector.data(), c.lead, 4);
    if (c.anchored) {
      std::memcpy(sector.data() + 100, "ANCH", 4);
      ++anchoredSectors;
    }
    EXPECT_EQ(table.MayClaim(sector.data(), 512), c.mayClaim);
    CRawFileInfo scratch;
    const CRawFileInfo::SearchContext context;
    IRawFileAnalyser* found = table.Find(sector.data(), scratch, 512, 3, context);
    const std::string name = !found ? "nobody" : dynamic_cast<FakeAnalyser*>(found) ? "map" : "anchored";
    EXPECT_EQ(name, c.chosen ? c.chosen : "nobody");
  }
  EXPECT_EQ(placeholderAsked, 0);
  EXPECT_EQ(anchoredAsked, anchoredSectors);
}

TEST_F(AnalyserRegistry, TheDispatchTableAnswersAsTheLookupsOverTheRealSearchSet) {
  Registry& registry = *Registry::CreateInstance();
  registry.ReinitAnalyzeList(nullptr);
  CRawDispatchTable table;
  table.Build(registry, Registry::kSearchSet);
  // Sectors opening with every key of the tables, then random ones; the rest of each sector random too.
  std::vector<std::vector<unsigned char>> sectors;
  std::mt19937 random(22);
  const auto randomSector = [&random] {
    std::vector<unsigned char> sector(512);
    for (unsigned char& byte : sector) byte = static_cast<unsigned char>(random());
    return sector;
  };
  for (auto rows : {RawAnalyserMapRows(), RawAnalyserMultimapRows()}) {
    for (const RawAnalyserRow& row : rows) {
      std::vector<unsigned char> sector = randomSector();
      std::copy(std::begin(row.lead), std::end(row.lead), sector.begin());
      sectors.push_back(sector);
    }
  }
  // Sectors holding an anchor of a keyless analyser, the bits outside its mask random: never passed over.
  for (IRawFileAnalyser* analyser : registry.GetAnalyserList(Registry::kSearchSet)) {
    for (const IRawFileAnalyser::Anchor& anchor : analyser->ClaimAnchors()) {
      std::vector<unsigned char> sector = randomSector();
      const std::uint32_t word = (anchor.value & anchor.mask) | (static_cast<std::uint32_t>(random()) & ~anchor.mask);
      quellsy::FieldWriter(quellsy::MutableByteSpan(sector.data(), sector.size())).le32(anchor.offset, word);
      EXPECT_TRUE(table.MayClaim(sector.data(), 512)) << anchor.offset;
      sectors.push_back(sector);
    }
  }
  for (int i = 0; i < 20000; ++i) sectors.push_back(randomSector());
  int skipped = 0;
  for (std::vector<unsigned char>& sector : sectors) {
    CRawFileInfo expectedScratch;
    CRawFileInfo scratch;
    CRawFileInfo::SearchContext context;
    context.llBlockEndSector = 8;
    IRawFileAnalyser* expected =
        FindAnalyser(registry, Registry::kSearchSet, sector.data(), expectedScratch, 512, 7, context);
    if (!table.MayClaim(sector.data(), 512)) {
      ++skipped;
      EXPECT_EQ(expected, nullptr);
      continue;
    }
    EXPECT_EQ(table.Find(sector.data(), scratch, 512, 7, context), expected);
    EXPECT_EQ(scratch.m_uRawFileType, expectedScratch.m_uRawFileType);
    EXPECT_EQ(scratch.m_ullSize, expectedScratch.m_ullSize);
  }
  // Random sectors almost never open with a key: nearly all are passed over at the table.
  EXPECT_GT(skipped, 19000);
}

TEST_F(AnalyserRegistry, TheTestHookReplacesTheTablesUntilCleared) {
  Registry& registry = *Registry::CreateInstance();
  std::vector<std::string> log;
  {
    ScopedSearchSet only([&](Registry::AnalyserMap&, Registry::AnalyserMultimap&, Registry::AnalyserList& list) {
      list.push_back(new FakeAnalyser("only", 1, log));
    });
    registry.ReinitAnalyzeList(nullptr);
    EXPECT_EQ(Everything(registry, Registry::kSearchSet).size(), 1u);
  }
  EXPECT_TRUE(Everything(registry, Registry::kSearchSet).empty());
  registry.ReinitAnalyzeList(nullptr);
  EXPECT_EQ(Everything(registry, Registry::kSearchSet).size(),
            RawAnalyserMapRows().size() + RawAnalyserMultimapRows().size() + RawAnalyserListRows().size());
}

}  // namespace
